#include "ComplexExplosion.h"

#include "CollisionListener.h"
#include "Config.h"
#include "ConfigurationError.h"
#include "ExplosionDebris.h"
#include "ExplosionManager.h"
#include "GameLog.h"
#include "GameplaySettings.h"
#include "MaterialCheck.h"
#include "MultiPoolFactory.h"
#include "OgreLink.h"
#include "ParticleSpray.h"
#include "PhysicsBody.h"
#include "PhysicsEngine.h"
#include "SceneSphereQuery.h"
#include "SoundSource.h"
#include "TolvarineEngine.h"
#include "ValueRange.h"

#include <OgreMath.h>
#include <OgreMovableObject.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <OgreSceneQuery.h>

namespace Tolvarine {

namespace {

const char* const PHYSICS = "Physics";
// The roll proportion of the gameplay settings' file when no settings exist (tools and tests).
constexpr float DEFAULT_ROLL_PROPORTION = 1.0f;

// A blast value as the file gives it. Below 0 each plays: a negative impulse pulls bodies in, a
// negative damage mends every component and the plating, a negative trigger time sets the blast
// off at the first pass (as 0 does) and a negative radius reaches nothing.
float readBlastValue(const Config& config, const char* key)
{
    return config.get<float>(PHYSICS, key, 0.0f);
}

int readPhysicsFlags(const Config& config)
{
    // Any other text, "push" in lower case among them, pushes.
    return config.get<std::string>(PHYSICS, "explosionType", "") == "Perturb" ? ComplexExplosion::PERTURB
                                                                             : ComplexExplosion::PUSH;
}

// Read for a perturbing blast only.
float readPerturbDistance(const Config& config, int physicsFlags)
{
    return (physicsFlags & ComplexExplosion::PERTURB) ? config.get<float>(PHYSICS, "perturbDistance", 1.0f) : 0.0f;
}

std::string readParticleSpray(const Config& config)
{
    return config.get<std::string>("Explosion", "particleSpray", "");
}

// The flash and the glow check their materials themselves, but not whether the textures are there.
const std::string& checkMaterials(const Config& config, const std::string& name)
{
    for (const char* section : {"Animation", "Glow"})
        MaterialCheck::require(config, section, "materialName", "Explosion type " + name);
    return name;
}

// The sections of the debris pieces, in file order; a section header written twice throws two pieces.
std::vector<std::string> debrisSections(const Config& config)
{
    std::vector<std::string> sections;
    for (const std::string& section : config.getSectionNames()) {
        if (section.find("Explosion_Debris") != std::string::npos)
            sections.push_back(section);
    }
    return sections;
}

std::vector<std::string> readDebrisTypes(const Config& config)
{
    std::vector<std::string> debris;
    for (const std::string& section : debrisSections(config))
        debris.push_back(config.get<std::string>(section, "name"));
    return debris;
}

// The scene objects a blast reaches, found through the grid the game keeps of what searches look
// for: the scene's own sphere query walked every object of the scene at every blast, which
// stopped the game for seconds when a thousand ships were destroyed together. The grid finds what
// that query found, in its order. Copied out, so that what the blast sets off cannot change the
// list being walked.
class BlastReach : public Ogre::SceneQueryListener {
public:
    static std::vector<Ogre::MovableObject*> find(const Ogre::Vector3& centre, float radius)
    {
        static SceneSphereQuery query;
        BlastReach reach;
        query.run(centre, radius, static_cast<std::uint32_t>(OgreLink::EXPLOSION_EFFECTABLE_FLAG), reach);
        return std::move(reach.objects);
    }

    bool queryResult(Ogre::MovableObject* object) override
    {
        objects.push_back(object);
        return true;
    }
    bool queryResult(Ogre::SceneQuery::WorldFragment*) override { return true; }

private:
    std::vector<Ogre::MovableObject*> objects;
};

Ogre::SceneManager* engineSceneManager()
{
    const TolvarineEngine* engine = TolvarineEngine::getSingletonPtr();
    return engine ? engine->sceneManager : nullptr;
}

} // namespace

ComplexExplosion::ComplexExplosion(Config& config, const std::string& name, const ResponseCurves* curves)
    : SceneDynamicBody(config)
    , name(checkMaterials(config, name))
    , animation(config, "Animation", *getSceneNode()->getCreator())
    , glow(curves ? ModulatedBillboard(config, "Glow", *getSceneNode()->getCreator(), *curves)
                  : ModulatedBillboard(config, "Glow", *getSceneNode()->getCreator()))
    , particleSpray(readParticleSpray(config))
    , explosionRadius(readBlastValue(config, "explosionRadius"))
    , explosionImpulse(readBlastValue(config, "explosionImpulse"))
    , physicsFlags(readPhysicsFlags(config))
    , maxDamage(readBlastValue(config, "maxDamage"))
    , debrisTypes(readDebrisTypes(config))
    , triggerTask([this](float elapsed) { return triggerPhysics(elapsed); }, "ComplexExplosion::triggerPhysics",
                  readBlastValue(config, "triggerTime"), 0.0f, 0, 0.0f)
    , animationCallback([this]() { onAnimationDone(); })
    , glowCallback([this]() { onGlowDone(); })
    , sound(SoundSource::create(config, "Sound", "name", SoundCategory::EFFECTS, &getPhysicsBody(),
                                Ogre::Vector3::ZERO, false))
{
    perturbDistance = readPerturbDistance(config, physicsFlags);
    if (maxDamage != 0.0f)
        physicsFlags |= DAMAGE;
}

ComplexExplosion::~ComplexExplosion() = default;

void ComplexExplosion::checkType(const Config& config, const std::string& name, const ResponseCurves* curves)
{
    PhysicsBody::checkType(config);
    checkMaterials(config, name);
    AnimatedBillboard::checkSection(config, "Animation");
    ModulatedBillboard::checkSection(config, "Glow", curves);
    ModulatedBillboard::requireEnd(config, "Glow");
    readParticleSpray(config);
    for (const char* key : {"explosionRadius", "explosionImpulse", "maxDamage", "triggerTime"})
        readBlastValue(config, key);
    readPerturbDistance(config, readPhysicsFlags(config));
    readDebrisTypes(config);
    SoundSource::requireDefinition(config, "Sound", "name");
}

void ComplexExplosion::checkNames(const Config& config)
{
    const std::string spray = readParticleSpray(config);
    if (!spray.empty() && !ParticleSpray::getPools().hasType(spray))
        ValueRange::refuse(config, "Explosion", "particleSpray",
                           config.getPath() + ": there is no particle spray type " + spray);
    for (const std::string& section : debrisSections(config)) {
        const std::string debris = config.get<std::string>(section, "name");
        if (!ExplosionDebris::hasType(debris))
            ValueRange::refuse(config, section, "name", config.getPath() + ": there is no debris type " + debris);
    }
}

void ComplexExplosion::activate(const Ogre::Vector3& position, const Ogre::Vector3& velocity, Callback callback)
{
    if (active) {
        deactivate(REACTIVATION);
        if (ExplosionManager* manager = ExplosionManager::getSingletonPtr())
            manager->reclaim(this, name);
    }
    onTrigger = std::move(callback);
    SceneDynamicBody::activate(position, Ogre::Quaternion::IDENTITY, velocity);
    active = true;
    if (ExplosionManager* manager = ExplosionManager::getSingletonPtr())
        crowdCube = manager->getCrowd().enter(position);
    ++life;
    animationDone = false;
    glowDone = false;
    physicsDone = false;
    animation.start(*getSceneNode(), &animationCallback);
    glow.start(*getSceneNode(), &glowCallback);
    triggerTask.reset();
    triggerTask.subscribe(true);
    try {
        startEffects(position, velocity);
    } catch (...) {
        // An unknown spray or debris type stops the game; the explosion must not stay live
        // meanwhile.
        deactivate(OWN_END);
        throw;
    }
}

void ComplexExplosion::startEffects(const Ogre::Vector3& position, const Ogre::Vector3& velocity)
{
    if (!particleSpray.empty())
        ParticleSpray::spray(particleSpray, position, velocity);
    const Ogre::Quaternion orientation = getPhysicsBody().getOrientation();
    for (const std::string& debris : debrisTypes)
        ExplosionDebris::getPools().create(debris)->launch(position, orientation, velocity);
    sound->play();
}

void ComplexExplosion::deactivate(DisableTime time)
{
    if (active) {
        active = false;
        SceneDynamicBody::deactivate();
        animation.stop(time);
        glow.stop(time);
        sound->stop();
        // A blast still pending belongs to the life that ends here.
        triggerTask.subscribe(false);
        onTrigger = Callback();
    }
    ExplosionManager* manager = ExplosionManager::getSingletonPtr();
    if (crowdCube && manager)
        manager->getCrowd().leave(*crowdCube);
    crowdCube.reset();
    if (manager)
        manager->release(this, name);
}

void ComplexExplosion::bodyOutOfReach()
{
    if (active)
        deactivate(TAKEN_OUT);
}

bool ComplexExplosion::triggerPhysics(float)
{
    if (!active)
        return false;
    // What the trigger and the blast set off may end this life, and may even start a new one of
    // this same explosion.
    const unsigned thisLife = life;
    if (onTrigger) {
        const Callback callback = onTrigger;
        callback();
    }
    if (active && life == thisLife) {
        applyPhysics(getPhysicsBody().getPosition(), explosionRadius, explosionImpulse, maxDamage, physicsFlags,
                     perturbDistance);
    }
    // A new life keeps the task queued for its own blast, which then comes one trigger time late.
    if (life != thisLife)
        return active;
    if (!active)
        return false;
    physicsDone = true;
    finishWhenDone();
    return false;
}

void ComplexExplosion::onAnimationDone()
{
    animationDone = true;
    finishWhenDone();
}

void ComplexExplosion::onGlowDone()
{
    glowDone = true;
    finishWhenDone();
}

void ComplexExplosion::finishWhenDone()
{
    if (active && animationDone && glowDone && physicsDone)
        deactivate(OWN_END);
}

void ComplexExplosion::applyPhysics(const Ogre::Vector3& centre, float radius, float impulse, float maxDamage,
                                    int physicsFlags, float perturbDistance)
{
    if (radius == 0.0f || impulse == 0.0f || !(radius > 0.0f))
        return;
    if (!engineSceneManager()) {
        GameLog::line("ComplexExplosion::applyPhysics, no scene to search");
        return;
    }
    const GameplaySettings* settings = GameplaySettings::getSingletonPtr();
    const float rollProportion = settings ? settings->getExplosionRollProportion() : DEFAULT_ROLL_PROPORTION;
    const float force = PhysicsEngine::getSingleton().scalarImpulseToForce(impulse);

    for (Ogre::MovableObject* object : BlastReach::find(centre, radius)) {
        // Bodies out of play are left alone, so the blast never wakes a pooled body.
        const OgreLink* link = OgreLink::getFrom(*object);
        PhysicsBody* body = link ? link->getBody() : nullptr;
        if (!body || !body->isActive())
            continue;
        const BlastEffect effect = computeBlast(centre, radius, force, maxDamage, physicsFlags, perturbDistance,
                                                rollProportion, body->getPosition(), object->getBoundingRadius());
        if (!effect.affected)
            continue;
        if (physicsFlags & PUSH)
            body->addForce(effect.force);
        else if (physicsFlags & PERTURB)
            body->addForceAtRelativePosition(effect.force, effect.leverArm);
        if ((physicsFlags & DAMAGE) && link->getListener())
            link->getListener()->inflictDamage(effect.hitPoint, effect.direction, CollisionListener::ALL_COMPONENTS,
                                               effect.damage, 0.0f, 0.0f, BLAST);
    }
}

ComplexExplosion::BlastEffect ComplexExplosion::computeBlast(const Ogre::Vector3& centre, float radius, float force,
                                                             float maxDamage, int physicsFlags, float perturbDistance,
                                                             float rollProportion, const Ogre::Vector3& bodyPosition,
                                                             float boundingRadius)
{
    BlastEffect effect;
    const Ogre::Vector3 offset = bodyPosition - centre;
    const float distance = offset.length();
    if (distance > 0.0f)
        effect.direction = offset / distance;
    effect.falloff = (radius - distance) * (1.0f / radius);
    // Bodies are found by their bounds, so a centre beyond the radius can be found; its negative
    // factor would pull the body in and heal it.
    if (!(effect.falloff > 0.0f))
        return effect;
    effect.affected = true;
    if (physicsFlags & (PUSH | PERTURB))
        effect.force = effect.direction * (effect.falloff * force);
    if (physicsFlags & PERTURB) {
        // A share of the reach either way: the span of twice the reach would pass the float range.
        const float reach = rollProportion * perturbDistance;
        const float x = reach * Ogre::Math::SymmetricRandom();
        const float y = reach * Ogre::Math::SymmetricRandom();
        const float z = reach * Ogre::Math::SymmetricRandom();
        effect.leverArm = Ogre::Vector3(x, y, z);
    }
    if (physicsFlags & DAMAGE) {
        effect.damage = effect.falloff * maxDamage;
        effect.hitPoint = bodyPosition - effect.direction * boundingRadius;
    }
    return effect;
}

void ComplexExplosion::releaseAll()
{
    if (ExplosionManager* manager = ExplosionManager::getSingletonPtr())
        manager->releaseAll();
}

} // namespace Tolvarine
