// The whole game, started as its own process on a virtual display of its own.
#include "GameProcess.h"
#include "PngImage.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;

namespace Tolvarine::Test {
namespace {

#define REQUIRE_XVFB()                                                                                \
    if (std::system("command -v Xvfb >/dev/null 2>&1 && command -v xdotool >/dev/null 2>&1") != 0) \
    GTEST_SKIP() << "needs Xvfb and xdotool"

// The index of the first log line equal to `line`, or the line count when there is none.
std::size_t indexOf(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) - lines.begin();
}

// Bright, bluish-white pixels: engine exhaust and glows against the dark sky.
unsigned glowingPixels(const PngImage& image)
{
    unsigned count = 0;
    for (unsigned y = 0; y < image.height(); ++y)
        for (unsigned x = 0; x < image.width(); ++x)
            count += image.at(x, y)[0] > 200 && image.at(x, y)[1] > 200 && image.at(x, y)[2] > 220;
    return count;
}

TEST(Engine, StartsTakesScreenshotsThrustsAndQuitsThroughTheExitScreen)
{
    REQUIRE_XVFB();
    GameProcess game;
    // Flying in the menus' scenario (whose own view is a still one), seen from behind as in a game.
    std::ofstream(game.folder() / "startup.py", std::ios::app) << "Interface.getSingleton().setMode(InterfaceMode.NORMAL, False)\n"
                                                                  "CameraController.getSingleton().setCameraType(CameraType.CHASE)\n";
    game.start();
    ASSERT_TRUE(game.waitForLogLine("Scenario Startup loaded.")) << game.standardError();
    // The screenshot key proves the main loop reads input; its file is the game's own. The Startup
    // sky fills the screen, so the picture is far from a black frame that compresses to nothing.
    const fs::path coasting = game.takeScreenshot();
    ASSERT_FALSE(coasting.empty()) << "no Tolvarine_*.png screenshot";
    EXPECT_GT(fs::file_size(coasting), 100u * 1024u) << "the screenshot does not show the sky";
    const PngImage before(coasting.string());
    ASSERT_FALSE(before.empty());
    const unsigned glowingBefore = glowingPixels(before);
    ASSERT_TRUE(game.holdKey("w", true));
    // The chase view keeps the ship in the middle of the screen; under thrust its engines glow and
    // trail exhaust behind it. The effects build up over frames, and a loaded machine draws few
    // frames a second, so the screen is looked at until they show (or a minute has passed).
    unsigned glowing = 0;
    for (int look = 0; look < 60 && glowing <= glowingBefore + 1000; ++look) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const fs::path thrusting = game.takeScreenshot();
        ASSERT_FALSE(thrusting.empty());
        const PngImage after(thrusting.string());
        ASSERT_FALSE(after.empty());
        glowing = glowingPixels(after);
    }
    game.holdKey("w", false);
    EXPECT_GT(glowing, glowingBefore + 1000) << glowingBefore << " glowing pixels coasting, " << glowing << " under thrust";

    ASSERT_TRUE(game.sendKey("F10"));
    // The exit screen unloads the scenario; the frames go on behind it until a key is pressed.
    ASSERT_TRUE(game.waitForLogLine("Scenario Startup running unload..."));
    ASSERT_TRUE(game.isRunning());
    ASSERT_TRUE(game.sendKey("space"));
    EXPECT_EQ(game.waitForExit(), 0) << game.standardError();
    const std::vector<std::string> lines = game.logLines();
    // Start-up in its order: the timer, the processor, the scenario scripts, "startup.py", then
    // the unload of the exit screen.
    const std::vector<std::size_t> order = {
        indexOf(lines, "Calibrating timer..."), indexOf(lines, "Measuring CPU frequency..."),
        indexOf(lines, "ScenarioManager parsing scenario scripts"), indexOf(lines, "Scenario Startup loaded."),
        indexOf(lines, "Scenario Startup running unload..."), lines.size()};
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()) &&
                std::adjacent_find(order.begin(), order.end()) == order.end());
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.find("Frequency: ") != std::string::npos; }));
    EXPECT_TRUE(game.logHas("Exit screen dismissed by a key press"));
    // Nothing the game hands the rendering engine (window options, materials) is in a deprecated form.
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find("caught at top-level"), std::string::npos) << line;
        EXPECT_EQ(line.find("deprecated"), std::string::npos) << line;
    }
}

// Every way a start-up ends early: its exit code and the line that reports it.
TEST(Engine, BrokenOrMissingStartUpFilesEndWithTheirLineAndCode)
{
    REQUIRE_XVFB();
    // How the files are broken, the exit code, the start of the line that reports it (or none), an exact line logged before it.
    struct Row { const char* breakage; std::function<void(const fs::path&)> breakIn; int code; const char *linePrefix, *alsoLogged; };
    const Row rows[] = {
        // Without a terminal nobody can be asked for the video options: the game cannot start.
        {"no ogre.cfg and no terminal", [](const fs::path& f) { fs::remove(f / "ogre.cfg"); }, 1,
         "ConfigurationError caught at top-level", "The video options in ogre.cfg cannot be restored, and there is no "
         "terminal to ask for them: the game cannot start. Run it from a terminal to choose them"},
        {"no curves.cfg", [](const fs::path& f) { fs::remove(f / "data/curves.cfg"); }, 1,
         "ConfigurationError caught at top-level", nullptr},
        {"failing startup.py",
         [](const fs::path& f) { std::ofstream(f / "startup.py") << "raise RuntimeError('broken start-up')\n"; }, 1,
         "std::exception caught at top-level: RuntimeError: broken start-up",
         "Python exception thrown while running script: startup.py"},
        // Without its material the splash screen cannot be drawn: the start says which file should give it.
        {"broken splash material",
         [](const fs::path& f) { std::ofstream(f / "data/splash/splash.material", std::ios::trunc) << "material Broken {\n"; }, 1,
         "ConfigurationError caught at top-level", "The splash screen needs the material Splash of data/splash/splash.material"},
        {"no data/meshes", [](const fs::path& f) { fs::remove_all(f / "data/meshes"); }, 1,
         "std::exception caught at top-level: ", nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.breakage);
        GameProcess game;
        row.breakIn(game.folder());
        const bool hadVideoOptions = fs::exists(game.folder() / "ogre.cfg");
        game.start();
        EXPECT_EQ(game.waitForExit(), row.code) << game.standardError();
        const std::vector<std::string> lines = game.logLines();
        const std::string prefix = row.linePrefix ? row.linePrefix : "caught at top-level";
        EXPECT_EQ(row.linePrefix != nullptr, std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
                      return row.linePrefix ? l.rfind(prefix, 0) == 0 : l.find(prefix) != std::string::npos;
                  }));
        // A failed start saves no video options.
        EXPECT_EQ(fs::exists(game.folder() / "ogre.cfg"), hadVideoOptions);
        EXPECT_TRUE(!row.alsoLogged || game.logHas(row.alsoLogged));
    }
}

TEST(Engine, WithoutADisplayTheEngineCannotBeMadeAndSaysWhy)
{
    GameProcess game;
    game.startWithoutDisplay();
    EXPECT_EQ(game.waitForExit(), 1);
    EXPECT_NE(game.standardError().find("Tolvarine: the engine could not be created"), std::string::npos)
        << game.standardError();
}

} // namespace
} // namespace Tolvarine::Test
