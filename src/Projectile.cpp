#include "Projectile.h"

#include "ComplexExplosion.h"
#include "Config.h"
#include "ExplosionManager.h"
#include "Faction.h"
#include "GameLog.h"
#include "MaterialCheck.h"
#include "OgreLink.h"
#include "PhysicsEngine.h"
#include "Statistics.h"
#include "ValueRange.h"

#include <OgreBillboard.h>
#include <OgreBillboardSet.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace Tolvarine {

namespace {

const char* const SECTION = "Fireable";

} // namespace

unsigned Projectile::nextNumber = 0;

struct Projectile::Billboards {
    Ogre::MaterialPtr material;
    float size = 0.0f;
    Ogre::ColourValue colour;
    std::vector<Ogre::Vector3> positions;
    // The keys of section "Particles", which size the set.
    unsigned keyCount = 0;
};

struct Projectile::Settings {
    float directDamage = 0.0f;
    float splashDamage = 0.0f;
    float shock = 0.0f;
    float impactImpulse = 0.0f;
    std::string explosionGroup;
    DamageType damageType = CONVENTIONAL;
    bool alwaysTriggerOnCollision = true;
    float timeToLive = 0.0f;
    std::optional<Billboards> billboards;
};

Projectile::Settings Projectile::readSettings(const Config& type, const std::string& typeName)
{
    Settings settings;
    settings.directDamage = type.get<float>(SECTION, "directDamage");
    settings.splashDamage = type.get<float>(SECTION, "splashDamage");
    settings.shock = type.get<float>(SECTION, "shock");
    settings.impactImpulse = type.get<float>(SECTION, "impactImpulse");
    settings.explosionGroup = ExplosionManager::readGroup(type, SECTION, "explosionGroup");
    settings.damageType = parseDamageType(type.get<std::string>(SECTION, "damageType"));
    settings.alwaysTriggerOnCollision = type.get<bool>(SECTION, "alwaysTriggerOnCollision", true);
    settings.timeToLive = type.get<float>(SECTION, "timeToLive");
    if (type.get<bool>(SECTION, "billboardSet", false))
        settings.billboards = readBillboards(type, typeName);
    return settings;
}

Projectile::Billboards Projectile::readBillboards(const Config& type, const std::string& typeName)
{
    Billboards billboards;
    billboards.material = requireMaterial(type, "billboardMaterial", typeName);
    billboards.size = ValueRange::drawnLength(type, SECTION, "billboardSize");
    billboards.colour = type.get<Ogre::ColourValue>(SECTION, "billboardColour");
    const std::vector<std::string> keys = type.getKeys("Particles");
    billboards.keyCount = static_cast<unsigned>(keys.size());
    for (const std::string& key : keys) {
        if (key.find("position") != std::string::npos)
            billboards.positions.push_back(type.get<Ogre::Vector3>("Particles", key));
    }
    return billboards;
}

void Projectile::checkType(const Config& type, const std::string& typeName)
{
    readSettings(type, typeName);
}

Projectile::Projectile(Config& type, const std::string& typeName)
    : Projectile(type, typeName, readSettings(type, typeName))
{
}

Projectile::Projectile(Config& type, const std::string& typeName, const Settings& settings)
    : DynamicCollidable("Fireable" + std::to_string(nextNumber++), type, Ogre::Vector3::ZERO,
                        Ogre::Quaternion::IDENTITY)
    , typeName(typeName)
    , directDamage(settings.directDamage)
    , splashDamage(settings.splashDamage)
    , shock(settings.shock)
    , impactImpulse(settings.impactImpulse)
    , explosionGroup(settings.explosionGroup)
    , damageType(settings.damageType)
    , alwaysTriggerOnCollision(settings.alwaysTriggerOnCollision)
    , timeoutTask([this](float elapsed) { return timeout(elapsed); }, "Projectile::timeout", settings.timeToLive,
                  0.0f, 0, 0.0f)
{
    setGeometryOwner(this);
    // Scene queries that resolve a hit reach this object's listener face through its link.
    getLink()->setListener(this);
    if (settings.billboards)
        createBillboardSet(*settings.billboards);
}

Projectile::~Projectile()
{
    if (billboardSet) {
        if (Ogre::SceneNode* parent = billboardSet->getParentSceneNode())
            parent->detachObject(billboardSet);
        getSceneManager().destroyBillboardSet(billboardSet);
    }
}

void Projectile::createBillboardSet(const Billboards& billboards)
{
    billboardSet = getSceneManager().createBillboardSet(getSceneNode()->getName() + "/ProjectileBS",
                                                       billboards.keyCount);
    // Scene queries look for game objects; a shot's sparkle must never be found by them.
    billboardSet->setQueryFlags(0);
    getSceneNode()->attachObject(billboardSet);
    billboardSet->setMaterial(billboards.material);
    billboardSet->setDefaultDimensions(billboards.size, billboards.size);
    for (const Ogre::Vector3& position : billboards.positions)
        billboardSet->createBillboard(position, billboards.colour);
}

Ogre::MaterialPtr Projectile::requireMaterial(const Config& type, const std::string& key, const std::string& typeName)
{
    return MaterialCheck::require(type, SECTION, key, "Projectile type " + typeName);
}

Ogre::SceneManager& Projectile::getSceneManager() const
{
    return *getSceneNode()->getCreator();
}

void Projectile::launch(Faction* newFaction, bool newIsPlayer, const Ogre::Vector3& position,
                        const Ogre::Vector3&, const Ogre::Quaternion& orientation, float speed,
                        Targetable*)
{
    if (beginFlight(newFaction, newIsPlayer, speed))
        startFlight(getLink()->getFlags(), position, orientation, orientation.zAxis() * -speed);
}

bool Projectile::beginFlight(Faction* newFaction, bool newIsPlayer, float speed)
{
    if (isInFlight()) {
        deactivate(REACTIVATION);
        reclaim(this, typeName);
    }
    if (!newFaction) {
        refuseLaunch("without a faction");
        return false;
    }
    if (!std::isfinite(speed)) {
        refuseLaunch("at a speed that is not a finite number");
        return false;
    }
    faction = newFaction;
    isPlayer = newIsPlayer;
    if (Statistics* statistics = Statistics::getSingletonPtr())
        statistics->recordShot(faction->getName(), isPlayer, typeName);
    return true;
}

void Projectile::startFlight(unsigned long queryFlags, const Ogre::Vector3& position,
                             const Ogre::Quaternion& orientation, const Ogre::Vector3& velocity)
{
    activate(queryFlags, position, orientation, velocity);
    timeoutTask.reset();
    timeoutTask.subscribe(true);
}

void Projectile::refuseLaunch(const std::string& reason)
{
    GameLog::line("Projectile::launch, " + typeName + " launched " + reason);
    // Nobody else would ever give it back: an object out of flight never deactivates.
    release(this, typeName);
}

void Projectile::deactivate(DisableTime time)
{
    if (!isInFlight())
        return;
    endFlight(time);
    release(this, typeName);
}

void Projectile::endFlight(DisableTime time)
{
    faction = nullptr;
    DynamicCollidable::deactivate(time);
    timeoutTask.subscribe(false);
}

int Projectile::getCollisionType() const
{
    return 0;
}

int Projectile::getComponentIndex(const std::string&) const
{
    return 0;
}

bool Projectile::collide(CollisionListener* other, int otherComponent, const Ogre::Vector3& position,
                         const Ogre::Vector3&)
{
    if (!isInFlight() || !other)
        return false;
    recordHit();
    if (!strike(*other, otherComponent, position))
        return false;
    if (!alwaysTriggerOnCollision && (other->getCollisionType() & TRIGGER_BIT) == 0)
        return false;
    explode(other, position);
    return false;
}

void Projectile::recordHit() const
{
    if (Statistics* statistics = Statistics::getSingletonPtr())
        statistics->recordHit(faction->getName(), isPlayer, typeName, hitDamage(directDamage, splashDamage));
}

bool Projectile::strike(CollisionListener& other, int otherComponent, const Ogre::Vector3& position)
{
    other.inflictDamage(position, getPhysicsBody().getVelocity(), otherComponent, directDamage, splashDamage, shock,
                        damageType);
    // The damage may have ended the scenario, and with it this flight.
    if (!isInFlight())
        return false;

    const Ogre::Vector3 impulse = getPhysicsBody().getOrientation().zAxis() * -impactImpulse;
    other.applyExplosionForce(PhysicsEngine::getSingleton().impulseToForce(impulse), position);
    return isInFlight();
}

namespace {

// The shot's velocity times a proportion of the type file, each component held within the float
// range: a proportion of 1.7e38 made the explosion's velocity no number, and the spray it fires
// turned its particles by it, which ended the game through the renderer's assertion on their box.
// Held, the explosion flies out of the physics' reach and leaves play as any body thrown so.
Ogre::Vector3 proportionOf(const Ogre::Vector3& velocity, float proportion)
{
    const double largest = std::numeric_limits<float>::max();
    Ogre::Vector3 product;
    for (int i = 0; i < 3; ++i)
        product[i] = static_cast<float>(std::clamp(double(velocity[i]) * proportion, -largest, largest));
    return product;
}

} // namespace

Ogre::Vector3 Projectile::explosionVelocity(const CollisionListener* other) const
{
    const Config& type = getType(typeName);
    const Ogre::Vector3 velocity = getPhysicsBody().getVelocity();
    if (other && (other->getCollisionType() & BOUNCE_BIT) != 0)
        return proportionOf(velocity, -type.get<float>(SECTION, "explosionBounceSpeedProportion"));
    return proportionOf(velocity, type.get<float>(SECTION, "explosionSpeedProportion"));
}

void Projectile::explode(const CollisionListener* other, const Ogre::Vector3& position)
{
    startExplosion(other, position);
    deactivate(OWN_END);
}

void Projectile::startExplosion(const CollisionListener* other, const Ogre::Vector3& position)
{
    try {
        const Ogre::Vector3 velocity = explosionVelocity(other);
        ComplexExplosion* explosion = ExplosionManager::getSingleton().createFromGroup(explosionGroup);
        explosion->activate(position, velocity, ComplexExplosion::Callback());
    } catch (...) {
        // A bad type file stops the game, but the shot must not stay in flight meanwhile.
        deactivate(OWN_END);
        throw;
    }
}

void Projectile::inflictDamage(const Ogre::Vector3&, const Ogre::Vector3&, int, float, float, float, DamageType)
{
}

void Projectile::applyExplosionForce(const Ogre::Vector3&, const Ogre::Vector3&)
{
}

bool Projectile::timeout(float)
{
    deactivate(OWN_END);
    return false;
}

unsigned Projectile::hitDamage(float directDamage, float splashDamage)
{
    const double sum = static_cast<double>(directDamage) + splashDamage;
    // A negative or out-of-range sum would make the conversion undefined.
    if (!(sum > 0.0))
        return 0;
    const double largest = std::numeric_limits<unsigned>::max();
    return sum >= largest ? std::numeric_limits<unsigned>::max() : static_cast<unsigned>(sum);
}

} // namespace Tolvarine
