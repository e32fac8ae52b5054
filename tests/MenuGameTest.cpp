#include "GameProcess.h"
#include "MenuWalk.h"
#include "PngImage.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <numeric>
#include <thread>

namespace Tolvarine::Test {
namespace {

std::size_t countLines(const GameProcess& game, const std::string& text)
{
    std::size_t found = 0;
    for (const std::string& line : game.logLines())
        found += line.find(text) != std::string::npos ? 1 : 0;
    return found;
}

// Presses the key until the log holds `count` lines with the text, a few seconds a press (a key
// the busy display drops is pressed again); without a key, waits once.
bool pressUntil(GameProcess& game, const char* key, const std::string& text, std::size_t count)
{
    for (int attempt = 0; attempt < (key ? 8 : 1) && countLines(game, text) < count; ++attempt) {
        if (key)
            game.sendKey(key);
        for (int wait = 0; wait < 40 && countLines(game, text) < count; ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return countLines(game, text) >= count;
}

// Bright pixels (a button's frame and text) around a point given from the screen's centre.
unsigned brightPixels(const std::filesystem::path& shot, int dx, int dy)
{
    const PngImage image(shot.string());
    unsigned found = 0;
    for (int y = int(image.height()) / 2 + dy - 10; !image.empty() && y < int(image.height()) / 2 + dy + 10; ++y)
        for (int x = int(image.width()) / 2 + dx - 30; x < int(image.width()) / 2 + dx + 30; ++x)
            found += image.at(unsigned(x), unsigned(y))[0] + image.at(unsigned(x), unsigned(y))[1] > 300 ? 1 : 0;
    return found;
}

// The game opens on the main menu over Startup; Play, Skirmish, Start begins a skirmish in command
// mode; "back" shows the in-mission menu, whose End Mission returns to the main menu over Startup;
// Quit, Quit game and a key end the game with code 0. The buttons stand where the centred sheets
// put them on the 1024 x 768 screen. TOLVARINE_KEEP_SCREENSHOTS=<folder> keeps the pictures.
TEST(MenuGame, MainMenuPlaySkirmishStartInMissionMenuEndMissionAndQuit)
{
    if (std::system("command -v Xvfb >/dev/null 2>&1 && command -v xdotool >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs Xvfb and xdotool";
    GameProcess game;
    game.start();
    ASSERT_TRUE(game.waitForLogLine("Scenario Startup loaded.")) << game.standardError();
    const auto shot = [&game](const char* name) {
        const std::filesystem::path path = game.takeScreenshot();
        if (const char* folder = std::getenv("TOLVARINE_KEEP_SCREENSHOTS"))
            std::filesystem::copy_file(path, std::string(folder) + "/" + name, std::filesystem::copy_options::overwrite_existing);
        return path;
    };
    const int cx = 512, cy = 384;
    // The busy display may lose a click's motion: a click whose effect does not show is tried again.
    const auto clickUntil = [&game](int x, int y, const std::function<bool()>& done) {
        for (int attempt = 0; attempt < 4; ++attempt)
            if (game.click(x, y) && done())
                return true;
        return false;
    };
    const auto logged = [&game](const char* text, std::size_t count) {
        return [&game, text, count] { return pressUntil(game, nullptr, text, count); };
    };
    EXPECT_GT(brightPixels(shot("main.png"), 0, -3), 20u) << "Main/Play";
    ASSERT_TRUE(clickUntil(cx, cy - 3, [&] { return brightPixels(shot("play.png"), 132, 175) > 20; })) << "Play/Start";
    // Play/SkirmishMode until its radio button shows the light dot of a chosen one, then Play/Start.
    const auto skirmishChosen = [&game] {
        const std::vector<std::uint8_t> dot = MenuWalk::pixelsAround(MenuWalk::look(game), MenuWalk::PLAY_SKIRMISH, 2, 2);
        return std::accumulate(dot.begin(), dot.end(), 0u) > 100 * dot.size();
    };
    ASSERT_TRUE(MenuWalk::click(game, MenuWalk::PLAY_SKIRMISH, skirmishChosen)) << "Play/SkirmishMode";
    ASSERT_TRUE(clickUntil(cx + 132, cy + 175, logged("Scenario Startup running unload...", 1))) << "Play/Start";
    ASSERT_TRUE(game.waitForLogLine("Scenario Skirmish loaded.")) << game.standardError();
    ASSERT_TRUE(game.waitForLogLine("Command mode: the game is paused"));
    ASSERT_TRUE(pressUntil(game, "Escape", "Command mode left", 1));
    EXPECT_GT(brightPixels(shot("in_mission.png"), 0, 65), 20u) << "InSkirmish/MainMenu";
    ASSERT_TRUE(clickUntil(cx, cy + 65, logged("Scenario Skirmish running unload...", 1)));
    EXPECT_TRUE(pressUntil(game, nullptr, "Scenario Startup loaded.", 2));
    // Main/Quit, then Quit/Quit: the scenario behind the menus unloads before the exit screen.
    ASSERT_TRUE(clickUntil(cx, cy + 117, [&] { return clickUntil(cx - 54, cy + 20, logged("Scenario Startup running unload...", 2)); }));
    for (int attempt = 0; attempt < 10 && game.isRunning(); ++attempt, std::this_thread::sleep_for(std::chrono::milliseconds(500)))
        game.sendKey("space");
    EXPECT_EQ(game.waitForExit(), 0);
    EXPECT_EQ(countLines(game, "xception"), 0u);
}

} // namespace
} // namespace Tolvarine::Test
