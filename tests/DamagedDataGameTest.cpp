// The whole game started on a copy of its data with one damaged file of each kind: it must refuse
// the file with a reason in its log and exit code 1, or carry on without it, and never die of a
// signal or hang.
#include "MenuWalk.h"
#include "ShipFiles.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <random>
#include <regex>
#include <sstream>

namespace fs = std::filesystem;

namespace Tolvarine::Test {
namespace {

// The game's own start-up script, then a stop once it has run: everything the menus' scenario
// reads (ships, stations, weapons, the area, the sounds) has been read by then.
const char* const STOP_LINE = "std::exception caught at top-level: RuntimeError: start-up finished";

void rewrite(const fs::path& file, const std::string& text)
{
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
}

void truncateHalf(const fs::path& file)
{
    const std::string text = readTextFile(file);
    rewrite(file, text.substr(0, text.size() / 2));
}

void garbage(const fs::path& file)
{
    std::mt19937 random(37);
    std::string bytes(700, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random());
    rewrite(file, bytes);
}

// A ship type without a mesh, found as the ship types are read, before any ship pool is filled.
void meshless(const fs::path& file)
{
    rewrite(file, shipText("ghost", {{"poolSize", "1"}},
                           "[Targetable]\nchaseOffset = (0 5 30)\nfixedOffset = (0 1 -4)\n"));
}

// Replaces the whole line of `key` (or drops it with an empty replacement).
void replaceKey(const fs::path& file, const std::string& key, const std::string& line)
{
    rewrite(file, withKeyLine(readTextFile(file), key, line));
}

// The end of the game's log, where its reason for stopping stands.
std::string logTail(const GameProcess& game)
{
    const std::vector<std::string> lines = game.logLines();
    std::string tail;
    for (std::size_t i = lines.size() > 8 ? lines.size() - 8 : 0; i < lines.size(); ++i)
        tail += "\n  " + lines[i];
    return tail;
}

struct Row {
    const char* file;
    std::function<void(const fs::path&)> damage;
    // A log line the game must write, or null when it carries on to the end of its start-up.
    const char* line;
    // The line is written and the game carries on to the end of its start-up all the same.
    bool carriesOn = false;
    // A second line the game must write, or null: where the refused value stands.
    const char* place = nullptr;
};

// The damaged file and every settings file, as the game was given them.
std::map<fs::path, std::string> filesToKeep(const fs::path& folder, const fs::path& damaged)
{
    std::map<fs::path, std::string> files{{damaged, readTextFile(damaged)}};
    for (const fs::directory_entry& entry : fs::directory_iterator(folder / "cfg"))
        if (entry.is_regular_file())
            files.emplace(entry.path(), readTextFile(entry.path()));
    return files;
}

// With `namesFile`, some line of the log must name the damaged file as well. The game never writes
// over the damaged file; with `keepsFiles`, it must leave the settings as they were too.
void runRows(const std::vector<Row>& rows, bool namesFile = false, bool keepsFiles = false)
{
    if (std::system("command -v Xvfb >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs Xvfb";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        GameProcess game;
        std::ofstream(game.folder() / "startup.py", std::ios::app) << "\nraise RuntimeError('start-up finished')\n";
        row.damage(game.folder() / row.file);
        const fs::path damaged = game.folder() / row.file;
        const std::map<fs::path, std::string> kept = filesToKeep(game.folder(), damaged);
        game.start();
        const int exitCode = game.waitForExit(std::chrono::seconds(90));
        for (const auto& [file, text] : kept)
            EXPECT_TRUE((!keepsFiles && file != damaged) || readTextFile(file) == text) << file << " was written over";
        EXPECT_EQ(exitCode, 1) << game.standardError();
        EXPECT_TRUE(game.logHas(row.line ? row.line : STOP_LINE)) << logTail(game);
        EXPECT_TRUE(!row.place || game.logHas(row.place)) << row.place << logTail(game);
        EXPECT_EQ(game.logHas(STOP_LINE), !row.line || row.carriesOn);
        const std::vector<std::string> lines = game.logLines();
        EXPECT_TRUE(!namesFile || std::any_of(lines.begin(), lines.end(), [&row](const std::string& line) {
                        return line.find(row.file) != std::string::npos;
                    }));
        MenuWalk::expectCleanTerminal(game);
    }
}

TEST(DamagedDataGame, ShipsStationsWeaponsAndProjectiles)
{
    runRows({
        {"data/entities/trifighter.ship", [](const fs::path& f) { replaceKey(f, "maxForce", ""); }, "Key not found"},
        {"data/entities/lancer_turret.station", truncateHalf, "Key not found"},
        {"data/entities/plasma_gun.weapon", garbage, "Key not found"},
        {"data/entities/plasma_bolt.fireable", [](const fs::path& f) { replaceKey(f, "poolSize", "poolSize = 100000000"); },
         "Multipool factory: pool size 100000000 of plasma_bolt in data/entities/plasma_bolt.fireable cannot be made: the "
         "machine's memory would run out"},
        {"data/entities/mass_driver_slug.fireable", garbage,
         "ConfigurationError caught at top-level"},
        {"data/entities/ghost.ship", meshless,
         "ShipType ghost: section Display names no mesh, and a ship cannot be built without one"},
    });
}

TEST(DamagedDataGame, ExplosionsDebrisAndSequences)
{
    runRows({
        {"data/explosions/plasma_burst.explosion", truncateHalf, "Key not found"},
        {"data/explosions/debris/hull_fragment.debris", [](const fs::path& f) { replaceKey(f, "minTimeout", "minTimeout = -5"); },
         "ExplosionDebris: type hull_fragment needs 0 <= minTimeout <= maxTimeout, not -5 and 2.6"},
    });
}

TEST(DamagedDataGame, AreasSoundsCurvesAndSettings)
{
    runRows({
        {"data/areas/nebula.area", [](const fs::path& f) { replaceKey(f, "skyboxMaterial", ""); }, "Key not found"},
        {"data/sound/ambient_da.sound", garbage, "Key filename not found in section Sound"},
        {"data/curves.cfg", [](const fs::path& f) { replaceKey(f, "0", "0 = 1e99"); }, nullptr},
        {"cfg/active.keymap",
         [](const fs::path& f) { rewrite(f, "[General]\nmouse_sensitivity = fast\n"); },
         "fast failed lexical cast (bad lexical cast: source type value could not be interpreted "
         "as target)"},
        {"cfg/gameplay.cfg", truncateHalf, nullptr},
    });
}

// Start-up files whose fault would only show in the middle of a game, or never.
TEST(DamagedDataGame, SoundsKeyMapsStartUpScriptAndReticlesAreCheckedAtStartUp)
{
    const auto remove = [](const fs::path& f) { fs::remove(f); };
    runRows({
        {"data/sound/warp_arrival.wav", remove, "Sound definition warp_arrival: its sound data/sound/warp_arrival.wav cannot be loaded"},
        {"cfg/active.keymap", garbage, "Key map cfg/active.keymap binds no input"},
        {"cfg/active.keymap", [](const fs::path& f) { rewrite(f, ""); }, "Key map cfg/active.keymap binds no input"},
        {"cfg/active.keymap", [](const fs::path& f) { rewrite(f, "quit = f10\npause = p\n"); }, "Key map cfg/active.keymap binds no input"},
        {"startup.py", remove, "Script startup.py cannot be opened: the game cannot start without it"},
        {"cfg/active.keymap", [](const fs::path& f) { replaceKey(f, "pause", ""); }, "Key map cfg/active.keymap: pause has no input", true},
        {"data/entities/trifighter.ship", [](const fs::path& f) { replaceKey(f, "weaponOverlay", "weaponOverlay = TrifighterHudd"); },
         "ShipType trifighter: no overlay TrifighterHudd, its reticle is not shown", true},
    });
}

// Every sequence is built whole at start-up, whatever its pool size: a broken one stops the start,
// not a battle. Every reason names its file.
TEST(DamagedDataGame, SequencesAreCheckedAtStartUpAndEachReasonNamesItsFile)
{
    const auto set = [](const char* key, const char* line) { return [=](const fs::path& f) { replaceKey(f, key, line); }; };
    runRows({
        {"data/explosions/kestrel.explosion_sequence", set("number", "number = -1"), "ParticleSprayEvent Event_LeftEngine of "
         "data/explosions/kestrel.explosion_sequence: number -1 is negative"},
        {"data/explosions/trifighter.explosion_sequence", garbage,
         "ShipExplosionSequence: the type file data/explosions/trifighter.explosion_sequence is refused"},
        {"data/explosions/drone.explosion_sequence", set("group", "group = Nowhere"), "ComplexExplosionEvent: there is no explosion group Nowhere"},
        {"data/explosions/bastion.explosion_sequence", set("name", "name = sparkz"), "ParticleSprayEvent: there is no particle spray type sparkz"},
        {"data/entities/kestrel.ship", set("maxForce", "maxForce = lots"), "Config: in data/entities/kestrel.ship, section Thrust, key maxForce"},
        {"data/explosions/plasma_scatter.explosion", set("group", ""),
         "Config: in data/explosions/plasma_scatter.explosion, section Explosion, key group"},
    }, true);
}

// Video options that can neither be restored nor asked for (the game's standard input is no
// terminal): the start fails with code 1, and the line, in the log and on standard error, names
// plugins.cfg when no render system was loaded and ogre.cfg otherwise. Nothing is saved over the file.
TEST(DamagedDataGame, VideoOptionsThatCannotBeRestoredOrAskedForEndWithCode1NamingTheirFile)
{
    if (std::system("command -v Xvfb >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs Xvfb";
    const char* const ogreLine = "The video options in ogre.cfg cannot be restored, and there is no terminal to ask "
                                 "for them: the game cannot start. Run it from a terminal to choose them";
    const char* const pluginsLine = "No render system was loaded from plugins.cfg: the video options can be neither "
                                    "restored nor chosen, and the game cannot start";
    const auto remove = [](const fs::path& f) { fs::remove(f); };
    const Row rows[] = {
        {"ogre.cfg", remove, ogreLine},
        {"ogre.cfg", garbage, ogreLine},
        {"ogre.cfg", [](const fs::path& f) { replaceKey(f, "Render System", "Render System=Direct3D9 Rendering Subsystem"); },
         ogreLine},
        {"ogre.cfg", [](const fs::path& f) { rewrite(f, "Render System=OpenGL Rendering Subsystem\n"
                                                        "[OpenGL Rendering Subsystem]\nNo Such Option=Yes\n"); },
         ogreLine},
        {"plugins.cfg", remove, pluginsLine},
        {"plugins.cfg", [](const fs::path& f) { rewrite(f, std::regex_replace(readTextFile(f), std::regex("Plugin=RenderSystem_GL\n"), "")); },
         pluginsLine},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.file) + ": " + row.line);
        GameProcess game;
        const fs::path file = game.folder() / row.file;
        row.damage(file);
        const bool existed = fs::exists(file);
        const std::string damaged = readTextFile(file);
        game.start();
        EXPECT_EQ(game.waitForExit(std::chrono::seconds(90)), 1) << game.standardError();
        EXPECT_TRUE(game.logHas(row.line)) << logTail(game);
        EXPECT_NE(game.standardError().find(row.line), std::string::npos) << game.standardError();
        EXPECT_EQ(fs::exists(file), existed);
        EXPECT_EQ(readTextFile(file), damaged);
        MenuWalk::expectCleanTerminal(game);
    }
}

// Content that once passed the start-up and ended the game when first used, or ended it naming
// no file of ours: each stops the start with the file that is broken or that names the broken thing.
TEST(DamagedDataGame, AreasMeshesFontsAndTwinsAreRefusedAtStartUpByTheirFile)
{
    const auto set = [](const char* key, const char* line) { return [=](const fs::path& f) { replaceKey(f, key, line); }; };
    // The plain file gone, its twin garbled: the twin is what was read.
    const auto twinOnly = [](const fs::path& twin) {
        fs::remove(fs::path(twin).replace_extension(".ship"));
        garbage(twin);
    };
    runRows({
        {"data/areas/deep_space.area", set("skyboxMaterial", "skyboxMaterial = Tolvarine/NoSuchSky"),
         "Area Deep Space: unknown material Tolvarine/NoSuchSky"},
        {"data/areas/deep_space.area", set("distance", "distance = 0"),
         "Planet IcePlanet: the distance 0 puts the planet at the viewer, where its haze has no size", false,
         "Config: in data/areas/deep_space.area, section IcePlanet, key distance"},
        {"data/entities/plasma_gun.weapon", set("projectile", "projectile = plasma_boltz"),
         "Config: in data/entities/plasma_gun.weapon, section Weapon, key projectile"},
        {"data/entities/trifighter.ship", set("mesh_0", "mesh_0 = trifighterz.mesh"),
         "Config: in data/entities/trifighter.ship, section Display, key mesh_0"},
        {"data/meshes/trifighter.mesh", garbage, "Resource group Core: the mesh file data/meshes/trifighter.mesh is "
         "damaged: it has no mesh header"},
        {"data/meshes/kestrel.mesh", truncateHalf, "Resource group Core: the mesh file data/meshes/kestrel.mesh is "
         "damaged: a chunk at byte 26 runs to byte 17347, but the file ends at byte 8673"},
        {"data/fonts/Tolvarine-10.font", truncateHalf, "Interface: the GUI file data/fonts/Tolvarine-10.font is broken: "
         "XML Parsing error 'unclosed token' at line 2"},
        {"data/entities/kestrel.shipx", twinOnly, "Config: in data/entities/kestrel.shipx, section Ship, key name"},
    }, true);
}

// Numbers that froze a battle without a word (NaN periods stall the scheduler, a NaN force leaves
// ships still), were logged at every shot (a NaN launch speed), killed the process inside the
// physics (a body too light for its damping, which one step of it sends flying), passed the
// start-up in a type whose pool starts empty and ended the game at its first ship, or went to the
// graphics engine, which aborts on an overlay z-order above 650: each is refused at start-up with
// its file, section and key.
TEST(DamagedDataGame, NumbersThePlayCannotUseAreRefusedAtStartUpWithTheirFile)
{
    const auto set = [](std::vector<std::pair<const char*, const char*>> keys) {
        return [=](const fs::path& f) {
            for (const auto& [key, line] : keys)
                replaceKey(f, key, line);
        };
    };
    runRows({
        {"data/entities/plasma_bolt.fireable", set({{"timeToLive", "timeToLive = nan"}}),
         "Config: in data/entities/plasma_bolt.fireable, section Fireable, key timeToLive"},
        {"data/entities/trifighter.ship", set({{"behaviourUpdatePeriod", "behaviourUpdatePeriod = nan"}}),
         "Config: in data/entities/trifighter.ship, section Behaviour, key behaviourUpdatePeriod"},
        {"data/entities/trifighter.ship", set({{"updatePeriod", "updatePeriod = NaN"}}), "Config: in data/entities/trifighter.ship, section Thrust, key updatePeriod"},
        {"data/entities/trifighter.ship", set({{"maxForce", "maxForce = nan"}}), "Config: in data/entities/trifighter.ship, section Thrust, key maxForce"},
        {"data/entities/plasma_gun.weapon", set({{"launchSpeed", "launchSpeed = nan"}}),
         "Config: in data/entities/plasma_gun.weapon, section Weapon, key launchSpeed"},
        {"data/entities/trifighter.ship", set({{"mass", "mass = 0.0001"}, {"massRadius", "massRadius = 0.0001"}}),
         "PhysicsBody: mass 0.0001 in section Physics is too light for velocityDecay 4: it must be at least 0.01 "
         "(velocityDecay times the physics step of 0.005 s, halved)"},
        {"data/entities/drone.ship", set({{"poolSize", "poolSize = 0"}, {"mass", "mass = 0"}}),
         "PhysicsBody: mass in section Physics must be a positive number, not 0"},
        {"cfg/hud.cfg", set({{"zOrder", "zOrder = 651"}}), "Config: in cfg/hud.cfg, section Hud, key zOrder"},
    }, true, true);
}

// Names a type gives that were first looked up at a hit (an explosion group, a spray, a debris
// piece), and keys of types whose objects are first built in battle (the thrust's light and sound,
// an explosion's sound, a missile's engine, a debris piece's mesh, a station's frame, the warp
// arrival's sound): each ended the game in the middle of a battle. Each now stops the start with
// the file, section and key that name it. So does a spray that a breached plating throws.
TEST(DamagedDataGame, NamesAndKeysFirstUsedInBattleAreCheckedAtStartUpWithTheirFile)
{
    const auto set = [](std::vector<std::pair<const char*, const char*>> keys) {
        return [=](const fs::path& f) {
            for (const auto& [key, line] : keys)
                replaceKey(f, key, line);
        };
    };
    // A station type of a capital ship yet to come, whose frame lacks a key.
    const auto spareTurret = [](const fs::path& f) {
        const std::string turret = readTextFile(f.parent_path() / "lancer_turret.station");
        rewrite(f, std::regex_replace(turret, std::regex("chaseOffset[^\n]*\n"), ""));
    };
    const auto renameDebris = [](const fs::path& f) {
        rewrite(f, std::regex_replace(readTextFile(f), std::regex("name = hull_fragment\n"), "name = hull_fragmentz\n"));
    };
    runRows({
        {"data/entities/seeker_missile.fireable", set({{"explosionGroup", "explosionGroup = Nuclear"}}),
         "Config: in data/entities/seeker_missile.fireable, section Fireable, key explosionGroup"},
        {"data/entities/ion_lance.fireable", set({{"explosionGroup", "explosionGroup = Nuclear"}}),
         "Config: in data/entities/ion_lance.fireable, section Fireable, key explosionGroup"},
        {"data/explosions/conventional_shrapnel.explosion", set({{"particleSpray", "particleSpray = smoke_puffz"}}),
         "Config: in data/explosions/conventional_shrapnel.explosion, section Explosion, key particleSpray"},
        {"data/explosions/conventional_shrapnel.explosion", renameDebris,
         "Config: in data/explosions/conventional_shrapnel.explosion, section Explosion_Debris_Hull, key name"},
        {"data/entities/drone.ship", set({{"poolSize", "poolSize = 0"}, {"thrustLightAttenuationLinear", "thrustLightAttenuationLinear = nan"}}),
         "Config: in data/entities/drone.ship, section Thrust, key thrustLightAttenuationLinear"},
        {"data/entities/drone.ship", set({{"poolSize", "poolSize = 0"}, {"mainThrustSound", "mainThrustSound = thrust_nope"}}),
         "Config: in data/entities/drone.ship, section Thrust, key mainThrustSound"},
        {"data/explosions/plasma_scatter.explosion", set({{"poolSize", "poolSize = 0"}, {"name", "name = explosion_nope"}}),
         "Config: in data/explosions/plasma_scatter.explosion, section Sound, key name"},
        {"data/entities/seeker_missile.fireable",
         set({{"poolSize", "poolSize = 0"}, {"mainThrustSound", "mainThrustSound = missile_nope"}}),
         "Config: in data/entities/seeker_missile.fireable, section Thrust, key mainThrustSound"},
        {"data/explosions/debris/hull_fragment.debris", set({{"mesh", "mesh = debris_nope.mesh"}}),
         "Config: in data/explosions/debris/hull_fragment.debris, section Display, key mesh"},
        {"data/entities/spare_turret.station", spareTurret,
         "Config: in data/entities/spare_turret.station, section Targetable, key chaseOffset"},
        {"cfg/warp_arrival.cfg", set({{"name", "name = warp_nope"}}),
         "Config: in cfg/warp_arrival.cfg, section Sound, key name"},
    }, true, true);
    // No file names it: the sequences that threw it throw sparks instead.
    const auto noPlating = [](const fs::path& f) {
        fs::remove(f);
        for (const char* sequence : {"trifighter", "bastion"}) {
            const fs::path file = f.parent_path() / (std::string(sequence) + ".explosion_sequence");
            rewrite(file, std::regex_replace(readTextFile(file), std::regex("name = plating\n"), "name = sparks\n"));
        }
    };
    runRows({{"data/explosions/plating.spray", noPlating,
              "ShipDamageModel: there is no particle spray type plating, which a ship's breached plating throws"}},
            false, true);
    // Names the code gives, where no file does: each passed the start and ended the game when first
    // used (the survival's Start, the exit screen, the play sheet), or ended the start naming none
    // of the game's files (a picture).
    const auto remove = [](const fs::path& f) { fs::remove(f); };
    const auto drop = [](const char* pattern) {
        return [=](const fs::path& f) { rewrite(f, std::regex_replace(readTextFile(f), std::regex(pattern), "")); };
    };
    runRows({
        {"data/sound/ambient_tc.sound", remove,
         "The survival's background needs the sound definition ambient_tc of data/sound/ambient_tc.sound"},
        {"data/gui/TrifighterThumbnail.png", remove,
         "The play menu's Trifighter row needs the image TrifighterThumbnail of data/gui/TrifighterThumbnail.png"},
        {"data/splash/splash.material", drop("material SplashExit\\n(.|\\n)*"),
         "The exit screen needs the material SplashExit of data/splash/splash.material"},
        {"data/scenarios/survival.py", remove,
         "The play menu's Survival needs the scenario Survival of data/scenarios/survival.py"},
        {"data/gui/TaharezLook.scheme", drop("[^\\n]*\"TaharezLook/StaticImage\"[^\\n]*\\n"),
         "The menu system needs the window type TaharezLook/StaticImage of data/gui/TaharezLook.scheme"},
        // The type inside keeps its name, but the tutorial takes its practice ship by file name.
        {"data/entities/trifighter.ship",
         [](const fs::path& f) { fs::rename(f, f.parent_path() / "fighter.ship"); },
         "The tutorial's practice needs the ship type file trifighter of data/entities/trifighter.ship"},
    }, true, true);
}

// Sets `key` of `section` to `value`, adding the key at the end of the section when it is missing.
std::function<void(const fs::path&)> setInSection(const std::string& section, const std::string& key,
                                                  const std::string& value)
{
    return [=](const fs::path& file) {
        std::istringstream lines(readTextFile(file));
        std::string text;
        std::string current;
        bool done = false;
        for (std::string line; std::getline(lines, line);) {
            const bool header = !line.empty() && line.front() == '[';
            if (header && current == section && !done) {
                text += key + " = " + value + "\n";
                done = true;
            }
            if (header)
                current = line.substr(1, line.find(']') - 1);
            if (!header && !done && current == section && std::regex_search(line, std::regex("^" + key + " *="))) {
                line = key + " = " + value;
                done = true;
            }
            text += line + "\n";
        }
        ASSERT_TRUE(done || current == section) << section << " in " << file;
        rewrite(file, done ? text : text + key + " = " + value + "\n");
    };
}

// Replaces the first `text` of the file with `replacement`: a name in one of the rendering engine's
// scripts, which have no sections and keys.
std::function<void(const fs::path&)> replaceFirst(const std::string& text, const std::string& replacement)
{
    return [=](const fs::path& file) {
        std::string content = readTextFile(file);
        const std::size_t at = content.find(text);
        ASSERT_NE(at, std::string::npos) << text << " in " << file;
        rewrite(file, content.replace(at, text.size(), replacement));
    };
}

// A name that the game does not have, given to `key` of `section` of a data file. The start-up
// must refuse it with `reason` and then name the place of the key:
// "Config: in <file>, section <section>, key <key>".
struct UnknownName {
    const char* file;
    const char* section;
    const char* key;
    const char* name;
    const char* reason;
};

void runUnknownNames(const std::vector<UnknownName>& names, std::vector<Row> rows = {})
{
    std::vector<std::string> places;
    places.reserve(names.size());
    for (const UnknownName& name : names) {
        places.push_back(std::string("Config: in ") + name.file + ", section " + name.section + ", key " + name.key);
        rows.push_back({name.file, setInSection(name.section, name.key, name.name), name.reason, false,
                        places.back().c_str()});
    }
    runRows(rows, true, true);
}

// A ship's or station's unknown weapon, station type, role, mesh, effect or sound stops the start
// with the ship or station file, section and key that name it.
TEST(DamagedDataGame, UnknownNamesInShipAndStationFilesAreRefusedWithTheirPlace)
{
    const char* const ship = "data/entities/trifighter.ship";
    const char* const capital = "data/entities/bastion.ship";
    const char* const station = "data/entities/lancer_turret.station";
    runUnknownNames({
        {ship, "Ship", "explosionGroup", "trifighterz",
         "Ship type trifighter names the explosion sequence trifighterz, which does not exist"},
        {ship, "Ship", "role", "fighterz", "Ship type trifighter has unknown role: fighterz"},
        {ship, "Thrust", "engineParticleSystem", "Engine/Trifighterz", "Thrust: unknown particle template Engine/Trifighterz"},
        {ship, "Thrust", "auxiliaryThrustSound", "thrust_auxiliaryz", "Could not get sound config thrust_auxiliaryz"},
        {ship, "Thrust", "glowMaterial", "Ship/EngineGlowz", "Thrust: unknown material Ship/EngineGlowz"},
        {ship, "Collision_Geometry_Hull", "mesh", "trifighter_collisionz.mesh",
         "CollisionMeshCache: the mesh trifighter_collisionz.mesh could not be loaded: Cannot locate resource "
         "trifighter_collisionz.mesh in resource group OgreAutodetect."},
        {ship, "Gun_Port", "type", "plasma_gunz", "data/entities/plasma_gunz.weapon does not exist"},
        {capital, "Defense_Bow", "type", "point_defensez", "data/entities/point_defensez.weapon does not exist"},
        {capital, "Turret_Station_DorsalFore", "type", "lancer_turretz", "There is no capital-ship-station type lancer_turretz"},
        {station, "Display", "mesh_0", "lancer_turretz.mesh",
         "DynamicCollidable of data/entities/lancer_turret.station: the mesh lancer_turretz.mesh could not be loaded: "
         "Cannot locate resource lancer_turretz.mesh in resource group Core."},
        {station, "Collision_Geometry_Housing", "mesh", "lancer_turret_collisionz.mesh",
         "CollisionMeshCache: the mesh lancer_turret_collisionz.mesh could not be loaded: Cannot locate resource "
         "lancer_turret_collisionz.mesh in resource group OgreAutodetect."},
        {station, "Barrel_Port", "type", "plasma_gunz", "data/entities/plasma_gunz.weapon does not exist"},
    }, {
        // A weapon entry that names no section of the file: the place is the section it names.
        // Ship files are read enciphered, so the reader's own line keeps the names out.
        {ship, setInSection("WeaponSystem_Primary", "weapon_0", "Gun_Portz"), "Key not found", false,
         "Config: in data/entities/trifighter.ship, section Gun_Portz, key type"},
    });
}

TEST(DamagedDataGame, UnknownNamesInWeaponAndProjectileFilesAreRefusedWithTheirPlace)
{
    const char* const gun = "data/entities/plasma_gun.weapon";
    const char* const bolt = "data/entities/plasma_bolt.fireable";
    const char* const missile = "data/entities/seeker_missile.fireable";
    const char* const torpedo = "data/entities/plasma_torpedo.fireable";
    runUnknownNames({
        {"data/entities/missile_launcher.weapon", "Weapon", "projectile", "seeker_missilez",
         "There is no projectile type seeker_missilez"},
        {gun, "Weapon", "fireSound", "plasma_gun_firez", "Could not get sound config plasma_gun_firez"},
        {gun, "Glow", "materialName", "Weapon/MuzzleGlowz", "ModulatedBillboard: unknown material Weapon/MuzzleGlowz in section Glow"},
        {gun, "Glow", "sizeCurveName", "Glow Swellz", "Unknown ResponseCurve: Glow Swellz"},
        {gun, "Glow", "colourCurveName", "Glow Fadez", "Unknown ResponseCurve: Glow Fadez"},
        {bolt, "Fireable", "explosionGroup", "Plasmaz", "data/entities/plasma_bolt.fireable: there is no explosion group Plasmaz"},
        {bolt, "Fireable", "billboardMaterial", "Projectile/PlasmaBoltz",
         "Projectile type plasma_bolt: unknown material Projectile/PlasmaBoltz"},
        {missile, "Display", "mesh", "missilez.mesh",
         "DynamicCollidable of data/entities/seeker_missile.fireable: the mesh missilez.mesh could not be loaded: "
         "Cannot locate resource missilez.mesh in resource group OgreAutodetect."},
        {missile, "Thrust", "engineParticleSystem", "Engine/Missilez", "MissileThrust: unknown particle template Engine/Missilez"},
        {missile, "Thrust", "glowMaterial", "Projectile/MissileGlowz", "MissileThrust: unknown material Projectile/MissileGlowz"},
        {"data/entities/ion_lance.fireable", "Fireable", "materialName", "Weapon/Beamz",
         "Projectile type ion_lance: unknown material Weapon/Beamz"},
        {torpedo, "Fireable", "glowMaterial", "Projectile/TorpedoGlowz",
         "Projectile type plasma_torpedo: unknown material Projectile/TorpedoGlowz"},
        {torpedo, "Fireable", "particleSystem", "Projectile/TorpedoTrailz",
         "Projectile type plasma_torpedo: no particle system of the template Projectile/TorpedoTrailz: the template is "
         "not defined"},
    });
}

TEST(DamagedDataGame, UnknownNamesInExplosionFilesAreRefusedWithTheirPlace)
{
    const char* const blast = "data/explosions/conventional_blast.explosion";
    const char* const sequence = "data/explosions/kestrel.explosion_sequence";
    const char* const spray = "data/explosions/sparks.spray";
    const char* const debris = "data/explosions/debris/hull_fragment.debris";
    runUnknownNames({
        {blast, "Explosion", "particleSpray", "fireballz",
         "data/explosions/conventional_blast.explosion: there is no particle spray type fireballz"},
        {blast, "Animation", "materialName", "Explosion/ConventionalFlashz",
         "Explosion type conventional_blast: unknown material Explosion/ConventionalFlashz"},
        {blast, "Glow", "materialName", "Explosion/Glowz", "Explosion type conventional_blast: unknown material Explosion/Glowz"},
        {blast, "Glow", "sizeCurveName", "Glow Swellz", "Unknown ResponseCurve: Glow Swellz"},
        {blast, "Glow", "colourCurveName", "Glow Fadez", "Unknown ResponseCurve: Glow Fadez"},
        {blast, "Sound", "name", "explosion_conventionalz", "Could not get sound config explosion_conventionalz"},
        {"data/explosions/conventional_shrapnel.explosion", "Explosion_Debris_Spark", "name", "spark_fragmentz",
         "data/explosions/conventional_shrapnel.explosion: there is no debris type spark_fragmentz"},
        {sequence, "Event_LeftEngine", "name", "sparkz", "ParticleSprayEvent: there is no particle spray type sparkz"},
        {sequence, "Event_Burst", "group", "Plasmaz", "ComplexExplosionEvent: there is no explosion group Plasmaz"},
        {sequence, "Event_Jolt", "camera", "Chasez", "Unknown camera type in CameraEvent: Event_Jolt"},
        {sequence, "Event_Jolt", "type", "Cameraz", "Unknown ShipExplosionEvent type: Cameraz"},
        {spray, "ParticleSpray", "systemName", "Spray/Sparksz", "ParticleSpray: unknown particle template Spray/Sparksz of type sparks"},
        {spray, "ParticleSpray", "rateCurveName", "Spray Burstz", "Unknown ResponseCurve: Spray Burstz"},
        {debris, "ExplosionDebris", "fireParticleSystem", "Debris/FireTrailz",
         "ExplosionDebris: type hull_fragment names the unknown particle template Debris/FireTrailz"},
        {debris, "ExplosionDebris", "explosionGroup", "Debrisz",
         "ExplosionDebris: type hull_fragment explodes into the unknown explosion group Debrisz"},
    });
}

// Sounds and areas name their key; the rendering engine's scripts, which have none, name the
// script that holds the name (a texture, the script of every material that names it).
TEST(DamagedDataGame, UnknownNamesInSoundAreaAndResourceFilesAreRefusedWithTheirPlace)
{
    runUnknownNames(
        {
            {"data/sound/thrust_main.sound", "Sound", "filename", "thrust_mainz.wav",
             "Sound definition thrust_main: its sound data/sound/thrust_mainz.wav cannot be loaded"},
            {"data/areas/nebula.area", "Area", "skyboxMaterial", "Tolvarine/NebulaSkyz", "Area Nebula: unknown material Tolvarine/NebulaSkyz"},
            {"data/areas/cinder_reach.area", "RockPlanet", "material", "Planet/Rockz", "Planet RockPlanet: unknown material Planet/Rockz"},
        },
        {
            {"data/materials/effects.material", replaceFirst("texture spark.png", "texture sparkz.png"),
             "Resource group Core: the Texture sparkz.png could not be loaded: Cannot locate resource sparkz.png in "
             "resource group Core.",
             false, "Resource group Core: the material Spray/Spark of data/materials/effects.material names the texture sparkz.png"},
            {"data/materials/explosions.material", replaceFirst("plasma_flash_3.png", "plasma_flash_z.png"),
             "Resource group Core: the Texture plasma_flash_z.png could not be loaded: Cannot locate resource "
             "plasma_flash_z.png in resource group Core.",
             false, "Resource group Core: the material Explosion/PlasmaFlash of data/materials/explosions.material names the "
             "texture plasma_flash_z.png"},
            {"data/overlays/hud.overlay", replaceFirst("material Hud/ReticlePrimary", "material Hud/ReticlePrimaryz"),
             "Resource group Core: the script data/overlays/hud.overlay could not be read: Could not find material "
             "Hud/ReticlePrimaryz"},
            {"data/overlays/target_readout.overlay", replaceFirst("font_name Hud/Font", "font_name Hud/Fontz"),
             "Resource group Core: the script data/overlays/target_readout.overlay could not be read: Could not find font "
             "Hud/Fontz"},
            {"data/overlays/hud.fontdef", replaceFirst("source DejaVuSans.ttf", "source DejaVuSansz.ttf"),
             "Resource group Core: the Font Hud/Font of data/overlays/hud.fontdef could not be loaded: Cannot locate "
             "resource DejaVuSansz.ttf in resource group Core."},
        });
}

// A value that the start-up once refused and that plays without fault, in one shipped file.
struct PlayableValue {
    const char* name;
    const char* file;
    std::function<void(const fs::path&)> change;
    // A line the game must write, or null.
    const char* line = nullptr;
    // The pattern of a line the game must write (a regular expression), or null.
    const char* linePattern = nullptr;
};

void PrintTo(const PlayableValue& value, std::ostream* out)
{
    *out << value.file;
}

// The warp arrival's `section` of no duration, and three arrivals of enemy fighters beside the
// fight, which land within its first two seconds.
std::function<void(const fs::path&)> arrivingWithNoDuration(const char* section)
{
    return [section](const fs::path& file) {
        setInSection(section, "duration", "0")(file);
        std::ofstream(file.parent_path().parent_path() / "startup.py", std::ios::app)
            << "for x in (-60, 0, 60):\n"
               "    WarpArrival.create(\"trifighter\", enemy, Vector3(x, 60, -320), Quaternion())\n";
    };
}

// The key of section "Physics" set in every explosion type beside the row's file.
std::function<void(const fs::path&)> everyExplosion(const std::string& key, const std::string& value)
{
    return [=](const fs::path& file) {
        for (const fs::directory_entry& entry : fs::directory_iterator(file.parent_path())) {
            if (entry.path().extension() == ".explosion")
                setInSection("Physics", key, value)(entry.path());
        }
    };
}

// A period of 0 or below runs its task at every pass of the scheduler, a force or torque of 0
// neither pushes nor turns, a time to live of 0 ends a shot at once (a beam strikes first), load
// periods, fire delays and launch speeds below 0 reload at once, fire at once and fire backwards,
// a body lighter than 0.01 flies as any other, a damping that overshoots in one step still dies
// away, and of two ship files that give one name the first keeps it. A planet's haze radius below
// 0 puts its disc beyond the planet, a spin axis of (0 0 0) leaves it unturned, a turret whose
// engagement range is 0 or below engages nothing, and a flash of no duration shows its last frame
// at once, as a glow or flash of no duration (an explosion's, the warp arrival's) shows its curves'
// ends. A collision geometry section of an unknown type is skipped, and a ship's death may fire
// 3,000 sprays in one event, or 100,000, of which those that fit under the bound of sprays in play
// start. A blast whose damage, impulse, trigger time or radius is below 0 mends, pulls in, goes off
// at once or reaches nothing. Each was refused by the start-up; each plays without a crash, an abort, a NaN, a leak or
// a frozen battle. A push or a launch that throws bodies beyond the physics' reach, or overflows to no number, and a
// death's effects placed beyond it, take them out of play with a line (written once their owners took them out);
// before, each aborted the game.
std::vector<PlayableValue> playableValues()
{
    return {
        {"ThrustPeriod0", "data/entities/drone.ship", setInSection("Thrust", "updatePeriod", "0")},
        {"AiPeriod0", "data/entities/kestrel.ship", setInSection("Behaviour", "behaviourUpdatePeriod", "0")},
        {"FirePeriod0", "data/entities/drone.ship", setInSection("WeaponSystem_Primary", "firePeriod", "0")},
        {"PointDefencePeriod0", "data/entities/bastion.ship", setInSection("WeaponSystem_PointDefense", "updatePeriod", "0")},
        {"TurretPeriod0", "data/entities/lancer_turret.station", setInSection("Behaviour", "targetUpdatePeriod", "0")},
        {"ShipForce0", "data/entities/kestrel.ship", setInSection("Thrust", "maxForce", "0")},
        {"TurretTorque0", "data/entities/lancer_turret.station", setInSection("Physics", "maxTorque", "0")},
        {"ShotLife0", "data/entities/plasma_bolt.fireable", setInSection("Fireable", "timeToLive", "0")},
        {"BeamLife0", "data/entities/ion_lance.fireable", setInSection("Fireable", "timeToLive", "0")},
        {"BeamPeriod0", "data/entities/ion_lance.fireable", setInSection("Fireable", "updatePeriod", "0")},
        {"MissileForce0", "data/entities/seeker_missile.fireable", setInSection("Thrust", "maxForce", "0")},
        {"LoadPeriodBelow0", "data/entities/plasma_gun.weapon", setInSection("Weapon", "loadPeriod", "-1")},
        {"FireDelayBelow0", "data/entities/mass_driver.weapon", setInSection("Weapon", "fireDelay", "-0.5")},
        {"LaunchSpeedBelow0", "data/entities/plasma_gun.weapon", setInSection("Weapon", "launchSpeed", "-400")},
        {"LightBody", "data/entities/ion_lance.fireable", setInSection("Physics", "mass", "0.005")},
        // One step of damping takes one and a half times the fighter's velocity away.
        {"OvershootingDamping", "data/entities/kestrel.ship", setInSection("Physics", "velocityDecay", "2400")},
        {"TurningDampingBelow0", "data/entities/kestrel.ship", setInSection("Physics", "rotationDecay", "-110")},
        {"PlanetRadiusBelow0", "data/areas/nebula.area", setInSection("GasPlanet", "radius", "-1800")},
        {"PlanetHazeBelow0", "data/areas/nebula.area", setInSection("GasPlanet", "hazeProportion", "-0.5")},
        {"PlanetSpinAxis0", "data/areas/nebula.area", setInSection("GasPlanet", "spinAxis", "(0 0 0)")},
        {"TurretRange0", "data/entities/lancer_turret.station", setInSection("Behaviour", "engagementRange", "0")},
        {"TurretRangeBelow0", "data/entities/lancer_turret.station", setInSection("Behaviour", "engagementRange", "-900")},
        {"FlashDuration0", "data/explosions/plasma_burst.explosion", setInSection("Animation", "duration", "0")},
        {"GlowDuration0", "data/explosions/plasma_burst.explosion", setInSection("Glow", "duration", "0")},
        {"WarpGlowDuration0", "cfg/warp_arrival.cfg", arrivingWithNoDuration("Glow")},
        {"WarpFlashDuration0", "cfg/warp_arrival.cfg", arrivingWithNoDuration("Flash")},
        {"RepeatedShipName", "data/entities/trifighter2.ship",
         [](const fs::path& f) { fs::copy_file(f.parent_path() / "trifighter.ship", f); },
         "ShipType: data/entities/trifighter2.ship repeats the ship type name trifighter of "
         "data/entities/trifighter.ship; the first file keeps it"},
        // The shot's, the drones' and the debris pieces' only geometry: shots pass through them.
        {"UnknownGeometryOfAShot", "data/entities/plasma_bolt.fireable", setInSection("Collision_Geometry", "type", "capsule")},
        {"UnknownGeometryOfAShip", "data/entities/drone.ship",
         [](const fs::path& f) { rewrite(f, std::regex_replace(readTextFile(f), std::regex("type = (box|sphere|trimesh)\n"), "type = capsule\n")); }},
        {"UnknownGeometryOfDebris", "data/explosions/debris/hull_fragment.debris", setInSection("Collision_Geometry", "type", "trimeshh")},
        {"SprayCount3000", "data/explosions/bastion.explosion_sequence", setInSection("Event_BowSparks", "number", "3000")},
        {"SprayCount100000", "data/explosions/bastion.explosion_sequence", setInSection("Event_BowSparks", "number", "100000")},
        // The blast of the destroyed ship's sequence and of the drones' missiles.
        {"BlastDamageAndImpulseBelow0", "data/explosions/conventional_blast.explosion",
         [](const fs::path& f) {
             setInSection("Physics", "maxDamage", "-5")(f);
             setInSection("Physics", "explosionImpulse", "-450")(f);
         }},
        {"BlastTriggerTimeAndRadiusBelow0", "data/explosions/conventional_blast.explosion",
         [](const fs::path& f) {
             setInSection("Physics", "triggerTime", "-1")(f);
             setInSection("Physics", "explosionRadius", "-30")(f);
         }},
        // Bodies thrown beyond the physics' reach, or by a push that overflows to no number, leave
        // play; before, the collision library aborted the game. Every explosion type pushes so, so
        // that the shots' hits on the drones throw bodies in every run, whichever blasts the draws
        // of the groups pick.
        {"BlastThrowsFar", "data/explosions/conventional_blast.explosion", everyExplosion("explosionImpulse", "1e12"),
         nullptr, "PhysicsEngine: .* is taken out of play: its steps would carry it to .*"},
        {"BlastPushOverflows", "data/explosions/conventional_blast.explosion", everyExplosion("explosionImpulse", "-3e38"),
         nullptr,
         "PhysicsEngine: .* is taken out of play: its place, its motion or a push on it is no finite number, where the "
         "physics cannot follow it"},
        {"ShotsLaunchedFar", "data/entities/plasma_gun.weapon", setInSection("Weapon", "launchSpeed", "1e12"), nullptr,
         "PhysicsEngine: Fireable[0-9]+ of data/entities/plasma_bolt.fireable is taken out of play: its steps would carry it to .*"},
        // The destroyed Bastion's sprays and blasts placed near the float limit: the renderer
        // aborted on the bounds of their particle systems at the next frame, before the physics
        // took their bodies out.
        {"EffectsPlacedFar", "data/explosions/bastion.explosion_sequence",
         [](const fs::path& f) { rewrite(f, std::regex_replace(readTextFile(f), std::regex("offset = .*"), "offset = (0 3e38 0)")); },
         nullptr, "PhysicsEngine: .* is taken out of play: it was placed at .*"},
    };
}

// Run at the end of the start-up over the menus' scenario, which has every ship, station, weapon
// and projectile type but drones in play: the game unpaused and the player's ships flown by their
// AI, two drones close to the player's wing so that every weapon fires at once, and an enemy ship
// destroyed, whose explosion sequence plays its blasts and debris. Then six seconds of game time.
const char* const FIGHT = R"(
Interface.getSingleton().setMode(InterfaceMode.NORMAL, False)
scenario = ScenarioManager.getSingleton().getCurrentScenario()
for ship in scenario.getFaction("Player").getShipList():
    ship.setFocus(False)
enemy = scenario.getFaction("Enemy")
Ship.spawnFleet({"drone": 2}, enemy, Vector3(-20, 0, -260), Quaternion(0.7071068, 0.0, 0.7071068, 0.0))
class Fight:
    runs = 0
    def step(self, elapsed):
        Fight.runs += 1
        if Fight.runs == 5:
            list(enemy.getShipList())[0].destroy()
        if Fight.runs == 60:
            open("flown.txt", "w").write("flown")
        return Fight.runs < 60
fight = Fight()
fightTask = createTask(fight.step, "Fight", 0.1, 0.0)
fightTask.subscribe(True)
)";

class PlayableDataGame : public testing::TestWithParam<PlayableValue> {};

TEST_P(PlayableDataGame, StartsFliesAFightAndQuitsWithCode0)
{
    if (!MenuWalk::hasXTools())
        GTEST_SKIP() << "needs Xvfb and xdotool";
    const PlayableValue& row = GetParam();
    GameProcess game;
    std::ofstream(game.folder() / "startup.py", std::ios::app) << FIGHT;
    row.change(game.folder() / row.file);
    game.start();
    bool flown = false;
    for (int second = 0; second < 120 && !flown && game.isRunning(); ++second)
        flown = waitForTextInFile(game.folder() / "flown.txt", "flown", std::chrono::seconds(1));
    ASSERT_TRUE(flown && game.isRunning()) << logTail(game) << "\n" << game.standardError();
    EXPECT_EQ(game.quitWithKeys("Startup"), 0) << game.standardError();
    for (const std::string& line : MenuWalk::errorLines(game))
        ADD_FAILURE() << "error line: " << line;
    EXPECT_EQ(game.standardError().find("ODE "), std::string::npos) << game.standardError();
    EXPECT_TRUE(!row.line || game.logHas(row.line)) << row.line;
    if (row.linePattern) {
        const std::vector<std::string> lines = game.logLines();
        const std::regex pattern(row.linePattern);
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& line) { return std::regex_match(line, pattern); }))
            << row.linePattern << "\n" << logTail(game);
    }
}

INSTANTIATE_TEST_SUITE_P(OneFileChanged, PlayableDataGame, testing::ValuesIn(playableValues()),
                         [](const testing::TestParamInfo<PlayableValue>& info) { return std::string(info.param.name); });

// Replaces the first `from` in the file with `to`.
std::function<void(const fs::path&)> replaceText(const std::string& from, const std::string& to)
{
    return [=](const fs::path& file) {
        std::string text = readTextFile(file);
        const std::size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from << " in " << file;
        rewrite(file, text.replace(at, from.size(), to));
    };
}

// Every name the settings give (a sound, material, overlay, scheme or font) is looked up at
// start-up, and an unknown one stops the start with the file and key that give it. The ambient
// foregrounds were first played when the scenario or the menus' Tutorial and Play buttons set the
// ambient mode, which ended the game there.
TEST(DamagedDataGame, UnknownNamesInSettingsOfSoundStopTheStartWithTheirKey)
{
    runRows({
        {"cfg/sound.cfg", setInSection("Ambient", "commandForeground", "ambient_commnd"),
         "Config: in cfg/sound.cfg, section Ambient, key commandForeground"},
        {"cfg/sound.cfg", setInSection("Ambient", "spaceForeground", "ambient_spac"),
         "Config: in cfg/sound.cfg, section Ambient, key spaceForeground"},
        {"cfg/sound.cfg", setInSection("General", "soundPath", "data/soundz"),
         "Config: in cfg/sound.cfg, section General, key soundPath"},
        {"cfg/sound.cfg", setInSection("General", "soundPath", "data"),
         "SoundManager: the sound folder data holds none of the files the sound definitions name", false,
         "Config: in cfg/sound.cfg, section General, key soundPath"},
    }, true, true);
}

// The GUI's scheme and font, and the files the scheme names: each ended the start with the
// rendering engine's exception alone, naming none of the game's files.
TEST(DamagedDataGame, UnknownNamesInSettingsOfTheGuiAndInItsFilesStopTheStartWithTheirFile)
{
    runRows({
        {"cfg/interface.cfg", setInSection("GUI", "scheme", "TaharezLookz"),
         "Config: in cfg/interface.cfg, section GUI, key scheme"},
        {"cfg/interface.cfg", setInSection("GUI", "font", "Tolvarine-11"),
         "Config: in cfg/interface.cfg, section GUI, key font"},
        {"data/gui/TaharezLook.scheme", replaceText("TaharezLook.imageset", "TaharezLookz.imageset"),
         "Interface: the GUI file data/gui/TaharezLook.scheme is broken: Cannot locate resource "
         "TaharezLookz.imageset in resource group General."},
        {"data/gui/TaharezLook.scheme", replaceText("Tolvarine-10.font", "Tolvarine-11.font"),
         "Interface: the GUI file data/gui/TaharezLook.scheme is broken: Cannot locate resource "
         "Tolvarine-11.font in resource group General."},
        {"data/gui/TaharezLook.scheme", replaceText("TaharezLook.looknfeel", "TaharezLookz.looknfeel"),
         "Interface: the GUI file data/gui/TaharezLook.scheme is broken: Cannot locate resource "
         "TaharezLookz.looknfeel in resource group General."},
        {"data/fonts/Tolvarine-10.font", replaceText("DejaVuSans.ttf", "DejaVuSansz.ttf"),
         "Interface: the GUI file data/fonts/Tolvarine-10.font is broken: Cannot locate resource "
         "DejaVuSansz.ttf in resource group General."},
    }, true, true);
}

// The heads-up display's materials and the formation's icons. An unknown input name in the key map
// is the one name of the settings that is played without: its command stays unbound, with a line.
TEST(DamagedDataGame, UnknownNamesInSettingsOfTheDisplayAndTheFormationStopTheStartWithTheirKey)
{
    runRows({
        {"cfg/hud.cfg", setInSection("Hud", "frameMaterial", "Hud/Framez"), "Config: in cfg/hud.cfg, section Hud, key frameMaterial"},
        {"cfg/hud.cfg", setInSection("Hud", "targetWireframeMaterial", "Hud/Wirez"),
         "Config: in cfg/hud.cfg, section Hud, key targetWireframeMaterial"},
        {"cfg/formation.cfg", setInSection("Formation", "freeIconOverlay", "FormationFreeIconz"),
         "Config: in cfg/formation.cfg, section Formation, key freeIconOverlay"},
        {"cfg/formation.cfg", setInSection("Formation", "slavedIconOverlay", "FormationSlavedIconz"),
         "Config: in cfg/formation.cfg, section Formation, key slavedIconOverlay"},
        {"cfg/active.keymap", setInSection("Mapping", "pause", "pz"), "Key map cfg/active.keymap: pause has no input", true},
    }, true, true);
}

// The warp arrival is first built at the first arrival, in battle; its materials and curves are
// looked up at start-up.
TEST(DamagedDataGame, UnknownNamesInSettingsOfTheWarpArrivalStopTheStartWithTheirKey)
{
    runRows({
        {"cfg/warp_arrival.cfg", setInSection("Glow", "materialName", "Warp/Glowz"),
         "Config: in cfg/warp_arrival.cfg, section Glow, key materialName"},
        {"cfg/warp_arrival.cfg", setInSection("Glow", "sizeCurveName", "Glow Swellz"),
         "Config: in cfg/warp_arrival.cfg, section Glow, key sizeCurveName"},
        {"cfg/warp_arrival.cfg", setInSection("Glow", "colourCurveName", "Warp Pulsez"),
         "Config: in cfg/warp_arrival.cfg, section Glow, key colourCurveName"},
        {"cfg/warp_arrival.cfg", setInSection("Flash", "materialName", "Warp/Flashz"),
         "Config: in cfg/warp_arrival.cfg, section Flash, key materialName"},
        {"cfg/warp_arrival.cfg", setInSection("Flash", "sizeCurveName", "Glow Swellz"),
         "Config: in cfg/warp_arrival.cfg, section Flash, key sizeCurveName"},
        {"cfg/warp_arrival.cfg", setInSection("Flash", "colourCurveName", "Glow Fadez"),
         "Config: in cfg/warp_arrival.cfg, section Flash, key colourCurveName"},
    }, true, true);
}

} // namespace
} // namespace Tolvarine::Test
