// The whole game: the player's ship, destroyed in flight, goes up through its type's explosion
// sequence and leaves play only when the sequence takes it out.

#include "GameProcess.h"
#include "PngImage.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace fs = std::filesystem;

namespace Tolvarine::Test {
namespace {

// The start-up scenario of the game with a clock of its own: once the player's Trifighter has
// flown a moment it is destroyed, and the script writes how many ships the player's side has in
// play before, just after and well after (lines "ready N", "destroyed N", "after N").
const char* const SCRIPT = R"(from Tolvarine import *

class StartupScenarioConfig(ScenarioConfig):
    def __init__(self):
        ScenarioConfig.__init__(self)
        self.steps = 0

    def initialise(self):
        AreaManager.getSingleton().loadArea("Nebula")
        self.player = Faction.create("Player")
        enemy = Faction.create("Enemy")
        self.player.addEnemy(enemy)
        enemy.addEnemy(self.player)
        self.lead = Ship.spawnFleet({"trifighter": 1}, self.player, Vector3(0, 0, 0), Quaternion())[0]
        Ship.spawnFleet({"kestrel": 2}, self.player, Vector3(400, 40, 100), Quaternion())
        self.lead.setFocus(True)
        CameraController.getSingleton().setCameraType(CameraType.CHASE)
        self.task = createTask(self.step, "Doom", 0.25, 0.0)
        self.task.subscribe(True)

    def record(self, word):
        with open("sequence.txt", "a") as out:
            out.write("%s %d\n" % (word, len(self.player.getShipList())))

    def step(self, elapsed):
        self.steps += 1
        if self.steps == 2:
            self.record("ready")
        if self.steps == 8:
            self.lead.destroy()
            self.record("destroyed")
        if self.steps == 24:
            self.record("after")
            return False
        return True

    def unload(self):
        self.task.subscribe(False)

    def getName(self):
        return "Startup"

    def getEntityPath(self):
        return "data/entities"

    def getNumberTweaks(self):
        return 0

    def getTweak(self, index):
        return None


def getScenarioConfig():
    return StartupScenarioConfig()
)";

std::string readText(const fs::path& path)
{
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

bool waitForText(const fs::path& path, const std::string& text)
{
    for (int i = 0; i < 600; ++i) {
        if (readText(path).find(text) != std::string::npos)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

// Fire and flame: bright, much redder than blue.
unsigned flamePixels(const PngImage& image)
{
    unsigned found = 0;
    for (unsigned y = image.height() / 4; y < image.height() * 3 / 4; ++y) {
        for (unsigned x = image.width() / 4; x < image.width() * 3 / 4; ++x) {
            const std::uint8_t* p = image.at(x, y);
            found += p[0] > 180 && p[1] > 90 && p[0] > p[2] + 70 ? 1 : 0;
        }
    }
    return found;
}

PngImage pausedScreenshot(GameProcess& game, const std::string& name)
{
    EXPECT_TRUE(game.sendKey("p"));
    const fs::path shot = game.takeScreenshot();
    EXPECT_TRUE(game.sendKey("p"));
    // Kept beside the test program for a look at what the test saw.
    std::error_code ignored;
    fs::copy_file(shot, fs::current_path() / ("ShipExplosionGame_" + name + ".png"),
                  fs::copy_options::overwrite_existing, ignored);
    return PngImage(shot.string());
}

TEST(ShipExplosionGame, TheDestroyedPlayersShipExplodesThroughItsSequenceAndThenLeavesPlay)
{
    if (std::system("command -v Xvfb >/dev/null 2>&1 && command -v xdotool >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs Xvfb and xdotool";
    GameProcess game;
    std::ofstream(game.folder() / "data/scenarios/startup.py") << SCRIPT;
    const fs::path record = game.folder() / "sequence.txt";
    game.start();
    ASSERT_TRUE(game.waitForLogLine("Scenario Startup loaded.")) << game.standardError();

    ASSERT_TRUE(waitForText(record, "ready")) << game.standardError();
    const PngImage before = pausedScreenshot(game, "before");
    ASSERT_TRUE(waitForText(record, "destroyed"));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const PngImage during = pausedScreenshot(game, "during");
    ASSERT_TRUE(waitForText(record, "after"));

    ASSERT_FALSE(before.empty());
    ASSERT_FALSE(during.empty());
    EXPECT_GT(flamePixels(during), flamePixels(before) + 100);
    // The wreck stays in play while the sequence plays, and the sequence's end takes it out.
    EXPECT_EQ(readText(record), "ready 3\ndestroyed 3\nafter 2\n");
    for (const std::string& line : game.logLines()) {
        EXPECT_EQ(line.find("CommandEvent"), std::string::npos) << line;
        EXPECT_EQ(line.find("no explosion sequence"), std::string::npos) << line;
    }

    ASSERT_TRUE(game.sendKey("F10"));
    ASSERT_TRUE(game.waitForLogLine("Scenario Startup running unload..."));
    ASSERT_TRUE(game.sendKey("space"));
    EXPECT_EQ(game.waitForExit(), 0);
}

} // namespace
} // namespace Tolvarine::Test
