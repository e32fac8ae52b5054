#pragma once

#include <memory>

namespace Tolvarine {

class FunctionTask;

// For long runs: every period of game time the log gets the process's resident memory,
// "Resources at <t> s: <n> kB resident", followed by the live count of every pooled kind (the
// lines of PoolCensus), "Left out by explosion sequences: <e> explosions, <s> sprays", all that
// dying ships' events have left out under their bounds so far, and "Left out where memory would
// run out: <n> sprays", all that ParticleSpray::spray has left out so far. A leak shows as memory
// or a count that keeps growing from report to report.
class ResourceReport {
public:
    // The environment variable that asks the game for reports: a period in seconds.
    static const char* const PERIOD_VARIABLE;

    explicit ResourceReport(float period);
    ~ResourceReport();
    ResourceReport(const ResourceReport&) = delete;
    ResourceReport& operator=(const ResourceReport&) = delete;

    // A report at the period the environment asks for; null when it asks for none. A period that
    // is not a positive number of seconds is logged and ignored.
    static std::unique_ptr<ResourceReport> fromEnvironment();

private:
    bool write(float elapsed);

    float gameTime = 0.0f;
    std::unique_ptr<FunctionTask> task;
};

} // namespace Tolvarine
