// The whole game: the player's ship, destroyed in flight, goes up through its type's explosion
// sequence and leaves play only when the sequence takes it out.

#include "GameProcess.h"
#include "PngImage.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <system_error>
#include <thread>

namespace fs = std::filesystem;

namespace Tolvarine::Test {
namespace {

// The start-up scenario with only the player's side: a Trifighter the player flies and two
// Kestrels off to the side. At its 8th step the Trifighter is destroyed; at steps 2 and 8 the script writes
// how many ships the side has in play. Its sequence ends by taking the player to command mode, whose
// log line counts the side's ships again.
const char* const SCRIPT = R"(from Tolvarine import *
class StartupScenarioConfig(ScenarioConfig):
    def initialise(self):
        AreaManager.getSingleton().loadArea("Nebula")
        self.side = Faction.create("Player")
        self.lead = Ship.spawnFleet({"trifighter": 1}, self.side, Vector3(0, 0, 0), Quaternion())[0]
        Ship.spawnFleet({"kestrel": 2}, self.side, Vector3(400, 40, 100), Quaternion())
        self.lead.setFocus(True)
        CameraController.getSingleton().setCameraType(CameraType.CHASE)
        self.steps = 0
        self.task = createTask(self.step, "Doom", 0.25, 0.0)
        self.task.subscribe(True)
    def step(self, elapsed):
        self.steps += 1
        if self.steps == 8:
            self.lead.destroy()
        if self.steps in (2, 8):
            open("sequence.txt", "a").write("%d %d\n" % (self.steps, len(self.side.getShipList())))
        return self.steps < 8
    def unload(self): self.task.subscribe(False)
    def getName(self): return "Startup"
    def getEntityPath(self): return "data/entities"
    def getNumberTweaks(self): return 0
    def getTweak(self, index): return None
def getScenarioConfig(): return StartupScenarioConfig()
)";

// Fire and flame in the middle of the screen: bright, much redder than blue. The picture stays
// beside the test program for a look at what the test saw.
unsigned flamePixels(GameProcess& game, const std::string& name)
{
    const fs::path shot = game.takeScreenshot();
    std::error_code ignored;
    fs::copy_file(shot, "ShipExplosionGame_" + name + ".png", fs::copy_options::overwrite_existing, ignored);
    const PngImage image(shot.string());
    EXPECT_FALSE(image.empty());
    unsigned found = 0;
    for (unsigned y = image.height() / 4; y < image.height() * 3 / 4; ++y) {
        for (unsigned x = image.width() / 4; x < image.width() * 3 / 4; ++x) {
            const std::uint8_t* p = image.at(x, y);
            found += p[0] > 180 && p[1] > 90 && p[0] > p[2] + 70 ? 1 : 0;
        }
    }
    return found;
}

TEST(ShipExplosionGame, TheDestroyedPlayersShipExplodesThroughItsSequenceAndThenLeavesPlay)
{
    if (std::system("command -v Xvfb >/dev/null 2>&1 && command -v xdotool >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs Xvfb and xdotool";
    GameProcess game;
    std::ofstream(game.folder() / "data/scenarios/startup.py") << SCRIPT;
    const fs::path record = game.folder() / "sequence.txt";
    std::ofstream(game.folder() / "startup.py", std::ios::app) << "Interface.getSingleton().setMode(InterfaceMode.NORMAL, False)\n";
    game.start();
    ASSERT_TRUE(waitForTextInFile(record, "2 ")) << game.standardError();
    const unsigned before = flamePixels(game, "before");
    ASSERT_TRUE(waitForTextInFile(record, "8 "));
    // The sequence's fire builds up over its first second and more: the screen is looked at until
    // it shows, however few frames a loaded machine draws.
    unsigned during = 0;
    for (int look = 0; look < 20 && during <= before + 100; ++look)
        during = flamePixels(game, "during");
    EXPECT_GT(during, before + 100);
    // The wreck stays in play while its sequence plays; the sequence takes it out, then hands the
    // player, whose side has ships left, to command mode.
    EXPECT_EQ(readTextFile(record), "2 3\n8 3\n");
    EXPECT_TRUE(game.waitForLogLine("Command mode: the game is paused, 2 ships of the player"));

    ASSERT_TRUE(game.sendKey("F10"));
    ASSERT_TRUE(game.waitForLogLine("Scenario Startup running unload..."));
    ASSERT_TRUE(game.sendKey("space"));
    EXPECT_EQ(game.waitForExit(), 0);
}

} // namespace
} // namespace Tolvarine::Test
