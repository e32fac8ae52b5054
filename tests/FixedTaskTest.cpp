#include "FixedTask.h"

#include "SchedulerFixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Tolvarine {
namespace {

using FixedTaskTest = Test::SchedulerFixture;

TEST_F(FixedTaskTest, RunInKeyOrderAndEqualKeysInCreationOrder)
{
    std::vector<std::string> order;
    auto record = [&order](const std::string& name) {
        return [&order, name](float, float) { order.push_back(name); };
    };
    FixedTask a(record("35a"), "A", 35);
    FixedTask b(record("10"), "B", 10);
    FixedTask c(record("35b"), "C", 35);
    FixedTask d(record("60"), "D", 60);
    FixedTask e(record("35c"), "E", 35);
    FixedTask f(record("0"), "F", 0);
    passAt(1.0);
    EXPECT_EQ(order, (std::vector<std::string>{"0", "10", "35a", "35b", "35c", "60"}));
}

TEST_F(FixedTaskTest, CreatedOrDestroyedDuringThePassAreSafe)
{
    std::vector<std::string> order;
    std::vector<std::unique_ptr<FixedTask>> created;
    std::unique_ptr<FixedTask> victim;
    std::unique_ptr<FixedTask> self;
    FixedTask creator(
        [&](float, float) {
            // Enough new tasks to move the task list in memory; they first run next pass.
            for (int i = 0; i < 64; ++i)
                created.push_back(std::make_unique<FixedTask>(
                    [&order](float, float) { order.push_back("created"); }, "Created", 20));
            victim.reset();
        },
        "Creator", 10);
    victim = std::make_unique<FixedTask>([&order](float, float) { order.push_back("victim"); },
                                         "Victim", 30);
    self = std::make_unique<FixedTask>(
        [&](float, float) {
            order.push_back("self");
            self.reset();
        },
        "Self", 40);
    FixedTask last([&order](float, float) { order.push_back("last"); }, "Last", 50);

    passAt(1.0);
    EXPECT_EQ(order, (std::vector<std::string>{"self", "last"}));
    EXPECT_EQ(self, nullptr);

    order.clear();
    created.resize(1);
    passAt(2.0);
    EXPECT_EQ(order, (std::vector<std::string>{"created", "last"}));
}

TEST_F(FixedTaskTest, EmptyCallbackFailsThePass)
{
    FixedTask empty(FixedTask::Callback(), "Empty", 1);
    EXPECT_THROW(scheduler.run(), std::bad_function_call);
}

} // namespace
} // namespace Tolvarine
