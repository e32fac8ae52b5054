#pragma once

#include <OgreSceneManager.h>

#include <cstdint>

namespace Ogre {
class SceneQueryListener;
class SphereSceneQuery;
} // namespace Ogre

namespace Tolvarine {

// A sphere query of the engine's scene that one kind of search shares between all its callers,
// one call at a time: made on first use with all flags, re-aimed and re-masked at each run, made
// again for a new scene and let go with its scene. Only entities are searched: every game object's
// scene presence is an entity, and effects (particles, billboards, lights) must never be found.
//
// The query tests the world bounding spheres that scene objects keep, which the renderer brings up
// to date only for objects drawn in the last frame. Every run first brings the bounds of the
// entities the mask may find up to date, so objects out of view are found where they are.
class SceneSphereQuery : public Ogre::SceneManager::Listener {
public:
    SceneSphereQuery() = default;
    SceneSphereQuery(const SceneSphereQuery&) = delete;
    SceneSphereQuery& operator=(const SceneSphereQuery&) = delete;

    // Calls `listener` for every entity within the sphere that carries a flag of `mask`, in the
    // scene's order. Finds nothing while the engine has no scene. The listener must not run
    // the same query again.
    void run(const Ogre::Vector3& centre, float radius, std::uint32_t mask, Ogre::SceneQueryListener& listener);

    // The scene is being destroyed and lets go of its listeners itself.
    void sceneManagerDestroyed(Ogre::SceneManager* source) override;

private:
    void attach(Ogre::SceneManager* newScene);
    void refreshBounds(std::uint32_t mask) const;

    Ogre::SceneManager* scene = nullptr;
    Ogre::SphereSceneQuery* query = nullptr;
};

} // namespace Tolvarine
