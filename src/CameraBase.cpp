#include "CameraBase.h"

#include "Config.h"
#include "FatalError.h"
#include "GameLog.h"
#include "Scheduler.h"
#include "TolvarineEngine.h"
#include "ValueRange.h"

#include <OgreCamera.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <OgreViewport.h>

namespace Tolvarine {

std::uint64_t CameraBase::nextSerial = 0;

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
        camera->setNearClipDistance(settings.get<float>("Camera", "nearClipDistance", 5.0f));
        camera->setFarClipDistance(settings.get<float>("Camera", "farClipDistance", 100000.0f));
        camera->setFOVy(Ogre::Degree(settings.get<float>("Camera", "fovY", 50.0f)));
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
