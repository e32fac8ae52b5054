#pragma once

#include "Clock.h"

#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <string>

namespace Tolvarine {

// A hierarchical timing profiler. Named blocks opened inside each other form a tree; each node
// counts its openings and the time spent inside. Reset when a scenario loads, reported to
// "Profile.log" when it unloads.
class Profiler {
public:
    // The current scenario's profile line (its name and a line break), empty when no scenario
    // is current.
    using ScenarioLineSource = std::function<std::string()>;
    using SystemInfoSource = std::function<std::string()>;

    Profiler();
    ~Profiler();
    Profiler(const Profiler&) = delete;
    Profiler& operator=(const Profiler&) = delete;

    static Profiler& getSingleton() { return *singleton; }
    static Profiler* getSingletonPtr() { return singleton; }

    // Opens the block `name` below the innermost open block. Opening "Root" at the top level
    // counts a frame instead.
    void beginProfile(const std::string& name);
    // Closes the innermost block; the name only documents the pairing at the call site.
    void endProfile(const std::string& /*name*/) { endProfile(); }
    void endProfile();

    // Counters back to zero for the next scenario; the blocks stay.
    void reset();

    // Appends the report (system information, scenario line, block tree) to the file.
    void writeReport(const std::string& path = "Profile.log") const;
    void writeReport(std::ostream& out) const;

    void setScenarioLineSource(ScenarioLineSource source) { scenarioLine = std::move(source); }
    void setSystemInfoSource(SystemInfoSource source) { systemInfo = std::move(source); }

    unsigned getFrameCount() const { return frameCount; }

private:
    struct ProfileNode {
        ProfileNode(const std::string& name, ProfileNode* parent);

        std::string name;
        ProfileNode* parent;
        unsigned calls = 0;
        float total = 0.0f;
        // Kept in double: a float of profiler uptime loses short blocks within the hour.
        double started = 0.0;
        std::map<std::string, std::unique_ptr<ProfileNode>> children;
    };

    void writeNode(std::ostream& out, const ProfileNode& node, std::string& indentation) const;
    static void resetNode(ProfileNode& node);

    static Profiler* singleton;

    unsigned frameCount = 1;
    ProfileNode rootNode;
    ProfileNode* current;
    Clock clock;
    ScenarioLineSource scenarioLine;
    SystemInfoSource systemInfo;
};

} // namespace Tolvarine
