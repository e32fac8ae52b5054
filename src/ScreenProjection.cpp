#include "ScreenProjection.h"

#include "CameraBase.h"

#include <OgreCamera.h>
#include <OgreMatrix4.h>
#include <OgreRoot.h>

#include <cmath>
#include <cstdint>

namespace Tolvarine {

namespace {

// The last view-projection matrix made, with the frame and the camera it was made for.
struct ViewProjectionCache {
    bool made = false;
    unsigned long frame = 0;
    std::uint64_t camera = 0;
    Ogre::Matrix4 matrix;
};

ViewProjectionCache cache;

} // namespace

bool ScreenProjection::projectToScreen(const CameraBase& base, const Ogre::Vector3& world, float& x, float& y)
{
    const Ogre::Camera& camera = *base.getCamera();
    const bool visible = camera.isVisible(world);
    const Ogre::Vector4 clip = viewProjection(base) * Ogre::Vector4(world.x, world.y, world.z, 1.0f);
    // The render-system-neutral projection puts the view-space depth behind the camera, -z, in w.
    if (clip.w == 0.0f || clip.w < -camera.getNearClipDistance()) {
        x = -2.0f;
        y = -2.0f;
    } else {
        x = clip.x / clip.w;
        y = clip.y / clip.w;
    }
    return visible;
}

void ScreenProjection::screenEdgePoint(const CameraBase& camera, const Ogre::Vector3& world, float& x, float& y)
{
    // Camera space: x to the right, y up.
    const Ogre::Vector3 local = camera.getOrientation().Inverse() * (world - camera.getPosition());
    const float aspectY = camera.getCamera()->getAspectRatio() * local.y;
    if (std::fabs(local.x) > std::fabs(aspectY)) {
        x = local.x > 0.0f ? 1.0f : -1.0f;
        y = aspectY / std::fabs(local.x);
    } else if (aspectY != 0.0f) {
        x = local.x / std::fabs(aspectY);
        y = aspectY > 0.0f ? 1.0f : -1.0f;
    } else {
        x = 0.0f;
        y = -1.0f;
    }
}

float ScreenProjection::projectedScreenWidth(const CameraBase& camera, const Ogre::Vector3& world, float radius)
{
    if (radius == 0.0f)
        return 0.0f;
    const Ogre::Vector3 across = radius * camera.getOrientation().xAxis();
    float edgeX = 0.0f;
    float edgeY = 0.0f;
    if (!projectToScreen(camera, world + across, edgeX, edgeY))
        projectToScreen(camera, world - across, edgeX, edgeY);
    float centreX = 0.0f;
    float centreY = 0.0f;
    projectToScreen(camera, world, centreX, centreY);
    return std::fabs(edgeX - centreX);
}

const Ogre::Matrix4& ScreenProjection::viewProjection(const CameraBase& base)
{
    const unsigned long frame = Ogre::Root::getSingleton().getNextFrameNumber();
    if (!cache.made || cache.frame != frame || cache.camera != base.getSerial()) {
        const Ogre::Camera& camera = *base.getCamera();
        cache.matrix = camera.getProjectionMatrix() * camera.getViewMatrix();
        cache.frame = frame;
        cache.camera = base.getSerial();
        cache.made = true;
    }
    return cache.matrix;
}

} // namespace Tolvarine
