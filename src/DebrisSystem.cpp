#include "DebrisSystem.h"

#include "CameraBase.h"
#include "ConfigurationError.h"
#include "FillWatch.h"
#include "FixedTask.h"
#include "GameLog.h"
#include "MemoryRoom.h"
#include "ProfileBlock.h"
#include "Profiler.h"
#include "Scheduler.h"
#include "ScriptArguments.h"

#include <boost/python/class.hpp>
#include <boost/python/reference_existing_object.hpp>
#include <boost/python/return_value_policy.hpp>

#include <OgreColourValue.h>
#include <OgreParticle.h>
#include <OgreParticleEmitter.h>
#include <OgreParticleSystem.h>
#include <OgreParticleSystemManager.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

namespace bp = boost::python;

namespace Tolvarine {

namespace {

const char* const SECTION = "Debris";
// A cull grants the dust within reach this long again, so it never dies of age there.
const float KEEP_ALIVE_SECONDS = 100.0f;

Ogre::ParticleEmitter* firstEmitter(Ogre::ParticleSystem& system)
{
    return system.getNumEmitters() ? system.getEmitter(0) : nullptr;
}

// Any finite rate: one below 0 breaks nothing, however the particle library takes it.
float rateFromScript(const char* call, float rate)
{
    return ScriptArguments::finite(call, "the emission rate", rate);
}

void setSystemEmissionRateFromScript(DebrisSystem& debris, const std::string& name, float rate)
{
    debris.setSystemEmissionRate(name, rateFromScript("DebrisSystem.setSystemEmissionRate", rate));
}

// The dust is placed this far ahead of the eye, so the distance keeps to the physics space as
// places do: dust near the float range fails the rendering engine's assertion on its bounds.
void setSystemLeadDistanceFromScript(DebrisSystem& debris, const std::string& name, float distance)
{
    debris.setSystemLeadDistance(
        name, ScriptArguments::distance("DebrisSystem.setSystemLeadDistance", "the lead distance", distance));
}

// Only compared with, squared: any finite distance will do.
void setSystemMaxVisibleDistanceFromScript(DebrisSystem& debris, const std::string& name, float distance)
{
    debris.setSystemMaxVisibleDistance(
        name, ScriptArguments::finite("DebrisSystem.setSystemMaxVisibleDistance", "the visible distance", distance));
}

// The global rate is saved to the settings, where a value that is not a number would stop the
// next start.
void setGlobalEmissionRateFromScript(DebrisSystem& debris, float rate)
{
    debris.setGlobalEmissionRate(rateFromScript("DebrisSystem.setGlobalEmissionRate", rate));
}

} // namespace

DebrisSystem* DebrisSystem::singleton = nullptr;

DebrisSystem::DebrisSystem(Ogre::SceneManager& sceneManager, const std::string& path)
    : scene(sceneManager), settingsPath(path), settings(path, false, false, false)
{
    singleton = this;
    try {
        globalRate = settings.get<float>(SECTION, "globalRate", 1.0f);
        updateTask = std::make_unique<FixedTask>([this](float last, float smoothed) { update(last, smoothed); },
                                                 "Debris System Update", 40);
    } catch (...) {
        singleton = nullptr;
        throw;
    }
}

DebrisSystem::~DebrisSystem()
{
    clear();
    if (singleton == this)
        singleton = nullptr;
}

DebrisSystem* DebrisSystem::getSingleton()
{
    return singleton;
}

void DebrisSystem::holdQuotaToMemory(Ogre::ParticleSystem& system, const std::string& templateName)
{
    // The dust's rate follows the camera's speed and its motes are kept alive, so its quota cannot
    // be held to its emitters; but the library makes the whole quota at the first update, and a
    // quota of 100,000,000 ended the game, out of memory. Held to what leaves the game its reserve.
    const MemoryRoom::Limit room = MemoryRoom::tightest();
    const double spare = double(room.kilobytes - FillWatch::RESERVE_KILOBYTES) * 1024.0;
    const double most = spare > 0.0 ? spare / BYTES_PER_PARTICLE : 0.0;
    if (double(system.getParticleQuota()) <= most)
        return;
    const auto held = static_cast<std::size_t>(most);
    GameLog::line("DebrisSystem: the quota " + std::to_string(system.getParticleQuota()) + " of the template "
                  + templateName + " is held to " + std::to_string(held) + " particles, which " + room.describe()
                  + " keep without the game's reserve");
    system.setParticleQuota(held);
}

void DebrisSystem::addSystem(const std::string& name, const std::string& templateName)
{
    const float leadDistance = settings.get<float>(SECTION, "defaultLeadDistance");
    const float maxVisibleDistance = settings.get<float>(SECTION, "defaultMaxVisibleDistance");
    if (!Ogre::ParticleSystemManager::getSingleton().getTemplate(templateName)) {
        GameLog::line("DebrisSystem: unknown particle template " + templateName);
        throw ConfigurationError();
    }
    if (scene.hasParticleSystem(name)) {
        GameLog::line("DebrisSystem: there is a particle system " + name + " already");
        throw ConfigurationError();
    }
    Ogre::ParticleSystem* system = scene.createParticleSystem(name, templateName);
    holdQuotaToMemory(*system, templateName);
    system->setQueryFlags(0);
    // A node left behind under this name is taken over rather than made twice.
    Ogre::SceneNode* node = scene.hasSceneNode(name) ? scene.getSceneNode(name)
                                                     : scene.getRootSceneNode()->createChildSceneNode(name);
    node->setPosition(Ogre::Vector3::ZERO);
    node->setOrientation(Ogre::Quaternion::IDENTITY);
    node->attachObject(system);
    const Ogre::ParticleEmitter* emitter = firstEmitter(*system);
    const float baseRate = emitter ? emitter->getEmissionRate() : 0.0f;
    systems.push_back({node, system, baseRate, 1.0f, baseRate, leadDistance, maxVisibleDistance * maxVisibleDistance});
}

DebrisSystem::Record* DebrisSystem::find(const std::string& name)
{
    for (Record& record : systems) {
        if (record.particleSystem->getName() == name)
            return &record;
    }
    return nullptr;
}

void DebrisSystem::setSystemEmissionRate(const std::string& name, float rate)
{
    if (Record* record = find(name)) {
        record->rate = rate;
        record->effectiveRate = rate * record->baseRate;
    }
}

void DebrisSystem::setSystemLeadDistance(const std::string& name, float distance)
{
    if (Record* record = find(name))
        record->leadDistance = distance;
}

void DebrisSystem::setSystemMaxVisibleDistance(const std::string& name, float distance)
{
    if (Record* record = find(name))
        record->maxVisibleDistanceSquared = distance * distance;
}

void DebrisSystem::setGlobalEmissionRate(float rate)
{
    globalRate = rate;
    // Written through a copy that may add the key: the file need not hold it, since it has a
    // default, and a menu's change must never fail for that.
    Config writable(settingsPath, true, false, false);
    writable.set<float>(SECTION, "globalRate", rate);
    writable.save();
}

void DebrisSystem::clear()
{
    for (Record& record : systems) {
        record.node->detachObject(record.particleSystem);
        scene.destroyParticleSystem(record.particleSystem);
        scene.destroySceneNode(record.node);
    }
    systems.clear();
}

void DebrisSystem::update(float, float)
{
    if (!camera)
        return;
    const Ogre::Vector3 eye = camera->getPosition();
    const Ogre::Vector3 velocity = camera->getVelocity();
    const float speed = velocity.length();
    const Ogre::Vector3 travel = speed > 0.0f ? velocity / speed : Ogre::Vector3::ZERO;
    for (Record& record : systems) {
        record.node->setPosition(eye + travel * record.leadDistance);
        if (speed > 0.0f)
            record.node->setDirection(travel, Ogre::Node::TS_WORLD, Ogre::Vector3::NEGATIVE_UNIT_Z);
        if (Ogre::ParticleEmitter* emitter = firstEmitter(*record.particleSystem))
            emitter->setEmissionRate(record.effectiveRate * globalRate * speed);
    }
    cull(eye);
}

void DebrisSystem::cull(const Ogre::Vector3& eye)
{
    if (!cullPeriodRead) {
        cullPeriod = settings.get<float>(SECTION, "cullPeriodS");
        cullPeriodRead = true;
    }
    const double now = Scheduler::getSingleton().getRealTime();
    if (now <= nextCull)
        return;
    ProfileBlock block(Profiler::getSingletonPtr(), "Cull");
    nextCull = now + cullPeriod;
    for (Record& record : systems) {
        Ogre::ParticleSystem& system = *record.particleSystem;
        for (std::size_t i = 0; i < system.getNumParticles(); ++i) {
            Ogre::Particle* particle = system.getParticle(i);
            const bool far = eye.squaredDistance(particle->mPosition) > record.maxVisibleDistanceSquared;
            particle->mTimeToLive = far ? 0.0f : KEEP_ALIVE_SECONDS;
        }
    }
}

void DebrisSystem::exportToPython()
{
    bp::class_<DebrisSystem, boost::noncopyable>("DebrisSystem", bp::no_init)
        .def("getSingleton", &DebrisSystem::getSingleton, bp::return_value_policy<bp::reference_existing_object>())
        .staticmethod("getSingleton")
        .def("addSystem", &DebrisSystem::addSystem)
        .def("setSystemEmissionRate", &setSystemEmissionRateFromScript)
        .def("setSystemLeadDistance", &setSystemLeadDistanceFromScript)
        .def("setSystemMaxVisibleDistance", &setSystemMaxVisibleDistanceFromScript)
        .def("setGlobalEmissionRate", &setGlobalEmissionRateFromScript);
}

} // namespace Tolvarine
