// The whole game: script calls with places, directions, orientations and distances that the
// rendering or physics engine cannot take, fleet counts it cannot hold, and ship types that do not
// exist (with the game's own line for them in the log). Each once ended the process from inside an
// engine (an assertion, a collision space overrun a frame later, the sound layer's exit), when the
// ship was built later, or never returned; each must now be the script's own Python error, naming
// the call, with the game flying on. Values that break nothing are taken as they are, however odd.
// An error of the game's own that reaches a script carries its reason; a ship given back to its
// pool can be activated again by the script that holds it; ships and capital ships pass where a
// face takes a Targetable.
#include "MenuWalk.h"

#include <fstream>

namespace Tolvarine::Test {
namespace {

struct Row {
    const char* statement;
    // The last line of the script's traceback in the game's log; none for a value that is taken.
    const char* error;
    // A line of its own in the log: the refusal's text, which stays there even when the script
    // catches the error. Every ValueError's text is one without being named here.
    const char* refusal = nullptr;
    // The game's own line for the fault, the one a modder searches the log for, right before the
    // refusal's.
    const char* gameLine = nullptr;
    // A statement run after the two seconds of flight, in the same namespace: `error` is then its
    // error, for what the game did meanwhile.
    const char* later = nullptr;
};

// Whether `first` is a line of the log with `second` as the next one.
bool logHasInTurn(const GameProcess& game, const std::string& first, const std::string& second)
{
    const std::vector<std::string> lines = game.logLines();
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i] == first && lines[i + 1] == second)
            return true;
    }
    return false;
}

// Run at the end of the start-up, with the menus' scenario loaded and the game unpaused: a ship
// of the player's side, and the free camera that scenario looks through. A fleet turned by a
// quaternion far from unit length is placed as by its unit quaternion: its members' offsets are
// turned, not scaled out of the physics space.
const char* const SETUP = R"(
nan = float("nan")
inf = float("inf")
Interface.getSingleton().setMode(InterfaceMode.NORMAL, False)
player = ScenarioManager.getSingleton().getCurrentScenario().getFaction("Player")
ship = Ship.spawnFleet({"trifighter": 1}, player, Vector3(0, 0, -100), Quaternion())[0]
Ship.spawnFleet({"kestrel": 3}, player, Vector3(0, 0, -400), Quaternion(0, 1e10, 0, 0))
camera = CameraController.getSingleton().setCameraTypeFree()
# A row whose calls must work raises Found with what it found: that is its line.
class Found(Exception):
    pass
)";

// After the calls, two seconds of game time: hundreds of physics steps, and frames drawn. Then
// the rows' later statements, each a script as the rows' are.
const char* const FLIGHT = R"(
class Flight:
    runs = 0
    def step(self, elapsed):
        Flight.runs += 1
        if Flight.runs == 20:
            for script in LATER:
                try:
                    ScriptSystem.getSingleton().runScript(script)
                except Exception:
                    pass
            open("flown.txt", "w").write("flown")
        return Flight.runs < 20
flight = Flight()
flightTask = createTask(flight.step, "Flight", 0.1, 0.0)
flightTask.subscribe(True)
)";

TEST(ScriptFacesGame, ValuesTheEnginesCannotTakeAreTheScriptsErrorNamingTheCallOthersAreTakenAndTheGameFliesOn)
{
    if (!MenuWalk::hasXTools())
        GTEST_SKIP() << "needs Xvfb and xdotool";
    const Row rows[] = {
        // The three calls that ended the game: a NaN place fails the scene graph's assertion, a
        // zero quaternion the physics library's, a far place the collision space's a frame later.
        {R"(Ship.spawnFleet({"trifighter": 1}, player, Vector3(nan, nan, nan), Quaternion()))",
         "ValueError: Ship.spawnFleet: the position Vector3(nan, nan, nan) is not finite"},
        {R"(Ship.spawnFleet({"trifighter": 1}, player, Vector3(0, 0, -50), Quaternion(0, 0, 0, 0)))",
         "ValueError: Ship.spawnFleet: the orientation Quaternion(0, 0, 0, 0) cannot be normalised"},
        {R"(Ship.spawnFleet({"trifighter": 1}, player, Vector3(1e30, 0, 0), Quaternion()))",
         "ValueError: Ship.spawnFleet: the position Vector3(1e+30, 0, 0) lies beyond 1e+08 on an axis, the limit of "
         "the physics space"},
        // A place just beyond the limit read as the limit itself: "Vector3(0, 1e+08, 0) lies beyond 1e+08".
        {R"(Ship.spawnFleet({"trifighter": 1}, player, Vector3(0, 1e8 + 8, 0), Quaternion()))",
         "ValueError: Ship.spawnFleet: the position Vector3(0, 100000008, 0) lies beyond 1e+08 on an axis, the limit of "
         "the physics space"},
        // A fleet's rings reach past its centre: of five ships around a centre at the limit, three
        // were placed beyond it and left play in their first frames. Refused, it puts none into play.
        // Which ship the refusal names goes with the order the fleet's ships are laid out in.
        {R"py(import re
before = len(player.getShipList())
try:
    Ship.spawnFleet({"trifighter": 5}, player, Vector3(1e8, 0, 0), Quaternion())
except ValueError as error:
    raise Found("%d more in play: %s" % (len(player.getShipList()) - before,
                                         re.sub(r"at Vector3\(1000000\d\d, [^)]*\)", "at Vector3(...)", str(error)))))py",
         "Found: 0 more in play: Ship.spawnFleet: the fleet laid out around Vector3(1e+08, 0, 0) would place a ship at "
         "Vector3(...), beyond 1e+08 on an axis, the limit of the physics space"},
        // The refused fleet had begun the lives of the ships it took, so the handle to a ship the
        // script had taken out of play itself, the next its pool would hand out, went stale.
        {R"py(outOfPlay = Ship.spawnFleet({"trifighter": 1}, player, Vector3(300, 0, -700), Quaternion())[0]
outOfPlay.deactivate(2)
try:
    Ship.spawnFleet({"trifighter": 5}, player, Vector3(1e8, 0, 0), Quaternion())
except ValueError:
    outOfPlay.activate(player, Vector3(300, 0, -600), Quaternion())
    raise Found("back in play: %s" % (outOfPlay.getPosition() == Vector3(300, 0, -600))))py",
         "Found: back in play: True"},
        // A turn this large spreads a fleet's members beyond the space: orientations are normalised.
        {R"(Ship.spawnFleet({"trifighter": 1}, player, Vector3(0, 0, -50), Quaternion(0, 1e20, 0, 0)))",
         "ValueError: Ship.spawnFleet: the orientation Quaternion(0, 1e+20, 0, 0) cannot be normalised"},
        {R"(Ship.create("trifighter").activate(player, Vector3(0, inf, 0), Quaternion()))",
         "ValueError: Ship.activate: the position Vector3(0, inf, 0) is not finite"},
        // A capital ship is activated through the ship's checked face.
        {R"(Ship.create("bastion").activate(player, Vector3(0, 0, -2e8), Quaternion()))",
         "ValueError: Ship.activate: the position Vector3(0, 0, -2e+08) lies beyond 1e+08 on an axis, the limit of "
         "the physics space"},
        {R"(DynamicCollidable.activate(ship, 0, Vector3(0, 0, -50), Quaternion(), Vector3(1e30, 0, 0)))",
         "ValueError: DynamicCollidable.activate: the velocity Vector3(1e+30, 0, 0) is faster than 100000, the limit "
         "of the physics"},
        {R"(WarpArrival.create("trifighter", player, Vector3(0, 0, -50), Quaternion(nan, 0, 0, 0)))",
         "ValueError: WarpArrival.create: the orientation Quaternion(nan, 0, 0, 0) is not finite"},
        {R"(WarpArrival.createByFilename("trifighter", player, Vector3(1e30, 0, 0), Quaternion()))",
         "ValueError: WarpArrival.createByFilename: the position Vector3(1e+30, 0, 0) lies beyond 1e+08 on an axis, "
         "the limit of the physics space"},
        {R"(ship.getBehaviour().loiter(Vector3(nan, 0, 0)))",
         "ValueError: ShipBehaviour.loiter: the position Vector3(nan, 0, 0) is not finite"},
        {R"(ship.getBehaviour().drone(Vector3(0, 0, inf)))",
         "ValueError: ShipBehaviour.drone: the velocity Vector3(0, 0, inf) is not finite"},
        {R"(Path(nan, False))", "ValueError: Path: the radius nan is not finite"},
        {R"(Path(10.0, False).appendWaypoint(Vector3(nan, 0, 0)))",
         "ValueError: Path.appendWaypoint: the position Vector3(nan, 0, 0) is not finite"},
        {R"(ScenarioManager.getSingleton().getCurrentScenario().addDirectionalLight(Vector3(0, 0, 0), ColourValue(), ColourValue()))",
         "ValueError: Scenario.addDirectionalLight: the direction Vector3(0, 0, 0) cannot be normalised"},
        {R"(ScenarioManager.getSingleton().getCurrentScenario().setSkyBox("Tolvarine/NebulaSky", nan))",
         "ValueError: Scenario.setSkyBox: the distance nan is not finite"},
        {R"(camera.setPosition(Vector3(nan, 0, 0)))",
         "ValueError: FreeCamera.setPosition: the position Vector3(nan, 0, 0) is not finite"},
        {R"(camera.moveTo(Vector3(0, nan, 0)))",
         "ValueError: FreeCamera.moveTo: the position Vector3(0, nan, 0) is not finite"},
        {R"(camera.pointAt(Vector3(0, 0, nan)))",
         "ValueError: FreeCamera.pointAt: the position Vector3(0, 0, nan) is not finite"},
        {R"(camera.setOrbitRange(1e12))",
         "ValueError: FreeCamera.setOrbitRange: the orbit range 1e+12 lies beyond 1e+08, the limit of the physics space"},
        {R"(camera.setMovementSpeed(-1))",
         "ValueError: FreeCamera.setMovementSpeed: the movement speed -1 is below 0"},
        {R"(DebrisSystem.getSingleton().setSystemLeadDistance("FineDebrisSystem", nan))",
         "ValueError: DebrisSystem.setSystemLeadDistance: the lead distance nan is not finite"},
        {R"(DebrisSystem.getSingleton().setGlobalEmissionRate(nan))",
         "ValueError: DebrisSystem.setGlobalEmissionRate: the emission rate nan is not finite"},
        // Taken: the camera orbits in a blur, a ship holds the first waypoint of a path it never
        // reaches, a drone thrusts at its most towards a speed it never reaches, the dust looks
        // odd, the sky lies beyond what the camera draws.
        {R"(camera.setTargetMode(TargetMode.ORBIT); camera.setOrbitSpeed(Degree(3e38)))", nullptr},
        {"circuit = Path(-1.0, True); circuit.appendWaypoint(Vector3(0, 0, -150)); "
         "ship.getBehaviour().followPath(circuit)",
         nullptr},
        {"ship.getBehaviour().drone(Vector3(1e6, 0, 0)); ship.getBehaviour().drone(Vector3(0, 1e20, 0)); "
         "ship.getBehaviour().drone(Vector3(0, 0, -3e38))",
         nullptr},
        {R"(DebrisSystem.getSingleton().setSystemEmissionRate("FineDebrisSystem", -1))", nullptr},
        {R"(DebrisSystem.getSingleton().setGlobalEmissionRate(-1))", nullptr},
        {R"(DebrisSystem.getSingleton().setSystemMaxVisibleDistance("CoarseDebrisSystem", 1e12))", nullptr},
        {R"(ScenarioManager.getSingleton().getCurrentScenario().setSkyBox("Tolvarine/NebulaSky", 1e12))", nullptr},
        // A type that does not exist: the arrival ended the game when its ship was due, 1.4 s later.
        {R"(WarpArrival.create("trifightr", player, Vector3(0, 0, -50), Quaternion()))",
         "ValueError: WarpArrival.create: there is no ship type trifightr"},
        {R"(Ship.spawnFleet({"trifighter": 1, "kestrl": 2}, player, Vector3(0, 0, -50), Quaternion()))",
         "ValueError: Ship.spawnFleet: there is no ship type kestrl", nullptr,
         "Multipool factory cannot create kestrl as there is no creator registered"},
        {R"(Ship.createByFilename("trifightr"))", "ValueError: Ship.createByFilename: there is no ship type file trifightr",
         nullptr, "ShipType file trifightr not found"},
        // The refusal named "trifighter.ship.ship", a file the script never gave.
        {R"(Ship.createByFilename("trifighter.ship"))",
         "ValueError: Ship.createByFilename: there is no ship type file trifighter.ship (the call takes the file's base "
         "name, without \".ship\")",
         nullptr, "ShipType file trifighter.ship not found"},
        {R"(ScenarioManager.getSingleton().getCurrentScenario().survivalStart("Deep Space", {"trifightr": 1}))",
         "ValueError: Scenario.survivalStart: there is no ship type trifightr"},
        // A scenario that catches the refusal and goes on: the log alone tells what went wrong.
        {"try:\n    Ship.create(\"trifightr\")\nexcept ValueError:\n    pass", nullptr,
         "Ship.create: there is no ship type trifightr",
         "Multipool factory cannot create trifightr as there is no creator registered"},
        // The game's own errors said only "std::exception".
        {R"(ScenarioManager.getSingleton().loadScenario("Nowhere"))",
         "RuntimeError: ScenarioManager::loadScenario, unknown scenario Nowhere"},
        {R"(DebrisSystem.getSingleton().addSystem("Dust", "NoSuchTemplate"))",
         "RuntimeError: DebrisSystem: unknown particle template NoSuchTemplate"},
        // Back in its pool, a ship activated again flew while the pool held it idle: the next
        // spawn took it a second time, and a scenario's end passed it over with its faction.
        {R"(shipsBefore = len(player.getShipList())
returning = Ship.spawnFleet({"trifighter": 1}, player, Vector3(0, 0, -200), Quaternion())[0]
returning.deactivate(2)
returning.activate(player, Vector3(0, 0, -250), Quaternion())
Ship.spawnFleet({"trifighter": 1}, player, Vector3(0, 60, -250), Quaternion())
raise Found("%d ships more in play" % (len(player.getShipList()) - shipsBefore)))",
         "Found: 2 ships more in play"},
        // A count of four billion never returned: the pool grew a ship at a time until the memory
        // ran out. A count below 0 was the binding's OverflowError, naming nothing.
        {R"(Ship.spawnFleet({"trifighter": 4294967295}, player, Vector3(0, 0, -50), Quaternion()))",
         "ValueError: Ship.spawnFleet: the count 4294967295 of trifighter is above 1000, the most ships in play"},
        {R"(ScenarioManager.getSingleton().getCurrentScenario().skirmishStart("Deep Space", {"trifighter": 1}, {"kestrel": -1}))",
         "ValueError: Scenario.skirmishStart: the count -1 of kestrel is below 0"},
        // The bound was of one call: fleets that added up past it were each taken, and four of 400
        // at one place drew no frame in 5 minutes. This one would bring one ship too many; taken,
        // it is given back at once.
        {R"(sides = [ScenarioManager.getSingleton().getCurrentScenario().getFaction(side) for side in ("Player", "Enemy")]
inPlay = sum(len(side.getShipList()) for side in sides)
try:
    fleet = Ship.spawnFleet({"trifighter": 1001 - inPlay}, player, Vector3(0, 0, -3000), Quaternion())
except ValueError as error:
    expected = ("Ship.spawnFleet: %d more ships would bring the ships in play from %d to 1001, above 1000, the "
                "most ships in play" % (1001 - inPlay, inPlay))
    raise Found(str(error) == expected or str(error))
for taken in fleet:
    taken.deactivate(2))",
         "Found: True"},
        // Ships were no Targetable: the cameras' faces refused them and they had no place to read.
        // A capital ship's Targetable lies elsewhere in it than a fighter's.
        {R"(fighter = Ship.create("trifighter")
fighter.activate(player, Vector3(0, -300, -100), Quaternion(0, 1, 0, 0))
capital = Ship.spawnFleet({"bastion": 1}, player, Vector3(0, 500, -2000), Quaternion(0, 0, 1, 0))[0]
for target in (fighter, capital):
    CameraController.getSingleton().setCameraTarget(target)
    camera.setTarget(target)
raise Found("%s %s %s %s" % (fighter.getPosition() == Vector3(0, -300, -100),
                             fighter.getOrientation() == Quaternion(0, 1, 0, 0),
                             capital.getPosition() == Vector3(0, 500, -2000),
                             capital.getOrientation() == Quaternion(0, 0, 1, 0))))",
         "Found: True True True True"},
        // A handle outlived its ship's life: once the pool handed the object on (the pool is a
        // stack: the next ship of the type is the same object), the old handle commanded the
        // new ship, and took it out of play.
        {R"(handedOn = Faction.create("HandedOn")
kept = Ship.spawnFleet({"trifighter": 1}, handedOn, Vector3(-600, 0, -700), Quaternion())[0]
keptBehaviour = kept.getBehaviour()
kept.deactivate(2)
Ship.spawnFleet({"trifighter": 1}, handedOn, Vector3(-600, 0, -700), Quaternion())
keptBehaviour.loiter(Vector3(0, 0, 0)))",
         "RuntimeError: ShipBehaviour: the game object this script held is gone (its pool handed it to another user)"},
        {R"(try:
    kept.deactivate(2)
except RuntimeError as error:
    raise Found("%s; %d in play" % (error, len(handedOn.getShipList()))))",
         "Found: Ship: the game object this script held is gone (its pool handed it to another user); 1 in play"},
        // An explosion sequence played on the ship its pool handed out next: its removal took
        // that ship out of play. Its ship was taken out of play at once, or before it was
        // destroyed. The faction is let go of at the end: the game has room for five.
        {R"(for order in ("destroyed first", "out of play first"):
    doomed = Ship.spawnFleet({"trifighter": 1}, handedOn, Vector3(600, 0, -700), Quaternion())[0]
    if order == "destroyed first":
        doomed.destroy()
    doomed.deactivate(2)
    doomed.destroy()
    Ship.spawnFleet({"trifighter": 1}, handedOn, Vector3(600, 0, -700), Quaternion()))",
         "Found: 3 in play", nullptr, nullptr,
         R"(inPlay = len(handedOn.getShipList())
del handedOn
raise Found("%d in play" % inPlay))"},
        // Last, as its later statement ends the scenario the rows play in. A ship put into play
        // through the collidable's face went outside the bound (3,000 flew, and the next fleet was
        // counted from 1 ship in play), and kept its body in play into the next scenario.
        {R"(def factions():
    scenario = ScenarioManager.getSingleton().getCurrentScenario()
    return [scenario.getFaction(side) for side in ("Player", "Enemy")]
def unlisted():
    try:
        Ship.spawnFleet({"trifighter": 1000}, factions()[0], Vector3(0, 0, -3000), Quaternion())
    except ValueError as error:
        inPlay = int(str(error).split(" from ")[1].split()[0])
    return inPlay - sum(len(faction.getShipList()) for faction in factions())
# Ships of the factions other rows made are not listed here either.
others = unlisted()
loose = Ship.create("trifighter")
DynamicCollidable.activate(loose, 0, Vector3(0, 0, -5000), Quaternion(), Vector3(0, 0, -10))
counted = unlisted() - others)",
         "Found: 1 0", nullptr, nullptr,
         R"(ScenarioManager.getSingleton().loadScenario("Startup")
raise Found("%d %d" % (counted, unlisted())))"},
    };
    GameProcess game;
    // Each call is a script of its own, run through the script system, which logs its error; the
    // start-up script catches it and goes on to the next. A script that gets through leaves a file.
    std::ofstream startup(game.folder() / "startup.py", std::ios::app);
    startup << SETUP << "LATER = []\n";
    // The row's last script marks it taken.
    const auto scriptOf = [&game](std::size_t row, const char* statement, bool last) {
        const std::string script = "face" + std::to_string(row) + (last ? "" : "-now") + ".py";
        std::ofstream file(game.folder() / script);
        file << "from Tolvarine import *\n" << statement << "\n";
        if (last)
            file << "open(\"" << script << ".taken\", \"w\").close()\n";
        return script;
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const std::string script = scriptOf(i, rows[i].statement, !rows[i].later);
        startup << "try:\n    ScriptSystem.getSingleton().runScript(\"" << script << "\")\nexcept Exception:\n    pass\n";
        if (rows[i].later)
            startup << "LATER.append(\"" << scriptOf(i, rows[i].later, true) << "\")\n";
    }
    startup << FLIGHT;
    startup.close();
    game.start();
    // Looked for while the game runs: an engine that ends the process ends the wait.
    bool flown = false;
    for (int second = 0; second < 120 && !flown && game.isRunning(); ++second)
        flown = waitForTextInFile(game.folder() / "flown.txt", "flown", std::chrono::seconds(1));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].statement);
        if (rows[i].error) {
            EXPECT_TRUE(game.logHas(rows[i].error));
        }
        const std::string error = rows[i].error ? rows[i].error : "", valueError = "ValueError: ";
        if (error.rfind(valueError, 0) == 0) {
            EXPECT_TRUE(game.logHas(error.substr(valueError.size())));
        }
        if (rows[i].refusal) {
            EXPECT_TRUE(game.logHas(rows[i].refusal));
        }
        if (rows[i].gameLine) {
            const std::string refusal = rows[i].refusal ? rows[i].refusal : error.substr(valueError.size());
            EXPECT_TRUE(logHasInTurn(game, rows[i].gameLine, refusal));
        }
        const bool taken = std::filesystem::exists(game.folder() / ("face" + std::to_string(i) + ".py.taken"));
        EXPECT_EQ(taken, !rows[i].error);
    }
    ASSERT_TRUE(flown && game.isRunning()) << game.standardError();
    EXPECT_EQ(game.quitWithKeys("Startup"), 0) << game.standardError();
}

} // namespace
} // namespace Tolvarine::Test
