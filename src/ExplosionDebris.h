#pragma once

#include "DisableTime.h"
#include "MultiPoolFactory.h"

#include <OgreQuaternion.h>
#include <OgreVector.h>

namespace Tolvarine {

// A burning piece thrown out by an explosion, of a named debris type with a pool of its own. So
// far only the face that explosions use exists: the pool registry, from which an explosion takes
// one piece per debris section and launches it. The registry holds no debris type until the debris
// types are loaded, so until then an explosion that names one fails cleanly (FatalError, after the
// registry's log line) instead of throwing anything.
class ExplosionDebris {
public:
    virtual ~ExplosionDebris();

    // Throws the piece from `position` with `velocity`, turned by `orientation`.
    virtual void launch(const Ogre::Vector3& position, const Ogre::Quaternion& orientation,
                        const Ogre::Vector3& velocity) = 0;
    // Ends the piece's flight and gives it back to its pool.
    virtual void deactivate(DisableTime time) = 0;

    // The debris pools, one per debris type.
    static MultiPoolFactory<ExplosionDebris>& getPools();
    // Deactivates every piece in flight with disable time 2 (the end of a scenario).
    static void releaseAll();

protected:
    ExplosionDebris() = default;
    ExplosionDebris(const ExplosionDebris&) = delete;
    ExplosionDebris& operator=(const ExplosionDebris&) = delete;
};

} // namespace Tolvarine
