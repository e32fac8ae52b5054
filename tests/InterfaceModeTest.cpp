#include "GuiWorld.h"
#include "WidgetFactory.h"

#include <CEGUI/Window.h>

#include <Overlay/OgreOverlay.h>
#include <Overlay/OgreOverlayElement.h>
#include <Overlay/OgreOverlayManager.h>

namespace Tolvarine::Test {
namespace {

using InterfaceModeTest = GuiWorld;

// A message holds for its time, then fades on the game clock, which stands while paused.
TEST_F(InterfaceModeTest, TheTransientMessageHoldsThenFadesOnTheGameClock)
{
    start();
    interface->showTransientMessage("Wave 2 incoming", 2.0f, 1.0f);
    CEGUI::Window& message = *WidgetFactory::findWindow("Desktop/Message");
    EXPECT_NEAR(message.getXPosition().d_offset, (800 - message.getPixelSize().d_width) * 0.5f, 0.5f);
    // Game seconds since the last row; whether the task goes on; shown; alpha.
    const struct {
        double after;
        bool running, visible;
        float alpha;
    } rows[] = {{2.0, true, true, 1.0f}, {0.5, true, true, 0.5f}, {0.6, false, false, 0.5f}};
    for (const auto& row : rows) {
        ManualTicks::advance(row.after);
        SCOPED_TRACE(Scheduler::getSingleton().getTime());
        EXPECT_EQ(interface->transientMessageUpdate(0.0f), row.running);
        EXPECT_EQ(message.isVisible(), row.visible);
        EXPECT_NEAR(message.getAlpha(), row.alpha, 1e-3f);
    }
    interface->showTransientMessage("Paused", 1.0f, 1.0f);
    scheduler.setPaused(true);
    ManualTicks::advance(5.0);
    EXPECT_TRUE(interface->transientMessageUpdate(0.0f));
    EXPECT_FLOAT_EQ(message.getAlpha(), 1.0f);
}

// With "showFps" the overlay shows, and its numbers are written every half second of real time
// from the first second on, paused or not.
TEST_F(InterfaceModeTest, TheStatsOverlayIsWrittenTwiceASecondOfRealTimeFromTheFirstSecond)
{
    start("[GUI]\nscheme = TaharezLook\nfont = Tolvarine-10\nalpha = 1.0\n[Interface]\nshowFps = 1\n");
    Ogre::OverlayManager& overlays = Ogre::OverlayManager::getSingleton();
    EXPECT_TRUE(overlays.getByName("Stats")->isVisible());
    Ogre::OverlayElement* fps = overlays.getOverlayElement("Stats/TopRight/Fps");
    scheduler.setPaused(true);
    const std::pair<double, bool> rows[] = {{1.0, false}, {1.01, true}, {1.3, false}, {1.52, true}};
    for (const auto& [at, written] : rows) {
        SCOPED_TRACE(at);
        fps->setCaption("-");
        ManualTicks::advance(at - scheduler.getRealTime() - 1e-6);
        interface->updateStats(0.0f, 0.0f);
        EXPECT_EQ(fps->getCaption() != "-", written);
    }
}

} // namespace
} // namespace Tolvarine::Test
