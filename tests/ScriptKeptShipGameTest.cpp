// The whole game: a scenario's task keeps its wing, a capital ship, their behaviours and a ship's
// link, as the shipped scripts keep their ships, and may hand one to the game; the test ground
// reads the ship types again, which deletes every ship. Each later call on a kept object once read
// freed memory (the game ended on a signal or an abort, or a call returned garbage); each must now
// raise a RuntimeError that says the object is gone, which the script catches, and the game flies
// on. What the game was handed before it lets go of with the ship.
#include "MenuWalk.h"
#include "TestGroundScript.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace Tolvarine::Test {
namespace {

struct Row {
    // A Python expression on the kept objects, run after the reload.
    const char* call;
    // The script class the error names; null for a call that is taken.
    const char* kind;
    // A Python expression on the same objects run before the reload, or null.
    const char* before = nullptr;
};

// Run at the end of the start-up, in the scenario Test.
const char* const SETUP = R"(
ScenarioManager.getSingleton().loadScenario("Test")
player, enemy = sides()
fly()
cameras = CameraController.getSingleton()

def keepOnFreeCamera(ship):
    free = cameras.setCameraTypeFree()
    cameras.setCameraType(CameraType.CHASE)
    free.setTarget(ship)
    free.setTargetMode(TargetMode.POINT_AT)

class KeptWing:
    def __init__(self):
        self.wing = Ship.spawnFleet({"trifighter": 2}, player, Vector3(0, 0, -300), Quaternion())
        self.capital = Ship.spawnFleet({"bastion": 1}, enemy, Vector3(0, 0, -900), Quaternion())[0]
        self.behaviour = self.wing[0].getBehaviour()
        self.capitalBehaviour = self.capital.getBehaviour()
        self.link = self.wing[1].getLink()

    def readShipTypesAgain(self):
        choose("Ship", "trifighter")
        ground.respawn()

    def run(self, elapsed):
        objects = (self.wing, self.capital, self.behaviour, self.capitalBehaviour, self.link)
        for before in BEFORE:
            before(*objects)
        self.readShipTypesAgain()
        results = open("kept.txt", "w")
        for number, call in enumerate(CALLS):
            try:
                call(*objects)
                results.write("%d taken\n" % number)
            except RuntimeError as error:
                results.write("%d RuntimeError: %s\n" % (number, error))
            except Exception as error:
                results.write("%d %s: %s\n" % (number, type(error).__name__, error))
        # The game goes on: fresh ships take orders.
        for ship in Ship.spawnFleet({"trifighter": 2}, player, Vector3(0, 0, -300), Quaternion()):
            ship.getBehaviour().loiter(Vector3(0, 0, -600))
        results.write("flying\n")
        results.close()
        return False

kept = KeptWing()
keptTask = createTask(kept.run, "KeptWing", 0.5, 0.0)
keptTask.subscribe(True)
)";

const char* const GONE = ": the game object this script held is gone (its types were read again)";

TEST(ScriptKeptShipGame, CallsOnObjectsAShipTypeReloadDeletedRaiseARuntimeErrorAndTheGameGoesOn)
{
    if (!MenuWalk::hasXTools())
        GTEST_SKIP() << "needs Xvfb and xdotool";
    const Row rows[] = {
        {"wing[0].getBehaviour().loiter(Vector3(0, 0, -100))", "Ship"},
        {"behaviour.loiter(Vector3(0, 0, -100))", "ShipBehaviour"},
        // Read freed memory without a crash, and answered with garbage.
        {"behaviour.getSlotDistance()", "ShipBehaviour"},
        // Inherited faces: Controllable, DynamicCollidable.
        {"wing[0].destroy()", "Ship"},
        {"wing[0].setFocus(True)", "Ship"},
        {"wing[1].getLink()", "Ship"},
        {"DynamicCollidable.deactivate(wing[1], 2)", "Ship"},
        {"wing[0].deactivate(2)", "Ship"},
        {"wing[1].getBoundingRadius()", "Ship"},
        {"capital.deactivate(2)", "CapitalShip"},
        {"capital.getBehaviour()", "CapitalShip"},
        {"capital.activate(enemy, Vector3(0, 0, -900), Quaternion())", "CapitalShip"},
        {"capitalBehaviour.loiter(Vector3(0, 0, -100))", "ShipBehaviour"},
        // The Targetable face, inherited by way of a base of its own.
        {"capital.getOrientation()", "CapitalShip"},
        // Handed to the game as an argument.
        {"CameraController.getSingleton().setCameraTarget(wing[1])", "Ship"},
        {"CameraController.getSingleton().setCameraTarget(link)", "OgreLink"},
        // Kept by the free camera while another camera was current, then shown: the camera turned
        // to the deleted ship at every frame.
        {"(cameras.clearCameraTarget(), cameras.setCameraTypeFree())", nullptr, "keepOnFreeCamera(capital)"},
    };
    GameProcess game;
    std::ofstream startup(game.folder() / "startup.py");
    const char* const lambda = "    lambda wing, capital, behaviour, capitalBehaviour, link: ";
    startup << "CALLS = [\n";
    for (const Row& row : rows)
        startup << lambda << row.call << ",\n";
    startup << "]\nBEFORE = [\n";
    for (const Row& row : rows)
        startup << lambda << (row.before ? row.before : "None") << ",\n";
    startup << "]\n" << TEST_GROUND_HELPERS << SETUP;
    startup.close();
    game.start();
    const std::filesystem::path kept = game.folder() / "kept.txt";
    // Looked for while the game runs: a signal ends the wait.
    bool flying = false;
    for (int second = 0; second < 120 && !flying && game.isRunning(); ++second)
        flying = waitForTextInFile(kept, "flying", std::chrono::seconds(1));
    std::istringstream results(readTextFile(kept));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].call);
        std::string line;
        std::getline(results, line);
        EXPECT_EQ(line, std::to_string(i) + (rows[i].kind ? std::string(" RuntimeError: ") + rows[i].kind + GONE
                                                          : std::string(" taken")));
    }
    // A holder that kept a deleted object reads it at a later frame, after the rows' lines.
    std::string handedOver;
    for (const Row& row : rows)
        handedOver += row.before ? std::string(row.before) + "; " : "";
    SCOPED_TRACE("handed to the game before the reload: " + handedOver);
    ASSERT_TRUE(flying && game.isRunning()) << "signal " << game.endingSignal() << "\n" << game.standardError();
    EXPECT_EQ(game.quitWithKeys("Test"), 0) << "signal " << game.endingSignal() << "\n" << game.standardError();
    EXPECT_TRUE(game.logHas(std::string("Ship") + GONE));
    for (const std::string& line : game.logLines())
        EXPECT_EQ(line.find("caught at top-level"), std::string::npos) << line;
}

// A dying ship's explosion sequence, given its ship's next life: the object the player flew taken
// by another ship before the sequence's command event, or ships a script put back into play while
// their sequences played. The sequence lost its command event once the pool handed the object on
// (command mode never opened, a game with no ship of the player's left never ended), and its
// removal took a ship its script had put back out of play again.
const char* const LIVES = R"(
from Tolvarine import *

def note(text):
    with open("lives.txt", "a") as lives:
        lives.write(text + "\n")

def emptyScenario():
    scenario = ScenarioManager.getSingleton().loadScenario("Skirmish")
    AreaManager.getSingleton().loadArea("Deep Space")
    scenario.createFactions()
    return scenario

# Runs each (when, action) of `steps` in turn, once `when` of the game time since the start holds.
class Steps:
    def __init__(self, steps):
        self.steps = list(steps)
        self.clock = 0.0
    def run(self, elapsed):
        self.clock += elapsed
        while self.steps and self.steps[0][0](self.clock):
            self.steps.pop(0)[1]()
        return bool(self.steps)

def after(seconds):
    return lambda clock: clock >= seconds

def play(steps):
    global stepsTask
    stepsTask = createTask(Steps(steps).run, "Lives", 0.1, 0.0)
    stepsTask.subscribe(True)
    Interface.getSingleton().setMode(InterfaceMode.NORMAL, False)

# The player flies a trifighter that is destroyed; once its sequence took it out of play (1.3 s),
# before the sequence's command event (2.5 s), another trifighter is made of the same object.
def handOverFlown(scenario):
    player, enemy = scenario.getFaction("Player"), scenario.getFaction("Enemy")
    flown = Ship.spawnFleet({"trifighter": 1}, player, Vector3(0, 200, 600), Quaternion())[0]
    flown.setFocus(True)
    flying = len(player.getShipList())
    def takeItsObject():
        Ship.create("trifighter").activate(enemy, Vector3(0, 500, -4000), Quaternion())
        try:
            flown.getBoundingRadius()
            note("kept")
        except RuntimeError:
            note("handed on")
    play([(after(0.0), flown.destroy), (lambda clock: len(player.getShipList()) < flying, takeItsObject)])

# Ships of a side nobody fights, destroyed; each put back into play at once, after being taken out
# of play, or half a second later; counted after three seconds.
def putBack():
    kept = Faction.create("Kept")
    ships = Ship.spawnFleet({"trifighter": 3}, kept, Vector3(0, 300, -2500), Quaternion())
    places = [Vector3(100 * i, 300, -2500) for i in range(3)]
    def destroyAndPutBack():
        for ship in ships:
            ship.destroy()
        ships[0].activate(kept, places[0], Quaternion())
        ships[1].deactivate(2)
        ships[1].activate(kept, places[1], Quaternion())
    play([(after(0.0), destroyAndPutBack), (after(0.5), lambda: ships[2].activate(kept, places[2], Quaternion())),
          (after(3.0), lambda: note("%d in play" % len(kept.getShipList())))])
)";

TEST(ScriptKeptShipGame, ADyingShipsSequencePlaysToItsEndWithoutTouchingTheShipsNextLife)
{
    if (!MenuWalk::hasXTools())
        GTEST_SKIP() << "needs Xvfb and xdotool";
    struct Row {
        const char* name;
        const char* statement;
        const char* scenario;
        // What the script notes, and the game's line for the sequence's end.
        const char* noted;
        const char* logLine;
    };
    const Row rows[] = {
        {"the player's ship handed on, others of the player's left: command mode opens",
         R"(handOverFlown(ScenarioManager.getSingleton().loadScenario("Test")))", "Test", "handed on",
         "Command mode: the game is paused, 2 ships of the player"},
        {"the player's ship handed on, none of the player's left: the game ends", "handOverFlown(emptyScenario())",
         "Skirmish", "handed on", "Scenario Skirmish ended."},
        {"ships put back into play while their sequences play", "emptyScenario(); putBack()", "Skirmish", "3 in play",
         nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        GameProcess game;
        std::ofstream(game.folder() / "startup.py", std::ios::app) << LIVES << row.statement << "\n";
        game.start();
        const std::filesystem::path lives = game.folder() / "lives.txt";
        EXPECT_TRUE(waitForTextInFile(lives, "\n", std::chrono::seconds(60)));
        EXPECT_EQ(readTextFile(lives), std::string(row.noted) + "\n");
        if (row.logLine) {
            EXPECT_TRUE(game.waitForLogLine(row.logLine, std::chrono::seconds(30)));
        }
        ASSERT_TRUE(game.isRunning()) << game.standardError();
        EXPECT_EQ(game.quitWithKeys(row.scenario), 0) << game.standardError();
    }
}

} // namespace
} // namespace Tolvarine::Test
