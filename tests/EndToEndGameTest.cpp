// The real game driven through its menus as a player drives it: games started from the Play sheet
// and flown to their end, the tutorial, a key rebound on the Control sheet, and the way out.
#include "MenuWalk.h"

#include "Config.h"

#include <csignal>
#include <fstream>
#include <numeric>

namespace Tolvarine::Test {
namespace {

using namespace MenuWalk;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// What every run leaves: no failure in the log or from the physics library, and at the exit every pooled kind back in its pool
// ("Pool <kind>: <n> live", one line a kind).
void expectCleanLog(const GameProcess& game)
{
    for (const std::string& line : errorLines(game))
        ADD_FAILURE() << "error line: " << line;
    // The physics library reports its own errors and warnings on standard error.
    EXPECT_EQ(game.standardError().find("ODE "), std::string::npos) << game.standardError();
    std::size_t kinds = 0;
    for (const std::string& line : game.logLines()) {
        if (line.rfind("Pool ", 0) != 0 || line.size() < 5 || line.compare(line.size() - 5, 5, " live") != 0)
            continue;
        ++kinds;
        EXPECT_NE(line.find(": 0 live"), std::string::npos) << line;
    }
    EXPECT_GT(kinds, 0u) << "no live counts at the exit";
}

// The player's ships flown in turn: out of command mode, full thrust and the guns firing until the
// ship is lost (the game pauses in command mode again) or the game ends.
bool flyUntil(const GameProcess& game, const std::string& endLine, int seconds)
{
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    // A ship that has not been shot down after a third of the time self-destructs (F12), so the
    // run ends in bounded time whatever the two sides' AI makes of the fight.
    const auto giveUp = Clock::now() + std::chrono::seconds(seconds / 3);
    while (Clock::now() < end && countLines(game, endLine) == 0) {
        const std::size_t pauses = countLines(game, "Command mode: the game is paused");
        if (!pressForLine(game, "c", "Command mode left"))
            continue;
        game.xdotool("keydown w mousedown 1");
        for (bool destructed = false; Clock::now() < end && countLines(game, endLine) == 0 &&
                                      countLines(game, "Command mode: the game is paused") == pauses;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            if (!destructed && Clock::now() > giveUp)
                destructed = game.sendKey("F12");
        }
        game.xdotool("keyup w mouseup 1");
    }
    return countLines(game, endLine) > 0;
}

// Main's Play, and the mode's radio button chosen: a chosen one has a light dot in its middle,
// where the other one is black.
void openPlaySheet(const GameProcess& game, Spot mode)
{
    ASSERT_TRUE(click(game, MAIN_PLAY, [&] { return shows(game, PLAY_START, "play.png"); })) << "Main/Play";
    ASSERT_TRUE(click(game, mode, [&] {
        const std::vector<std::uint8_t> dot = pixelsAround(look(game), mode, 2, 2);
        return std::accumulate(dot.begin(), dot.end(), 0u) > 100 * dot.size();
    })) << "mode";
}

struct GameRow {
    const char* scenario;
    Spot mode;
    int difficultySteps;
    const char* difficulty;  // the level the steps reach from the shipped 0.5
};

void PrintTo(const GameRow& row, std::ostream* out)
{
    *out << row.scenario;
}

class MenuGame : public testing::TestWithParam<GameRow> {};

// Main, Play, the mode, the smallest fleet, Start; the fight flown to its end; the statistics
// sheet, "Main menu", and out through the quit sheet.
TEST_P(MenuGame, PlayedFromTheMenusToItsStatisticsAndBackToMain)
{
    if (!hasXTools())
        GTEST_SKIP() << "needs Xvfb and xdotool";
    const GameRow row = GetParam();
    const std::string name = row.scenario;
    GameProcess game;
    game.start();
    ASSERT_TRUE(game.waitForLogLine("Scenario Startup loaded.")) << game.standardError();
    openPlaySheet(game, row.mode);
    for (int step = 0; step < row.difficultySteps; ++step)
        ASSERT_TRUE(clickForLine(game, PLAY_DIFFICULTY_TOP, "Setting difficulty to: ")) << "Play/Difficulty";
    EXPECT_TRUE(game.logHas(std::string("Setting difficulty to: ") + row.difficulty) || row.difficultySteps == 0);
    // One Trifighter in place of two: the combo box's text changes from "2".
    const Spot count{PLAY_TRIFIGHTERS.dx - 16, PLAY_TRIFIGHTERS.dy};
    const std::vector<std::uint8_t> two = pixelsAround(look(game), count, 6, 8);
    ASSERT_TRUE(click(game, PLAY_TRIFIGHTERS, [&] {
        return click(game, PLAY_TRIFIGHTERS_ONE, [&] { return pixelsAround(look(game), count, 6, 8) != two; });
    })) << "Play/FriendlyTrifighterCombo";
    ASSERT_TRUE(clickForLine(game, PLAY_START, "Scenario Startup running unload...")) << "Play/Start";
    ASSERT_TRUE(game.waitForLogLine("Scenario " + name + " loaded."));
    ASSERT_TRUE(waitForLines(game, "Command mode: the game is paused, 1 ship of the player", 1, 10));

    ASSERT_TRUE(flyUntil(game, "Scenario " + name + " ended.", 90)) << "the fight did not end";
    bool statistics = false;
    for (int attempt = 0; attempt < 10 && !statistics; ++attempt)
        statistics = shows(game, STATS_HEADER, "statistics.png");
    EXPECT_TRUE(statistics) << "the statistics sheet";
    EXPECT_TRUE(click(game, STATS_MAIN, [&] { return shows(game, MAIN_PLAY, "main.png"); })) << "Stats/Main";
    EXPECT_EQ(quitThroughMenus(game), 0);
    expectCleanLog(game);
}

INSTANTIATE_TEST_SUITE_P(Modes, MenuGame,
                         testing::Values(GameRow{"Skirmish", PLAY_SKIRMISH, 0, ""},
                                         GameRow{"Survival", PLAY_SURVIVAL, 2, "0.6"}),
                         [](const testing::TestParamInfo<GameRow>& info) { return std::string(info.param.scenario); });

// Pixels in the target read-out's light blue (the heads-up display's colour): its figures.
unsigned readoutPixels(const PngImage& image)
{
    return countPixels(image, 0, 0, image.width(), image.height(), [](const std::uint8_t* p) {
        return std::abs(p[0] - 140) < 25 && std::abs(p[1] - 217) < 25 && p[2] > 230;
    });
}

// Play, the mode chosen, Start: the game waits in command mode (the `games`-th time this run).
void startGame(const GameProcess& game, Spot mode, std::size_t games)
{
    openPlaySheet(game, mode);
    ASSERT_TRUE(clickForLine(game, PLAY_START, "Scenario Startup running unload...")) << "Play/Start";
    ASSERT_TRUE(waitForLines(game, "Command mode: the game is paused", games, 60));
}

// Command mode left for the in-mission menu by the back key, and End Mission: the main sheet.
void endMission(const GameProcess& game, std::size_t startups)
{
    ASSERT_TRUE(pressForLine(game, "Escape", "Command mode left"));
    ASSERT_TRUE(clickForLine(game, IN_MISSION_END, "running unload...")) << "InMission/End";
    ASSERT_TRUE(waitForLines(game, "Scenario Startup loaded.", startups, 30));
}

// Main's Tutorial, its pages, the practice (with drones that destroy themselves as they arrive,
// so that it ends at the first look), back to Main; then a skirmish, where a target is picked in
// flight, and a survival that gives way to the test ground, each left through the in-mission menu's
// End Mission, and out. A target's read-out shows only while the player flies with that target;
// command mode (no ship flown) and the menus after a game show none, nor the test ground's captions.
TEST(MenuGameTutorial, PlayedThroughFromMainBackToMainWithNoStaleReadout)
{
    if (!hasXTools())
        GTEST_SKIP() << "needs Xvfb and xdotool";
    GameProcess game;
    const fs::path script = game.folder() / "data/scenarios/tutorial.py";
    std::string text = readTextFile(script);
    const std::string order = "drone.getBehaviour().loiter(position)";
    ASSERT_NE(text.find(order), std::string::npos);
    std::ofstream(script) << text.replace(text.find(order), order.size(), "drone.destroy()");
    game.start();
    ASSERT_TRUE(game.waitForLogLine("Scenario Startup loaded.")) << game.standardError();
    ASSERT_TRUE(clickForLine(game, MAIN_TUTORIAL, "Scenario Tutorial loaded.")) << "Main/Tutorial";
    // Its first page, Ship Control, draws its texts in white in the middle (the main sheet few).
    unsigned white = 0;
    for (int attempt = 0; attempt < 10 && white <= 1500; ++attempt)
        white = countPixels(look(game, "tutorial_page.png"), 232, 204, 792, 504,
                            [](const std::uint8_t* p) { return p[0] > 200 && p[1] > 200 && p[2] > 200; });
    EXPECT_GT(white, 1500u) << "the Ship Control page";
    // Two pages, each left by "Next >>"; a click after the practice began falls on no page.
    for (int attempt = 0; attempt < 8 && countLines(game, "Command mode: the game is paused") == 0; ++attempt) {
        ASSERT_TRUE(game.click(512 + TUTORIAL_NEXT.dx, 384 + TUTORIAL_NEXT.dy));
        waitForLines(game, "Command mode: the game is paused", 1, 3);
    }
    ASSERT_TRUE(waitForLines(game, "Command mode: the game is paused, 1 ship of the player", 1, 0)) << "Next >>";
    ASSERT_TRUE(pressForLine(game, "c", "Command mode left"));
    ASSERT_TRUE(waitForLines(game, "Scenario Startup loaded.", 2, 20)) << "the tutorial did not end";
    bool main = false;
    for (int attempt = 0; attempt < 10 && !main; ++attempt)
        main = shows(game, MAIN_PLAY, "main.png");
    EXPECT_TRUE(main) << "the main sheet after the tutorial";
    startGame(game, PLAY_SKIRMISH, 2);
    EXPECT_EQ(readoutPixels(look(game, "skirmish_command.png")), 0u) << "command mode";
    ASSERT_TRUE(pressForLine(game, "c", "Command mode left"));
    // The enemy fleet stands straight ahead: "t" picks one, and its read-out shows.
    unsigned live = 0;
    for (int attempt = 0; attempt < 10 && live <= 30; ++attempt, game.sendKey("t"))
        live = readoutPixels(look(game, "skirmish_target.png"));
    EXPECT_GT(live, 30u) << "the target's read-out";
    ASSERT_TRUE(pressForLine(game, "c", "Command mode: the game is paused"));
    EXPECT_EQ(readoutPixels(look(game, "skirmish_paused.png")), 0u) << "command mode after flying";
    endMission(game, 3);
    startGame(game, PLAY_SURVIVAL, 4);
    EXPECT_EQ(readoutPixels(look(game, "survival_command.png")), 0u) << "command mode of the next game";
    // The test ground, shown in place of the survival, with its captions.
    ASSERT_TRUE(pressForLine(game, "F8", "Scenario TestGround loaded."));
    EXPECT_GT(testGroundCaptionPixels(look(game, "test_ground.png")), 10u);
    endMission(game, 4);
    const PngImage menu = look(game, "main_after_test_ground.png");
    EXPECT_EQ(readoutPixels(menu), 0u) << "main sheet";
    EXPECT_EQ(testGroundCaptionPixels(menu), 0u) << "the test ground's captions on the main sheet";
    EXPECT_EQ(quitThroughMenus(game), 0);
    expectCleanLog(game);
}

// The terminal that started the game closes: its hang-up ends the game as SIGTERM and SIGINT do,
// through the exit sequence, which saves the difficulty chosen on the Play sheet.
TEST(MenuGameHangUp, TheGameEndsThroughItsExitSequenceAndKeepsTheDifficultyChosen)
{
    if (!hasXTools())
        GTEST_SKIP() << "needs Xvfb and xdotool";
    GameProcess game;
    game.start();
    ASSERT_TRUE(game.waitForLogLine("Scenario Startup loaded.")) << game.standardError();
    openPlaySheet(game, PLAY_SKIRMISH);
    const std::string setting = "Setting difficulty to: ";
    ASSERT_TRUE(clickForLine(game, PLAY_DIFFICULTY_TOP, setting)) << "Play/Difficulty";
    const std::vector<std::string> lines = game.logLines();
    const auto line = std::find_if(lines.begin(), lines.end(),
                                   [&](const std::string& l) { return l.find(setting) != std::string::npos; });
    const float chosen = std::stof(line->substr(line->find(setting) + setting.size()));
    ASSERT_TRUE(game.sendSignal(SIGHUP));
    EXPECT_EQ(game.waitForExit(), 0) << "ended by signal " << game.endingSignal();
    const Config saved((game.folder() / "cfg/difficulty.cfg").string());
    EXPECT_FLOAT_EQ(saved.get<float>("Difficulty", "difficulty"), chosen);
    EXPECT_NE(chosen, 0.5f) << "the shipped difficulty";
}

// Main, Options, Control: the Control sheet shows.
void openControlSheet(const GameProcess& game)
{
    EXPECT_TRUE(click(game, MAIN_OPTIONS, [&] { return shows(game, OPTIONS_CONTROL, "options.png"); }));
    EXPECT_TRUE(click(game, OPTIONS_CONTROL, [&] { return shows(game, CONTROL_BACK, "control.png"); }));
}

// The left half of the Forward button's text: the cursor stands on its right half after the click.
constexpr Spot FORWARD_TEXT{CONTROL_FORWARD.dx - 6, CONTROL_FORWARD.dy};

// The Forward button clicked and `key` pressed until the button's text changes: its new look, or
// nothing when it never changed.
std::vector<std::uint8_t> rebindForward(const GameProcess& game, const std::string& key)
{
    const std::vector<std::uint8_t> shipped = pixelsAround(look(game), FORWARD_TEXT, 5, 9);
    std::vector<std::uint8_t> rebound;
    const bool changed = click(game, CONTROL_FORWARD, [&] {
        game.sendKey(key);
        rebound = pixelsAround(look(game, "rebound.png"), FORWARD_TEXT, 5, 9);
        return rebound != shipped;
    });
    return changed ? rebound : std::vector<std::uint8_t>();
}

// Main, Options, Control; the Forward button clicked and "x" pressed; back out with the back key,
// and quit. After a restart the Control sheet shows the new binding.
TEST(MenuGameControls, ARebindingIsSavedAndShowsAfterARestart)
{
    if (!hasXTools())
        GTEST_SKIP() << "needs Xvfb and xdotool";
    std::string keymap;
    std::vector<std::uint8_t> rebound;
    {
        GameProcess game;
        game.start();
        ASSERT_TRUE(game.waitForLogLine("Scenario Startup loaded.")) << game.standardError();
        openControlSheet(game);
        rebound = rebindForward(game, "x");
        ASSERT_FALSE(rebound.empty()) << "Button/forward_thrust";
        // The back key on the Control sheet returns to Options; on Options it returns to Main.
        for (int attempt = 0; attempt < 6 && shows(game, CONTROL_BACK); ++attempt)
            game.sendKey("Escape");
        keymap = readTextFile(game.folder() / "cfg/active.keymap");
        EXPECT_NE(keymap.find("forward_thrust = x\n"), std::string::npos);
        EXPECT_NE(keymap.find("backward_thrust = s\n"), std::string::npos) << "only the one command changed";
        for (int attempt = 0; attempt < 6 && shows(game, OPTIONS_CONTROL); ++attempt)
            game.sendKey("Escape");
        EXPECT_EQ(quitThroughMenus(game), 0);
        expectCleanLog(game);
    }
    GameProcess game;
    std::ofstream(game.folder() / "cfg/active.keymap") << keymap;
    game.start();
    ASSERT_TRUE(game.waitForLogLine("Scenario Startup loaded.")) << game.standardError();
    openControlSheet(game);
    EXPECT_EQ(pixelsAround(look(game, "control_restarted.png"), FORWARD_TEXT, 5, 9), rebound) << "the Forward button";
    EXPECT_NE(readTextFile(game.folder() / "cfg/active.keymap").find("forward_thrust = x\n"), std::string::npos);
    game.sendKey("Escape");
}

// A way to end the game while the Control sheet is open; its exit code.
struct Ending {
    const char* name;
    int (*end)(GameProcess& game);
};

void PrintTo(const Ending& ending, std::ostream* out)
{
    *out << ending.name;
}

class MenuGameControlsOpen : public testing::TestWithParam<Ending> {};

// Forward rebound to "i" on the Control sheet, and the game ended there without its Back: the
// binding is in the key map file all the same (it once kept "w").
TEST_P(MenuGameControlsOpen, ARebindingIsKeptWhenTheGameEndsOnTheSheet)
{
    if (!hasXTools())
        GTEST_SKIP() << "needs Xvfb and xdotool";
    GameProcess game;
    game.start();
    ASSERT_TRUE(game.waitForLogLine("Scenario Startup loaded.")) << game.standardError();
    openControlSheet(game);
    ASSERT_FALSE(rebindForward(game, "i").empty()) << "Button/forward_thrust";
    EXPECT_EQ(GetParam().end(game), 0) << "ended by signal " << game.endingSignal();
    const std::string keymap = readTextFile(game.folder() / "cfg/active.keymap");
    EXPECT_NE(keymap.find("forward_thrust = i\n"), std::string::npos) << keymap;
    EXPECT_NE(keymap.find("backward_thrust = s\n"), std::string::npos) << "only the one command changed";
}

INSTANTIATE_TEST_SUITE_P(
    Endings, MenuGameControlsOpen,
    testing::Values(Ending{"QuitKey", [](GameProcess& game) { return game.quitWithKeys("Startup"); }},
                    Ending{"Terminated", [](GameProcess& game) { return game.sendSignal(SIGTERM) ? game.waitForExit() : -1; }}),
    [](const testing::TestParamInfo<Ending>& info) { return std::string(info.param.name); });

} // namespace
} // namespace Tolvarine::Test
