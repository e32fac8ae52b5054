#include "CollisionGeometry.h"

#include "CollisionBody.h"
#include "Config.h"
#include "ConfigurationError.h"
#include "GameLog.h"
#include "PhysicsEngine.h"
#include "PhysicsGeometry.h"
#include "TriMeshGeometry.h"

#include <ode/collision.h>
#include <ode/collision_space.h>

#include <cmath>
#include <set>
#include <string>

namespace Tolvarine {

namespace {

const std::string SECTION_MARK = "Collision_Geometry";

// Where a geometry sits in its body's frame.
struct Placement {
    Ogre::Vector3 position;
    Ogre::Quaternion orientation;
};

[[noreturn]] void rejectValue(const std::string& section, const std::string& text)
{
    GameLog::line("Collision geometry in section " + section + ": "
                  + text);
    throw ConfigurationError();
}

// The collision library stops the program on negative extents; a type file must not be able to.
float readExtent(const Config& config, const std::string& section, const std::string& key)
{
    const float value = config.get<float>(section, key);
    if (!(value >= 0.0f) || !std::isfinite(value))
        rejectValue(section, key + " must be a number not below 0");
    return value;
}

Ogre::Vector3 readSize(const Config& config, const std::string& section)
{
    const Ogre::Vector3 size = config.get<Ogre::Vector3>(section, "size");
    for (const float edge : {size.x, size.y, size.z}) {
        if (!(edge >= 0.0f) || !std::isfinite(edge))
            rejectValue(section, "size must have no edge below 0");
    }
    return size;
}

// A ray of the collision library starts at its geometry's origin and points along the geometry's
// +Z axis, whatever was set on it before it joined a body. So the ray's start and direction become
// the placement of the geometry: moved to the start and turned so that +Z is the direction.
// `start` is the ray's start within `placement`.
std::unique_ptr<PhysicsGeometry> createRay(const Config& config, const std::string& section,
                                           const Ogre::Vector3& start, Placement& placement)
{
    const float length = readExtent(config, section, "length");
    const Ogre::Vector3 direction =
        config.get<Ogre::Vector3>(section, "direction", Ogre::Vector3::NEGATIVE_UNIT_Z);
    if (!std::isfinite(direction.length()) || direction.isZeroLength())
        rejectValue(section, "direction must be a finite vector other than zero");
    placement.position = placement.position + placement.orientation * start;
    placement.orientation =
        placement.orientation * Ogre::Vector3::UNIT_Z.getRotationTo(direction.normalisedCopy());
    return std::make_unique<PhysicsGeometry>(dCreateRay(nullptr, length));
}

bool isKnownType(const std::string& type)
{
    return type == "box" || type == "sphere" || type == "ray" || type == "trimesh";
}

// A mistyped type would leave the part without a collision body, so that shots fly through it.
const std::string& requireKnownType(const Config& config, const std::string& section, const std::string& type)
{
    if (!isKnownType(type))
        rejectValue(section, "unknown type " + type + " in " + config.getPath());
    return type;
}

// The shape of one section, or null for a type that is not one of the four.
std::unique_ptr<PhysicsGeometry> createShape(const Config& config, const std::string& section,
                                             const std::string& type, bool sectionPlacement,
                                             Placement& placement)
{
    if (type == "box") {
        const Ogre::Vector3 size = readSize(config, section);
        return std::make_unique<PhysicsGeometry>(dCreateBox(nullptr, size.x, size.y, size.z));
    }
    if (type == "sphere")
        return std::make_unique<PhysicsGeometry>(
            dCreateSphere(nullptr, readExtent(config, section, "radius")));
    if (type == "ray") {
        // Without a caller's offset the section's position is already the placement.
        const Ogre::Vector3 start =
            sectionPlacement ? Ogre::Vector3::ZERO
                             : config.get<Ogre::Vector3>(section, "position", Ogre::Vector3::ZERO);
        return createRay(config, section, start, placement);
    }
    if (type == "trimesh") {
        const std::string mesh = config.get<std::string>(section, "mesh");
        const int budget = config.get<int>(section, "triangleBudget", 0);
        // The mesh's own line names only the mesh; this one names the file that names it.
        try {
            return std::make_unique<TriMeshGeometry>(nullptr, mesh, budget);
        } catch (const ConfigurationError&) {
            config.logPlace(section, "mesh");
            throw;
        }
    }
    return nullptr;
}

} // namespace

CollisionGeometry::CollisionGeometry()
    : space(std::make_unique<PhysicsGeometry>(reinterpret_cast<dGeomID>(dSimpleSpaceCreate(nullptr))))
{
    dSpaceSetCleanup(getSpace(), 0);
    dGeomSetData(space->getGeometry(), this);
}

CollisionGeometry::CollisionGeometry(const Config& config, const Ogre::Vector3& offsetPosition,
                                     const Ogre::Quaternion& offsetOrientation)
    : CollisionGeometry()
{
    const bool offsetGiven =
        offsetPosition != Ogre::Vector3::ZERO || offsetOrientation != Ogre::Quaternion::IDENTITY;
    // A header written twice names one section: it gives one geometry.
    std::set<std::string> built;
    for (const std::string& section : config.getSectionNames()) {
        if (section.find(SECTION_MARK) == std::string::npos || !built.insert(section).second)
            continue;
        const std::string component = config.get<std::string>(section, "component", "");
        const std::string type = requireKnownType(config, section, config.get<std::string>(section, "type"));
        Placement placement {offsetPosition, offsetOrientation};
        if (!offsetGiven) {
            placement.position =
                config.get<Ogre::Vector3>(section, "position", Ogre::Vector3::ZERO);
            placement.orientation = eulerDegreesToQuaternion(
                config.get<Ogre::Vector3>(section, "rotationAngles", Ogre::Vector3::ZERO));
        }
        std::unique_ptr<PhysicsGeometry> shape =
            createShape(config, section, type, !offsetGiven, placement);
        addCollisionBody(std::make_shared<CollisionBody>(component, std::move(shape),
                                                         placement.position,
                                                         placement.orientation));
    }
}

void CollisionGeometry::checkTypes(const Config& config)
{
    for (const std::string& section : config.getSectionNames()) {
        if (section.find(SECTION_MARK) != std::string::npos)
            requireKnownType(config, section, config.get<std::string>(section, "type"));
    }
}

CollisionGeometry::~CollisionGeometry()
{
    // A change of the top-level space may still be waiting for this space.
    if (PhysicsEngine* engine = PhysicsEngine::getSingletonPtr())
        engine->forgetCollisionSpace(space->getGeometry());
    // The bodies' geometries leave the space as they are destroyed; the space goes last, which
    // also takes it out of the top-level space.
    bodies.clear();
}

bool CollisionGeometry::accepts(CollisionGeometry*)
{
    return true;
}

void CollisionGeometry::addCollisionBody(std::shared_ptr<CollisionBody> body)
{
    dSpaceAdd(getSpace(), body->getGeometry());
    bodies.push_back(std::move(body));
}

void CollisionGeometry::enable()
{
    // The engine checks membership itself, so a space taken out and put back during one collision
    // pass ends up in the top-level space.
    PhysicsEngine::getSingleton().addCollisionSpace(space->getGeometry());
    for (const auto& body : bodies)
        body->setEnabled(true);
}

void CollisionGeometry::disable(DisableTime)
{
    PhysicsEngine::getSingleton().removeCollisionSpace(space->getGeometry());
    for (const auto& body : bodies)
        body->setEnabled(false);
}

void CollisionGeometry::setBody(PhysicsBody& body)
{
    for (const auto& collisionBody : bodies)
        collisionBody->setBody(body);
}

void CollisionGeometry::setListener(CollisionListener* owner)
{
    for (const auto& body : bodies)
        body->setListener(owner);
}

dSpaceID CollisionGeometry::getSpace() const
{
    return reinterpret_cast<dSpaceID>(space->getGeometry());
}

} // namespace Tolvarine
