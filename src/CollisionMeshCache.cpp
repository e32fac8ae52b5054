#include "CollisionMeshCache.h"

#include "CollisionMesh.h"
#include "FatalError.h"
#include "GameLog.h"


namespace Tolvarine {

CollisionMeshCache* CollisionMeshCache::singleton = nullptr;

CollisionMeshCache::CollisionMeshCache()
{
    if (singleton) {
        GameLog::line("The collision mesh cache exists already");
        throw FatalError();
    }
    singleton = this;
}

CollisionMeshCache::~CollisionMeshCache()
{
    if (singleton == this)
        singleton = nullptr;
}

CollisionMeshCache& CollisionMeshCache::getSingleton()
{
    if (!singleton) {
        GameLog::line("The collision mesh cache does not exist");
        throw FatalError();
    }
    return *singleton;
}

CollisionMeshCache* CollisionMeshCache::getSingletonPtr()
{
    return singleton;
}

const CollisionMesh* CollisionMeshCache::getMesh(const std::string& meshName, int triangleBudget)
{
    auto found = meshes.find(meshName);
    if (found == meshes.end())
        found = meshes.emplace(meshName, std::make_shared<CollisionMesh>(meshName, triangleBudget))
                    .first;
    return found->second.get();
}

} // namespace Tolvarine
