#include "CameraBase.h"

#include "Config.h"
#include "FatalError.h"
#include "GameLog.h"
#include "GameWindow.h"
#include "Scheduler.h"
#include "TolvarineEngine.h"
#include "ValueRange.h"

#include <OgreCamera.h>
#include <OgreMath.h>
#include <OgreRenderWindow.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <OgreViewport.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>

namespace Tolvarine {

std::uint64_t CameraBase::nextSerial = 0;

namespace {

const char* const LENS_SECTION = "Camera";
// The depth the renderer gives the box of a view whose far plane lies at infinity.
constexpr double INFINITE_VIEW_DEPTH = 100000.0;

// The tangent of half the field of view, as the renderer works it out from the degrees.
float halfAngleTangent(float fovY)
{
    return Ogre::Math::Tan(Ogre::Radian(Ogre::Degree(fovY)) * 0.5f);
}

// The widest half of the renderer's box of a view: the box spans twice it across, and the
// renderer aborts on a box whose span passes the float range (a far clip distance of 3.4e38 at
// fovY 50, or 1e38 at fovY 90 on a 16:9 window). A box turned with the view whose corners pass the
// range elsewhere only grows infinite, and plays: 2e38 at fovY 50 played, and kept every box
// finite or infinite, never aborting, in 20,000 turns of the view.
constexpr double MAX_VIEW_HALF_WIDTH = std::numeric_limits<float>::max() / 2.0;

// A figure as ValueRange::figure writes one, also beyond the float range.
std::string wideFigure(double value)
{
    std::ostringstream text;
    text << value;
    return text.str();
}

// The renderer's box of a view reaches from the view to the farther clip plane, and across that
// depth times the half angle's tangent, times the aspect across the width.
void checkLensWidth(const Config& settings, const CameraBase::Lens& lens, float aspect)
{
    const double farDepth = lens.farClipDistance == 0.0f ? INFINITE_VIEW_DEPTH : lens.farClipDistance;
    const double depth = std::max<double>(lens.nearClipDistance, farDepth);
    const double halfWidth = depth * halfAngleTangent(lens.fovY) * std::max(1.0f, aspect);
    if (halfWidth <= MAX_VIEW_HALF_WIDTH)
        return;
    // The clip distance that sets the depth, where that alone passes at a view of 90 degrees.
    const char* const key = depth > MAX_VIEW_HALF_WIDTH
                                ? (lens.nearClipDistance > farDepth ? "nearClipDistance" : "farClipDistance")
                                : "fovY";
    ValueRange::refuse(settings, LENS_SECTION, key,
                       "Camera settings: nearClipDistance " + ValueRange::figure(lens.nearClipDistance)
                           + ", farClipDistance " + ValueRange::figure(lens.farClipDistance) + " and fovY "
                           + ValueRange::figure(lens.fovY) + " make the renderer's box of the view "
                           + wideFigure(2.0 * halfWidth) + " units across at the window's shape "
                           + ValueRange::figure(aspect) + ", beyond the float range it takes");
}

} // namespace

CameraBase::CameraBase(const std::string& name, Ogre::SceneManager& sceneManager, const Config& settings)
    : sceneManager(sceneManager)
    , camera(sceneManager.createCamera(name))
    , node(sceneManager.getRootSceneNode()->createChildSceneNode(name))
    , updateTask([this](float lastFrameTime, float smoothedFrameTime) { update(lastFrameTime, smoothedFrameTime); },
                 "CameraBase::update", 30)
{
    node->attachObject(camera);
    // Scene queries look for game objects, never for viewpoints.
    camera->setQueryFlags(0);
    // The viewport is shared by every camera in turn; each keeps the window's shape.
    camera->setAutoAspectRatio(true);
    try {
        const Lens lens = readLens(settings, windowAspect());
        camera->setNearClipDistance(lens.nearClipDistance);
        camera->setFarClipDistance(lens.farClipDistance);
        camera->setFOVy(Ogre::Degree(lens.fovY));
    } catch (...) {
        // A malformed setting: leave no camera or node behind under this name.
        destroySceneObjects();
        throw;
    }
    clearTarget();
    detachFromRoot();
    active = false;
}

CameraBase::~CameraBase()
{
    destroySceneObjects();
}

void CameraBase::clearTarget()
{
    target = nullptr;
}

void CameraBase::activate(Ogre::Viewport* viewport, Targetable* newTarget)
{
    if (!node->getParent())
        sceneManager.getRootSceneNode()->addChild(node);
    if (viewport)
        viewport->setCamera(camera);
    if (newTarget)
        setTarget(*newTarget);
    active = true;
}

void CameraBase::deactivate()
{
    clearTarget();
    detachFromRoot();
    active = false;
}

Ogre::Vector3 CameraBase::getPosition() const
{
    return node->getPosition();
}

Ogre::Vector3 CameraBase::getVelocity() const
{
    return velocity;
}

Ogre::Quaternion CameraBase::getOrientation() const
{
    return node->getOrientation();
}

void CameraBase::setPosition(const Ogre::Vector3& position)
{
    node->setPosition(position);
}

void CameraBase::setOrientation(const Ogre::Quaternion& orientation)
{
    node->setOrientation(orientation);
}

const std::string& CameraBase::getName() const
{
    return camera->getName();
}

Ogre::SceneManager& CameraBase::gameSceneManager()
{
    TolvarineEngine* engine = TolvarineEngine::getSingletonPtr();
    if (!engine || !engine->sceneManager) {
        GameLog::line("CameraBase: the engine has no scene manager");
        throw FatalError();
    }
    return *engine->sceneManager;
}

void CameraBase::lookAt(const Ogre::Vector3& point)
{
    node->lookAt(point, Ogre::Node::TS_WORLD, Ogre::Vector3::NEGATIVE_UNIT_Z);
}

CameraBase::Lens CameraBase::readLens(const Config& settings, float aspect)
{
    Lens lens;
    lens.nearClipDistance = settings.get<float>(LENS_SECTION, "nearClipDistance", 5.0f);
    lens.farClipDistance = settings.get<float>(LENS_SECTION, "farClipDistance", 100000.0f);
    lens.fovY = settings.get<float>(LENS_SECTION, "fovY", 50.0f);
    if (!(lens.nearClipDistance > 0.0f))
        ValueRange::refuse(settings, LENS_SECTION, "nearClipDistance",
                           "Camera settings: nearClipDistance " + ValueRange::figure(lens.nearClipDistance)
                               + " is not above 0: the renderer draws a view from a near plane in front of it");
    if (lens.farClipDistance < 0.0f)
        ValueRange::refuse(settings, LENS_SECTION, "farClipDistance",
                           "Camera settings: farClipDistance " + ValueRange::figure(lens.farClipDistance)
                               + " is below 0 (0 sets the far plane at infinity): the renderer's box of the view "
                                 "would turn inside out");
    if (halfAngleTangent(lens.fovY) < 0.0f)
        ValueRange::refuse(settings, LENS_SECTION, "fovY",
                           "Camera settings: fovY " + ValueRange::figure(lens.fovY)
                               + " turns half the view's angle past a right angle (from 180 to 360 degrees, less "
                                 "whole turns): the renderer's box of the view would turn inside out");
    checkLensWidth(settings, lens, aspect);
    return lens;
}

float CameraBase::windowAspect()
{
    const GameWindow* window = GameWindow::getSingletonPtr();
    const Ogre::RenderWindow* target = window ? window->getRenderWindow() : nullptr;
    if (!target || target->getHeight() == 0)
        return 4.0f / 3.0f;
    return float(target->getWidth()) / float(target->getHeight());
}

bool CameraBase::isViewable(const Ogre::Vector3& place)
{
    return std::abs(place.x) <= MAX_VIEW_COORDINATE && std::abs(place.y) <= MAX_VIEW_COORDINATE
        && std::abs(place.z) <= MAX_VIEW_COORDINATE;
}

Ogre::Vector3 CameraBase::readViewOffset(const Config& config, const std::string& section, const std::string& key,
                                         const Ogre::Vector3& fallback)
{
    const Ogre::Vector3 offset = config.get<Ogre::Vector3>(section, key, fallback);
    for (const float coordinate : {offset.x, offset.y, offset.z}) {
        if (!(std::abs(coordinate) < MAX_VIEW_OFFSET))
            ValueRange::refuse(config, section, key,
                               config.getPath() + ": " + key + " " + ValueRange::figure(offset) + " reaches "
                                   + ValueRange::figure(MAX_VIEW_OFFSET)
                                   + " on an axis, where a view that far from what it follows ended the game");
    }
    return offset;
}

float CameraBase::readSpeed(const Config& config, const std::string& section, const std::string& key,
                            const std::string& user, std::optional<float> fallback)
{
    const float speed = fallback ? config.get<float>(section, key, *fallback) : config.get<float>(section, key);
    if (speed < 0.0f)
        ValueRange::refuse(config, section, key,
                           user + ": " + key + " " + ValueRange::figure(speed)
                               + " is below 0: the view would move away from where it goes");
    return speed;
}

float CameraBase::limitFactor(float value, float limit)
{
    return value < limit ? value : limit;
}

double CameraBase::gameTime()
{
    return Scheduler::getSingleton().getTime();
}

double CameraBase::realTime()
{
    return Scheduler::getSingleton().getRealTime();
}

void CameraBase::destroySceneObjects()
{
    detachFromRoot();
    node->removeAndDestroyAllChildren();
    node->detachAllObjects();
    sceneManager.destroyCamera(camera);
    sceneManager.destroySceneNode(node);
}

void CameraBase::detachFromRoot()
{
    if (node->getParent())
        sceneManager.getRootSceneNode()->removeChild(node->getName());
}

} // namespace Tolvarine
