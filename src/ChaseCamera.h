#pragma once

#include "CameraBase.h"

namespace Tolvarine {

// The chase view: follows its target from behind at an offset in the target's own frame, closing
// a share of the gap on every frame (frame time x correction speed, on the game clock, at most the
// whole gap: it never passes the chase point), and looks at the target with the target's up
// direction. While the game is paused it stands still.
class ChaseCamera : public CameraBase {
public:
    // The offset starts as (0, 10, 10); the settings are the controller's camera settings and the
    // scene manager the game's.
    ChaseCamera(const std::string& name, float correctionSpeed);
    ChaseCamera(const std::string& name, float correctionSpeed, Ogre::SceneManager& sceneManager,
                const Config& settings);
    ~ChaseCamera() override;

    // Follows `target` at its chase offset.
    void setTarget(Targetable& target) override;
    // Restarts the camera's own frame timing, so that the first step after a spell in another view
    // closes one frame's share of the gap, not the share of the whole time away.
    void activate(Ogre::Viewport* viewport, Targetable* target) override;
    // Also zeroes the velocity: a jump is no motion.
    void setPosition(const Ogre::Vector3& position) override;
    void update(float lastFrameTime, float smoothedFrameTime) override;
    // Puts the camera straight at the chase point of its target, looking at it, at rest: the view
    // a new target or a newly chosen chase view starts from, instead of a glide from wherever the
    // camera last stood (at a fresh start, inside the ship at the origin).
    void settle();

    void setCorrectionSpeed(float speed) { correctionSpeed = speed; }
    void setOffset(const Ogre::Vector3& newOffset) { offset = newOffset; }
    float getCorrectionSpeed() const { return correctionSpeed; }
    const Ogre::Vector3& getOffset() const { return offset; }

protected:
    // Looks at the target, keeping the target's up direction.
    void faceTarget();

    // Offset in the target's frame.
    Ogre::Vector3 offset{0.0f, 10.0f, 10.0f};
    float correctionSpeed;
    // Clock time of the last step; the chase view runs on the game clock.
    double lastTime;
};

} // namespace Tolvarine
