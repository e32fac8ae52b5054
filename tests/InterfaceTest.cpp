#include "Interface.h"

#include "InputHandler.h"
#include "NormalExit.h"
#include "RenderingRoot.h"
#include "TolvarineEngine.h"

#include <OgreRoot.h>
#include <gtest/gtest.h>

namespace Tolvarine {
namespace {

class InterfaceTest : public ::testing::Test {
protected:
    InputHandler input;
    Tolvarine::Test::RenderingRoot rendering{Tolvarine::Test::RenderingRoot::Kind::Headless};
    TolvarineEngine engine{Ogre::Root::getSingleton()};
    Interface interface;
};

TEST_F(InterfaceTest, ModesSwitchAndTheExitScreenLocksTheModeKeys)
{
    EXPECT_EQ(interface.getMode(), Interface::NORMAL);
    EXPECT_TRUE(interface.areModeKeysEnabled());

    interface.setMode(Interface::NORMAL, true);
    EXPECT_EQ(interface.getMode(), Interface::NORMAL);
    EXPECT_FALSE(interface.areModeKeysEnabled()) << "the exit screen locks the mode keys";
    interface.setMode(Interface::COMMAND, false);
    EXPECT_EQ(interface.getMode(), Interface::COMMAND);
    EXPECT_TRUE(interface.areModeKeysEnabled());
    interface.setMode(Interface::MENU, false);
    EXPECT_EQ(interface.getMode(), Interface::MENU);
    interface.setMode(7, true);
    EXPECT_EQ(interface.getMode(), Interface::MENU) << "an unknown mode changes only the keys";
    EXPECT_FALSE(interface.areModeKeysEnabled());
}

TEST_F(InterfaceTest, QuitKeyStartsTheExitSequence)
{
    EXPECT_THROW(input.pulseSymbol(input.getSymbol("quit")), NormalExit);
}

} // namespace
} // namespace Tolvarine
