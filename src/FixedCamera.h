#pragma once

#include "ChaseCamera.h"

namespace Tolvarine {

// The nose view: fixed rigidly to its target at the target's fixed offset, with the target's
// orientation and velocity. No smoothing.
class FixedCamera : public ChaseCamera {
public:
    explicit FixedCamera(const std::string& name);
    FixedCamera(const std::string& name, Ogre::SceneManager& sceneManager, const Config& settings);
    ~FixedCamera() override;

    // Rides on `target` at its fixed offset.
    void setTarget(Targetable& target) override;
    void update(float lastFrameTime, float smoothedFrameTime) override;
};

} // namespace Tolvarine
