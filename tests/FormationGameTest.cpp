// The whole game: the formation key gathers the player's wing around the ship the player flies,
// and the mode key switches the icon.

#include "GameProcess.h"
#include "PngImage.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>
#include <thread>

namespace fs = std::filesystem;

namespace Tolvarine::Test {
namespace {

// The player's Trifighter and four Kestrels of its side off to the side, no enemy. Every half
// second the script writes how many wingmen are in the formation and how many of those are
// within their own radius of their slots.
const char* const SCRIPT = R"(from Tolvarine import *
class StartupScenarioConfig(ScenarioConfig):
    def initialise(self):
        AreaManager.getSingleton().loadArea("Nebula")
        side = Faction.create("Player")
        lead = Ship.spawnFleet({"trifighter": 1}, side, Vector3(0, 0, 0), Quaternion())[0]
        self.wing = Ship.spawnFleet({"kestrel": 4}, side, Vector3(300, 60, 150), Quaternion())
        lead.setFocus(True)
        CameraController.getSingleton().setCameraType(CameraType.CHASE)
        self.steps = 0
        self.task = createTask(self.step, "Slots", 0.5, 0.0)
        self.task.subscribe(True)
    def step(self, elapsed):
        self.steps += 1
        distances = [ship.getBehaviour().getSlotDistance() for ship in self.wing]
        joined = [d for d, ship in zip(distances, self.wing) if d >= 0]
        near = [d for d, ship in zip(distances, self.wing) if 0 <= d <= ship.getBoundingRadius()]
        open("slots.txt", "a").write("%d joined %d near\n" % (len(joined), len(near)))
        return self.steps < 240
    def unload(self): self.task.subscribe(False)
    def getName(self): return "Startup"
    def getEntityPath(self): return "data/entities"
    def getNumberTweaks(self): return 0
    def getTweak(self, index): return None
def getScenarioConfig(): return StartupScenarioConfig()
)";

std::string readText(const fs::path& path)
{
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

bool waitForText(const fs::path& path, const std::string& text, int seconds)
{
    for (int i = 0; i < seconds * 20 && readText(path).find(text) == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return readText(path).find(text) != std::string::npos;
}

// The icon's pixels in the top-left corner, taken paused, that are clearly of `channel`'s tint
// (0 green: free, 1 amber: slaved). The picture stays beside the test program.
unsigned iconPixels(GameProcess& game, int tint, const std::string& name)
{
    EXPECT_TRUE(game.sendKey("p"));
    const fs::path shot = game.takeScreenshot();
    EXPECT_TRUE(game.sendKey("p"));
    std::error_code ignored;
    fs::copy_file(shot, "FormationGame_" + name + ".png", fs::copy_options::overwrite_existing, ignored);
    const PngImage image(shot.string());
    EXPECT_FALSE(image.empty());
    unsigned found = 0;
    for (unsigned y = 16; y < 80 && y < image.height(); ++y) {
        for (unsigned x = 16; x < 80 && x < image.width(); ++x) {
            const std::uint8_t* p = image.at(x, y);
            const bool green = p[1] > 200 && p[0] < 140 && p[2] < 160;
            const bool amber = p[0] > 200 && p[1] > 130 && p[1] < 210 && p[2] < 90;
            found += (tint == 0 ? green : amber) ? 1 : 0;
        }
    }
    return found;
}

TEST(FormationGame, TheFormationKeyGathersTheWingIntoItsSlotsAndTheModeKeySwitchesTheIcon)
{
    if (std::system("command -v Xvfb >/dev/null 2>&1 && command -v xdotool >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs Xvfb and xdotool";
    GameProcess game;
    std::ofstream(game.folder() / "data/scenarios/startup.py") << SCRIPT;
    const fs::path record = game.folder() / "slots.txt";
    game.start();
    ASSERT_TRUE(waitForText(record, "0 joined 0 near", 60)) << game.standardError();
    EXPECT_EQ(iconPixels(game, 0, "before") + iconPixels(game, 1, "before_slaved"), 0u);

    ASSERT_TRUE(game.sendKey("f"));
    ASSERT_TRUE(waitForText(record, "4 joined 4 near", 60)) << readText(record) << game.standardError() << [&] {
        std::string tail;
        for (const std::string& line : game.logLines())
            tail += line + "\n";
        return tail.substr(tail.size() > 3000 ? tail.size() - 3000 : 0);
    }();
    EXPECT_GT(iconPixels(game, 0, "free"), 50u);
    ASSERT_TRUE(game.sendKey("g"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_GT(iconPixels(game, 1, "slaved"), 50u);
    EXPECT_EQ(iconPixels(game, 0, "slaved_free"), 0u);

    ASSERT_TRUE(game.sendKey("F10"));
    ASSERT_TRUE(game.waitForLogLine("Scenario Startup running unload..."));
    ASSERT_TRUE(game.sendKey("space"));
    EXPECT_EQ(game.waitForExit(), 0);
}

} // namespace
} // namespace Tolvarine::Test
