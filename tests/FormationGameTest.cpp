// The whole game: the formation key gathers the player's wing into its slots and the mode key
// switches the icon; the lead, destroyed in flight, then goes up through its type's explosion
// sequence and leaves play only when the sequence takes it out.
#include "MenuWalk.h"

#include <fstream>

namespace Tolvarine::Test {
namespace {

// The player's Trifighter, seen by the chase camera, and four Kestrels of its side, no enemy.
// Every half second: how many Kestrels are in the formation, and how many of those lie within
// their own radius of their slots. Once the test writes "doom", the Trifighter is destroyed and
// the side's ships in play are counted.
const char* const SCRIPT = R"(import os
from Tolvarine import *
class StartupScenarioConfig(ScenarioConfig):
    def initialise(self):
        AreaManager.getSingleton().loadArea("Nebula")
        self.side = Faction.create("Player")
        self.lead = Ship.spawnFleet({"trifighter": 1}, self.side, Vector3(0, 0, 0), Quaternion())[0]
        self.lead.setFocus(True)
        CameraController.getSingleton().setCameraType(CameraType.CHASE)
        self.wing = Ship.spawnFleet({"kestrel": 4}, self.side, Vector3(300, 60, 150), Quaternion())
        self.doomed = False
        self.task = createTask(self.step, "Slots", 0.5, 0.0)
        self.task.subscribe(True)
    def step(self, elapsed):
        d = [(s.getBehaviour().getSlotDistance(), s.getBoundingRadius()) for s in self.wing]
        out = open("slots.txt", "a")
        joined = len([1 for x, r in d if x >= 0])
        out.write("%d joined %d near\n" % (joined, len([1 for x, r in d if 0 <= x <= r])))
        if not self.doomed and os.path.exists("doom"):
            self.doomed = True
            self.lead.destroy()
            out.write("destroyed, %d in play\n" % len(self.side.getShipList()))
        return True
    def unload(self): self.task.subscribe(False)
    def getName(self): return "Startup"
    def getEntityPath(self): return "data/entities"
    def getNumberTweaks(self): return 0
    def getTweak(self, index): return None
def getScenarioConfig(): return StartupScenarioConfig()
)";

// Pixels of the icon corner in the free icon's green, and in the slaved one's amber.
std::pair<unsigned, unsigned> iconPixels(const GameProcess& game)
{
    const PngImage image = MenuWalk::look(game, "formation.png");
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

// Fire and flame in the middle of the screen: bright, much redder than blue.
unsigned flamePixels(const GameProcess& game, const std::string& name)
{
    const PngImage image = MenuWalk::look(game, name);
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

TEST(FormationGame, TheWingGathersTheIconFollowsTheModeAndTheDestroyedLeadExplodesInTurn)
{
    if (!MenuWalk::hasXTools())
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

    const unsigned before = flamePixels(game, "before.png");
    std::ofstream(game.folder() / "doom");
    ASSERT_TRUE(waitForTextInFile(record, "destroyed, "));
    // The sequence's fire builds up over its first second and more: the screen is looked at until
    // it shows, however few frames a loaded machine draws.
    unsigned during = 0;
    for (int look = 0; look < 20 && during <= before + 100; ++look)
        during = flamePixels(game, "during.png");
    EXPECT_GT(during, before + 100);
    // The wreck stays in play while its sequence plays; the sequence takes it out, then hands the
    // player, whose side has ships left, to command mode.
    EXPECT_NE(readTextFile(record).find("destroyed, 5 in play\n"), std::string::npos)
        << readTextFile(record);
    EXPECT_TRUE(game.waitForLogLine("Command mode: the game is paused, 4 ships of the player"));
    EXPECT_EQ(game.quitWithKeys("Startup"), 0);
}

} // namespace
} // namespace Tolvarine::Test
