#pragma once

#include <map>
#include <memory>
#include <string>

namespace Tolvarine {

class CollisionMesh;

// Keeps one collision mesh per mesh name for the life of the program, so that every triangle-mesh
// geometry of every object naming a mesh collides with the same lists. Created at start-up before
// the physics engine.
class CollisionMeshCache {
public:
    CollisionMeshCache();
    ~CollisionMeshCache();
    CollisionMeshCache(const CollisionMeshCache&) = delete;
    CollisionMeshCache& operator=(const CollisionMeshCache&) = delete;

    static CollisionMeshCache& getSingleton();
    static CollisionMeshCache* getSingletonPtr();

    // The collision mesh of `meshName`, built on the first request with that request's budget;
    // later requests get the same mesh whatever their budget. A mesh that cannot be built is
    // logged and raises ConfigurationError, and is tried again on the next request.
    const CollisionMesh* getMesh(const std::string& meshName, int triangleBudget);

private:
    static CollisionMeshCache* singleton;

    std::map<std::string, std::shared_ptr<const CollisionMesh>> meshes;
};

} // namespace Tolvarine
