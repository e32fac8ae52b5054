// The whole game: the formation key gathers the player's wing into its slots; the mode key
// switches the icon.
#include "GameProcess.h"
#include "PngImage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace Tolvarine::Test {
namespace {

// The player's Trifighter and four Kestrels of its side, no enemy. Every half second: how many
// Kestrels are in the formation, and how many of those lie within their own radius of their slots.
const char* const SCRIPT = R"(from Tolvarine import *
class StartupScenarioConfig(ScenarioConfig):
    def initialise(self):
        AreaManager.getSingleton().loadArea("Nebula")
        side = Faction.create("Player")
        Ship.spawnFleet({"trifighter": 1}, side, Vector3(0, 0, 0), Quaternion())[0].setFocus(True)
        self.wing = Ship.spawnFleet({"kestrel": 4}, side, Vector3(300, 60, 150), Quaternion())
        self.task = createTask(self.step, "Slots", 0.5, 0.0)
        self.task.subscribe(True)
    def step(self, elapsed):
        d = [(s.getBehaviour().getSlotDistance(), s.getBoundingRadius()) for s in self.wing]
        open("slots.txt", "a").write("%d joined %d near\n" % (len([1 for x, r in d if x >= 0]), len([1 for x, r in d if 0 <= x <= r])))
        return True
    def unload(self): self.task.subscribe(False)
    def getName(self): return "Startup"
    def getEntityPath(self): return "data/entities"
    def getNumberTweaks(self): return 0
    def getTweak(self, index): return None
def getScenarioConfig(): return StartupScenarioConfig()
)";

// Pixels of the icon corner in the free icon's green, and in the slaved one's amber.
std::pair<unsigned, unsigned> iconPixels(GameProcess& game)
{
    const PngImage image(game.takeScreenshot().string());
    EXPECT_FALSE(image.empty());
    std::pair<unsigned, unsigned> found{0, 0};
    for (unsigned y = 16; y < 80 && !image.empty(); ++y) {
        for (unsigned x = 16; x < 80; ++x) {
            const std::uint8_t* p = image.at(x, y);
            found.first += p[1] > 200 && p[0] < 140 && p[2] < 160;
            found.second += p[0] > 200 && p[1] > 130 && p[1] < 210 && p[2] < 90;
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
    const std::filesystem::path record = game.folder() / "slots.txt";
    std::ofstream(game.folder() / "startup.py", std::ios::app) << "Interface.getSingleton().setMode(InterfaceMode.NORMAL, False)\n";
    game.start();
    ASSERT_TRUE(waitForTextInFile(record, "0 joined 0 near")) << game.standardError();
    EXPECT_EQ(iconPixels(game), std::make_pair(0u, 0u));
    ASSERT_TRUE(game.sendKey("f"));
    ASSERT_TRUE(waitForTextInFile(record, "4 joined 4 near")) << game.standardError();
    EXPECT_GT(iconPixels(game).first, 50u);
    ASSERT_TRUE(game.sendKey("g"));
    // The icon follows the mode on the formation's next update: looked at until it shows.
    std::pair<unsigned, unsigned> slaved = iconPixels(game);
    for (int look = 0; look < 20 && slaved.second <= 50u; ++look)
        slaved = iconPixels(game);
    EXPECT_EQ(slaved.first, 0u);
    EXPECT_GT(slaved.second, 50u);
    ASSERT_TRUE(game.sendKey("F10"));
    ASSERT_TRUE(game.waitForLogLine("Scenario Startup running unload..."));
    ASSERT_TRUE(game.sendKey("space"));
    EXPECT_EQ(game.waitForExit(), 0);
}

} // namespace
} // namespace Tolvarine::Test
