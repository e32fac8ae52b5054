#include "Interface.h"

#include "InputHandler.h"
#include "NormalExit.h"
#include "RenderingRoot.h"
#include "TolvarineEngine.h"

#include <OgreRoot.h>
#include <gtest/gtest.h>

namespace Tolvarine {
namespace {

TEST(InterfaceTest, ModesSwitchTheExitScreenLocksTheModeKeysAndTheQuitKeyStartsTheExit)
{
    InputHandler input;
    Tolvarine::Test::RenderingRoot rendering{Tolvarine::Test::RenderingRoot::Kind::Headless};
    TolvarineEngine engine{Ogre::Root::getSingleton()};
    Interface interface;
    EXPECT_EQ(interface.getMode(), Interface::NORMAL);
    EXPECT_TRUE(interface.areModeKeysEnabled());
    EXPECT_THROW(input.pulseSymbol(input.getSymbol("quit")), NormalExit);
    const std::tuple<int, bool, int> rows[] = {{Interface::NORMAL, true, Interface::NORMAL},
                                               {Interface::COMMAND, false, Interface::COMMAND},
                                               {Interface::MENU, false, Interface::MENU},
                                               {7, true, Interface::MENU}}; // an unknown mode changes only the keys
    for (const auto& [mode, exitScreen, want] : rows) {
        SCOPED_TRACE(mode);
        interface.setMode(mode, exitScreen);
        EXPECT_EQ(interface.getMode(), want);
        EXPECT_EQ(interface.areModeKeysEnabled(), !exitScreen);
    }
}

} // namespace
} // namespace Tolvarine
