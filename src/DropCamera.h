#pragma once

#include "CameraBase.h"

namespace Tolvarine {

// The fly-by view: placed once ahead of its target at the target's drop offset, it stays where it
// is and watches the target fly past; once the target is three drop offsets away it is placed
// again. It never moves between placements, so its velocity stays zero.
class DropCamera : public CameraBase {
public:
    explicit DropCamera(const std::string& name);
    DropCamera(const std::string& name, Ogre::SceneManager& sceneManager, const Config& settings);
    ~DropCamera() override;

    // Watches `target`; the release distance becomes three times the length of its drop offset.
    void setTarget(Targetable& target) override;
    void update(float lastFrameTime, float smoothedFrameTime) override;

    // Watches `target` and places the camera at its drop offset, in the target's frame.
    void drop(Targetable& target);

    float getReleaseDistanceSquared() const { return releaseDistanceSquared; }

private:
    float releaseDistanceSquared = 1000000.0f;
};

} // namespace Tolvarine
