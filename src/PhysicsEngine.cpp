#include "PhysicsEngine.h"

#include "CollisionBody.h"
#include "CollisionGeometry.h"
#include "GameLog.h"
#include "PhysicsBody.h"
#include "PhysicsGeometry.h"
#include "ProfileBlock.h"
#include "Profiler.h"
#include "Scheduler.h"
#include "ValueRange.h"

#include <ode/collision.h>
#include <ode/contact.h>
#include <ode/error.h>
#include <ode/objects.h>
#include <ode/odeinit.h>

#include <OgreLogManager.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace Tolvarine {

namespace {

// Frame time beyond this is not simulated: a long stall must not make the world catch up.
constexpr float MAX_FRAME_TIME = 0.1f;
constexpr int MAX_CONTACTS = 3;
// A softness close to that of the single-precision library the contact response was tuned with.
constexpr dReal WORLD_CFM = 1e-5;
constexpr unsigned PHYSICS_TASK_ORDER = 10;

// ODE's own words, written to the game's log before anything else happens: without a handler the
// library prints to the terminal only, and for an internal error aborts at once, so a player's log
// would end with no word of why. The headings are ODE's own, so a search for "ODE INTERNAL ERROR"
// finds them as it finds the library's default output.
void logOdeText(const char* heading, int number, const char* format, va_list arguments)
{
    char text[1024];
    std::vsnprintf(text, sizeof text, format, arguments);
    const std::string line = std::string(heading) + " " + std::to_string(number) + ": " + text;
    // Tools and tests may collide geometries before any log exists.
    if (Ogre::LogManager::getSingletonPtr())
        GameLog::line(line);
    else
        std::cerr << line << std::endl;
}

// An error is the caller's misuse, an internal error a broken invariant of the library: ODE does not
// expect to go on after either (it exits or aborts), and neither does the game.
[[noreturn]] void odeError(int number, const char* format, va_list arguments)
{
    logOdeText("ODE Error", number, format, arguments);
    std::abort();
}

[[noreturn]] void odeInternalError(int number, const char* format, va_list arguments)
{
    logOdeText("ODE INTERNAL ERROR", number, format, arguments);
    std::abort();
}

void odeMessage(int number, const char* format, va_list arguments)
{
    logOdeText("ODE Message", number, format, arguments);
}

// Reads a coordinate written by coordinateText.
dReal readCoordinate(const char* text, const char* end)
{
    dReal value = 0;
    std::from_chars(text, end, value);
    return value;
}

// A coordinate of a body's place with six significant digits, as the log writes its figures; where
// those would read as within the reach that the coordinate lies beyond (a body placed 16 units past
// it read "(1e+08 4.58867 4.58867), beyond 1e+08"), written out with as many decimals as it takes.
std::string coordinateText(dReal coordinate)
{
    const dReal reach = PhysicsEngine::MAX_COORDINATE;
    const bool beyond = std::abs(coordinate) > reach;
    char buffer[32];
    const char* const text = buffer;
    const char* end = std::to_chars(buffer, buffer + sizeof buffer, coordinate, std::chars_format::general, 6).ptr;
    // A double near the reach has fewer than ten decimals.
    for (int decimals = 0; (std::abs(readCoordinate(text, end)) > reach) != beyond && decimals < 10; ++decimals)
        end = std::to_chars(buffer, buffer + sizeof buffer, coordinate, std::chars_format::fixed, decimals).ptr;
    return std::string(text, end);
}

Ogre::Vector3 toVector(const dReal* v)
{
    return Ogre::Vector3(static_cast<float>(v[0]), static_cast<float>(v[1]),
                         static_cast<float>(v[2]));
}

} // namespace

PhysicsEngine* PhysicsEngine::singleton = nullptr;
std::uint64_t PhysicsEngine::worldCount = 0;

void PhysicsEngine::WorldDeleter::operator()(dWorldID world) const
{
    dWorldDestroy(world);
}

void PhysicsEngine::JointGroupDeleter::operator()(dJointGroupID group) const
{
    dJointGroupDestroy(group);
}

void PhysicsEngine::initialiseLibrary()
{
    // The library refuses to collide anything before this; it stays set up for the whole process.
    static const bool initialised = [] {
        dSetErrorHandler(&odeError);
        dSetDebugHandler(&odeInternalError);
        dSetMessageHandler(&odeMessage);
        dInitODE2(0);
        dAllocateODEDataForThread(dAllocateMaskAll);
        return true;
    }();
    (void)initialised;
}

dWorldID PhysicsEngine::createWorld()
{
    initialiseLibrary();
    return dWorldCreate();
}

bool PhysicsEngine::isWithinReach(const Ogre::Vector3& place)
{
    return std::abs(place.x) <= MAX_COORDINATE && std::abs(place.y) <= MAX_COORDINATE
        && std::abs(place.z) <= MAX_COORDINATE;
}

PhysicsEngine::PhysicsEngine()
    : physicsTask([this](float frameTime, float smoothed) { update(frameTime, smoothed); },
                  "Physics", PHYSICS_TASK_ORDER)
    , world(createWorld())
    , space(std::make_unique<PhysicsGeometry>(reinterpret_cast<dGeomID>(dHashSpaceCreate(nullptr))))
    , contactGroup(dJointGroupCreate(0))
{
    // Nothing below can throw: a failed construction never leaves the singleton set, and the
    // members already built (the world among them) are destroyed on the way out.
    singleton = this;
    dHashSpaceSetLevels(getSpace(), 4, 10);
    dSpaceSetCleanup(getSpace(), 0);
    dWorldSetAutoDisableFlag(getWorld(), 1);
    dWorldSetAutoDisableAngularThreshold(getWorld(), 0.01);
    dWorldSetAutoDisableLinearThreshold(getWorld(), 0.01);
    dWorldSetCFM(getWorld(), WORLD_CFM);
}

PhysicsEngine::~PhysicsEngine()
{
    if (singleton == this)
        singleton = nullptr;
}

PhysicsEngine& PhysicsEngine::getSingleton()
{
    return *singleton;
}

PhysicsEngine* PhysicsEngine::getSingletonPtr()
{
    return singleton;
}

dSpaceID PhysicsEngine::getSpace() const
{
    return reinterpret_cast<dSpaceID>(space->getGeometry());
}

void PhysicsEngine::addBody(PhysicsBody* body)
{
    if (activeBodies.count(body) || inactiveBodies.count(body)) {
        GameLog::detail("PhysicsEngine: attempting to add an already-added body");
        return;
    }
    inactiveBodies.insert(body);
}

void PhysicsEngine::activateBody(PhysicsBody* body)
{
    if (activeBodies.count(body)) {
        GameLog::detail("PhysicsEngine: attempting to activate an already-active or unknown body");
        return;
    }
    inactiveBodies.erase(body);
    activeBodies.insert(body);
}

void PhysicsEngine::deactivateBody(PhysicsBody* body)
{
    if (!activeBodies.count(body)) {
        GameLog::detail("PhysicsEngine: attempting to deactivate an already-inactive or unknown body");
        return;
    }
    activeBodies.erase(body);
    ++activeRemovals;
    inactiveBodies.insert(body);
}

void PhysicsEngine::removeBody(PhysicsBody* body)
{
    if (activeBodies.erase(body))
        ++activeRemovals;
    inactiveBodies.erase(body);
    // Its address may be a new body's before the notes are read.
    unfollowable.erase(std::remove(unfollowable.begin(), unfollowable.end(), body), unfollowable.end());
    for (std::vector<HeldBody>* held : {&outOfReach, &takingOut}) {
        for (HeldBody& entry : *held) {
            if (entry.body == body)
                entry.body = nullptr;
        }
    }
}

void PhysicsEngine::addCollisionSpace(dGeomID objectSpace)
{
    if (!inCollision) {
        addSpaceNow(objectSpace);
        return;
    }
    pendingSpaceAdditions.insert(objectSpace);
    pendingSpaceRemovals.erase(objectSpace);
}

void PhysicsEngine::removeCollisionSpace(dGeomID objectSpace)
{
    if (!inCollision) {
        removeSpaceNow(objectSpace);
        return;
    }
    pendingSpaceRemovals.insert(objectSpace);
    pendingSpaceAdditions.erase(objectSpace);
}

void PhysicsEngine::forgetCollisionSpace(dGeomID objectSpace)
{
    pendingSpaceAdditions.erase(objectSpace);
    pendingSpaceRemovals.erase(objectSpace);
}

void PhysicsEngine::addSpaceNow(dGeomID objectSpace)
{
    // The library aborts on adding a member twice; a space already placed stays where it is.
    if (dGeomGetSpace(objectSpace))
        return;
    dSpaceAdd(getSpace(), objectSpace);
    // The library puts a new member at the head of the space's list without marking it moved, and
    // its clean-up before each collision pass walks only the head of moved members. A member that
    // has not moved since it was last cleaned (a formation's space, which holds no geometry and so
    // is never moved by its body) would hide every moved member behind it, whose bounds then stay
    // stale into the pass: an internal error that ends the process. Marked moved, it joins the head.
    dGeomMoved(objectSpace);
}

void PhysicsEngine::removeSpaceNow(dGeomID objectSpace)
{
    if (dGeomGetSpace(objectSpace) == getSpace())
        dSpaceRemove(getSpace(), objectSpace);
}

Ogre::Vector3 PhysicsEngine::impulseToForce(const Ogre::Vector3& impulse) const
{
    // Forces added to a body act during the next world step only, so the step, not the frame,
    // is the time over which the impulse must be delivered. The step is never zero.
    dVector3 force;
    dWorldImpulseToForce(getWorld(), stepSize, impulse.x, impulse.y, impulse.z, force);
    return toVector(force);
}

float PhysicsEngine::scalarImpulseToForce(float impulse) const
{
    return impulseToForce(Ogre::Vector3(impulse, 0.0f, 0.0f)).x;
}

void PhysicsEngine::castRay(const Ogre::Vector3& origin, const Ogre::Vector3& direction,
                            float length, void* data, dNearCallback* callback)
{
    if (!ray)
        ray = std::make_unique<PhysicsGeometry>(dCreateRay(nullptr, 1.0));
    const dGeomID rayGeometry = ray->getGeometry();
    dGeomRaySetLength(rayGeometry, length);
    dGeomRaySet(rayGeometry, origin.x, origin.y, origin.z, direction.x, direction.y, direction.z);
    dSpaceCollide2(rayGeometry, space->getGeometry(), data, callback);
}

void PhysicsEngine::update(float frameTime, float)
{
    if (Scheduler::getSingleton().isPaused())
        return;
    lastFrameTime = frameTime;
    Profiler* const profiler = Profiler::getSingletonPtr();
    // Before the collision pass files them: bodies placed out of reach, or handed a value that is no
    // number (which the body kept from the physics), since the last update.
    holdUnfollowable();
    {
        ProfileBlock block(profiler, "Collision");
        struct CollisionPass {
            bool& flag;
            explicit CollisionPass(bool& flag) : flag(flag) { flag = true; }
            ~CollisionPass() { flag = false; }
        } pass(inCollision);
        dSpaceCollide(getSpace(), this, &PhysicsEngine::spaceCallback);
    }
    // Taken after the collision pass, so bodies that listeners activated there are stepped.
    takeSnapshot();
    {
        ProfileBlock block(profiler, "Dynamics");
        stepWorld(frameTime, profiler);
    }
    holdCarriedOutOfReach();
    dJointGroupEmpty(contactGroup.get());
    applySpaceChanges();
    takeOutOfPlay();
    {
        ProfileBlock block(profiler, "Synchronise");
        synchronise();
    }
}

void PhysicsEngine::stepWorld(float frameTime, Profiler* profiler)
{
    // A time that does not compare (NaN) counts as the cap; one below zero simulates nothing.
    float dt = frameTime < MAX_FRAME_TIME ? frameTime : MAX_FRAME_TIME;
    if (dt < 0.0f)
        dt = 0.0f;
    accumulator += dt;
    while (accumulator >= stepSize) {
        for (PhysicsBody* body : snapshot) {
            if (isStillActive(body) && body->isActive())
                body->preStep();
        }
        {
            ProfileBlock block(profiler, "WorldQuickStep");
            dWorldQuickStep(getWorld(), stepSize);
        }
        accumulator -= stepSize;
    }
}

std::string PhysicsEngine::placeText(const dReal* position)
{
    // From the doubles the physics keeps: a body carried half a unit past the reach is at the
    // reach itself in float.
    return "(" + coordinateText(position[0]) + " " + coordinateText(position[1]) + " " + coordinateText(position[2])
           + "), beyond " + ValueRange::figure(MAX_COORDINATE) + " units on an axis";
}

void PhysicsEngine::noteUnfollowable(PhysicsBody* body)
{
    unfollowable.push_back(body);
}

void PhysicsEngine::holdUnfollowable()
{
    if (unfollowable.empty())
        return;
    const std::vector<PhysicsBody*> noted = std::move(unfollowable);
    unfollowable.clear();
    for (PhysicsBody* body : noted) {
        if (!activeBodies.count(body) || !body->isActive())
            continue;
        switch (body->getUnfollowable()) {
        case PhysicsBody::Unfollowable::PLACED_BEYOND_REACH:
            holdOutOfReach(body, "it was placed at " + placeText(dBodyGetPosition(body->getBody())));
            break;
        case PhysicsBody::Unfollowable::NOT_A_NUMBER:
            holdOutOfReach(body, "its place, its motion or a push on it is no finite number");
            break;
        case PhysicsBody::Unfollowable::NO:
            break;
        }
    }
}

void PhysicsEngine::holdCarriedOutOfReach()
{
    // Once a frame, after the steps: only the collision pass needs the reach, and steps of finite
    // values leave finite places. The body goes back to where the frame found it, so that what
    // follows it (a dying ship's explosions) happens there, in view.
    for (std::size_t i = 0; i < snapshot.size(); ++i) {
        PhysicsBody* const body = snapshot[i];
        if (!isStillActive(body) || !body->isActive() || body->isWithinReach())
            continue;
        const std::string why = "its steps would carry it to " + placeText(dBodyGetPosition(body->getBody()));
        const std::array<dReal, 3>& place = snapshotPlaces[i];
        dBodySetPosition(body->getBody(), place[0], place[1], place[2]);
        holdOutOfReach(body, why);
    }
}

void PhysicsEngine::holdOutOfReach(PhysicsBody* body, const std::string& why)
{
    const PhysicsBody::Owner* owner = body->getOwner();
    outOfReach.push_back({body, owner ? owner->getBodyName() : std::string("a body without an owner"), why});
    // Stopped, it takes no part in the rest of the steps, and its geometries leave the collision
    // space before the next pass could file them beyond the space's edge.
    body->deactivate(TAKEN_OUT);
    for (dGeomID geometry = dBodyGetFirstGeom(body->getBody()); geometry; geometry = dBodyGetNextGeom(geometry)) {
        if (const dSpaceID objectSpace = dGeomGetSpace(geometry))
            removeCollisionSpace(reinterpret_cast<dGeomID>(objectSpace));
    }
}

void PhysicsEngine::takeOutOfPlay()
{
    // Taken in turn: what one owner does (a capital ship takes its stations with it) may take
    // another held body out of play, or out of the registry (removeBody forgets it here), first.
    takingOut = std::move(outOfReach);
    outOfReach.clear();
    for (const HeldBody& held : takingOut)
        takeOutOfPlay(held);
    takingOut.clear();
}

void PhysicsEngine::takeOutOfPlay(const HeldBody& held)
{
    // Every owner leaves play through its own deactivate, which deactivates the body here: one
    // still active after its owner was told is an object left in play with its body stopped.
    bool keptInPlay = false;
    if (held.body && activeBodies.count(held.body)) {
        PhysicsBody::Owner* const owner = held.body->getOwner();
        if (owner)
            owner->bodyOutOfReach();
        keptInPlay = owner && held.body && activeBodies.count(held.body);
        if (held.body && activeBodies.count(held.body))
            deactivateBody(held.body);
    }
    // Written once the owner has acted, so that the line says what became of the object.
    GameLog::line("PhysicsEngine: " + held.name
                  + (keptInPlay ? " is stopped, but its owner kept it in play: " : " is taken out of play: ")
                  + held.why + ", where the physics cannot follow it");
}

void PhysicsEngine::applySpaceChanges()
{
    for (dGeomID objectSpace : pendingSpaceRemovals)
        removeSpaceNow(objectSpace);
    for (dGeomID objectSpace : pendingSpaceAdditions)
        addSpaceNow(objectSpace);
    pendingSpaceRemovals.clear();
    pendingSpaceAdditions.clear();
}

void PhysicsEngine::synchronise()
{
    for (PhysicsBody* body : snapshot) {
        if (isStillActive(body) && body->isActive())
            body->notifyListeners();
    }
}

void PhysicsEngine::takeSnapshot()
{
    snapshot.assign(activeBodies.begin(), activeBodies.end());
    snapshotRemovals = activeRemovals;
    snapshotPlaces.resize(snapshot.size());
    for (std::size_t i = 0; i < snapshot.size(); ++i) {
        const dReal* p = dBodyGetPosition(snapshot[i]->getBody());
        snapshotPlaces[i] = {p[0], p[1], p[2]};
    }
}

bool PhysicsEngine::isStillActive(PhysicsBody* body) const
{
    // Listeners may deactivate or destroy bodies while the snapshot is walked; only then is the
    // registry consulted.
    return snapshotRemovals == activeRemovals || activeBodies.count(body) != 0;
}

void PhysicsEngine::spaceCallback(void* data, dGeomID o1, dGeomID o2)
{
    auto* first = static_cast<CollisionGeometry*>(dGeomGetData(o1));
    auto* second = static_cast<CollisionGeometry*>(dGeomGetData(o2));
    if (!first || !second)
        return;
    if (!first->accepts(second) || !second->accepts(first))
        return;
    dSpaceCollide2(o1, o2, data, &PhysicsEngine::nearCallback);
}

void PhysicsEngine::nearCallback(void* data, dGeomID o1, dGeomID o2)
{
    static_cast<PhysicsEngine*>(data)->collideGeometries(o1, o2);
}

void PhysicsEngine::collideGeometries(dGeomID o1, dGeomID o2)
{
    auto* d1 = static_cast<CollisionBody*>(dGeomGetData(o1));
    auto* d2 = static_cast<CollisionBody*>(dGeomGetData(o2));
    if (!d1 || !d2)
        return;
    // Bodies held together by a joint (a capital ship and its turrets) never touch each other.
    const dBodyID joined1 = dGeomGetBody(o1);
    const dBodyID joined2 = dGeomGetBody(o2);
    if (joined1 && joined2 && joined1 != joined2 && dAreConnectedExcluding(joined1, joined2, dJointTypeContact))
        return;
    dContactGeom points[MAX_CONTACTS];
    const int n = dCollide(o1, o2, MAX_CONTACTS, points, sizeof(dContactGeom));
    if (n < 1)
        return;

    const Ogre::Vector3 position = toVector(points[0].pos);
    const Ogre::Vector3 normal = toVector(points[0].normal);
    // Both parties always hear of the contact, with the same position and normal.
    const bool firstAgrees = d1->collide(d2, d2->getComponentIndex(), position, normal);
    const bool secondAgrees = d2->collide(d1, d1->getComponentIndex(), position, normal);
    if (!firstAgrees || !secondAgrees)
        return;

    const dBodyID b1 = dGeomGetBody(o1);
    const dBodyID b2 = dGeomGetBody(o2);
    // A joint needs at least one body, and two different ones.
    if (b1 == b2)
        return;
    // Computed in double: the mean of two largest floats stays finite.
    const dReal mu = (static_cast<dReal>(d1->getFriction()) + d2->getFriction()) / 2;
    const float bounce = d2->getRestitution() > d1->getRestitution() ? d2->getRestitution()
                                                                    : d1->getRestitution();
    for (int i = 0; i < n; ++i) {
        dContact contact{};
        contact.geom = points[i];
        contact.surface.mode = dContactBounce | dContactApprox1;
        contact.surface.mu = mu;
        contact.surface.bounce = bounce;
        // Every approaching contact bounces, however slow.
        contact.surface.bounce_vel = 0;
        const dJointID joint = dJointCreateContact(getWorld(), contactGroup.get(), &contact);
        dJointAttach(joint, b1, b2);
    }
}

} // namespace Tolvarine
