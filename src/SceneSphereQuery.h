#pragma once

#include "TargetGrid.h"

#include <OgreVector.h>

#include <cstdint>
#include <vector>

namespace Ogre {
class SceneQueryListener;
} // namespace Ogre

namespace Tolvarine {

// A sphere search of the engine's scene that one kind of search shares between all its callers,
// one call at a time. It reports what the scene manager's own sphere query of entities would
// report among the game objects in play that searches look for, in that query's order: the
// entities filed in the TargetGrid (every targetable game object's, and every one that explosions
// push) that are in the engine's scene, carry a flag of the mask and whose world bounding sphere,
// brought up to date, touches the searched sphere. Entities of anything else (scenery, most shots)
// are not reported: every search looks for targetables or for what blasts push. The scene's own
// query walked every object of the scene twice at each run, which stopped the game under a
// thousand ships; the grid looks only near the sphere.
class SceneSphereQuery {
public:
    SceneSphereQuery() = default;
    SceneSphereQuery(const SceneSphereQuery&) = delete;
    SceneSphereQuery& operator=(const SceneSphereQuery&) = delete;

    // Calls `listener` for every such entity within the sphere that carries a flag of `mask`, in
    // the scene's order, until it answers false. Finds nothing while the engine has no scene. The
    // listener must not run the same query again.
    void run(const Ogre::Vector3& centre, float radius, std::uint32_t mask, Ogre::SceneQueryListener& listener);

private:
    std::vector<TargetGrid::Found> found;
};

} // namespace Tolvarine
