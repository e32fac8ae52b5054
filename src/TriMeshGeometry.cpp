#include "TriMeshGeometry.h"

#include "CollisionMesh.h"
#include "CollisionMeshCache.h"

#include <ode/collision_trimesh.h>

namespace Tolvarine {

TriMeshGeometry::TriMeshGeometry(dSpaceID space, const std::string& meshName, int triangleBudget)
    : TriMeshGeometry(space, CollisionMeshCache::getSingleton().getMesh(meshName, triangleBudget))
{
}

TriMeshGeometry::TriMeshGeometry(dSpaceID space, const CollisionMesh* mesh)
    : PhysicsGeometry(dCreateTriMesh(space, mesh->getTriMeshData(), nullptr, nullptr, nullptr))
    , mesh(mesh)
{
}

} // namespace Tolvarine
