#pragma once

#include "CollisionMeshCache.h"
#include "ConfigFiles.h"
#include "ExplosionDebris.h"
#include "ExplosionManager.h"
#include "FireableProjectile.h"
#include "FixedTask.h"
#include "InputHandler.h"
#include "ManualTicks.h"
#include "ParticleSpray.h"
#include "PhysicsEngine.h"
#include "Profiler.h"
#include "RenderingRoot.h"
#include "ResponseCurves.h"
#include "Scheduler.h"
#include "SoundFiles.h"
#include "SoundManager.h"
#include "Statistics.h"
#include "TolvarineEngine.h"
#include "Weapon.h"


#include <OgreMaterialManager.h>
#include <OgreMath.h>
#include <OgrePass.h>
#include <OgreResourceGroupManager.h>
#include <OgreRoot.h>
#include <OgreTechnique.h>
#include <OgreTextureManager.h>
#include <OgreTextureUnitState.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace Tolvarine::Test {

// The game's random source while it lives.
class InstalledRandom : public Ogre::Math::RandomValueProvider {
public:
    InstalledRandom() { Ogre::Math::SetRandomValueProvider(this); }
    ~InstalledRandom() override { Ogre::Math::SetRandomValueProvider(nullptr); }
    InstalledRandom(const InstalledRandom&) = delete;
    InstalledRandom& operator=(const InstalledRandom&) = delete;
};

// A seeded source, for draws a test wants varied but repeatable.
class SeededRandom : public InstalledRandom {
public:
    explicit SeededRandom(unsigned seed) : engine(seed) {}
    Ogre::Real getRandomUnit() override { return std::uniform_real_distribution<float>(0.0f, 1.0f)(engine); }

private:
    std::mt19937 engine;
};

// Random values a test chooses, handed out in turn (the last one again when they run out).
class ScriptedRandom : public InstalledRandom {
public:
    explicit ScriptedRandom(std::vector<float> values) : values(std::move(values)) {}
    Ogre::Real getRandomUnit() override { return values[std::min(next++, values.size() - 1)]; }

private:
    std::vector<float> values;
    std::size_t next = 0;
};

// What projectiles and explosions need, on a hand-driven clock: the rendering engine and its scene
// manager, scheduler, profiler, physics, statistics and type folders; headless, or on a hidden
// window where textures are needed (skipped without a display). Types unload before the engines.
class CombatWorld : public ::testing::Test {
protected:
    explicit CombatWorld(RenderingRoot::Kind kind) : kind(kind)
    {
        profiler.setSystemInfoSource([] { return std::string(); });
        if (kind == RenderingRoot::Kind::Windowed && !RenderingRoot::displayAvailable())
            return;
        root = std::make_unique<RenderingRoot>(kind);
        Ogre::ResourceGroupManager::getSingleton().createResourceGroup("Core");
        engineObject = std::make_unique<TolvarineEngine>(Ogre::Root::getSingleton());
        engineObject->sceneManager = &root->sceneManager();
        std::filesystem::create_directories(folder.file("entities"));
        std::filesystem::create_directories(folder.file("explosions"));
    }

    ~CombatWorld() override { FireableProjectile::unloadTypes(); }

    static std::string shippedData(const std::string& relative)
    {
        return std::string(TOLVARINE_SOURCE_DIR) + "/data/" + relative;
    }

    static void copyShippedFiles(const std::string& from, const std::string& extension, const std::string& to)
    {
        for (const std::filesystem::directory_entry& entry : std::filesystem::directory_iterator(from)) {
            if (entry.path().extension() == extension)
                std::filesystem::copy_file(entry.path(), to + "/" + entry.path().filename().string());
        }
    }

    // The shipped effects in "Core", from the game's own folders, with the plug-ins they need.
    static void loadShippedEffects()
    {
        Ogre::Root& ogre = Ogre::Root::getSingleton();
        ogre.loadPlugin(std::string(TOLVARINE_OGRE_PLUGIN_DIR) + "/Codec_STBI");
        ogre.loadPlugin(std::string(TOLVARINE_OGRE_PLUGIN_DIR) + "/Plugin_ParticleFX");
        Ogre::ResourceGroupManager& resources = Ogre::ResourceGroupManager::getSingleton();
        for (const char* folder : {"materials", "meshes", "particle_systems", "textures", "textures/explosions"})
            resources.addResourceLocation(shippedData(folder), "FileSystem", "Core", true);
        resources.initialiseResourceGroup("Core");
    }

    void SetUp() override
    {
        if (!root)
            GTEST_SKIP() << "needs an X display (run the tests through tools/with-display.sh)";
    }

    Ogre::SceneManager& scene() const { return root->sceneManager(); }

    void writeProjectileType(const std::string& name, const std::string& text) const
    {
        writeFile(folder.file("entities/" + name + ".fireable"), text);
    }
    void writeExplosionType(const std::string& name, const std::string& text) const
    {
        writeFile(folder.file("explosions/" + name + ".explosion"), text);
    }
    std::string entities() const { return folder.file("entities"); }
    std::string explosions() const { return folder.file("explosions"); }

    // One scheduler pass that starts `seconds` after the last one began: the physics engine steps
    // that long, then the variable tasks that are due by then run.
    void frame(double seconds)
    {
        ManualTicks::advance(seconds - work);
        scheduler.run();
    }
    // Passes of `step` seconds until `seconds` have gone by.
    void run(double seconds, double step = 1.0 / 32)
    {
        for (double t = 0; t < seconds; t += step)
            frame(step);
    }

    RenderingRoot::Kind kind;
    ManualTicks ticks;
    TemporaryFolder folder;
    InputHandler input;
    Scheduler scheduler;
    // Every pass takes this long, so the variable tasks due by its start get their time.
    const double work = 1.0 / 256;
    FixedTask workTask{[this](float, float) { ManualTicks::advance(work); }, "Work", 0};
    Profiler profiler;
    PhysicsEngine physics;
    CollisionMeshCache meshCache;
    Statistics statistics;
    std::unique_ptr<RenderingRoot> root;
    // The engine over the test's rendering root: made after the root, gone before it.
    std::unique_ptr<TolvarineEngine> engineObject;
};

// A material whose first texture unit steps through `frames` small textures by hand.
inline void flipBook(const std::string& name, unsigned frames)
{
    const std::string group = Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME;
    std::vector<Ogre::String> names;
    for (unsigned i = 0; i < frames; ++i) {
        names.push_back(name + "/Frame" + std::to_string(i));
        Ogre::TextureManager::getSingleton().createManual(names.back(), group, Ogre::TEX_TYPE_2D, 4, 4, 0,
                                                          Ogre::PF_BYTE_RGBA);
    }
    Ogre::MaterialPtr material = Ogre::MaterialManager::getSingleton().create(name, group);
    material->getTechnique(0)->getPass(0)->createTextureUnitState()->setAnimatedTextureName(names.data(), names.size(), 0);
}

// Explosions of the test's own types on a hidden window: a flip-book flash material "Flash", the
// glow curve "Rise", the SoundFiles sounds and a silent sound manager; load() makes the manager.
class ExplosionWorld : public CombatWorld {
protected:
    ExplosionWorld() : CombatWorld(RenderingRoot::Kind::Windowed)
    {
        if (!root)
            return;
        flipBook("Flash", 4);
        curves = std::make_unique<ResponseCurves>(written(folder.file("curves.cfg"), "[Rise]\n0 = 0\n1 = 1\n"));
        // Sound definitions are read once per process; these are this test's.
        SoundManager::forgetSoundConfigs();
        sound = std::make_unique<SoundManager>(nullptr, SoundSystem::Output::SILENT);
    }
    ~ExplosionWorld() override
    {
        manager.reset();
        sound.reset();
        SoundManager::forgetSoundConfigs();
    }

    // A type of the group: flash and glow of the given durations, "Physics" keys, more sections.
    static std::string explosionType(const std::string& group, const std::string& physics, double flash = 0.25,
                                     double glow = 0.5, const std::string& more = "")
    {
        return "[Explosion]\ngroup = " + group + "\n[Physics]\nmass = 1\n" + physics
             + "[Animation]\nmaterialName = Flash\nduration = " + std::to_string(flash)
             + "\ntimeResolution = 0.03125\nsize = 4\n"
               "[Glow]\nmaterialName = BaseWhite\nduration = " + std::to_string(glow)
             + "\ntimeResolution = 0.03125\nsizeCurveName = Rise\nminSize = 1\nmaxSize = 2\n"
               "colourCurveName = Rise\nminColour = (0 0 0 0)\nmaxColour = (1 1 1 1)\n"
               "[Sound]\nname = beep\n" + more;
    }

    ExplosionManager& load()
    {
        manager = std::make_unique<ExplosionManager>(explosions(), curves.get());
        return *manager;
    }
    std::size_t explosionsLive(const std::string& name) const
    {
        return manager->getPools().getPool(name)->getLiveCount();
    }
    std::size_t explosionsFree(const std::string& name) const
    {
        return manager->getPools().getPool(name)->getFreeCount();
    }

    SoundFiles soundFiles;
    std::unique_ptr<ResponseCurves> curves;
    std::unique_ptr<SoundManager> sound;
    std::unique_ptr<ExplosionManager> manager;
};

// The game's own effects and combat types, copied and loaded, on a hidden window with silent sound.
class ShippedCombatWorld : public CombatWorld {
protected:
    ShippedCombatWorld() : CombatWorld(RenderingRoot::Kind::Windowed)
    {
        if (!root)
            return;
        loadShippedEffects();
        for (const char* extension : {".fireable", ".weapon"})
            copyShippedFiles(shippedData("entities"), extension, entities());
        for (const char* extension : {".explosion", ".spray"})
            copyShippedFiles(shippedData("explosions"), extension, explosions());
        std::filesystem::create_directories(explosions() + "/debris");
        copyShippedFiles(shippedData("explosions/debris"), ".debris", explosions() + "/debris");
        for (const char* name : {"explosion_plasma", "explosion_conventional", "plasma_gun_fire", "mass_driver_fire", "ion_lance_fire"})
            soundFiles.define(name, "filename = beep.wav\n");
        soundFiles.define("missile_thrust", "filename = hum.wav\nlooping = 1\n");
        // The muzzle glows read the program's curve file, from the folder the sound files made current.
        std::filesystem::copy_file(shippedData("curves.cfg"), "data/curves.cfg", std::filesystem::copy_options::overwrite_existing);
        SoundManager::forgetSoundConfigs();
        sound = std::make_unique<SoundManager>(nullptr, SoundSystem::Output::SILENT);
        ExplosionDebris::loadTypes(explosions() + "/debris");
        ParticleSpray::loadTypes(explosions(), &scene(), &curves);
        FireableProjectile::loadTypes(entities());
        manager = std::make_unique<ExplosionManager>(explosions(), &curves);
        Weapon::setTypeFolder(entities());
    }
    ~ShippedCombatWorld() override
    {
        FireableProjectile::unloadTypes();
        Weapon::forgetTypes();
        Weapon::setTypeFolder("data/entities");
        manager.reset();
        ParticleSpray::unloadTypes();
        ExplosionDebris::unloadTypes();
        sound.reset();
        SoundManager::forgetSoundConfigs();
    }

    SoundFiles soundFiles;
    const ResponseCurves curves{shippedData("curves.cfg")};
    std::unique_ptr<SoundManager> sound;
    std::unique_ptr<ExplosionManager> manager;
};

} // namespace Tolvarine::Test
