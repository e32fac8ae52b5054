#include "SceneSphereQuery.h"

#include "TolvarineEngine.h"

#include <OgreEntity.h>
#include <OgreSceneQuery.h>
#include <OgreSphere.h>

namespace Tolvarine {

void SceneSphereQuery::run(const Ogre::Vector3& centre, float radius, std::uint32_t mask,
                           Ogre::SceneQueryListener& listener)
{
    const TolvarineEngine* engine = TolvarineEngine::getSingletonPtr();
    Ogre::SceneManager* current = engine ? engine->sceneManager : nullptr;
    if (current != scene)
        attach(current);
    if (!query)
        return;
    refreshBounds(mask);
    query->setSphere(Ogre::Sphere(centre, radius));
    query->setQueryMask(mask);
    query->execute(&listener);
}

void SceneSphereQuery::sceneManagerDestroyed(Ogre::SceneManager* source)
{
    if (source != scene)
        return;
    scene->destroyQuery(query);
    query = nullptr;
    scene = nullptr;
}

void SceneSphereQuery::attach(Ogre::SceneManager* newScene)
{
    if (scene) {
        scene->removeListener(this);
        scene->destroyQuery(query);
    }
    query = nullptr;
    scene = newScene;
    if (!scene)
        return;
    query = scene->createSphereQuery(Ogre::Sphere(Ogre::Vector3::ZERO, 0.0f), 0xFFFFFFFF);
    query->setQueryTypeMask(Ogre::SceneManager::ENTITY_TYPE_MASK);
    scene->addListener(this);
}

void SceneSphereQuery::refreshBounds(std::uint32_t mask) const
{
    for (const auto& entry : scene->getMovableObjects(Ogre::EntityFactory::FACTORY_TYPE_NAME)) {
        const Ogre::MovableObject* object = entry.second;
        if ((object->getQueryFlags() & mask) && object->isInScene())
            object->getWorldBoundingSphere(true);
    }
}

} // namespace Tolvarine
