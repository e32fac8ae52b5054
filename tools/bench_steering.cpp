// Prints what one ship's steering update costs in a battle of 200 ships: seeking a slot plus
// obstacle and neighbour avoidance, as the ship AI runs them, with the profiler recording the
// blocks as in the game. The ships stand in a headless scene, packed so that each has a few
// neighbours inside the avoidance search. It also counts the allocations one update makes, which
// should be none. A baseline for later performance work, not a test: the figures depend on the
// machine.

#include "Behaviour.h"
#include "Config.h"
#include "Controllable.h"
#include "ForceController.h"
#include "InputHandler.h"
#include "OgreLink.h"
#include "PhysicsBody.h"
#include "PhysicsEngine.h"
#include "Profiler.h"
#include "Scheduler.h"
#include "TolvarineEngine.h"

#include <OgreDefaultHardwareBufferManager.h>
#include <OgreEntity.h>
#include <OgreLogManager.h>
#include <OgreMaterialManager.h>
#include <OgreMesh.h>
#include <OgreMeshManager.h>
#include <OgreResourceGroupManager.h>
#include <OgreRoot.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <new>
#include <vector>

#include "AllocationCounter.h"

using namespace Tolvarine;


namespace {

constexpr int SHIP_COUNT = 200;
// Side of the cube the ships stand in: about 70 units between neighbours.
constexpr float BATTLE_SIZE = 400.0f;

// The parts of a ship that steering reads: a physics body, a force limit, a size and a scene link.
class BenchShip : public Controllable, public ForceController {
public:
    explicit BenchShip(const Config& type)
        : Controllable(type)
        , body(type)
    {
    }
    Ogre::Vector3 getPosition() const override { return body.getPosition(); }
    Ogre::Quaternion getOrientation() const override { return body.getOrientation(); }
    Ogre::Vector3 getVelocity() const override { return body.getVelocity(); }
    void addPositionListener(PositionListener*) override {}
    void removePositionListener(PositionListener*) override {}
    Ogre::Vector3 predictPosition(float t) const override { return body.predictPosition(t); }
    Ogre::Vector3 predictPositionWithThrust(float t) const override { return body.predictPositionWithThrust(t); }
    Ogre::Vector3 predictPositionWithThrustFactor(float t, float f) const override
    {
        return body.predictPositionWithThrustFactor(t, f);
    }
    float getBoundingRadius() const override { return 12.0f; }
    DamageModel* getDamageModel() override { return nullptr; }
    Faction* getFaction() override { return nullptr; }
    PhysicsBody* getPhysicsBody() override { return &body; }
    const PhysicsBody* getPhysicsBody() const override { return &body; }
    ForceController* getForceController() override { return this; }
    const ForceController* getForceController() const override { return this; }
    void setFiringPrimary(bool) override {}
    void setFiringSecondary(bool) override {}
    float getMaxForce() const override { return 500.0f; }
    float getMaxTorque() const override { return 50.0f; }
    void applyForce(const Ogre::Vector3&) override {}
    void applyTorque(const Ogre::Vector3&) override {}
    void setForce(const Ogre::Vector3&, bool) override {}
    void setTorque(const Ogre::Vector3&, bool) override {}
    void setRelativeForce(const Ogre::Vector3&, bool) override {}
    void setRelativeTorque(const Ogre::Vector3&, bool) override {}

    PhysicsBody body;
    OgreLink link{&body, false, nullptr, this, this};
};

// A mesh with bounds only, the size of a fighter.
std::string makeHullMesh()
{
    Ogre::MeshPtr mesh = Ogre::MeshManager::getSingleton().createManual("BenchHull", "Core");
    mesh->_setBounds(Ogre::AxisAlignedBox(-8, -4, -12, 8, 4, 12));
    mesh->_setBoundingSphereRadius(15);
    mesh->load();
    return mesh->getName();
}

// Microseconds per call of `step` over every ship, measured for about `seconds` of wall time.
template <class Step>
double measure(std::vector<std::unique_ptr<BenchShip>>& ships, double seconds, Step step)
{
    using Clock = std::chrono::steady_clock;
    for (auto& ship : ships) // settle the caches
        step(*ship);
    unsigned long long calls = 0;
    const auto start = Clock::now();
    const auto end = start + std::chrono::duration<double>(seconds);
    auto now = start;
    while (now < end) {
        for (auto& ship : ships)
            step(*ship);
        calls += ships.size();
        now = Clock::now();
    }
    return std::chrono::duration<double>(now - start).count() * 1e6 / static_cast<double>(calls);
}

} // namespace

int main()
{
    Ogre::LogManager logManager;
    // The engine writes to the program's log, kept in memory here.
    logManager.createLog("Tolvarine.log", true, false, true);
    const std::string typePath = (std::filesystem::temp_directory_path() / "bench_steering.ship").string();
    std::ofstream(typePath) << "[Physics]\nmass = 10\n[Targetable]\nchaseOffset = (0 0 0)\nfixedOffset = (0 0 0)\n";
    const Config type(typePath);
    std::filesystem::remove(typePath);

    InputHandler input;
    Scheduler scheduler;
    Profiler profiler;
    PhysicsEngine physics;
    // The rendering engine without a window: software buffers, one scene, as in the game.
    auto buffers = std::make_unique<Ogre::DefaultHardwareBufferManager>();
    Ogre::Root root("", "", "");
    Ogre::MaterialManager::getSingleton().initialise();
    Ogre::ResourceGroupManager::getSingleton().createResourceGroup("Core");
    TolvarineEngine engine(root);
    engine.sceneManager = root.createSceneManager();
    const std::string mesh = makeHullMesh();

    std::mt19937 random(22);
    std::uniform_real_distribution<float> coordinate(-BATTLE_SIZE / 2, BATTLE_SIZE / 2);
    std::vector<std::unique_ptr<BenchShip>> ships;
    for (int i = 0; i < SHIP_COUNT; ++i) {
        ships.push_back(std::make_unique<BenchShip>(type));
        BenchShip& ship = *ships.back();
        const Ogre::Vector3 position(coordinate(random), coordinate(random), coordinate(random));
        ship.body.setPosition(position);
        ship.body.setLinearVelocity(Ogre::Vector3(coordinate(random), 0, coordinate(random)) * 0.1f);
        Ogre::Entity* entity = engine.sceneManager->createEntity("Ship" + std::to_string(i), mesh);
        entity->setQueryFlags(static_cast<Ogre::uint32>(ship.link.getFlags() | OgreLink::SHIP_FLAG));
        ship.link.attachTo(*entity);
        engine.sceneManager->getRootSceneNode()->createChildSceneNode(position)->attachObject(entity);
    }

    const Ogre::Vector3 slot(0, 0, -100);
    Ogre::Vector3 sink = Ogre::Vector3::ZERO;
    const double seekCost = measure(ships, 1.0, [&](BenchShip& ship) { sink += Behaviour::seek(&ship, nullptr, slot); });
    const double avoidanceCost = measure(ships, 1.0, [&](BenchShip& ship) {
        sink += Behaviour::obstacleAvoidance(&ship.body) + Behaviour::neighbourAvoidance(&ship);
    });
    const auto update = [&](BenchShip& ship) {
        sink += Behaviour::seek(&ship, nullptr, slot) + Behaviour::obstacleAvoidance(&ship.body) +
                Behaviour::neighbourAvoidance(&ship);
    };
    const double updateCost = measure(ships, 2.0, update);
    const unsigned long long allocationsBefore = allocations;
    for (auto& ship : ships)
        update(*ship);
    const double allocationsPerUpdate =
        static_cast<double>(allocations - allocationsBefore) / static_cast<double>(ships.size());

    std::printf("steering with %d ships in the scene (%.0f-unit cube)\n", SHIP_COUNT, BATTLE_SIZE);
    std::printf("  seek:                           %8.3f us per ship\n", seekCost);
    std::printf("  obstacle + neighbour avoidance: %8.3f us per ship\n", avoidanceCost);
    std::printf("  one steering update (all):      %8.3f us per ship\n", updateCost);
    std::printf("  allocations per update:         %8.3f\n", allocationsPerUpdate);
    // Keeps the results alive, so that nothing above is optimised away.
    std::printf("  (checksum %.1f)\n", sink.length() > 0 ? 1.0 : 0.0);
    root.destroySceneManager(engine.sceneManager);
    engine.sceneManager = nullptr;
    return 0;
}
