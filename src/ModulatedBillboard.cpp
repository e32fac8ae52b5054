#include "ModulatedBillboard.h"

#include "Config.h"
#include "ConfigurationError.h"
#include "FunctionTask.h"
#include "GameLog.h"
#include "GraphicsSettings.h"
#include "ResponseCurves.h"
#include "Scheduler.h"
#include "ValueRange.h"

#include <OgreBillboard.h>
#include <OgreBillboardSet.h>
#include <OgreMaterialManager.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <OgreVector.h>

#include <limits>

namespace Tolvarine {

namespace {

// The section and the number alone ("Glow12"). The game's sections are only "Glow" and "Flash",
// so two of these never share a name, and every other billboard set in the scene has a "/" in its
// name (an animated billboard's is named after its cloned material, "<material>/AnimatedBillboard<n>";
// shots, missiles and engines name theirs after their scene node, "<node>/...").
std::string setName(const std::string& section, unsigned number)
{
    return section + std::to_string(number);
}

ResponseCurve lookupCurve(const ResponseCurves* curves, const Config& config, const std::string& section,
                          const std::string& key)
{
    const std::string name = config.get<std::string>(section, key);
    try {
        return curves ? curves->lookup(name) : ResponseCurves::getCurve(name);
    } catch (const ConfigurationError&) {
        config.logPlace(section, key);
        throw;
    }
}

float currentGlowLevel()
{
    const GraphicsSettings* settings = GraphicsSettings::getSingletonPtr();
    return settings ? settings->getGlowLevel() : GraphicsSettings::defaultGlowLevel;
}

} // namespace

unsigned ModulatedBillboard::counter = 0;

ModulatedBillboard::ModulatedBillboard(Config& config, const std::string& section,
                                       Ogre::SceneManager& sceneManager)
    : ModulatedBillboard(config, section, sceneManager, nullptr)
{
}

ModulatedBillboard::ModulatedBillboard(Config& config, const std::string& section,
                                       Ogre::SceneManager& sceneManager, const ResponseCurves& curves)
    : ModulatedBillboard(config, section, sceneManager, &curves)
{
}

struct ModulatedBillboard::Settings {
    float duration = 0.0f;
    ResponseCurve sizeCurve;
    float minSize = 0.0f;
    float maxSize = 0.0f;
    ResponseCurve colourCurve;
    Ogre::ColourValue minColour;
    Ogre::ColourValue maxColour;
    float timeResolution = 0.0f;
    Ogre::MaterialPtr material;
};

ModulatedBillboard::Settings ModulatedBillboard::readSettings(const Config& config, const std::string& section,
                                                              const ResponseCurves* curves)
{
    Settings settings;
    settings.duration = config.get<float>(section, "duration");
    settings.sizeCurve = lookupCurve(curves, config, section, "sizeCurveName");
    settings.minSize = config.get<float>(section, "minSize");
    settings.maxSize = config.get<float>(section, "maxSize");
    settings.colourCurve = lookupCurve(curves, config, section, "colourCurveName");
    settings.minColour = config.get<Ogre::ColourValue>(section, "minColour");
    settings.maxColour = config.get<Ogre::ColourValue>(section, "maxColour");
    settings.timeResolution = config.get<float>(section, "timeResolution");
    const std::string materialName = config.get<std::string>(section, "materialName");
    settings.material = Ogre::MaterialManager::getSingleton().getByName(materialName);
    if (!settings.material)
        ValueRange::refuse(config, section, "materialName",
                           "ModulatedBillboard: unknown material " + materialName + " in section " + section);
    return settings;
}

void ModulatedBillboard::checkSection(const Config& config, const std::string& section, const ResponseCurves* curves)
{
    readSettings(config, section, curves);
}

void ModulatedBillboard::requireEnd(const Config& config, const std::string& section)
{
    if (!(config.get<float>(section, "duration") >= 0.0f))
        ValueRange::refuse(config, section, "duration",
                           "ModulatedBillboard: duration of section " + section + " must be at least 0");
}

ModulatedBillboard::ModulatedBillboard(Config& config, const std::string& section,
                                       Ogre::SceneManager& sceneManager, const ResponseCurves* curves)
    : sceneManager(sceneManager)
{
    const unsigned number = counter++;

    // Everything is read and checked before the billboard set is made, so a bad section leaves
    // nothing behind.
    const Settings settings = readSettings(config, section, curves);
    duration = settings.duration;
    sizeCurve = settings.sizeCurve;
    minSize = settings.minSize;
    sizeRange = settings.maxSize - minSize;
    colourCurve = settings.colourCurve;
    minColour = settings.minColour;
    colourRange = settings.maxColour - minColour;
    scaledColourRange = colourRange * currentGlowLevel();
    const float timeResolution = settings.timeResolution;
    const Ogre::MaterialPtr material = settings.material;

    billboardSet = sceneManager.createBillboardSet(setName(section, number), 1);
    updateTask = std::make_unique<FunctionTask>([this](float elapsed) { return update(elapsed); },
                                                "Billboard Modulation", timeResolution,
                                                0.2f * timeResolution, 0, 0.0f);
    billboardSet->setMaterial(material);
    billboardSet->setQueryFlags(0);
    billboard = billboardSet->createBillboard(Ogre::Vector3::ZERO, Ogre::ColourValue::White);
}

ModulatedBillboard::~ModulatedBillboard()
{
    detach();
    sceneManager.destroyBillboardSet(billboardSet);
    updateTask.reset();
}

void ModulatedBillboard::start(Ogre::SceneNode& node, const Callback* onDoneCallback)
{
    onDone = onDoneCallback;
    detach();
    node.attachObject(billboardSet);
    scaledColourRange = colourRange * currentGlowLevel();
    apply(0.0f);
    startTime = Scheduler::getSingleton().getTime();
    updateTask->subscribe(true);
    // Also for a task that is still queued from an earlier start: its first run comes one
    // period after this start.
    updateTask->reset();
}

void ModulatedBillboard::stop(DisableTime)
{
    onDone = nullptr;
    detach();
    updateTask->subscribe(false);
}

bool ModulatedBillboard::update(float)
{
    // A billboard of no duration is past its end at its first run: it shows the curves' ends and
    // finishes (without the dividing of 0 by 0 at the start time). Below 0 the time runs backwards
    // and the billboard never ends: see requireEnd.
    const double elapsed = Scheduler::getSingleton().getTime() - startTime;
    const float t = duration == 0.0f ? std::numeric_limits<float>::infinity() : static_cast<float>(elapsed / duration);
    apply(t);
    if (t > 1.0f) {
        // The callback may stop or release this billboard, so nothing of it is touched after.
        if (const Callback* callback = onDone)
            (*callback)();
        return false;
    }
    return true;
}

void ModulatedBillboard::apply(float t)
{
    const float size = sizeCurve.evaluate(t) * sizeRange + minSize;
    billboard->setDimensions(size, size);
    Ogre::ColourValue colour = minColour + scaledColourRange * colourCurve.evaluate(t);
    // Packed into bytes for drawing, a component outside 0 to 1 would wrap round to its opposite.
    colour.saturate();
    billboard->setColour(colour);
}

void ModulatedBillboard::detach()
{
    if (Ogre::SceneNode* parent = billboardSet->getParentSceneNode())
        parent->detachObject(billboardSet->getName());
}

} // namespace Tolvarine
