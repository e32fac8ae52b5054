#include "SceneDynamicBody.h"

#include "FatalError.h"
#include "GameLog.h"
#include "PhysicsEngine.h"
#include "Profiler.h"
#include "TolvarineEngine.h"

#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include <string>

namespace Tolvarine {

namespace {

Ogre::SceneManager& engineSceneManager()
{
    TolvarineEngine* engine = TolvarineEngine::getSingletonPtr();
    if (!engine || !engine->sceneManager) {
        GameLog::line(
            "SceneDynamicBody: the engine has no scene manager");
        throw FatalError();
    }
    return *engine->sceneManager;
}

} // namespace

unsigned SceneDynamicBody::nextNumber = 0;

SceneDynamicBody::SceneDynamicBody(const Config& config)
    : SceneDynamicBody(engineSceneManager(), config)
{
}

SceneDynamicBody::SceneDynamicBody(Ogre::SceneManager& sceneManager, const Config& config)
    : sceneManager(sceneManager)
    , physicsBody(config)
    , node(sceneManager.createSceneNode("SceneDynamicBody_" + std::to_string(nextNumber++)))
    , synchronise([this](const Ogre::Vector3& p, const Ogre::Quaternion& o, const Ogre::Vector3& v) {
        synchroniseDynamics(p, o, v);
    })
{
    physicsBody.setOwner(this);
    PhysicsEngine::getSingleton().addBody(&physicsBody);
}

SceneDynamicBody::~SceneDynamicBody()
{
    if (PhysicsEngine* engine = PhysicsEngine::getSingletonPtr())
        engine->removeBody(&physicsBody);
}

void SceneDynamicBody::activate(const Ogre::Vector3& position,
                                const Ogre::Quaternion& orientation,
                                const Ogre::Vector3& velocity)
{
    PhysicsEngine::getSingleton().activateBody(&physicsBody);
    physicsBody.activate();
    // An active body keeps its one registration: the node is moved once per frame.
    physicsBody.removePositionListener(&synchronise);
    physicsBody.addPositionListener(&synchronise);
    physicsBody.setOrientation(orientation);
    physicsBody.setPosition(position);
    physicsBody.setLinearVelocity(velocity);
    // A body placed beyond the physics' reach leaves play at the engine's next update; until then
    // its effect (a flash, a glow, a spray) stays out of the scene.
    if (!node->getParent() && physicsBody.isFollowable())
        sceneManager.getRootSceneNode()->addChild(node);
}

void SceneDynamicBody::deactivate()
{
    physicsBody.deactivate(TAKEN_OUT);
    if (Ogre::SceneNode* parent = node->getParentSceneNode())
        parent->removeChild(node);
    PhysicsEngine::getSingleton().deactivateBody(&physicsBody);
}

void SceneDynamicBody::synchroniseDynamics(const Ogre::Vector3& position,
                                           const Ogre::Quaternion& orientation,
                                           const Ogre::Vector3&)
{
    Profiler* const profiler = Profiler::getSingletonPtr();
    if (profiler)
        profiler->beginProfile("SceneDynamicBody::synchroniseDynamics");
    node->setPosition(position);
    node->setOrientation(orientation);
    if (profiler)
        profiler->endProfile();
}

std::string SceneDynamicBody::getBodyName() const
{
    return node->getName() + " of " + physicsBody.getTypeFile();
}

void SceneDynamicBody::bodyOutOfReach()
{
    deactivate();
}

} // namespace Tolvarine
