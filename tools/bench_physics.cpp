// Prints what one physics frame costs with 200 moving bodies in one hash space, through the
// game's physics layer (engine, bodies, collision geometries and listeners, with the profiler
// recording its blocks as in the game) and through bare ODE calls doing the same work, and the
// ratio of the two: the layer's overhead over the library itself. A baseline for later
// performance work, not a test: the figures depend on the machine.

#include "CollisionBody.h"
#include "CollisionGeometry.h"
#include "CollisionListener.h"
#include "Config.h"
#include "InputHandler.h"
#include "PhysicsBody.h"
#include "PhysicsEngine.h"
#include "PhysicsGeometry.h"
#include "Profiler.h"
#include "Scheduler.h"

#include <OgreLogManager.h>
#include <ode/ode.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

using namespace Tolvarine;

namespace {

constexpr int BODY_COUNT = 200;
constexpr int FRAMES = 600;
constexpr int REPETITIONS = 7;
constexpr float FRAME_TIME = 1.0f / 60.0f;
constexpr float STEP_SIZE = 0.005f;
constexpr float MAX_FRAME_TIME = 0.1f;
constexpr float RADIUS = 1.0f;
constexpr float VELOCITY_DECAY = 0.2f;
constexpr float ROTATION_DECAY = 0.5f;
constexpr int MAX_CONTACTS = 3;

// Where every body starts, how fast it flies and how hard it thrusts: the same for both scenes.
struct Start {
    Ogre::Vector3 position;
    Ogre::Vector3 velocity;
    Ogre::Vector3 force;
    Ogre::Vector3 torque;
};

std::vector<Start> makeStarts()
{
    std::mt19937 random(12345);
    std::uniform_real_distribution<float> place(-40.0f, 40.0f);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    std::vector<Start> starts;
    for (int i = 0; i < BODY_COUNT; ++i) {
        const Ogre::Vector3 position(place(random), place(random), place(random));
        // Flying towards the middle, so that bodies keep meeting during the run.
        Ogre::Vector3 velocity = -position.normalisedCopy() * 8.0f;
        velocity += Ogre::Vector3(unit(random), unit(random), unit(random));
        starts.push_back({position, velocity, Ogre::Vector3(0, 0, -2.0f * (1 + unit(random))),
                          Ogre::Vector3(0.1f * unit(random), 0.1f * unit(random), 0)});
    }
    return starts;
}

double microsecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
        .count();
}

// --- The game's layer ---------------------------------------------------------------------

// An owner that takes the listeners' defaults: every contact is physical.
class PlainOwner : public CollisionListener {};

// One body with one sphere, owned as a dynamic collidable owns its parts.
struct LayerObject {
    LayerObject(const Config& type, const Start& start, Ogre::Vector3& shownAt)
        : body(type)
        , synchronise([&shownAt](const Ogre::Vector3& position, const Ogre::Quaternion&,
                                 const Ogre::Vector3&) { shownAt = position; })
    {
        geometry.addCollisionBody(std::make_shared<CollisionBody>(
            "Hull", std::make_unique<PhysicsGeometry>(dCreateSphere(nullptr, RADIUS)),
            Ogre::Vector3::ZERO, Ogre::Quaternion::IDENTITY));
        geometry.setBody(body);
        geometry.setListener(&listener);
        PhysicsEngine& engine = PhysicsEngine::getSingleton();
        engine.addBody(&body);
        body.activate();
        engine.activateBody(&body);
        geometry.enable();
        body.addPositionListener(&synchronise);
        body.setPosition(start.position);
        body.setLinearVelocity(start.velocity);
        body.setForce(start.force);
        body.setTorque(start.torque);
    }
    ~LayerObject() { PhysicsEngine::getSingleton().removeBody(&body); }

    PlainOwner listener;
    PhysicsBody body;
    CollisionGeometry geometry;
    PositionListener synchronise;
};

double runLayer(const std::string& typePath, const std::vector<Start>& starts, int& crowd)
{
    PhysicsEngine engine;
    const Config type(typePath);
    std::vector<Ogre::Vector3> shown(starts.size());
    std::vector<std::unique_ptr<LayerObject>> objects;
    for (std::size_t i = 0; i < starts.size(); ++i)
        objects.push_back(std::make_unique<LayerObject>(type, starts[i], shown[i]));

    const auto start = std::chrono::steady_clock::now();
    for (int frame = 0; frame < FRAMES; ++frame)
        engine.update(FRAME_TIME, FRAME_TIME);
    const double elapsed = microsecondsSince(start);
    crowd = 0;
    for (const Ogre::Vector3& position : shown)
        crowd += position.length() < 10.0f ? 1 : 0;
    return elapsed / FRAMES;
}

// --- The same scene in bare ODE -----------------------------------------------------------

struct BareScene {
    dWorldID world;
    dSpaceID space;
    dJointGroupID contacts;
};

struct BareObject {
    dBodyID body;
    dSpaceID space;
    dGeomID sphere;
    dVector3 force;
    dVector3 torque;
};

void bareNear(void* data, dGeomID o1, dGeomID o2)
{
    const BareScene& scene = *static_cast<const BareScene*>(data);
    dContactGeom points[MAX_CONTACTS];
    const int n = dCollide(o1, o2, MAX_CONTACTS, points, sizeof(dContactGeom));
    const dBodyID b1 = dGeomGetBody(o1);
    const dBodyID b2 = dGeomGetBody(o2);
    for (int i = 0; i < n; ++i) {
        dContact contact{};
        contact.geom = points[i];
        contact.surface.mode = dContactBounce | dContactApprox1;
        contact.surface.mu = std::numeric_limits<float>::max();
        contact.surface.bounce = 0.1;
        dJointAttach(dJointCreateContact(scene.world, scene.contacts, &contact), b1, b2);
    }
}

void bareSpaces(void* data, dGeomID o1, dGeomID o2)
{
    dSpaceCollide2(o1, o2, data, &bareNear);
}

double runBare(const std::vector<Start>& starts, int& crowd)
{
    BareScene scene{dWorldCreate(), dHashSpaceCreate(nullptr), dJointGroupCreate(0)};
    dHashSpaceSetLevels(scene.space, 4, 10);
    dSpaceSetCleanup(scene.space, 0);
    dWorldSetAutoDisableFlag(scene.world, 1);
    dWorldSetAutoDisableAngularThreshold(scene.world, 0.01);
    dWorldSetAutoDisableLinearThreshold(scene.world, 0.01);
    dWorldSetCFM(scene.world, 1e-5);

    std::vector<BareObject> objects(starts.size());
    for (std::size_t i = 0; i < starts.size(); ++i) {
        BareObject& object = objects[i];
        const Start& s = starts[i];
        object.body = dBodyCreate(scene.world);
        dMass mass;
        dMassSetZero(&mass);
        dMassSetSphereTotal(&mass, 1.0, 1.0);
        dBodySetMass(object.body, &mass);
        object.space = dSimpleSpaceCreate(nullptr);
        dSpaceSetCleanup(object.space, 0);
        object.sphere = dCreateSphere(object.space, RADIUS);
        dGeomSetBody(object.sphere, object.body);
        dSpaceAdd(scene.space, reinterpret_cast<dGeomID>(object.space));
        dBodySetPosition(object.body, s.position.x, s.position.y, s.position.z);
        dBodySetLinearVel(object.body, s.velocity.x, s.velocity.y, s.velocity.z);
        for (int axis = 0; axis < 3; ++axis) {
            object.force[axis] = s.force[axis];
            object.torque[axis] = s.torque[axis];
        }
    }
    std::vector<Ogre::Vector3> shown(starts.size());

    float accumulator = 0.0f;
    const auto start = std::chrono::steady_clock::now();
    for (int frame = 0; frame < FRAMES; ++frame) {
        dSpaceCollide(scene.space, &scene, &bareSpaces);
        accumulator += std::min(FRAME_TIME, MAX_FRAME_TIME);
        while (accumulator >= STEP_SIZE) {
            for (BareObject& object : objects) {
                dBodyEnable(object.body);
                dBodyAddRelForce(object.body, object.force[0], object.force[1], object.force[2]);
                dBodyAddRelTorque(object.body, object.torque[0], object.torque[1],
                                  object.torque[2]);
                const dReal* v = dBodyGetLinearVel(object.body);
                dBodyAddForce(object.body, -VELOCITY_DECAY * v[0], -VELOCITY_DECAY * v[1],
                              -VELOCITY_DECAY * v[2]);
                const dReal* w = dBodyGetAngularVel(object.body);
                dBodyAddTorque(object.body, -ROTATION_DECAY * w[0], -ROTATION_DECAY * w[1],
                               -ROTATION_DECAY * w[2]);
            }
            dWorldQuickStep(scene.world, STEP_SIZE);
            accumulator -= STEP_SIZE;
        }
        dJointGroupEmpty(scene.contacts);
        for (std::size_t i = 0; i < objects.size(); ++i) {
            const dReal* p = dBodyGetPosition(objects[i].body);
            shown[i] = Ogre::Vector3(static_cast<float>(p[0]), static_cast<float>(p[1]),
                                     static_cast<float>(p[2]));
        }
    }
    const double elapsed = microsecondsSince(start);
    crowd = 0;
    for (const Ogre::Vector3& position : shown)
        crowd += position.length() < 10.0f ? 1 : 0;

    for (BareObject& object : objects) {
        dGeomDestroy(object.sphere);
        dSpaceDestroy(object.space);
    }
    dJointGroupDestroy(scene.contacts);
    dSpaceDestroy(scene.space);
    dWorldDestroy(scene.world);
    return elapsed / FRAMES;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main()
{
    Ogre::LogManager logManager;
    logManager.createLog("bench_physics.log", true, false, true);
    PhysicsEngine::initialiseLibrary();
    InputHandler input;
    Scheduler scheduler;
    Profiler profiler;

    const std::filesystem::path folder = std::filesystem::temp_directory_path()
                                         / ("tolvarine-bench-physics-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string typePath = (folder / "body.cfg").string();
    std::ofstream(typePath) << "[Physics]\nmass = 1\nmassRadius = 1\nvelocityDecay = "
                            << VELOCITY_DECAY << "\nrotationDecay = " << ROTATION_DECAY << "\n";

    const std::vector<Start> starts = makeStarts();
    std::vector<double> layer;
    std::vector<double> bare;
    int layerCrowd = 0;
    int bareCrowd = 0;
    // Alternating the two keeps drifts of the machine's speed out of the ratio.
    for (int repetition = 0; repetition < REPETITIONS; ++repetition) {
        layer.push_back(runLayer(typePath, starts, layerCrowd));
        bare.push_back(runBare(starts, bareCrowd));
    }
    std::filesystem::remove_all(folder);

    const double layerFrame = median(layer);
    const double bareFrame = median(bare);
    std::printf("%d moving bodies in one hash space, %d frames of %.4f s, median of %d runs\n",
                BODY_COUNT, FRAMES, FRAME_TIME, REPETITIONS);
    std::printf("%-34s %10.2f us per frame\n", "PhysicsEngine::update", layerFrame);
    std::printf("%-34s %10.2f us per frame\n", "bare ODE calls", bareFrame);
    std::printf("%-34s %10.3f\n", "ratio (layer / bare ODE)", layerFrame / bareFrame);
    std::printf("bodies near the middle at the end: %d (layer), %d (bare ODE)\n", layerCrowd,
                bareCrowd);
    return 0;
}
