#include "PhysicsGeometry.h"

#include <ode/collision.h>

namespace Tolvarine {

PhysicsGeometry::PhysicsGeometry(dGeomID geometry)
    : geometry(geometry)
{
}

PhysicsGeometry::~PhysicsGeometry()
{
    if (geometry)
        dGeomDestroy(geometry);
}

} // namespace Tolvarine
