#include "Beam.h"

#include "BeamBillboard.h"
#include "ComplexExplosion.h"
#include "Config.h"
#include "ExplosionManager.h"
#include "Faction.h"
#include "GameLog.h"
#include "MaterialCheck.h"
#include "OgreLink.h"
#include "PhysicsEngine.h"
#include "Projectile.h"
#include "Statistics.h"
#include "Targetable.h"

#include <OgreMatrix3.h>
#include <OgreSceneNode.h>

#include <algorithm>

namespace Tolvarine {

namespace {

const char* const SECTION = "Fireable";

} // namespace

unsigned Beam::nextNumber = 0;

struct Beam::Settings {
    bool guidedBeam = false;
    float directDamage = 0.0f;
    float splashDamage = 0.0f;
    float shock = 0.0f;
    float impactImpulse = 0.0f;
    float range = 0.0f;
    std::string explosionGroup;
    float timeToLive = 0.0f;
    float updatePeriod = 0.0f;
    float updateVariance = 0.0f;
    Ogre::ColourValue beamColour;
    std::string materialName;
    float beamSize = 0.0f;
};

Beam::Settings Beam::readSettings(const Config& type, const std::string& typeName)
{
    Settings settings;
    settings.guidedBeam = type.get<bool>(SECTION, "guidedBeam");
    settings.directDamage = type.get<float>(SECTION, "directDamage");
    settings.splashDamage = type.get<float>(SECTION, "splashDamage");
    settings.shock = type.get<float>(SECTION, "shock");
    settings.impactImpulse = type.get<float>(SECTION, "impactImpulse");
    settings.range = type.get<float>(SECTION, "range");
    settings.explosionGroup = ExplosionManager::readGroup(type, SECTION, "explosionGroup");
    settings.timeToLive = type.get<float>(SECTION, "timeToLive");
    settings.updatePeriod = type.get<float>(SECTION, "updatePeriod");
    settings.updateVariance = type.get<float>(SECTION, "updateVariance");
    settings.beamColour = type.get<Ogre::ColourValue>(SECTION, "beamColour");
    settings.materialName = type.get<std::string>(SECTION, "materialName");
    MaterialCheck::require(type, SECTION, "materialName", "Projectile type " + typeName);
    settings.beamSize = type.get<float>(SECTION, "beamSize");
    return settings;
}

void Beam::checkType(const Config& type, const std::string& typeName)
{
    readSettings(type, typeName);
}

Beam::Beam(Config& type, const std::string& typeName)
    : Beam(type, typeName, readSettings(type, typeName))
{
}

Beam::Beam(Config& type, const std::string& typeName, const Settings& settings)
    : DynamicCollidable("Beam" + std::to_string(nextNumber++), type, Ogre::Vector3::ZERO, Ogre::Quaternion::IDENTITY)
    , typeName(typeName)
    , guidedBeam(settings.guidedBeam)
    , directDamage(settings.directDamage)
    , splashDamage(settings.splashDamage)
    , shock(settings.shock)
    , impactImpulse(settings.impactImpulse)
    , range(settings.range)
    , explosionGroup(settings.explosionGroup)
    , timeToLive(settings.timeToLive)
    , updateTask([this](float sinceLast) { return update(sinceLast); }, "Beam::update", settings.updatePeriod,
                 settings.updateVariance, 0, 0.0f)
    , beamColour(settings.beamColour)
{
    setGeometryOwner(this);
    // Scene queries that resolve a hit reach this object's listener face through its link.
    getLink()->setListener(this);
    billboard = std::make_unique<BeamBillboard>(getSceneNode()->getName() + "/Beam");
    getSceneNode()->attachObject(billboard.get());
    billboard->setMaterial(settings.materialName);
    billboard->setWidth(settings.beamSize);
    billboard->setStart(Ogre::Vector3::ZERO);
    billboard->setEnd(Ogre::Vector3(0, 0, -range));
}

Beam::~Beam()
{
    if (Ogre::SceneNode* parent = billboard->getParentSceneNode())
        parent->detachObject(billboard.get());
}

Ogre::Quaternion Beam::aimAt(const Ogre::Vector3& from, const Ogre::Vector3& to, const Ogre::Quaternion& fallback)
{
    Ogre::Vector3 d = from - to;
    if (d.squaredLength() < 1e-12f)
        return fallback;
    d.normalise();
    const Ogre::Vector3 p = d.perpendicular();
    return Ogre::Quaternion(p.crossProduct(d), p, d);
}

void Beam::launch(Faction* newFaction, bool newIsPlayer, const Ogre::Vector3& position, const Ogre::Vector3&,
                  const Ogre::Quaternion& orientation, float, Targetable* target)
{
    if (isLive()) {
        deactivate(REACTIVATION);
        reclaim(this, typeName);
    }
    if (!newFaction) {
        GameLog::line("Beam::launch, " + typeName + " launched without a faction");
        release(this, typeName);
        return;
    }
    faction = newFaction;
    isPlayer = newIsPlayer;
    if (Statistics* statistics = Statistics::getSingletonPtr())
        statistics->recordShot(faction->getName(), isPlayer, typeName);
    const Ogre::Quaternion aim =
        guidedBeam && target ? aimAt(position, target->getPosition(), orientation) : orientation;
    activate(getLink()->getFlags(), position, aim, Ogre::Vector3::ZERO);
    billboard->setColour(beamColour);
    hit = false;
    age = 0.0f;
    updateTask.reset();
    updateTask.subscribe(true);
}

void Beam::deactivate(DisableTime time)
{
    if (!isLive())
        return;
    faction = nullptr;
    DynamicCollidable::deactivate(time);
    updateTask.subscribe(false);
    if (Ogre::SceneNode* parent = getSceneNode()->getParentSceneNode())
        parent->removeChild(getSceneNode());
    release(this, typeName);
}

float Beam::remainingFraction() const
{
    // A beam with no time to live strikes at full strength when it is fired, as a beam of a very
    // short life does; dividing by its time to live would make its strength and colour NaN.
    if (!(timeToLive > 0.0f))
        return age > 0.0f ? 0.0f : 1.0f;
    return (timeToLive - age) / timeToLive;
}

float Beam::getStrength() const
{
    return std::max(0.0f, remainingFraction());
}

bool Beam::update(float sinceLast)
{
    age += sinceLast;
    // A beam with no time to live ends at its first update, whatever time has passed.
    const float fraction = timeToLive > 0.0f ? remainingFraction() : 0.0f;
    if (fraction <= 0.0f) {
        deactivate(TAKEN_OUT);
        return false;
    }
    billboard->setColour(beamColour * fraction);
    return true;
}

int Beam::getCollisionType() const
{
    return 0;
}

int Beam::getComponentIndex(const std::string&) const
{
    return 0;
}

bool Beam::collide(CollisionListener* other, int otherComponent, const Ogre::Vector3& position, const Ogre::Vector3&)
{
    if (hit || !isLive() || !other)
        return false;
    hit = true;
    const float strength = getStrength();
    const Ogre::Vector3 direction = getPhysicsBody().getOrientation().zAxis() * -1.0f;
    other->inflictDamage(position, direction, otherComponent, directDamage * strength, splashDamage * strength,
                         shock * strength, BEAM);
    // The damage may have ended the game, and this beam with it.
    if (!isLive())
        return false;
    other->applyExplosionForce(PhysicsEngine::getSingleton().impulseToForce(direction * impactImpulse * strength),
                               position);
    if (!isLive())
        return false;
    // Kept before the explosion, which may end the game and this beam's faction with it.
    const std::string factionName = faction->getName();
    const bool byPlayer = isPlayer;
    explode(*other, position);
    if (Statistics* statistics = Statistics::getSingletonPtr())
        statistics->recordHit(factionName, byPlayer, typeName, Projectile::hitDamage(directDamage, splashDamage));
    return false;
}

void Beam::explode(CollisionListener& other, const Ogre::Vector3& position)
{
    const Config& type = getType(typeName);
    // The beam does not move, so its explosion does not either; the keys are read as a shot's are.
    const Ogre::Vector3 velocity = getPhysicsBody().getVelocity();
    const Ogre::Vector3 explosionVelocity =
        (other.getCollisionType() & Projectile::BOUNCE_BIT) != 0
            ? velocity * -type.get<float>(SECTION, "explosionBounceSpeedProportion")
            : velocity * type.get<float>(SECTION, "explosionSpeedProportion");
    ExplosionManager::getSingleton().createFromGroup(explosionGroup)->activate(position, explosionVelocity,
                                                                               ComplexExplosion::Callback());
}

void Beam::inflictDamage(const Ogre::Vector3&, const Ogre::Vector3&, int, float, float, float, DamageType)
{
}

void Beam::applyExplosionForce(const Ogre::Vector3&, const Ogre::Vector3&)
{
}

} // namespace Tolvarine
