#include "ShipDamageModel.h"

#include "CameraController.h"
#include "ComplexExplosion.h"
#include "ConfigurationError.h"
#include "Controllable.h"
#include "ExplosionManager.h"
#include "GameLog.h"
#include "GameplaySettings.h"
#include "InstrumentSoundManager.h"
#include "ParticleSpray.h"
#include "PhysicsBody.h"
#include "ShipExplosionSequence.h"
#include "ShipType.h"

#include <OgreCamera.h>
#include <OgreMath.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace Tolvarine {

namespace {

// Below this share of its armour a component is critical.
constexpr float criticalFraction = 0.3f;
// The plating holds this share of the weakest component's armour.
constexpr float platingFraction = 0.1f;
// A breached plating throws fireballs seen from within 1000 units, and plating sprays seen from
// between 100 and 400 units.
constexpr float fireballRangeSquared = 1000000.0f;
constexpr float platingNearSquared = 10000.0f;
constexpr float platingFarSquared = 160000.0f;
constexpr float scatter = 30.0f;
// What a breached plating throws: no type file names them.
const char* const FIREBALL_SPRAY = "fireball";
const char* const PLATING_SPRAY = "plating";
const char* const PLASMA_GROUP = "Plasma";
const char* const CONVENTIONAL_GROUP = "Conventional";

} // namespace

ShipDamageModel::ShipDamageModel(Controllable& ship, const ShipType& shipType)
    : owner(ship)
    , type(shipType)
    , health(shipType.getComponentCount(), 0.0f)
    , maintenanceTask([this](float elapsed) { return maintenanceUpdate(elapsed); },
                      "ShipDamageModel::maintenanceUpdate", 2.0f, 1.0f)
{
    reset();
}

ShipDamageModel::~ShipDamageModel() = default;

void ShipDamageModel::checkEffects()
{
    bool complete = true;
    for (const char* spray : {FIREBALL_SPRAY, PLATING_SPRAY}) {
        if (!ParticleSpray::getPools().hasType(spray)) {
            GameLog::line(std::string("ShipDamageModel: there is no particle spray type ") + spray
                          + ", which a ship's breached plating throws");
            complete = false;
        }
    }
    const ExplosionManager& explosions = ExplosionManager::getSingleton();
    for (const char* group : {PLASMA_GROUP, CONVENTIONAL_GROUP}) {
        if (!explosions.hasGroup(group)) {
            GameLog::line(std::string("ShipDamageModel: there is no explosion group ") + group
                          + ", which a ship's breached plating explodes into");
            complete = false;
        }
    }
    if (!complete)
        throw ConfigurationError();
}

unsigned ShipDamageModel::getComponentCount() const
{
    return type.getComponentCount();
}

std::string ShipDamageModel::getComponentName(unsigned index) const
{
    return type.getComponentName(index);
}

std::string ShipDamageModel::getComponentMesh(unsigned index) const
{
    return type.getComponentMesh(index);
}

Ogre::Vector3 ShipDamageModel::getComponentPosition(unsigned index) const
{
    return type.getComponentMeshPosition(index);
}

float ShipDamageModel::getComponentHealth(unsigned index) const
{
    return health.at(index);
}

float ShipDamageModel::getComponentHealthProportion(unsigned index) const
{
    const float armour = type.getComponentArmour(index);
    // A component without armour breaks at the first hit; it must not show as not a number.
    return armour > 0.0f ? health.at(index) / armour : 0.0f;
}

float ShipDamageModel::getWireframeScale() const
{
    return type.getDamageWireframeScale();
}

void ShipDamageModel::damageSubscribe(Subscriber newSubscriber)
{
    if (subscriber) {
        GameLog::line(
            "Warning: ShipDamageModel::damageSubscribe displacing existing subscriber");
    }
    subscriber = std::move(newSubscriber);
}

void ShipDamageModel::damageUnsubscribe()
{
    subscriber = nullptr;
}

int ShipDamageModel::getCollisionType() const
{
    return static_cast<int>(type.getCollisionFlags());
}

int ShipDamageModel::getComponentIndex(const std::string& componentName) const
{
    for (unsigned i = 0; i < type.getComponentCount(); ++i) {
        if (type.getComponentName(i) == componentName)
            return static_cast<int>(i);
    }
    return 0;
}

void ShipDamageModel::inflictDamage(const Ogre::Vector3& position, const Ogre::Vector3&,
                                    int component, float directDamage, float splashDamage,
                                    float shock, DamageType damageType)
{
    if (shockReceiver)
        shockReceiver(shock);
    // Every hit wears the plating down, but only a hit on a component can break through it. A
    // negative damage (a mending blast) mends it, but no further than whole, as with components:
    // above whole, the next hits would never break through.
    plating = std::min(plating - directDamage, platingCapacity);

    if (component >= 0 && static_cast<unsigned>(component) < health.size()) {
        const unsigned hit = static_cast<unsigned>(component);
        if (damageComponent(hit, directDamage))
            return;
        if (plating < 0.0f) {
            plating = platingCapacity;
            platingBreach(position, damageType);
        }
        for (unsigned neighbour : type.getComponentNeighbours(hit)) {
            if (damageComponent(neighbour, splashDamage))
                break;
        }
    } else if (component == NO_COMPONENT) {
        // A hit somewhere that belongs to no component.
    } else if (component == ALL_COMPONENTS) {
        for (unsigned i = 0; i < health.size(); ++i) {
            if (damageComponent(i, directDamage))
                break;
        }
    } else {
        GameLog::line(
            "ShipDamageModel: attempt to damage non-existent component: " +
            std::to_string(static_cast<std::uint32_t>(component)));
    }
}

void ShipDamageModel::applyExplosionForce(const Ogre::Vector3& force, const Ogre::Vector3& position)
{
    PhysicsBody* body = owner.getPhysicsBody();
    if (!body)
        return;
    body->addForceAtPosition(force * GameplaySettings::getSingleton().getExplosionRollProportion(),
                             position);
}

void ShipDamageModel::reset()
{
    float weakest = std::numeric_limits<float>::infinity();
    for (unsigned i = 0; i < health.size(); ++i) {
        health[i] = type.getComponentArmour(i);
        weakest = std::min(weakest, health[i]);
    }
    // Infinite without components: such a ship never breaches.
    platingCapacity = platingFraction * weakest;
    plating = platingCapacity;
}

void ShipDamageModel::activate()
{
    reset();
    // The task of a pooled ship still counts from its previous life; without the reset the first
    // repair would cover all the time the ship spent in the pool.
    maintenanceTask.reset();
    maintenanceTask.subscribe(true);
    destroyed = false;
}

void ShipDamageModel::deactivate()
{
    maintenanceTask.subscribe(false);
    if (ownerHasFocus()) {
        if (InstrumentSoundManager* sounds = InstrumentSoundManager::getSingletonPtr())
            sounds->setCriticalAlarm(false);
    }
}

void ShipDamageModel::destroy()
{
    if (!destroyed)
        startExplosionSequence();
}

bool ShipDamageModel::damageComponent(unsigned component, float amount)
{
    const float armour = type.getComponentArmour(component);
    const bool wasCritical = isCritical(component);
    // A negative amount must not lift the component above whole.
    health[component] = std::min(health[component] - amount, armour);
    bool brokenThrough = false;
    if (health[component] < 0.0f) {
        health[component] = 0.0f;
        brokenThrough = true;
        if (!destroyed)
            startExplosionSequence();
    } else if (ownerHasFocus() && isCritical(component)) {
        if (InstrumentSoundManager* sounds = InstrumentSoundManager::getSingletonPtr())
            sounds->setCriticalAlarm(true);
    } else if (wasCritical) {
        // A mending hit lifted it out of the critical band: the alarm stops once no other
        // component keeps it on, as after a repair.
        updateCriticalAlarm();
    }
    if (subscriber)
        subscriber(component);
    return brokenThrough;
}

void ShipDamageModel::updateCriticalAlarm()
{
    if (!ownerHasFocus())
        return;
    bool critical = false;
    for (unsigned i = 0; i < health.size() && !critical; ++i)
        critical = isCritical(i);
    if (InstrumentSoundManager* sounds = InstrumentSoundManager::getSingletonPtr())
        sounds->setCriticalAlarm(critical);
}

bool ShipDamageModel::maintenanceUpdate(float elapsed)
{
    if (health.empty())
        return true;
    const float amount = elapsed * type.getMaintenanceRate();

    // The weakest component that is not whole; component 0 when all are whole.
    unsigned picked = 0;
    bool found = false;
    for (unsigned i = 0; i < health.size(); ++i) {
        if (health[i] == type.getComponentArmour(i))
            continue;
        if (!found || health[i] < health[picked]) {
            picked = i;
            found = true;
        }
    }

    const bool wasCritical = isCritical(picked);
    const float armour = type.getComponentArmour(picked);
    health[picked] = std::max(0.0f, std::min(health[picked] + amount, armour));
    // Out of the band is not below 30 %: a repair that lands exactly on it lifts the component out.
    if (wasCritical && !isCritical(picked))
        updateCriticalAlarm();
    if (subscriber)
        subscriber(picked);
    return true;
}

void ShipDamageModel::setShockReceiver(std::function<void(float)> receiver)
{
    shockReceiver = std::move(receiver);
}

bool ShipDamageModel::isCritical(unsigned component) const
{
    return health[component] < criticalFraction * type.getComponentArmour(component);
}

bool ShipDamageModel::ownerHasFocus() const
{
    return Controllable::getFocused() == &owner;
}

void ShipDamageModel::startExplosionSequence()
{
    // Marked first: whatever happens while the sequence starts, it starts once per life.
    destroyed = true;
    const std::string& sequenceType = type.getExplosionGroup();
    // The game refuses such ship types at start-up; a tool or test that loads ships without
    // their sequences gets a log line rather than an end to the battle.
    if (!ShipExplosionSequence::getPoolFactory().hasType(sequenceType)) {
        GameLog::line("ShipDamageModel: no explosion sequence " + sequenceType +
                      " for a destroyed " + type.getName());
        return;
    }
    ShipExplosionSequence::create(sequenceType, &owner, false, Ogre::Vector3::ZERO);
}

void ShipDamageModel::platingBreach(const Ogre::Vector3& position, DamageType damageType)
{
    // Only for the eye: nothing happens where the player cannot see it.
    const CameraController* cameras = CameraController::getSingletonPtr();
    const Ogre::Camera* camera = cameras ? cameras->getCamera() : nullptr;
    if (!camera || !camera->isVisible(position))
        return;
    const float distanceSquared = camera->getDerivedPosition().squaredDistance(position);
    const PhysicsBody* body = owner.getPhysicsBody();
    const Ogre::Vector3 shipVelocity = body ? body->getVelocity() : Ogre::Vector3::ZERO;
    // The ship's velocity scattered by up to 30 along each axis, drawn anew for every effect.
    const auto scattered = [&shipVelocity] {
        const float x = Ogre::Math::RangeRandom(-scatter, scatter);
        const float y = Ogre::Math::RangeRandom(-scatter, scatter);
        const float z = Ogre::Math::RangeRandom(-scatter, scatter);
        return shipVelocity + Ogre::Vector3(x, y, z);
    };

    if (Ogre::Math::UnitRandom() < 0.5f) {
        if (distanceSquared < fireballRangeSquared) {
            const int fireballs = static_cast<int>(std::floor(Ogre::Math::RangeRandom(1.0f, 3.3f)));
            for (int i = 0; i < fireballs; ++i)
                ParticleSpray::spray(FIREBALL_SPRAY, position, scattered());
        }
        return;
    }
    const Ogre::Vector3 velocity = scattered();
    if (distanceSquared > platingNearSquared && distanceSquared < platingFarSquared)
        ParticleSpray::spray(PLATING_SPRAY, position, velocity);
    const char* group = nullptr;
    if (damageType == BEAM || damageType == PLASMA)
        group = PLASMA_GROUP;
    else if (damageType == CONVENTIONAL)
        group = CONVENTIONAL_GROUP;
    // The blast of an explosion (type 3) makes no explosion of its own; tools that run without
    // explosions make none either.
    ExplosionManager* explosions = ExplosionManager::getSingletonPtr();
    if (group && explosions)
        explosions->createFromGroup(group)->activate(position, velocity, nullptr);
}

} // namespace Tolvarine
