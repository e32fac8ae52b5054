#pragma once

#include "FixedTask.h"

#include <OgreVector.h>
#include <ode/common.h>
#include <ode/collision_space.h>

#include <array>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace Tolvarine {

class PhysicsBody;
class PhysicsGeometry;
class Profiler;

// Owns the ODE world, the top-level collision space of per-object spaces, the contact joints of
// the current frame and the registry of every physics body. Its fixed task "Physics" detects
// collisions once per frame, advances the world in fixed steps over the elapsed time and then
// tells every active body's listeners where the body is.
//
// The physics follows a body only within MAX_COORDINATE on every axis and with finite numbers. A
// body placed beyond it, handed a value that is no number (PhysicsBody::getUnfollowable), or that
// a frame's steps would carry beyond it, is stopped and taken out of the collision space before
// the collision pass could see it, and its owner takes it out of play, with a line in the log
// naming it once it has ("... is taken out of play: ..."; "... is stopped, but its owner kept it
// in play: ..." for an owner that left its body registered as active); one carried out goes back
// to where the frame found it. Its listeners never hear of a place beyond the reach
// (PhysicsBody::notifyListeners), and its owner keeps it out of the scene meanwhile. Whatever
// throws it: a push of 1e12 or a launch speed of 1e12 from a data file threw bodies out of the
// collision space, whose next pass aborted the process, and a push of -3e38 overflowed to an
// infinite force that the library's step turned into an orientation it aborted on.
class PhysicsEngine {
public:
    // The farthest from the origin, on any axis, that a body may be placed, and that the physics
    // follows it. The collision space files each geometry by the integer index of its cell, which
    // is at least 16 units wide (the space's smallest level, 2^4), and the collision library
    // aborts once an index leaves the int range: the space holds 2^35, about 3.4e10 units, either
    // way. This limit is over 300 times smaller, so that no step from within it at a finite speed
    // reaches the edge before the guard sees it, and keeps the rendering engine's float positions
    // to steps of at most 8 units.
    static constexpr float MAX_COORDINATE = 1.0e8f;
    // The fastest a body may be set moving: undamped, from MAX_COORDINATE, it takes more than 90
    // hours to reach the collision space's edge. The fastest shot of the game flies at 900.
    static constexpr float MAX_SPEED = 1.0e5f;

    // Whether a place lies within MAX_COORDINATE on every axis; one that is no number does not.
    static bool isWithinReach(const Ogre::Vector3& place);

    PhysicsEngine();
    // The game keeps the engine until the process ends; tests destroy it after their bodies.
    ~PhysicsEngine();
    PhysicsEngine(const PhysicsEngine&) = delete;
    PhysicsEngine& operator=(const PhysicsEngine&) = delete;

    static PhysicsEngine& getSingleton();
    static PhysicsEngine* getSingletonPtr();

    // Prepares the collision library for this process; idempotent. Anything that collides
    // geometries before the engine exists calls it first.
    static void initialiseLibrary();

    dWorldID getWorld() const { return world.get(); }
    // Tells this engine's world apart from those of earlier engines, which may have had the same
    // address: joints made in a destroyed world are gone with it.
    std::uint64_t getWorldSerial() const { return worldSerial; }
    dSpaceID getSpace() const;
    float getLastFrameTime() const { return lastFrameTime; }
    // The fixed time of one world step; the type files' masses are checked against it.
    static constexpr float STEP_SIZE = 0.005f;
    float getStepSize() const { return stepSize; }

    // The registry. Misuse (adding twice, activating an active body, deactivating one that is not
    // active) is logged at the trivial level and otherwise ignored.
    void addBody(PhysicsBody* body);
    void activateBody(PhysicsBody* body);
    void deactivateBody(PhysicsBody* body);
    // Takes the body out of the registry at once, so its address can be used by a new body.
    void removeBody(PhysicsBody* body);
    // A body in play tells the engine once a life that the physics cannot follow it
    // (PhysicsBody::getUnfollowable); the next update takes it out of play.
    void noteUnfollowable(PhysicsBody* body);

    // Put an object's own space into, or take it out of, the top-level space. During the
    // collision pass the change waits until the world steps of that frame are done.
    void addCollisionSpace(dGeomID objectSpace);
    void removeCollisionSpace(dGeomID objectSpace);
    // Drops a space that is about to be destroyed from the waiting changes.
    void forgetCollisionSpace(dGeomID objectSpace);

    // The force that delivers the impulse when applied (with PhysicsBody::addForce) for the one
    // world step in which such forces act.
    Ogre::Vector3 impulseToForce(const Ogre::Vector3& impulse) const;
    float scalarImpulseToForce(float impulse) const;

    // Collides one shared ray against the top-level space; the callback receives the ray and each
    // object space whose bounds the ray touches and looks inside that space itself.
    void castRay(const Ogre::Vector3& origin, const Ogre::Vector3& direction, float length,
                 void* data, dNearCallback* callback);

    // The task callback; callable directly with chosen frame times.
    void update(float lastFrameTime, float smoothedFrameTime);

private:
    struct WorldDeleter {
        void operator()(dWorldID world) const;
    };
    struct JointGroupDeleter {
        void operator()(dJointGroupID group) const;
    };

    static dWorldID createWorld();
    static void spaceCallback(void* data, dGeomID o1, dGeomID o2);
    static void nearCallback(void* data, dGeomID o1, dGeomID o2);
    void collideGeometries(dGeomID o1, dGeomID o2);
    void stepWorld(float frameTime, Profiler* profiler);
    // Holds the bodies noted as unfollowable, and those the frame's steps carried beyond
    // MAX_COORDINATE.
    void holdUnfollowable();
    void holdCarriedOutOfReach();
    // A body stopped for want of reach, with what its log line says of it.
    struct HeldBody {
        // Null once the body has left the registry (its object was deleted).
        PhysicsBody* body;
        std::string name;
        std::string why;
    };
    // Stops a body the physics cannot follow, takes it out of the collision space and keeps it
    // for takeOutOfPlay; `why` ends its log line.
    void holdOutOfReach(PhysicsBody* body, const std::string& why);
    // "(x y z), beyond 1e+08 units on an axis", of a body's position.
    static std::string placeText(const dReal* position);
    // Hands every body held in the steps to its owner, which takes it out of play, and logs it.
    void takeOutOfPlay();
    void takeOutOfPlay(const HeldBody& held);
    void applySpaceChanges();
    void synchronise();
    void takeSnapshot();
    bool isStillActive(PhysicsBody* body) const;
    void addSpaceNow(dGeomID objectSpace);
    void removeSpaceNow(dGeomID objectSpace);

    static PhysicsEngine* singleton;
    static std::uint64_t worldCount;

    FixedTask physicsTask;
    std::unique_ptr<dxWorld, WorldDeleter> world;
    const std::uint64_t worldSerial = ++worldCount;
    std::unique_ptr<PhysicsGeometry> space;
    std::unique_ptr<dxJointGroup, JointGroupDeleter> contactGroup;
    float lastFrameTime = 1.0f;
    float accumulator = 0.0f;
    const float stepSize = STEP_SIZE;
    bool inCollision = false;
    std::set<PhysicsBody*> activeBodies;
    std::set<PhysicsBody*> inactiveBodies;
    std::set<dGeomID> pendingSpaceRemovals;
    std::set<dGeomID> pendingSpaceAdditions;
    // The active bodies of the current update, and a count of removals from activeBodies that
    // tells the loops over the snapshot when a body may have left the registry since.
    std::vector<PhysicsBody*> snapshot;
    // Where each body of the snapshot was before the frame's steps.
    std::vector<std::array<dReal, 3>> snapshotPlaces;
    // The bodies noted as unfollowable since they were last looked at, and those stopped for want
    // of reach and not yet taken out of play.
    std::vector<PhysicsBody*> unfollowable;
    std::vector<HeldBody> outOfReach;
    // Those being handed to their owners now.
    std::vector<HeldBody> takingOut;
    std::uint64_t activeRemovals = 0;
    std::uint64_t snapshotRemovals = 0;
    std::unique_ptr<PhysicsGeometry> ray;
};

} // namespace Tolvarine
