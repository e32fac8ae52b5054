#pragma once

#include "PhysicsGeometry.h"

#include <ode/common.h>

#include <string>

namespace Tolvarine {

class CollisionMesh;

// The geometry holder of a triangle-mesh collision shape. Its triangles are the collision mesh of
// a rendering mesh, which the collision mesh cache builds once per mesh name and keeps for the
// life of the program together with the collision library's triangle data; every geometry of
// that mesh shares both, so the data always outlives the geometries that read it.
class TriMeshGeometry : public PhysicsGeometry {
public:
    // A geometry over the collision mesh of `meshName` (built with `triangleBudget` when it is
    // the first request for that mesh), placed in `space` when that is not null.
    TriMeshGeometry(dSpaceID space, const std::string& meshName, int triangleBudget);

    const CollisionMesh& getMesh() const { return *mesh; }

private:
    TriMeshGeometry(dSpaceID space, const CollisionMesh* mesh);

    const CollisionMesh* mesh;
};

} // namespace Tolvarine
