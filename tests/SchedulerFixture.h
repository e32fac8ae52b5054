#pragma once

#include "FixedTask.h"
#include "InputHandler.h"
#include "ManualTicks.h"
#include "Scheduler.h"

#include <gtest/gtest.h>

namespace Tolvarine::Test {

// A scheduler on a hand-driven clock. Every pass does `work` seconds of fixed-task work first,
// since variable tasks only get the time a pass has left before its deadline.
class SchedulerFixture : public ::testing::Test {
protected:
    // Runs one pass starting at the game time `start`.
    void passAt(double start)
    {
        ManualTicks::advance(start - scheduler.getTime());
        scheduler.run();
    }

    ManualTicks ticks;
    InputHandler input;
    Scheduler scheduler;
    double work = 0.0625;
    FixedTask workTask{[this](float, float) { ManualTicks::advance(work); }, "Work", 0};
};

} // namespace Tolvarine::Test
