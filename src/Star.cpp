#include "Star.h"

#include "AreaDirection.h"
#include "CameraBase.h"
#include "CameraController.h"
#include "CodeNames.h"
#include "Config.h"
#include "FixedTask.h"
#include "OverlayBillboard.h"
#include "OverlayBillboardSet.h"
#include "PhysicsEngine.h"
#include "Scenario.h"
#include "Scheduler.h"
#include "ScreenProjection.h"

#include <OgreLight.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include <ode/ode.h>

#include <algorithm>

namespace Tolvarine {

namespace {

const char* const FLARE_SET_NAME = "StarOverlayBBS";
const unsigned FLARE_POOL_SIZE = 2;
const float FLARE_DEFAULT_SIZE = 0.3f;
// The sun stands this far from the viewer; at construction, before there is a viewer, this far
// from the origin.
const float SKY_DISTANCE = 5000.0f;
const float INITIAL_SKY_DISTANCE = 10000.0f;
const char* const LIGHT_NODE_SUFFIX = "/SceneNode";

const Config& settings()
{
    static const Config file("cfg/star.cfg", false, false, false);
    return file;
}

std::unique_ptr<OverlayBillboardSet>& sharedSet()
{
    static std::unique_ptr<OverlayBillboardSet> set;
    return set;
}

// The stars that draw in the shared set. The set goes with the last of them, so that it never
// outlives the rendering engine whose buffers it holds.
unsigned starCount = 0;

Star::OcclusionTest& occlusionTest()
{
    static Star::OcclusionTest test;
    return test;
}

double realTime()
{
    return Scheduler::getSingleton().getRealTime();
}

// The ray meets the top-level space's objects; an object that is a space of its own is searched
// inside. Any contact hides the sun.
void rayCallback(void* data, dGeomID ray, dGeomID object)
{
    bool& hit = *static_cast<bool*>(data);
    if (hit)
        return;
    if (dGeomIsSpace(object)) {
        dSpaceCollide2(ray, object, data, &rayCallback);
        return;
    }
    dContactGeom contact;
    if (dCollide(ray, object, 1, &contact, sizeof(contact)) > 0)
        hit = true;
}

} // namespace

Star::Star(Ogre::SceneManager& sceneManager, const Ogre::Vector3& lightDirection, const Ogre::ColourValue& diffuse,
           const Ogre::ColourValue& specular, const Ogre::ColourValue& glow, float size)
    : scene(sceneManager), glowColour(glow), direction(AreaDirection::unit(lightDirection))
{
    // The settings first: a missing file or key leaves nothing to undo.
    const Config& file = settings();
    fadeInRate = file.get<float>("Star", "fadeInRate");
    fadeOutRate = file.get<float>("Star", "fadeOutRate");
    occlusionTestNearDistance = file.get<float>("Star", "occlusionTestNearDistance");
    occlusionTestFarDistance = file.get<float>("Star", "occlusionTestFarDistance");

    // The flare before the light: a set without its material throws with nothing to undo.
    ++starCount;
    try {
        flare = flareSet(scene).createBillboard(0, 0, 0, Ogre::ColourValue::Black);
    } catch (...) {
        if (--starCount == 0)
            sharedSet().reset();
        throw;
    }
    flare->setDimensions(size, size);

    const std::string lightName = Scenario::getLightName();
    light = scene.createLight(lightName);
    light->setType(Ogre::Light::LT_DIRECTIONAL);
    light->setDiffuseColour(diffuse);
    light->setSpecularColour(specular);
    Ogre::SceneNode* node = scene.getRootSceneNode()->createChildSceneNode(lightName + LIGHT_NODE_SUFFIX);
    node->setDirection(direction, Ogre::Node::TS_WORLD);
    node->attachObject(light);
    skyPosition = -direction * INITIAL_SKY_DISTANCE;
    lastUpdateTime = realTime();
    updateTask = std::make_unique<FixedTask>([this](float, float) { update(); }, "Star::update", 50);
}

Star::~Star()
{
    updateTask.reset();
    std::unique_ptr<OverlayBillboardSet>& set = sharedSet();
    set->removeBillboard(flare);
    if (--starCount == 0) {
        if (Ogre::SceneNode* parent = set->getParentSceneNode())
            parent->detachObject(set.get());
        set.reset();
    }
    Ogre::SceneNode* node = light->getParentSceneNode();
    scene.destroyLight(light);
    if (node)
        scene.destroySceneNode(node);
}

OverlayBillboardSet& Star::flareSet(Ogre::SceneManager& sceneManager)
{
    std::unique_ptr<OverlayBillboardSet>& set = sharedSet();
    if (!set) {
        set = std::make_unique<OverlayBillboardSet>(FLARE_SET_NAME, FLARE_POOL_SIZE);
        set->setMaterialName(CodeNames::STAR.name);
        set->setDefaultDimensions(FLARE_DEFAULT_SIZE, FLARE_DEFAULT_SIZE);
        set->setQueryFlags(0);
    }
    // A scene that goes away takes its nodes with it; the set then joins the scene of the star.
    if (!set->isAttached())
        sceneManager.getRootSceneNode()->attachObject(set.get());
    return *set;
}

OverlayBillboardSet* Star::getFlareSet()
{
    return sharedSet().get();
}

void Star::setOcclusionTest(OcclusionTest test)
{
    occlusionTest() = std::move(test);
}

bool Star::occluded(const Ogre::Vector3& origin, const Ogre::Vector3& rayDirection, float length)
{
    if (const OcclusionTest& test = occlusionTest())
        return test(origin, rayDirection, length);
    PhysicsEngine* physics = PhysicsEngine::getSingletonPtr();
    if (!physics)
        return false;
    bool hit = false;
    physics->castRay(origin, rayDirection, length, &hit, &rayCallback);
    return hit;
}

float Star::stepFade(float current, bool inView, float inRate, float outRate, float seconds)
{
    // The share of the way covered in this step; a long frame covers the whole way and no more.
    const float share = std::clamp((inView ? inRate : outRate) * seconds, 0.0f, 1.0f);
    const float next = inView ? current + (1.0f - current) * share : current - current * share;
    return std::clamp(next, 0.0f, 1.0f);
}

void Star::update()
{
    CameraController* cameras = CameraController::getSingletonPtr();
    const CameraBase* camera = cameras ? cameras->getCurrentCamera() : nullptr;
    if (!camera)
        return;
    const Ogre::Vector3 eye = camera->getPosition();
    skyPosition = eye - direction * SKY_DISTANCE;

    const double now = realTime();
    const float seconds = static_cast<float>(now - lastUpdateTime);
    lastUpdateTime = now;

    float x = 0.0f;
    float y = 0.0f;
    visible = ScreenProjection::projectToScreen(*camera, skyPosition, x, y);
    flare->setPosition(x, y, 0.0f);
    if (visible) {
        const Ogre::Vector3 towardsSun = (skyPosition - eye).normalisedCopy();
        visible = !occluded(eye + towardsSun * occlusionTestNearDistance, towardsSun, occlusionTestFarDistance);
    }
    fade = stepFade(fade, visible, fadeInRate, fadeOutRate, seconds);
    flare->setColour(glowColour * fade);
}

} // namespace Tolvarine
