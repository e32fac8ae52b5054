#include "GuiWorld.h"
#include "WizardDoubles.h"

#include <memory>

namespace Tolvarine::Test {
namespace {

using WizardTest = GuiWorld;

// Each row drives a fresh wizard through a sequence of moves and checks the calls in order; moves
// with no current stage (before any, after the end) add nothing.
TEST_F(WizardTest, MovesCallTheStagesAndTheWizardInOrderAndDoNothingWithoutACurrentStage)
{
    start();
    const struct {
        const char* name;
        int stages;
        std::vector<std::string> moves;
        Journal expected;
    } rows[] = {
        {"one stage, next, then nothing more", 1, {"start", "next", "next", "prev", "cancel"},
         {"onStart", "build A", "enter A+", "leave A+", "onFinish", "finish A"}},
        {"one stage, prev", 1, {"start", "prev", "next"}, {"onStart", "build A", "enter A+", "leave A-", "onBackOut"}},
        {"cancel on the third", 3, {"start", "next", "next", "cancel", "cancel"},
         {"onStart", "build A", "build B", "build C", "enter A+", "leave A+", "enter B+", "leave B+", "enter C+",
          "leave C-", "leave B-", "leave A-", "onBackOut"}},
        {"back and forth, finished, restarted without building again", 2,
         {"start", "next", "prev", "next", "next", "start", "cancel"},
         {"onStart", "build A", "build B", "enter A+", "leave A+", "enter B+", "leave B-", "enter A-", "leave A+",
          "enter B+", "leave B+", "onFinish", "finish A", "finish B", "onStart", "enter A+", "leave A-",
          "onBackOut"}},
        {"no stages", 0, {"start", "next", "prev", "cancel"}, {"onStart"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Journal journal;
        JournalWizard wizard(interface->getDesktopWindow(), journal);
        std::vector<std::shared_ptr<JournalStage>> stages;
        for (int i = 0; i < row.stages; ++i) {
            stages.push_back(std::make_shared<JournalStage>(std::string(1, char('A' + i)), wizard, journal));
            wizard.addStage(stages.back());
        }
        for (const std::string& move : row.moves) {
            if (move == "start")
                wizard.start();
            else if (move == "next")
                wizard.next();
            else if (move == "prev")
                wizard.prev();
            else
                wizard.cancel();
        }
        EXPECT_EQ(journal, row.expected);
        for (const auto& stage : stages)
            EXPECT_FALSE(stage->getPage()->isVisible()) << "every page is hidden once the wizard ended";
    }
}

} // namespace
} // namespace Tolvarine::Test
