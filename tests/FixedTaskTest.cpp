#include "FixedTask.h"

#include "SchedulerFixture.h"

#include <gtest/gtest.h>

#include <functional>

namespace Tolvarine {
namespace {

using FixedTaskTest = Test::SchedulerFixture;

TEST_F(FixedTaskTest, RunInKeyOrderAndSurviveTasksMadeOrDestroyedDuringThePass)
{
    std::vector<std::string> order;
    const auto record = [&order](const std::string& name) { return [&order, name](float, float) { order.push_back(name); }; };
    std::vector<std::unique_ptr<FixedTask>> created;
    std::unique_ptr<FixedTask> victim, self;
    FixedTask creator(
        [&](float, float) {
            // Enough new tasks to move the task list in memory; they first run in the next pass.
            for (int i = 0; i < 64; ++i)
                created.push_back(std::make_unique<FixedTask>(record("created"), "Created", 20));
            victim.reset();
        },
        "Creator", 10);
    // Equal keys run in creation order.
    FixedTask a(record("35a"), "A", 35);
    victim = std::make_unique<FixedTask>(record("victim"), "Victim", 30);
    FixedTask b(record("35b"), "B", 35);
    self = std::make_unique<FixedTask>([&](float, float) {
        order.push_back("self");
        self.reset();
    }, "Self", 40);
    FixedTask first(record("0"), "F", 0);
    FixedTask last(record("last"), "Last", 50);
    passAt(1.0);
    EXPECT_EQ(order, (std::vector<std::string>{"0", "35a", "35b", "self", "last"}));
    EXPECT_EQ(self, nullptr);
    order.clear();
    created.resize(1);
    passAt(2.0);
    EXPECT_EQ(order, (std::vector<std::string>{"0", "created", "35a", "35b", "last"}));
}

TEST_F(FixedTaskTest, AnEmptyCallbackFailsThePass)
{
    FixedTask empty(FixedTask::Callback(), "Empty", 1);
    EXPECT_THROW(scheduler.run(), std::bad_function_call);
}

} // namespace
} // namespace Tolvarine
