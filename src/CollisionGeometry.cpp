#include "CollisionGeometry.h"

#include "CollisionBody.h"
#include "CollisionMeshCache.h"
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

// The line names the file's place as well, so that a type whose objects are first built mid-game
// is refused at start-up with its file.
[[noreturn]] void rejectValue(const Config& config, const std::string& section, const std::string& key,
                              const std::string& text)
{
    GameLog::line("Collision geometry in section " + section + ": "
                  + text);
    config.logPlace(section, key);
    throw ConfigurationError();
}

// The collision library stops the program on negative extents; a type file must not be able to.
float readExtent(const Config& config, const std::string& section, const std::string& key)
{
    const float value = config.get<float>(section, key);
    if (!(value >= 0.0f) || !std::isfinite(value))
        rejectValue(config, section, key, key + " must be a number not below 0");
    return value;
}

Ogre::Vector3 readSize(const Config& config, const std::string& section)
{
    const Ogre::Vector3 size = config.get<Ogre::Vector3>(section, "size");
    for (const float edge : {size.x, size.y, size.z}) {
        if (!(edge >= 0.0f) || !std::isfinite(edge))
            rejectValue(config, section, "size", "size must have no edge below 0");
    }
    return size;
}

bool isKnownType(const std::string& type)
{
    return type == "box" || type == "sphere" || type == "ray" || type == "trimesh";
}

// The sections that give a geometry, each once (a header written twice names one section), in
// file order. A section of another type is skipped without a message. An object left with no
// geometry plays on untouched: fighters, a capital ship, its turrets, both debris pieces and every
// shot type with none flew a battle, were fired at, fired, timed out or were destroyed, and went
// back to their pools.
std::vector<std::string> geometrySections(const Config& config)
{
    std::vector<std::string> sections;
    std::set<std::string> seen;
    for (const std::string& section : config.getSectionNames()) {
        if (section.find(SECTION_MARK) == std::string::npos || !seen.insert(section).second)
            continue;
        if (isKnownType(config.get<std::string>(section, "type")))
            sections.push_back(section);
    }
    return sections;
}

// Everything one section gives, read and checked before anything is built: by the constructor, and
// by the type loaders' check for types whose objects are first built mid-game.
struct Shape {
    std::string component;
    std::string type;
    Placement placement;
    Ogre::Vector3 size = Ogre::Vector3::ZERO;
    // A sphere's radius or a ray's length.
    float extent = 0.0f;
    // A ray's start within the placement, and its direction.
    Ogre::Vector3 start = Ogre::Vector3::ZERO;
    Ogre::Vector3 direction = Ogre::Vector3::NEGATIVE_UNIT_Z;
    std::string mesh;
    int triangleBudget = 0;
};

Shape readShape(const Config& config, const std::string& section, const Placement& offset, bool offsetGiven)
{
    Shape shape;
    shape.component = config.get<std::string>(section, "component", "");
    shape.type = config.get<std::string>(section, "type");
    shape.placement = offset;
    if (!offsetGiven) {
        shape.placement.position = config.get<Ogre::Vector3>(section, "position", Ogre::Vector3::ZERO);
        shape.placement.orientation =
            eulerDegreesToQuaternion(config.get<Ogre::Vector3>(section, "rotationAngles", Ogre::Vector3::ZERO));
    }
    if (shape.type == "box") {
        shape.size = readSize(config, section);
    } else if (shape.type == "sphere") {
        shape.extent = readExtent(config, section, "radius");
    } else if (shape.type == "ray") {
        // Without a caller's offset the section's position is already the placement.
        if (offsetGiven)
            shape.start = config.get<Ogre::Vector3>(section, "position", Ogre::Vector3::ZERO);
        shape.extent = readExtent(config, section, "length");
        shape.direction = config.get<Ogre::Vector3>(section, "direction", Ogre::Vector3::NEGATIVE_UNIT_Z);
        if (!std::isfinite(shape.direction.length()) || shape.direction.isZeroLength())
            rejectValue(config, section, "direction", "direction must be a finite vector other than zero");
    } else {
        shape.mesh = config.get<std::string>(section, "mesh");
        shape.triangleBudget = config.get<int>(section, "triangleBudget", 0);
    }
    return shape;
}

// The mesh's own line names only the mesh; this one names the file that names it.
template <typename Build>
auto withMeshPlace(const Config& config, const std::string& section, Build build)
{
    try {
        return build();
    } catch (const ConfigurationError&) {
        config.logPlace(section, "mesh");
        throw;
    }
}

// A ray of the collision library starts at its geometry's origin and points along the geometry's
// +Z axis, whatever was set on it before it joined a body. So the ray's start and direction become
// the placement of the geometry: moved to the start and turned so that +Z is the direction.
std::unique_ptr<PhysicsGeometry> createShape(const Config& config, const std::string& section, Shape& shape)
{
    if (shape.type == "box")
        return std::make_unique<PhysicsGeometry>(dCreateBox(nullptr, shape.size.x, shape.size.y, shape.size.z));
    if (shape.type == "sphere")
        return std::make_unique<PhysicsGeometry>(dCreateSphere(nullptr, shape.extent));
    if (shape.type == "ray") {
        Placement& placement = shape.placement;
        placement.position = placement.position + placement.orientation * shape.start;
        placement.orientation =
            placement.orientation * Ogre::Vector3::UNIT_Z.getRotationTo(shape.direction.normalisedCopy());
        return std::make_unique<PhysicsGeometry>(dCreateRay(nullptr, shape.extent));
    }
    return withMeshPlace(config, section, [&shape]() -> std::unique_ptr<PhysicsGeometry> {
        return std::make_unique<TriMeshGeometry>(nullptr, shape.mesh, shape.triangleBudget);
    });
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
    for (const std::string& section : geometrySections(config)) {
        Shape shape = readShape(config, section, Placement{offsetPosition, offsetOrientation}, offsetGiven);
        std::unique_ptr<PhysicsGeometry> geometry = createShape(config, section, shape);
        addCollisionBody(std::make_shared<CollisionBody>(shape.component, std::move(geometry),
                                                         shape.placement.position, shape.placement.orientation));
    }
}

void CollisionGeometry::checkSections(const Config& config)
{
    for (const std::string& section : geometrySections(config)) {
        const Placement none{Ogre::Vector3::ZERO, Ogre::Quaternion::IDENTITY};
        const Shape shape = readShape(config, section, none, false);
        // The collision mesh is built once per mesh name and kept: building it now is what the
        // first object of the type would do. Tools without the cache read the values alone.
        CollisionMeshCache* cache = CollisionMeshCache::getSingletonPtr();
        if (shape.type == "trimesh" && cache)
            withMeshPlace(config, section, [&]() { return cache->getMesh(shape.mesh, shape.triangleBudget); });
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
