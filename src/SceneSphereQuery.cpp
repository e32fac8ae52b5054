#include "SceneSphereQuery.h"

#include "TolvarineEngine.h"

#include <OgreSceneManager.h>
#include <OgreSceneQuery.h>
#include <OgreSphere.h>

#include <algorithm>

namespace Tolvarine {

void SceneSphereQuery::run(const Ogre::Vector3& centre, float radius, std::uint32_t mask,
                           Ogre::SceneQueryListener& listener)
{
    const TolvarineEngine* engine = TolvarineEngine::getSingletonPtr();
    if (!engine || !engine->sceneManager)
        return;
    found.clear();
    // Copied out of the grid's own list, which another search made by the listener would reuse.
    for (const TargetGrid::Found& object : TargetGrid::get().search(*engine->sceneManager, Ogre::Sphere(centre, radius), mask)) {
        if (object.object->getTypeFlags() & Ogre::SceneManager::ENTITY_TYPE_MASK)
            found.push_back(object);
    }
    // The grid's order is its own; callers keep the first of equals and add up in order.
    std::sort(found.begin(), found.end(),
              [](const TargetGrid::Found& first, const TargetGrid::Found& second) { return first.order < second.order; });
    for (const TargetGrid::Found& object : found) {
        if (!listener.queryResult(object.object))
            return;
    }
}

} // namespace Tolvarine
