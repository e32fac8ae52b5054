#pragma once

#include <OgrePrerequisites.h>
#include <OgreVector.h>

namespace Tolvarine {

class CameraBase;

// Places screen-space marks (target frames, the star's flare) over world positions as a camera
// sees them. Screen positions are normalised device coordinates: -1 at the left and bottom edges,
// +1 at the right and top edges, so the screen is 2 units wide.
//
// The camera's view-projection matrix is made at most once per rendered frame, however many marks
// are placed, so a camera that moves after the first mark of a frame is seen where it was then.
class ScreenProjection {
public:
    // Whether the point lies in the camera's view, and its screen position. A point behind the
    // camera by more than the near-clip distance, or in the camera's own plane, gives (-2, -2);
    // one behind it but nearer comes out mirrored. The outputs are always written.
    static bool projectToScreen(const CameraBase& camera, const Ogre::Vector3& world, float& x, float& y);

    // The point on the border of the screen in the direction in which the (off-screen) point lies,
    // whatever its distance. A point straight ahead of or behind the camera, which has no such
    // direction, is put at the bottom centre (0, -1): off screen it can only be behind.
    static void screenEdgePoint(const CameraBase& camera, const Ogre::Vector3& world, float& x, float& y);

    // The screen radius, in normalised device units, of a sphere of `radius` at `world`; 0 for a
    // radius of 0.
    static float projectedScreenWidth(const CameraBase& camera, const Ogre::Vector3& world, float radius);

private:
    // The view-projection matrix of `camera` for the frame being rendered.
    static const Ogre::Matrix4& viewProjection(const CameraBase& camera);
};

} // namespace Tolvarine
