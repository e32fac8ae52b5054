#include "GameProcess.h"
#include "ShipFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace Tolvarine::Test {
namespace {

namespace fs = std::filesystem;

bool haveXvfb()
{
    return std::system("command -v Xvfb >/dev/null 2>&1 && command -v xdotool >/dev/null 2>&1") == 0;
}

// A ship type whose file names no mesh stops the start-up while the ship pools are filled: the
// game says why and ends with code 1.
TEST(ShipGame, AShipTypeWithoutAMeshEndsTheStartUpWithCodeOne)
{
    if (!haveXvfb())
        GTEST_SKIP() << "needs Xvfb and xdotool";
    GameProcess game;
    std::ofstream(game.folder() / "data/entities/ghost.ship")
        << shipText("ghost", {{"poolSize", "1"}}, "[Targetable]\nchaseOffset = (0 5 30)\nfixedOffset = (0 1 -4)\n");
    game.start();
    EXPECT_EQ(game.waitForExit(), 1);
    EXPECT_TRUE(game.logHas("Ship created with no entity!"));
}

} // namespace
} // namespace Tolvarine::Test
