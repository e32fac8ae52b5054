// Scenario changes made with the test ground's keys while command mode is open, in the whole
// game: command mode lists the ships of the scenario now loaded and leaving it flies a live ship of
// the player; the objective of a game goes with its scenario; the test ground's captions show
// only while nothing covers them.
#include "MenuWalk.h"

#include <gtest/gtest.h>

#include <fstream>

namespace Tolvarine::Test {
namespace {

using namespace MenuWalk;

// The command sheet's objective line is centred at 70 % of the 768 rows; "Objective:" alone stays
// within 60 pixels of the middle, the text of a game reaches well to the right of it, where
// otherwise only the odd star is as bright.
unsigned objectivePixels(const PngImage& view)
{
    return countPixels(view, 512 + 70, 530, 512 + 300, 570, [](const std::uint8_t* p) { return p[0] + p[1] > 300; });
}

// The last line that starts with `prefix`, or empty.
std::string lastLine(const GameProcess& game, const std::string& prefix)
{
    std::string found;
    for (const std::string& line : game.logLines())
        if (line.rfind(prefix, 0) == 0)
            found = line;
    return found;
}

bool fliesOneOfTwo(const std::string& line)
{
    return line.rfind("Command mode left: the player flies ", 0) == 0 && line.size() > 6 &&
           line.compare(line.size() - 6, 6, " of 2)") == 0;
}

TEST(ScenarioChangeGame, CommandModeListsTheLoadedScenarioAndObjectiveAndCaptionsGoWithWhatTheyBelongTo)
{
    if (!hasXTools())
        GTEST_SKIP() << "needs Xvfb and xdotool";
    GameProcess game;
    // A game of the skirmish waits behind the main menu: its objective is on the command sheet.
    std::ofstream(game.folder() / "startup.py", std::ios::app)
        << "\nScenarioManager.getSingleton().loadScenario('Skirmish').skirmishStart('Nebula', {'trifighter': 1}, "
           "{'kestrel': 1})\nInterface.getSingleton().setMode(InterfaceMode.MENU, True)\n";
    game.start();
    ASSERT_TRUE(game.waitForLogLine("Scenario Skirmish loaded.")) << game.standardError();
    const std::string listed = "Command mode: the game is paused, ";

    // F8 from the main menu: the test ground, its captions, and no objective of the skirmish.
    ASSERT_TRUE(pressForLine(game, "F8", listed + "0 ships of the player"));
    const PngImage testGround = look(game, "testground.png");
    EXPECT_GT(testGroundCaptionPixels(testGround), 5u) << "the captions \"--\" of no choice";
    EXPECT_LT(objectivePixels(testGround), 60u) << "the skirmish's objective in the test ground";

    // F7 with command mode still open lists the Test scenario's two ships; C flies its trifighter.
    ASSERT_TRUE(pressForLine(game, "F7", listed + "2 ships of the player"));
    const PngImage test = look(game, "test.png");
    EXPECT_EQ(testGroundCaptionPixels(test), 0u);
    EXPECT_LT(objectivePixels(test), 60u) << "the skirmish's objective in the Test scenario";
    ASSERT_TRUE(pressForLine(game, "c", "Command mode left"));
    EXPECT_EQ(lastLine(game, "Command mode left"), "Command mode left: the player flies Trifighter (2 of 2)");

    // The flown ship destroys itself; F7 loads the scenario again and C flies a live ship of it.
    ASSERT_TRUE(pressForLine(game, "F12", "Self destruct"));
    const std::size_t lists = countLines(game, listed + "2 ships of the player");
    ASSERT_TRUE(pressForLine(game, "F7", "Scenario Test loaded."));
    ASSERT_TRUE(waitForLines(game, listed + "2 ships of the player", lists + 1, 60));
    ASSERT_TRUE(pressForLine(game, "c", "Command mode left"));
    EXPECT_TRUE(fliesOneOfTwo(lastLine(game, "Command mode left"))) << lastLine(game, "Command mode left");

    // F8 again, then Escape: the main menu over the test ground hides its captions.
    ASSERT_TRUE(pressForLine(game, "F8", listed + "0 ships of the player"));
    ASSERT_TRUE(pressForLine(game, "Escape", "Command mode left"));
    EXPECT_EQ(testGroundCaptionPixels(look(game, "menu.png")), 0u) << "the test ground's captions over the main menu";

    EXPECT_EQ(game.quitWithKeys("TestGround"), 0) << game.standardError();
    EXPECT_EQ(errorLines(game), std::vector<std::string>{});
}

} // namespace
} // namespace Tolvarine::Test
