#pragma once

#include <ode/common.h>

namespace Tolvarine {

// Owns one ODE geometry (or space) and destroys it with itself. Holders of geometries that own
// further library data, such as triangle meshes, derive from it.
class PhysicsGeometry {
public:
    explicit PhysicsGeometry(dGeomID geometry);
    virtual ~PhysicsGeometry();
    PhysicsGeometry(const PhysicsGeometry&) = delete;
    PhysicsGeometry& operator=(const PhysicsGeometry&) = delete;

    dGeomID getGeometry() const { return geometry; }

private:
    dGeomID geometry;
};

} // namespace Tolvarine
