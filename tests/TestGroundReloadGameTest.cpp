// The whole game: the test ground as a modder uses it. A save of a damaged type file is refused and
// changes nothing, so that the battle fought next in the scenario Test plays on the types as they
// were (a reload refused half-way once left only the types before the damaged file, and the next
// battle ended the game); the mended file saved again is read. A reload of the projectile types in
// the middle of a battle keeps every ship in play (it once took the whole battle out), and nothing
// that aimed at or dodged a deleted missile goes on using it.
#include "MenuWalk.h"
#include "TestGroundScript.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

namespace Tolvarine::Test {
namespace {

namespace fs = std::filesystem;

// The test ground watches the chosen item's file. Once the test has saved the damaged file and
// seen it refused, it leaves the file "fight": the scenario Test is fought for eight seconds of game
// time, then the test ground is shown again, watching the same file.
const char* const WATCH_THEN_FIGHT = R"(
ground.toggle()
fly()
choose(CATEGORY, ITEM)

class Steps:
    fought = -1
    def run(self, elapsed):
        if Steps.fought < 0:
            if os.path.exists("fight"):
                ground.loadTestScenario()
                fly()
                startBattle()
                Steps.fought = 0
            return True
        Steps.fought += 1
        if Steps.fought < 16:
            return True
        note("fought " + counts())
        ground.toggle()
        fly()
        return False

steps = Steps()
stepTask = createTask(steps.run, "Steps", 0.5, 0.0)
stepTask.subscribe(True)
)";

// The projectile types are read again three times in a battle, each time while the missiles of a
// fresh wave fly, with the ships of each side counted just before and just after.
const char* const PROJECTILE_RELOADS = R"(
ScenarioManager.getSingleton().loadScenario("Test")
fly()
choose("Fireable", "seeker_missile")

class Battle:
    step = 0
    def run(self, elapsed):
        at = Battle.step
        Battle.step += 1
        if at % 10 == 0:
            startBattle()
        elif at % 10 == 6:
            before = counts()
            ground.respawn()
            note("reload " + before + " / " + counts())
            if at > 20:
                note("done")
                return False
        return True

battle = Battle()
battleTask = createTask(battle.run, "Battle", 0.5, 0.0)
battleTask.subscribe(True)
)";

// Each step first takes the test ground's own ship out of play, as a shot-down ship leaves it, and
// spawns one ship of the same type for the other side, which its pool hands the same object; then
// the test ground does what the step names, and the ships of each side are counted.
const char* const HANDED_ON_SHIPS = R"(
ground.toggle()
choose("Fireable", "plasma_bolt")
player, enemy = sides()

def handOn(type, step):
    player.getShipList()[0].deactivate(2)
    Ship.spawnFleet({type: 1}, enemy, Vector3(0, 0, -2000), Quaternion())
    getattr(ground, step)()
    note(step + " " + counts())

handOn("trifighter", "respawn")
handOn("trifighter", "nextCategory")
handOn(ground.getItemCaption(), "nextItem")
)";

void saveAs(const fs::path& file, const std::string& text)
{
    // Written beside the file and renamed over it, as editors save: the game never reads half a file.
    const fs::path written = file.string() + ".saving";
    std::ofstream(written, std::ios::binary | std::ios::trunc) << text;
    fs::rename(written, file);
}

std::size_t countLines(const GameProcess& game, const std::string& line)
{
    const std::vector<std::string> lines = game.logLines();
    return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), line));
}

void expectNoFailureLines(const GameProcess& game)
{
    for (const std::string& line : game.logLines()) {
        EXPECT_EQ(line.find("caught at top-level"), std::string::npos) << line;
        EXPECT_EQ(line.find("Python exception"), std::string::npos) << line;
    }
}

struct DamagedSave {
    const char* name;
    const char* category;
    const char* item;
    const char* file;
    // Each key's whole line replaced.
    std::vector<std::pair<const char*, const char*>> changes;
    // The start of the line that refuses the save, naming the file.
    const char* named;
    // A new file that the damaged save names, written damaged (one key's line replaced) from a
    // copy of another just before it; the mend is the copy as it was, and the watched file is then
    // saved again with its changes kept.
    const char* added = nullptr;
    const char* addedFrom = nullptr;
    std::pair<const char*, const char*> addedDamage{};
};

void PrintTo(const DamagedSave& save, std::ostream* out)
{
    *out << save.name;
}

std::string damaged(std::string text, const DamagedSave& save)
{
    for (const auto& [key, line] : save.changes)
        text = withKeyLine(text, key, line);
    return text;
}

class TestGroundReloadGame : public testing::TestWithParam<DamagedSave> {};

TEST_P(TestGroundReloadGame, ARefusedSaveChangesNothingAndTheMendedFileIsRead)
{
    if (!MenuWalk::hasXTools())
        GTEST_SKIP() << "needs Xvfb and xdotool";
    const DamagedSave& save = GetParam();
    GameProcess game;
    const std::string choice = std::string("CATEGORY = \"") + save.category + "\"\nITEM = \"" + save.item + "\"\n";
    std::ofstream(game.folder() / "startup.py") << TEST_GROUND_HELPERS << choice << WATCH_THEN_FIGHT;
    const std::string file = std::string("data/entities/") + save.file;
    const std::string spawned = std::string("TestGround: spawned ") + save.category + " " + save.item + ", watching " + file;
    const std::string original = readTextFile(game.folder() / file);
    const std::string text = damaged(original, save);
    ASSERT_NE(text, original);
    const fs::path entities = game.folder() / "data/entities";
    const std::string addedText = save.added ? readTextFile(entities / save.addedFrom) : "";
    game.start();
    ASSERT_TRUE(game.waitForLogLine(spawned, std::chrono::seconds(120))) << game.standardError();

    if (save.added)
        saveAs(entities / save.added, withKeyLine(addedText, save.addedDamage.first, save.addedDamage.second));
    saveAs(game.folder() / file, text);
    EXPECT_TRUE(game.waitForLogLine(std::string("TestGround: the ") + save.category
                                    + " types could not be read again; fix the file and save it again"));
    const std::vector<std::string> lines = game.logLines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&save](const std::string& line) {
        return line.rfind(save.named, 0) == 0;
    })) << save.named;

    // The battle plays on the types as they were before the save.
    std::ofstream(game.folder() / "fight") << "\n";
    const fs::path steps = game.folder() / "steps.txt";
    bool fought = false;
    for (int second = 0; second < 180 && !fought && game.isRunning(); ++second)
        fought = waitForTextInFile(steps, "fought", std::chrono::seconds(1));
    ASSERT_TRUE(fought && game.isRunning()) << "signal " << game.endingSignal() << "\n" << game.standardError();

    // The watch goes on: the mended file is read and the item spawned anew.
    if (save.added)
        saveAs(entities / save.added, addedText);
    saveAs(game.folder() / file, save.added ? text : original);
    for (int tick = 0; tick < 600 && countLines(game, spawned) < 2 && game.isRunning(); ++tick)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(countLines(game, spawned), 2u);
    EXPECT_EQ(game.quitWithKeys("TestGround"), 0) << game.standardError();
    EXPECT_EQ(game.endingSignal(), 0);
    expectNoFailureLines(game);
}

INSTANTIATE_TEST_SUITE_P(
    DamagedSaves, TestGroundReloadGame,
    testing::Values(
        DamagedSave{"ProjectileTimeToLiveNotANumber", "Fireable", "plasma_bolt", "plasma_bolt.fireable",
                    {{"timeToLive", "timeToLive = 1.5s"}}, "Config: in data/entities/plasma_bolt.fireable"},
        // A plain shot would leave the weapon that fires it at once with an infinite speed.
        DamagedSave{"BeamThatAWeaponFiresAtOnceNoLongerABeam", "Fireable", "ion_lance", "ion_lance.fireable",
                    {{"beam", "beam = 0\ndamageType = Plasma"}}, "Config: in data/entities/ion_lance.weapon"},
        DamagedSave{"ShipMassNotANumber", "Ship", "kestrel", "kestrel.ship", {{"mass", "mass = nan"}},
                    "Config: in data/entities/kestrel.ship"},
        // Refused by the check of what its ships need, which once ran after its pool was made.
        DamagedSave{"ShipWithAnEmptyPoolRefusedByItsShipCheck", "Ship", "drone", "drone.ship",
                    {{"poolSize", "poolSize = 0"}, {"thrustLightRange", "thrustLightRange = nan"}},
                    "Config: in data/entities/drone.ship"},
        // The refused reload once kept the damaged weapon file it had read, and refused every
        // later save of the ship with the same line.
        DamagedSave{"ShipNamingANewDamagedWeapon", "Ship", "kestrel", "kestrel.ship",
                    {{"weapon_1", "weapon_1 = Gun_Quick\n\n[Gun_Quick]\ntype = quick_gun\nposition = (1 0 -9)"}},
                    "Config: in data/entities/quick_gun.weapon", "quick_gun.weapon", "plasma_gun.weapon",
                    {"maxLoaded", "maxLoaded = 4x"}},
        // The reload once took a type set without the ship type the play menu's fleet spawns by
        // name, and the battle fought next ended the game.
        DamagedSave{"ShipTypeTheCodeNamesRenamed", "Ship", "trifighter", "trifighter.ship",
                    {{"name", "name = raptor"}},
                    "The play menu's fleet needs the ship type trifighter of data/entities/trifighter.ship"},
        // A name only scripts spawn: taken, the reload ended the game at End Mission, when the main
        // menu's scenario spawned kestrels.
        DamagedSave{"ShipTypeAScenarioSpawnsRenamed", "Ship", "kestrel", "kestrel.ship",
                    {{"name", "name = kestrel_mk2"}},
                    "ShipType: data/entities/kestrel.ship drops the ship type kestrel loaded before"}),
    [](const testing::TestParamInfo<DamagedSave>& info) { return std::string(info.param.name); });

// Reads "reload <player> <enemy> / <player> <enemy>" lines: the counts before and after each reload.
std::vector<std::pair<std::string, std::string>> reloadCounts(const std::string& steps)
{
    std::vector<std::pair<std::string, std::string>> counts;
    std::istringstream lines(steps);
    std::string line;
    const std::regex reload("reload (\\d+ \\d+) / (\\d+ \\d+)");
    std::smatch match;
    while (std::getline(lines, line)) {
        if (std::regex_match(line, match, reload))
            counts.emplace_back(match[1], match[2]);
    }
    return counts;
}

TEST(TestGroundReloadGame, AProjectileReloadMidBattleKeepsEveryShipInPlay)
{
    if (!MenuWalk::hasXTools())
        GTEST_SKIP() << "needs Xvfb and xdotool";
    GameProcess game;
    std::ofstream(game.folder() / "startup.py") << TEST_GROUND_HELPERS << PROJECTILE_RELOADS;
    game.start();
    const fs::path steps = game.folder() / "steps.txt";
    bool done = false;
    for (int second = 0; second < 240 && !done && game.isRunning(); ++second)
        done = waitForTextInFile(steps, "done", std::chrono::seconds(1));
    ASSERT_TRUE(done && game.isRunning()) << "signal " << game.endingSignal() << "\n" << game.standardError();
    const auto counts = reloadCounts(readTextFile(steps));
    ASSERT_EQ(counts.size(), 3u) << readTextFile(steps);
    for (const auto& [before, after] : counts) {
        SCOPED_TRACE(before + " / " + after);
        const int playerBefore = std::stoi(before), enemyBefore = std::stoi(before.substr(before.find(' ') + 1));
        const int playerAfter = std::stoi(after), enemyAfter = std::stoi(after.substr(after.find(' ') + 1));
        // Every ship stays in play. The test ground places its target afresh on the player's side,
        // one more ship there when the battle had shot the old one down.
        EXPECT_EQ(enemyAfter, enemyBefore);
        EXPECT_GE(playerAfter, playerBefore);
        EXPECT_LE(playerAfter, playerBefore + 1);
        // A battle under way: the wave and the scenario's ships on both sides.
        EXPECT_GT(playerBefore, 2);
        EXPECT_GT(enemyBefore, 2);
    }
    EXPECT_EQ(game.quitWithKeys("Test"), 0) << game.standardError();
    EXPECT_EQ(game.endingSignal(), 0);
    expectNoFailureLines(game);
}

// The test ground once kept a plain pointer to its target and its test ship, and removed whichever
// ship its pool had since handed the object to.
TEST(TestGroundReloadGame, TheTestGroundRemovesOnlyItsOwnShips)
{
    if (!MenuWalk::hasXTools())
        GTEST_SKIP() << "needs Xvfb and xdotool";
    GameProcess game;
    std::ofstream(game.folder() / "startup.py") << TEST_GROUND_HELPERS << HANDED_ON_SHIPS;
    game.start();
    const fs::path steps = game.folder() / "steps.txt";
    ASSERT_TRUE(waitForTextInFile(steps, "nextItem", std::chrono::seconds(120))) << game.standardError();
    // The player's side: the target placed afresh, then the test ship; the other side keeps each
    // ship it was given.
    EXPECT_EQ(readTextFile(steps), "respawn 1 1\nnextCategory 1 2\nnextItem 1 3\n");
    EXPECT_EQ(game.quitWithKeys("TestGround"), 0) << game.standardError();
    EXPECT_EQ(game.endingSignal(), 0);
    expectNoFailureLines(game);
}

} // namespace
} // namespace Tolvarine::Test
