#include "DataFuzzTargets.h"

#include "AreaManager.h"
#include "CapitalShipStation.h"
#include "Config.h"
#include "ConfigurationError.h"
#include "EncipheredTwin.h"
#include "ExplosionDebris.h"
#include "ExplosionManager.h"
#include "FireableProjectile.h"
#include "InputHandler.h"
#include "MultiPoolFactory.h"
#include "ResponseCurves.h"
#include "ShipExplosionSequence.h"
#include "ShipType.h"
#include "SoundManager.h"
#include "Weapon.h"

#include <OgreColourValue.h>
#include <OgreLogManager.h>
#include <OgreRoot.h>
#include <OgreVector.h>

#include <boost/lexical_cast.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <unistd.h>

namespace fs = std::filesystem;

namespace Tolvarine::Fuzz {
namespace {

// Every reader gets its input in this folder of the scratch working folder, emptied before each
// input, so that nothing (not even a twin written beside a plain file) outlives one input.
const char* const INPUT_FOLDER = "in";

void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz target broke a promise: %s\n", what);
        std::abort();
    }
}

std::string freshInput(const std::string& leaf, const std::uint8_t* data, std::size_t size)
{
    std::error_code ignored;
    fs::remove_all(INPUT_FOLDER, ignored);
    fs::create_directories(INPUT_FOLDER);
    const std::string path = std::string(INPUT_FOLDER) + "/" + leaf;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path;
}

// Runs one read as the game would meet it: the refusals the game handles are part of the game.
template <typename Read>
void refusable(Read&& read)
{
    try {
        read();
    } catch (const ConfigurationError&) {
    } catch (const boost::bad_lexical_cast&) {
    }
}

bool allFinite(std::initializer_list<float> numbers)
{
    return std::all_of(numbers.begin(), numbers.end(), [](float n) { return std::isfinite(n); });
}

// Every key read as every type the game's readers ask for. Every number that is read is finite.
void readEverything(const Config& config)
{
    for (const std::string& section : config.getSectionNames()) {
        require(config.hasSection(section), "a listed section exists");
        for (const std::string& key : config.getKeys(section)) {
            config.getValue(section, key);
            refusable([&] { require(allFinite({config.get<float>(section, key)}), "a float read is finite"); });
            refusable([&] { config.get<int>(section, key); });
            refusable([&] { config.get<unsigned int>(section, key); });
            refusable([&] { config.get<unsigned short>(section, key); });
            refusable([&] { config.get<bool>(section, key); });
            refusable([&] {
                const Ogre::Vector3 v = config.get<Ogre::Vector3>(section, key);
                require(allFinite({v.x, v.y, v.z}), "a vector read is finite");
            });
            refusable([&] {
                const Ogre::ColourValue c = config.get<Ogre::ColourValue>(section, key);
                require(allFinite({c.r, c.g, c.b, c.a}), "a colour read is finite");
            });
        }
    }
}

// Hands the bytes to `load` twice: as the plain file `leaf`, then as its enciphered twin alone.
template <typename Load>
void asPlainAndTwin(const std::string& leaf, const std::uint8_t* data, std::size_t size, Load&& load)
{
    load(freshInput(leaf, data, size));
    const std::string twin = freshInput(leaf + "x", data, size);
    load(twin.substr(0, twin.size() - 1));
}

// A pool the loader fills at once builds its objects in a running game (a scene, the physics,
// the sound); here the loader runs only for inputs whose pools start empty.
bool fillsPoolAtLoad(const std::string& path)
{
    int poolSize = 0;
    refusable([&] { poolSize = Config(path, false, true).get<int>("Factory", "poolSize", 0); });
    return poolSize > 0;
}

// Runs the loader on the input, or only reads it through when its pool would be filled at once.
template <typename Load>
void loadUnlessItFillsAPool(const std::string& path, Load load)
{
    refusable([&] {
        if (fillsPoolAtLoad(path))
            readEverything(Config(path, false, true));
        else
            load();
    });
}

void runConfig(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string plain = freshInput("fuzz.cfg", data, size);
    refusable([&] {
        const Config config(plain, false, size % 2 == 0);
        readEverything(config);
        config.save(std::string(INPUT_FOLDER) + "/saved.cfg");
        readEverything(Config(std::string(INPUT_FOLDER) + "/saved.cfg"));
    });
    const std::string twin = freshInput("fuzz.cfgx", data, size);
    const std::string deciphered = decipherFromFile(twin);
    require(deciphered.find('\0') == std::string::npos, "deciphered text ends at its first zero byte");
    require(deciphered.size() <= std::max<std::size_t>(8, text.size() + 3), "deciphered text is no longer than the twin");
    refusable([&] { readEverything(Config(plain)); });
}

void runKeymap(const std::uint8_t* data, std::size_t size)
{
    const std::string path = freshInput("fuzz.keymap", data, size);
    refusable([&] { InputHandler::getSingleton().loadKeymap(path); });
}

void runShip(const std::uint8_t* data, std::size_t size)
{
    asPlainAndTwin("fuzz.ship", data, size, [](const std::string&) {
        ShipType::unloadAll();
        refusable([] { ShipType::loadAll(INPUT_FOLDER); });
    });
    ShipType::unloadAll();
}

void runStation(const std::uint8_t* data, std::size_t size)
{
    asPlainAndTwin("fuzz.station", data, size, [](const std::string&) {
        CapitalShipStation::unloadTypes();
        refusable([] {
            CapitalShipStation::loadTypes(INPUT_FOLDER);
            readEverything(CapitalShipStation::getType("fuzz"));
        });
    });
    CapitalShipStation::unloadTypes();
}

void runFireable(const std::uint8_t* data, std::size_t size)
{
    asPlainAndTwin("fuzz.fireable", data, size, [](const std::string& path) {
        FireableProjectile::unloadTypes();
        loadUnlessItFillsAPool(path, [] { FireableProjectile::loadTypes(INPUT_FOLDER); });
    });
    FireableProjectile::unloadTypes();
}

void runWeapon(const std::uint8_t* data, std::size_t size)
{
    Weapon::setTypeFolder(INPUT_FOLDER);
    asPlainAndTwin("fuzz.weapon", data, size, [](const std::string&) {
        Weapon::forgetTypes();
        refusable([] { readEverything(*Weapon::load("fuzz")); });
    });
    Weapon::forgetTypes();
}

void runExplosion(const std::uint8_t* data, std::size_t size)
{
    asPlainAndTwin("fuzz.explosion", data, size, [](const std::string& path) {
        loadUnlessItFillsAPool(path, [] { ExplosionManager manager(INPUT_FOLDER); });
    });
}

void runDebris(const std::uint8_t* data, std::size_t size)
{
    asPlainAndTwin("fuzz.debris", data, size, [](const std::string&) {
        ExplosionDebris::unloadTypes();
        refusable([] { ExplosionDebris::loadTypes(INPUT_FOLDER); });
    });
    ExplosionDebris::unloadTypes();
}

void runExplosionSequence(const std::uint8_t* data, std::size_t size)
{
    asPlainAndTwin("fuzz.explosion_sequence", data, size, [](const std::string& path) {
        ShipExplosionSequence::unloadTypes();
        loadUnlessItFillsAPool(path, [] { ShipExplosionSequence::loadTypes(INPUT_FOLDER); });
        // The loader's check alone, which builds every event also where the pool would be filled.
        refusable([&path] {
            Config config(path, false, true);
            ShipExplosionSequence::checkType(config);
        });
    });
    ShipExplosionSequence::unloadTypes();
}

void runArea(const std::uint8_t* data, std::size_t size)
{
    asPlainAndTwin("fuzz.area", data, size, [](const std::string&) {
        refusable([] { AreaManager(INPUT_FOLDER).getAreaNames(); });
    });
}

void runSound(const std::uint8_t* data, std::size_t size)
{
    // The definitions are read from the working folder's data/sound.
    const std::string path = "data/sound/fuzz.sound";
    std::error_code ignored;
    fs::remove_all("data", ignored);
    fs::create_directories("data/sound");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    SoundManager::forgetSoundConfigs();
    refusable([] { readEverything(SoundManager::getSoundConfig("fuzz")); });
    SoundManager::forgetSoundConfigs();
}

void runCurves(const std::uint8_t* data, std::size_t size)
{
    const std::string path = freshInput("curves.cfg", data, size);
    refusable([&] {
        const ResponseCurves curves(path);
        const Config sections(path);
        for (const std::string& name : sections.getSectionNames()) {
            refusable([&] {
                const ResponseCurve curve = curves.lookup(name);
                for (float x : {-1.0f, 0.0f, 0.37f, 0.999f, 1.0f, 2.0f})
                    curve.evaluate(x);
            });
        }
    });
}

} // namespace

const std::vector<Target>& targets()
{
    static const std::vector<Target> all = {
        {"config", "cfg", ".cfg", &runConfig},
        {"keymap", "cfg", ".keymap", &runKeymap},
        {"ship", "data/entities", ".ship", &runShip},
        {"station", "data/entities", ".station", &runStation},
        {"fireable", "data/entities", ".fireable", &runFireable},
        {"weapon", "data/entities", ".weapon", &runWeapon},
        {"explosion", "data/explosions", ".explosion", &runExplosion},
        {"debris", "data/explosions/debris", ".debris", &runDebris},
        {"explosion_sequence", "data/explosions", ".explosion_sequence", &runExplosionSequence},
        {"area", "data/areas", ".area", &runArea},
        {"sound", "data/sound", ".sound", &runSound},
        {"curves", "data", "curves.cfg", &runCurves},
    };
    return all;
}

const Target* findTarget(const std::string& name)
{
    for (const Target& target : targets()) {
        if (name == target.name)
            return &target;
    }
    return nullptr;
}

void prepare()
{
    static bool prepared = false;
    if (prepared)
        return;
    prepared = true;
    if (!Ogre::LogManager::getSingletonPtr())
        (new Ogre::LogManager())->createLog("fuzz.log", true, false, true);
    // The debris reader looks its particle templates up in the rendering engine's registry.
    if (!Ogre::Root::getSingletonPtr())
        new Ogre::Root("", "", "");
    if (!InputHandler::getSingletonPtr())
        new InputHandler();
    const fs::path scratch = fs::temp_directory_path() / ("tolvarine-fuzz-" + std::to_string(::getpid()));
    fs::create_directories(scratch);
    fs::current_path(scratch);
    // The scratch folder goes with the process.
    static const struct Remover {
        fs::path path;
        ~Remover()
        {
            std::error_code ignored;
            fs::remove_all(path, ignored);
        }
    } remover{scratch};
}

std::vector<std::string> seedFiles(const Target& target, const std::string& sourceRoot)
{
    std::vector<std::string> files;
    const std::string suffix = target.seedSuffix;
    for (const auto& entry : fs::directory_iterator(fs::path(sourceRoot) / target.seedFolder)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && name.size() >= suffix.size()
            && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace Tolvarine::Fuzz
