#include "GuiWorld.h"
#include "WizardDoubles.h"

#include <CEGUI/widgets/PushButton.h>

#include <memory>

namespace Tolvarine::Test {
namespace {

using WizardTest = GuiWorld;

float pixelX(const std::string& name)
{
    return WidgetFactory::findWindow(name)->getPosition().d_x.d_offset;
}

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

// The buttons stand right to left, 30 pixels apart and from the right edge, 20 from the bottom of
// the page's client area, each fitted to its text; a click on "Next >>" moves the wizard on.
TEST_F(WizardTest, ButtonsStandInARowAtTheBottomRightAndAClickMovesOn)
{
    start();
    Journal journal;
    JournalWizard wizard(interface->getDesktopWindow(), journal);
    auto stage = std::make_shared<JournalStage>("Page", wizard, journal);
    wizard.addStage(stage);
    wizard.addStage(std::make_shared<JournalStage>("Second", wizard, journal));
    wizard.start();
    const float cancelWidth = WidgetFactory::findWindow("Page/Cancel")->getPixelSize().d_width;
    const float nextWidth = WidgetFactory::findWindow("Page/Next")->getPixelSize().d_width;
    const float prevWidth = WidgetFactory::findWindow("Page/Prev")->getPixelSize().d_width;
    // The library aligns the client area to whole pixels.
    EXPECT_NEAR(pixelX("Page/Cancel"), 600 - cancelWidth - 30, 0.5f);
    EXPECT_NEAR(pixelX("Page/Next"), 600 - cancelWidth - 30 - nextWidth - 30, 0.5f);
    EXPECT_NEAR(pixelX("Page/Prev"), 600 - cancelWidth - nextWidth - prevWidth - 90, 0.5f);
    CEGUI::Window* cancel = WidgetFactory::findWindow("Page/Cancel");
    EXPECT_NEAR(cancel->getPosition().d_y.d_offset, 400 - cancel->getPixelSize().d_height - 20, 0.5f);

    const CEGUI::Rectf client = stage->getPage()->getUnclippedInnerRect().get();
    for (const char* button : {"Page/Cancel", "Page/Next", "Page/Prev"}) {
        const CEGUI::Rectf area = WidgetFactory::findWindow(button)->getUnclippedOuterRect().get();
        EXPECT_TRUE(area.left() >= client.left() && area.right() <= client.right() &&
                    area.bottom() <= client.bottom())
            << button << " lies inside the page";
    }

    auto& context = CEGUI::System::getSingleton().getDefaultGUIContext();
    const CEGUI::Rectf next = WidgetFactory::findWindow("Page/Next")->getUnclippedOuterRect().get();
    context.injectMousePosition(next.left() + next.getWidth() / 2, next.top() + next.getHeight() / 2);
    context.injectMouseButtonDown(CEGUI::LeftButton);
    context.injectMouseButtonUp(CEGUI::LeftButton);
    EXPECT_EQ(journal.back(), "enter Second+");
}

} // namespace
} // namespace Tolvarine::Test
