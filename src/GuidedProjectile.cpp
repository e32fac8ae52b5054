#include "GuidedProjectile.h"

#include "Config.h"
#include "Faction.h"
#include "FrameDisplay.h"
#include "OgreLink.h"
#include "PhysicsBody.h"

namespace Tolvarine {

namespace {

const char* const SECTION = "Fireable";

} // namespace

const char* const GuidedProjectile::HULL = "Hull";

GuidedProjectile::GuidedProjectile(Config& type, const std::string& typeName)
    : Projectile(type, typeName)
    , Controllable(type)
    , timeToLive(type.get<float>(SECTION, "timeToLive"))
    , thrust(this, type)
    , behaviour(type, this)
    , weaponSystem(this)
{
    // Scene queries for targets find missiles through their link.
    getLink()->setTargetable(this);
    getLink()->setControllable(this);
    getLink()->setListener(this);
}

void GuidedProjectile::checkType(const Config& type, const std::string& typeName)
{
    // In the order a missile is built.
    Projectile::checkType(type, typeName);
    Targetable::checkType(type);
    MissileThrust::checkType(type);
    MissileBehaviour::checkType(type);
}

// The members (the guidance, then the engine) go before the Controllable and Projectile parts.
GuidedProjectile::~GuidedProjectile() = default;

float GuidedProjectile::getRange() const
{
    const float acceleration = thrust.getMaxForce() / body().getMass();
    return body().getVelocity().length() + 0.5f * acceleration * timeToLive * timeToLive;
}

void GuidedProjectile::launch(Faction* newFaction, bool newIsPlayer, const Ogre::Vector3& position,
                              const Ogre::Vector3& ownerVelocity, const Ogre::Quaternion& orientation, float speed,
                              Targetable* target)
{
    if (!beginFlight(newFaction, newIsPlayer, speed))
        return;
    weaponSystem.activate(newFaction);
    // Unlike a plain shot, a missile keeps the velocity of the craft that fired it.
    startFlight(newFaction->getId() | getLink()->getFlags(), position, orientation,
                ownerVelocity + orientation.zAxis() * -speed);
    behaviour.start(target);
    setInactive(false);
    thrust.start();
    getFrameDisplay().activate();
}

void GuidedProjectile::deactivate(DisableTime time)
{
    if (!isInFlight())
        return;
    endFlight(time);
    weaponSystem.deactivate();
    behaviour.stop();
    setInactive(true);
    thrust.stop();
    getFrameDisplay().deactivate();
    release(this, getTypeName());
}

bool GuidedProjectile::collide(CollisionListener* other, int otherComponent, const Ogre::Vector3& position,
                               const Ogre::Vector3&)
{
    if (!isInFlight() || !other)
        return false;
    if (!strike(*other, otherComponent, position))
        return false;
    startExplosion(other, position);
    recordHit();
    deactivate(OWN_END);
    return false;
}

void GuidedProjectile::destroy()
{
    if (!isInFlight())
        return;
    startExplosion(nullptr, body().getPosition());
    deactivate(OWN_END);
}

void GuidedProjectile::setFiringPrimary(bool firing)
{
    if (firing)
        destroy();
}

void GuidedProjectile::setFiringSecondary(bool firing)
{
    if (firing)
        destroy();
}

Ogre::Vector3 GuidedProjectile::getPosition() const
{
    return body().getPosition();
}

Ogre::Quaternion GuidedProjectile::getOrientation() const
{
    return body().getOrientation();
}

Ogre::Vector3 GuidedProjectile::getVelocity() const
{
    return body().getVelocity();
}

void GuidedProjectile::addPositionListener(PositionListener* listener)
{
    body().addPositionListener(listener);
}

void GuidedProjectile::removePositionListener(PositionListener* listener)
{
    body().removePositionListener(listener);
}

Ogre::Vector3 GuidedProjectile::predictPosition(float t) const
{
    return body().predictPosition(t);
}

Ogre::Vector3 GuidedProjectile::predictPositionWithThrust(float t) const
{
    return body().predictPositionWithThrust(t);
}

Ogre::Vector3 GuidedProjectile::predictPositionWithThrustFactor(float t, float factor) const
{
    return body().predictPositionWithThrustFactor(t, factor);
}

float GuidedProjectile::getBoundingRadius() const
{
    return DynamicCollidable::getBoundingRadius();
}

Faction* GuidedProjectile::getFaction()
{
    return Projectile::getFaction();
}

PhysicsBody* GuidedProjectile::getPhysicsBody()
{
    return &body();
}

const PhysicsBody* GuidedProjectile::getPhysicsBody() const
{
    return &body();
}

std::string GuidedProjectile::getComponentName(unsigned) const
{
    return HULL;
}

std::string GuidedProjectile::getComponentMesh(unsigned) const
{
    return std::string();
}

Ogre::Vector3 GuidedProjectile::getComponentPosition(unsigned) const
{
    return Ogre::Vector3::ZERO;
}

} // namespace Tolvarine
