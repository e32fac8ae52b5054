#pragma once

// The game's fighting classes without the drawing: the shipped ship, weapon and projectile types
// from data/, the scene, scheduler, physics, profiler, statistics, silent sounds and the
// settings from cfg/, stepped frame by frame at 60 frames a second of game time. It reads them
// from its working folder, as the game does (the battle benchmark makes that a scratch copy of
// the repository's), on an X display (tools/with-display.sh gives one): the effects' materials
// need OpenGL, on a hidden window that nothing is drawn on. The battle benchmark measures it.

#include "CapitalShipStation.h"
#include "Clock.h"
#include "CollisionMeshCache.h"
#include "Difficulty.h"
#include "ExplosionDebris.h"
#include "ExplosionManager.h"
#include "Faction.h"
#include "FireableProjectile.h"
#include "GameplaySettings.h"
#include "GraphicsSettings.h"
#include "InputHandler.h"
#include "InstrumentSoundManager.h"
#include "MovementController.h"
#include "PhysicsEngine.h"
#include "ParticleSpray.h"
#include "Profiler.h"
#include "ResponseCurves.h"
#include "Scheduler.h"
#include "Ship.h"
#include "ShipType.h"
#include "SoundManager.h"
#include "Statistics.h"
#include "TolvarineEngine.h"
#include "Weapon.h"

#include <OgreLogManager.h>
#include <OgreResourceGroupManager.h>
#include <OgreRoot.h>
#include <OgreRenderWindow.h>
#include <OgreSceneManager.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Tolvarine::Battle {

// The game clock of the battle: real time plus an offset that is set at the start of every frame,
// so that frames start exactly 1/60 s of game time apart while the profiler, which reads the same
// clock, still measures the real time spent inside a frame.
class FrameClock {
public:
    static constexpr double FRAME = 1.0 / 60.0;

    FrameClock()
    {
        offset = -realTicks();
        Clock::setTickSource(&read, TICKS_PER_SECOND);
    }
    ~FrameClock() { Clock::restoreHardwareSources(); }
    FrameClock(const FrameClock&) = delete;
    FrameClock& operator=(const FrameClock&) = delete;

    // The clock jumps to the start of the next frame.
    void nextFrame()
    {
        ++frames;
        offset = static_cast<std::int64_t>(std::llround(frames * FRAME * TICKS_PER_SECOND)) - realTicks();
    }

private:
    static constexpr std::int64_t TICKS_PER_SECOND = 1000000000;

    static std::int64_t realTicks()
    {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    static std::uint64_t read() { return static_cast<std::uint64_t>(START + offset + realTicks()); }

    // Far from zero, so that the game clock never runs backwards past it.
    static constexpr std::int64_t START = std::int64_t(1) << 40;
    static inline std::int64_t offset = 0;
    std::int64_t frames = 0;
};

class BattleWorld {
public:
    // `logPath` receives the rendering engine's and the game's log; the skills come from the
    // difficulty settings at `difficultyPath`.
    explicit BattleWorld(const std::string& logPath, const std::string& difficultyPath = "cfg/difficulty.cfg")
        : logs(makeLogs())
        , file(openFile(logPath))
        , root(std::make_unique<Ogre::Root>("", "", ""))
    {
        // Materials load their textures, which takes a render system: OpenGL on a small hidden
        // window, which is never drawn.
        const std::string plugins = TOLVARINE_OGRE_PLUGIN_DIR;
        root->loadPlugin(plugins + "/RenderSystem_GL");
        root->loadPlugin(plugins + "/Codec_STBI");
        root->loadPlugin(plugins + "/Plugin_ParticleFX");
        root->setRenderSystem(root->getRenderSystemByName("OpenGL Rendering Subsystem"));
        root->initialise(false);
        Ogre::NameValuePairList options;
        options["hidden"] = "true";
        root->createRenderWindow("Battle", 64, 64, false, &options);
        scene = root->createSceneManager();
        engineObject = std::make_unique<TolvarineEngine>(*root);
        engineObject->sceneManager = scene;
        Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
        groups.createResourceGroup("Core");
        for (const char* folder : {"data/materials", "data/meshes", "data/particle_systems", "data/textures",
                                   "data/textures/explosions"})
            groups.addResourceLocation(folder, "FileSystem", "Core", true);
        groups.initialiseResourceGroup("Core");

        PhysicsEngine::initialiseLibrary();
        scheduler = std::make_unique<Scheduler>();
        profiler = std::make_unique<Profiler>();
        profiler->setSystemInfoSource([] { return std::string("Battle"); });
        physics = std::make_unique<PhysicsEngine>();
        meshCache = std::make_unique<CollisionMeshCache>();
        sounds = std::make_unique<SoundManager>(nullptr, SoundSystem::Output::SILENT);
        instruments = std::make_unique<InstrumentSoundManager>();
        movement = std::make_unique<MovementController>();
        graphics = std::make_unique<GraphicsSettings>();
        gameplay = std::make_unique<GameplaySettings>();
        curves = std::make_unique<ResponseCurves>("data/curves.cfg");
        difficulty = std::make_unique<Difficulty>(difficultyPath, *curves);
        statistics = std::make_unique<Statistics>();
        explosions = std::make_unique<ExplosionManager>("data/explosions", curves.get());
        FireableProjectile::loadTypes("data/entities");
        Weapon::setTypeFolder("data/entities");
        CapitalShipStation::loadTypes("data/entities");
        Ship::loadTypes("data/entities");
        ExplosionDebris::loadTypes();
        ParticleSpray::loadTypes();
    }

    ~BattleWorld()
    {
        Ship::deactivateAll();
        ShipType::unloadAll();
        Weapon::forgetTypes();
        FireableProjectile::unloadTypes();
        ExplosionDebris::unloadTypes();
        ParticleSpray::unloadTypes();
        Ogre::LogManager& manager = Ogre::LogManager::getSingleton();
        manager.getLog("Tolvarine.log")->removeListener(forward.get());
        manager.destroyLog(file);
    }

    BattleWorld(const BattleWorld&) = delete;
    BattleWorld& operator=(const BattleWorld&) = delete;

    // `count` ships of the type for the faction, in a square grid `spacing` apart across the
    // facing direction around `centre`.
    std::vector<Ship*> spawnWing(const std::string& type, Faction& faction, unsigned count,
                                 const Ogre::Vector3& centre, const Ogre::Quaternion& facing, float spacing)
    {
        std::vector<Ship*> ships;
        const unsigned side = static_cast<unsigned>(std::ceil(std::sqrt(static_cast<float>(count))));
        for (unsigned i = 0; i < count; ++i) {
            const Ogre::Vector3 across((static_cast<float>(i % side) - 0.5f * static_cast<float>(side - 1)) * spacing,
                                       (static_cast<float>(i / side) - 0.5f * static_cast<float>(side - 1)) * spacing,
                                       0.0f);
            Ship* ship = Ship::create(type);
            ship->activate(faction, centre + facing * across, facing);
            ships.push_back(ship);
        }
        return ships;
    }

    // One frame of 1/60 s: the physics steps, then the tasks that are due run.
    void frame()
    {
        clock.nextFrame();
        scheduler->run();
    }

    Profiler& getProfiler() { return *profiler; }
    Statistics& getStatistics() { return *statistics; }
    Ogre::SceneManager& getScene() { return *scene; }

private:
    // Everything the game logs goes to the battle's own file, and nothing to the console or to
    // the game's log file in the working folder.
    class Forward : public Ogre::LogListener {
    public:
        explicit Forward(Ogre::Log* file) : file(file) {}
        void messageLogged(const Ogre::String& message, Ogre::LogMessageLevel level, bool, const Ogre::String&,
                           bool& skip) override
        {
            if (!skip)
                file->logMessage(message, level);
        }

    private:
        Ogre::Log* file;
    };

    // The program's log manager and its "Tolvarine.log" (kept in memory), unless the process has
    // them already.
    static std::unique_ptr<Ogre::LogManager> makeLogs()
    {
        if (Ogre::LogManager::getSingletonPtr())
            return nullptr;
        auto logs = std::make_unique<Ogre::LogManager>();
        logs->createLog("Tolvarine.log", true, false, true);
        return logs;
    }

    Ogre::Log* openFile(const std::string& path)
    {
        Ogre::LogManager& manager = Ogre::LogManager::getSingleton();
        Ogre::Log* file = manager.createLog(path, false, false, false);
        forward = std::make_unique<Forward>(file);
        manager.getLog("Tolvarine.log")->addListener(forward.get());
        return file;
    }

    std::unique_ptr<Forward> forward;
    FrameClock clock;
    std::unique_ptr<Ogre::LogManager> logs;
    Ogre::Log* file;
    std::unique_ptr<Ogre::Root> root;
    Ogre::SceneManager* scene = nullptr;
    std::unique_ptr<TolvarineEngine> engineObject;
    InputHandler input;
    std::unique_ptr<Scheduler> scheduler;
    std::unique_ptr<Profiler> profiler;
    std::unique_ptr<PhysicsEngine> physics;
    std::unique_ptr<CollisionMeshCache> meshCache;
    std::unique_ptr<SoundManager> sounds;
    std::unique_ptr<InstrumentSoundManager> instruments;
    std::unique_ptr<MovementController> movement;
    std::unique_ptr<GraphicsSettings> graphics;
    std::unique_ptr<GameplaySettings> gameplay;
    std::unique_ptr<ResponseCurves> curves;
    std::unique_ptr<Difficulty> difficulty;
    std::unique_ptr<Statistics> statistics;
    std::unique_ptr<ExplosionManager> explosions;
};

} // namespace Tolvarine::Battle
