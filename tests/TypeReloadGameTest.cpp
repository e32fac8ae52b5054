// The whole game: the test ground reads the ship types and then the projectile types again in the
// middle of a battle in the scenario Test, several times over. Each reload deletes every object of
// its kind; whatever was in play and referred to one (an explosion sequence playing on a ship,
// another ship's AI or guns aiming at a missile, a turret, a point defence, the camera) once went
// on using it, and the game ended on a signal (or, under the sanitizers, with a use after free).
#include "MenuWalk.h"
#include "TestGroundScript.h"

#include <gtest/gtest.h>

#include <fstream>

namespace Tolvarine::Test {
namespace {

// Run at the end of the start-up. Every cycle of ten game seconds starts a battle close enough to
// open fire at once, breaks up four ships of each side and reads the ship types again while their
// explosions play; starts the battle again and reads the projectile types again while the missiles
// of the trifighters fly and the kestrels, turrets and point defence of the other side aim at them.
// Ships are taken afresh from the factions each time: a reload deletes them.
const char* const BATTLE = R"(
ScenarioManager.getSingleton().loadScenario("Test")
fly()

def breakUp(first):
    for side in sides():
        for ship in side.getShipList()[first:first + 2]:
            ship.destroy()

class Battle:
    step = 0
    def run(self, elapsed):
        cycle, at = divmod(Battle.step, 20)
        Battle.step += 1
        if at == 0 or at == 10:
            startBattle()
        elif at == 8:
            breakUp(0)
        elif at == 9:
            breakUp(2)
            choose("Ship", "trifighter")
            ground.respawn()
            note("ships %d" % cycle)
        elif at == 19:
            choose("Fireable", "seeker_missile")
            ground.respawn()
            note("projectiles %d" % cycle)
            if cycle == 2:
                note("done")
                return False
        return True

battle = Battle()
battleTask = createTask(battle.run, "Battle", 0.5, 0.0)
battleTask.subscribe(True)
)";

TEST(TypeReloadGame, ShipAndProjectileTypesReadAgainMidBattleLeaveNothingUsingTheDeletedObjects)
{
    if (!MenuWalk::hasXTools())
        GTEST_SKIP() << "needs Xvfb and xdotool";
    GameProcess game;
    std::ofstream(game.folder() / "startup.py") << TEST_GROUND_HELPERS << BATTLE;
    game.start();
    const std::filesystem::path reloads = game.folder() / "steps.txt";
    // Looked for while the game runs: a signal ends the wait.
    bool done = false;
    for (int second = 0; second < 240 && !done && game.isRunning(); ++second)
        done = waitForTextInFile(reloads, "done", std::chrono::seconds(1));
    EXPECT_EQ(readTextFile(reloads), "ships 0\nprojectiles 0\nships 1\nprojectiles 1\nships 2\nprojectiles 2\ndone\n");
    ASSERT_TRUE(done && game.isRunning()) << "signal " << game.endingSignal() << "\n" << game.standardError();
    EXPECT_EQ(game.quitWithKeys("Test"), 0) << game.standardError();
    EXPECT_EQ(game.endingSignal(), 0);
    for (const std::string& line : game.logLines()) {
        EXPECT_EQ(line.find("caught at top-level"), std::string::npos) << line;
        EXPECT_EQ(line.find("Python exception"), std::string::npos) << line;
    }
}

} // namespace
} // namespace Tolvarine::Test
