#include "AnimatedBillboard.h"

#include "Config.h"
#include "ConfigurationError.h"
#include "FunctionTask.h"
#include "GameLog.h"
#include "Scheduler.h"
#include "ValueRange.h"

#include <OgreBillboard.h>
#include <OgreBillboardSet.h>
#include <OgreColourValue.h>
#include <OgreMaterialManager.h>
#include <OgrePass.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <OgreTechnique.h>
#include <OgreTextureUnitState.h>
#include <OgreVector.h>

#include <algorithm>
#include <cmath>

namespace Tolvarine {

namespace {

// The clone's number follows a separator, so no two clones share a name ("Expl1" with clone 0
// and "Expl" with clone 10 stay apart), and the word keeps clones apart from authored names.
std::string cloneName(const std::string& materialName, unsigned number)
{
    return materialName + "/AnimatedBillboard" + std::to_string(number);
}

Ogre::TextureUnitState* firstTextureUnit(const Ogre::MaterialPtr& material)
{
    Ogre::Technique* technique = material->getBestTechnique();
    if (!technique || technique->getNumPasses() == 0)
        return nullptr;
    Ogre::Pass* pass = technique->getPass(0);
    if (pass->getNumTextureUnitStates() == 0)
        return nullptr;
    Ogre::TextureUnitState* unit = pass->getTextureUnitState(0);
    return unit->getNumFrames() == 0 ? nullptr : unit;
}

} // namespace

unsigned AnimatedBillboard::counter = 0;

struct AnimatedBillboard::Settings {
    Ogre::MaterialPtr material;
    float duration = 0.0f;
    float timeResolution = 0.0f;
    float size = 0.0f;
};

AnimatedBillboard::Settings AnimatedBillboard::readSettings(const Config& config, const std::string& section)
{
    Settings settings;
    const std::string materialName = config.get<std::string>(section, "materialName");
    settings.duration = config.get<float>(section, "duration");
    settings.timeResolution = config.get<float>(section, "timeResolution");
    settings.size = ValueRange::drawnLength(config, section, "size");
    // Below 0 the time runs backwards: the first frame stays, the animation never ends and its
    // owner never goes back to its pool.
    if (!(settings.duration >= 0.0f))
        ValueRange::refuse(config, section, "duration",
                           "AnimatedBillboard: duration of section " + section + " must be at least 0");
    settings.material = Ogre::MaterialManager::getSingleton().getByName(materialName);
    if (!settings.material)
        ValueRange::refuse(config, section, "materialName",
                           "AnimatedBillboard: unknown material " + materialName + " in section " + section);
    return settings;
}

void AnimatedBillboard::requireFrames(const Ogre::MaterialPtr& material, const Config& config,
                                      const std::string& section)
{
    if (!firstTextureUnit(material))
        ValueRange::refuse(config, section, "materialName",
                           "AnimatedBillboard: material " + config.get<std::string>(section, "materialName")
                               + " has no texture frames to animate");
}

void AnimatedBillboard::checkSection(const Config& config, const std::string& section)
{
    const Settings settings = readSettings(config, section);
    // Loaded as the billboards' clones are, so that its techniques are known.
    settings.material->load();
    requireFrames(settings.material, config, section);
}

AnimatedBillboard::AnimatedBillboard(Config& config, const std::string& section,
                                     Ogre::SceneManager& sceneManager)
    : sceneManager(sceneManager)
{
    const unsigned number = counter++;

    // Everything is read and checked before any engine object is made, so a bad section leaves
    // nothing behind.
    const Settings settings = readSettings(config, section);
    duration = settings.duration;
    const float timeResolution = settings.timeResolution;
    const float size = settings.size;

    material = settings.material->clone(cloneName(settings.material->getName(), number));
    try {
        material->load();
        requireFrames(material, config, section);
        billboardSet = sceneManager.createBillboardSet(material->getName(), 1);
    } catch (...) {
        Ogre::MaterialManager::getSingleton().remove(material);
        throw;
    }
    updateTask = std::make_unique<FunctionTask>([this](float elapsed) { return update(elapsed); },
                                                "Billboard Animation", timeResolution,
                                                0.2f * timeResolution, 0, 0.0f);
    billboardSet->setMaterial(material);
    billboardSet->setQueryFlags(0);
    billboardSet->setDefaultDimensions(size, size);
    billboardSet->createBillboard(Ogre::Vector3::ZERO, Ogre::ColourValue::White);
}

AnimatedBillboard::~AnimatedBillboard()
{
    detach();
    sceneManager.destroyBillboardSet(billboardSet);
    updateTask.reset();
    // The clone's name is never used again, so it leaves the material registry with its owner.
    Ogre::MaterialManager::getSingleton().remove(material);
}

void AnimatedBillboard::start(Ogre::SceneNode& node, const Callback* onDoneCallback)
{
    onDone = onDoneCallback;
    detach();
    node.attachObject(billboardSet);
    if (Ogre::TextureUnitState* unit = frameUnit())
        unit->setCurrentFrame(0);
    startTime = Scheduler::getSingleton().getTime();
    updateTask->subscribe(true);
    // Also for a task that is still queued from an earlier start: its first run comes one
    // period after this start.
    updateTask->reset();
}

void AnimatedBillboard::stop(DisableTime)
{
    onDone = nullptr;
    detach();
    updateTask->subscribe(false);
}

unsigned AnimatedBillboard::getCurrentFrame() const
{
    const Ogre::TextureUnitState* unit = frameUnit();
    return unit ? static_cast<unsigned>(unit->getCurrentFrame()) : 0;
}

bool AnimatedBillboard::update(float)
{
    Ogre::TextureUnitState* unit = frameUnit();
    if (!unit) {
        GameLog::line("AnimatedBillboard: material " + material->getName() + " lost its texture frames");
        return false;
    }
    const unsigned frameCount = static_cast<unsigned>(unit->getNumFrames());
    const unsigned last = frameCount - 1;
    if (unit->getCurrentFrame() == last) {
        // The callback may stop or release this billboard, so nothing of it is touched after.
        if (const Callback* callback = onDone)
            (*callback)();
        return false;
    }

    // Clamped as a float: a clock that went back or an hour-long pause must neither wrap nor
    // overflow the frame number. An animation of no duration is over at once: its first run shows
    // the last frame (without the dividing of 0 by 0 at the start time).
    const double elapsed = Scheduler::getSingleton().getTime() - startTime;
    const double t = duration == 0.0f ? 1.0 : elapsed / duration;
    const double frame = std::clamp(std::floor(frameCount * t), 0.0, static_cast<double>(last));
    unit->setCurrentFrame(static_cast<unsigned>(frame));
    return true;
}

// The clone goes with its original's resource group, so an unload of that group unloads it too;
// it is loaded again when next needed.
Ogre::TextureUnitState* AnimatedBillboard::frameUnit() const
{
    if (!material->isLoaded())
        material->load();
    return firstTextureUnit(material);
}

void AnimatedBillboard::detach()
{
    if (Ogre::SceneNode* parent = billboardSet->getParentSceneNode())
        parent->detachObject(billboardSet->getName());
}

} // namespace Tolvarine
