// Prints what one scheduler pass costs with 50 fixed tasks and 1,000 variable tasks, with the
// profiler recording every block as in the game. A baseline for later performance work, not a
// test: the figures depend on the machine.

#include "FixedTask.h"
#include "FunctionTask.h"
#include "Profiler.h"
#include "InputHandler.h"
#include "Scheduler.h"

#include <OgreLogManager.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using namespace Tolvarine;

namespace {

constexpr int fixedTaskCount = 50;
constexpr int variableTaskCount = 1000;

unsigned long long fixedRuns = 0;
unsigned long long variableRuns = 0;

struct Figures {
    double microsecondsPerPass;
    double variableRunsPerPass;
};

// Runs passes for about `seconds` of wall time and averages them.
Figures measure(Scheduler& scheduler, double seconds)
{
    using Clock = std::chrono::steady_clock;
    for (int i = 0; i < 100; ++i) // settle the deadline and the caches
        scheduler.run();
    variableRuns = 0;
    unsigned long long passes = 0;
    const auto start = Clock::now();
    const auto end = start + std::chrono::duration<double>(seconds);
    auto now = start;
    while (now < end) {
        for (int i = 0; i < 50; ++i)
            scheduler.run();
        passes += 50;
        now = Clock::now();
    }
    const double elapsed = std::chrono::duration<double>(now - start).count();
    return {elapsed * 1e6 / static_cast<double>(passes),
            static_cast<double>(variableRuns) / static_cast<double>(passes)};
}

std::vector<std::unique_ptr<FunctionTask>> makeVariableTasks(bool spread)
{
    std::vector<std::unique_ptr<FunctionTask>> tasks;
    for (int i = 0; i < variableTaskCount; ++i) {
        const float period = spread ? 0.001f * static_cast<float>(1 + i % 100) : 0.0f;
        tasks.push_back(std::make_unique<FunctionTask>(
            [](float) {
                ++variableRuns;
                return true;
            },
            "Variable " + std::to_string(i % 20), period, period / 10.0f));
        tasks.back()->subscribe(true);
    }
    return tasks;
}

void print(const char* name, const Figures& figures)
{
    std::printf("%-34s %10.2f us per pass %10.1f variable runs per pass\n", name,
                figures.microsecondsPerPass, figures.variableRunsPerPass);
}

} // namespace

int main()
{
    Ogre::LogManager logManager;
    logManager.createLog("bench_scheduler.log", true, false, true);

    InputHandler input;
    Scheduler scheduler;
    Profiler profiler;
    std::vector<std::unique_ptr<FixedTask>> fixedTasks;
    for (int i = 0; i < fixedTaskCount; ++i)
        fixedTasks.push_back(std::make_unique<FixedTask>([](float, float) { ++fixedRuns; },
                                                         "Fixed " + std::to_string(i),
                                                         static_cast<unsigned>(i % 7) * 10));

    std::printf("Scheduler, %d fixed tasks, %d variable tasks, profiler on\n", fixedTaskCount,
                variableTaskCount);

    scheduler.setPaused(true);
    {
        const auto tasks = makeVariableTasks(false);
        print("paused (fixed tasks only)", measure(scheduler, 1.0));
    }
    scheduler.setPaused(false);
    {
        const auto tasks = makeVariableTasks(false);
        print("every variable task due each pass", measure(scheduler, 1.0));
    }
    {
        const auto tasks = makeVariableTasks(true);
        print("variable periods 1 to 100 ms", measure(scheduler, 1.0));
    }
    return fixedRuns > 0 ? 0 : 1;
}
