#pragma once

#include "FixedTask.h"
#include "TargetableWatch.h"

#include <OgrePrerequisites.h>
#include <OgreQuaternion.h>
#include <OgreVector.h>

#include <cstdint>
#include <optional>
#include <string>

namespace Tolvarine {

class Config;
class Targetable;

// One of the game's viewpoints: a rendering camera hung on a scene node of its own, the object it
// follows or looks at, and the velocity that the sound listener reads. Each camera moves itself
// once per frame in its fixed task "CameraBase::update" (order 30: after physics and formations,
// before sound and rendering); only the active camera moves.
//
// A camera starts inactive, out of the scene graph and shown by no viewport. Activation puts its
// node under the root and hands it to the viewport; deactivation drops the target and takes the
// node out again, so that only the one active camera's node is in the scene.
//
// The target is not owned. The camera lets go of it when the object is deleted (its types read
// again), whoever handed it over and whether or not the camera is current; one that only leaves
// play is followed on, as the camera event of an explosion sequence follows its ship after the
// sequence has taken the ship out of play.
class CameraBase {
public:
    // What the rendering camera takes from section "Camera" of the camera settings.
    struct Lens {
        float nearClipDistance;
        float farClipDistance;
        // Degrees.
        float fovY;
    };

    // Makes the rendering camera and a child node of the root, both named `name`, in
    // `sceneManager`, with the lens readLens reads from `settings` (the camera settings) for the
    // game window's shape. The node is left out of the scene graph.
    CameraBase(const std::string& name, Ogre::SceneManager& sceneManager, const Config& settings);
    // Takes the node out of the scene graph and destroys its children, the camera and the node.
    virtual ~CameraBase();
    CameraBase(const CameraBase&) = delete;
    CameraBase& operator=(const CameraBase&) = delete;

    virtual void setTarget(Targetable& target) = 0;
    virtual void clearTarget();
    // Puts the node into the scene graph, makes `viewport` show this camera (none yet before the
    // game window has its viewport) and, with a target, hands it to setTarget.
    virtual void activate(Ogre::Viewport* viewport, Targetable* target);
    // Clears the target and takes the node out of the scene graph.
    virtual void deactivate();
    // World pose: the node hangs directly under the root.
    virtual Ogre::Vector3 getPosition() const;
    virtual Ogre::Vector3 getVelocity() const;
    virtual Ogre::Quaternion getOrientation() const;
    virtual void setPosition(const Ogre::Vector3& position);
    // The task's callback: the last and the smoothed frame time of the scheduler.
    virtual void update(float lastFrameTime, float smoothedFrameTime) = 0;

    void setOrientation(const Ogre::Quaternion& orientation);

    bool isActive() const { return active; }
    Targetable* getTarget() const { return target; }
    Ogre::Camera* getCamera() const { return camera; }
    Ogre::SceneNode* getSceneNode() const { return node; }
    const std::string& getName() const;
    // Tells this camera apart from every other camera of the process, even one made later at the
    // same address.
    std::uint64_t getSerial() const { return serial; }

    // The engine's scene manager, where cameras made without one are made. Logs and throws
    // FatalError before the engine has one.
    static Ogre::SceneManager& gameSceneManager();

    // Reads "nearClipDistance" (5), "farClipDistance" (100000; 0 sets the far plane at infinity)
    // and "fovY" in degrees (50) from section "Camera" of `settings`, for a view `aspect` times as
    // wide as it is high. Refused as ValueRange::refuse does, naming the key (the renderer aborted
    // at start-up or in the first battle on each, or refused a near distance with an exception of
    // its own that named no file): a near distance of 0 or below; a far distance below 0; a field
    // of view whose half angle has a tangent below 0 (from 180 to 360 degrees, less whole turns),
    // which turns the renderer's box of the view inside out; and a box whose span across passes
    // the float range (twice the farther clip distance, 100000 for the infinite far plane, times
    // the half angle's tangent and the aspect where that is over 1), named by the clip distance
    // that sets the depth or else by "fovY".
    static Lens readLens(const Config& settings, float aspect);
    // The shape of the game window, width over height; 4:3 (the renderer's own default) before
    // there is a window.
    static float windowAspect();

    // The farthest out on an axis a view may go. The star's flare looks from the view at a point
    // of the sky 5,000 units away, and where a float's spacing passes that the two points fall
    // together and the collision library aborts on the star's ray along no direction: a view at
    // (1e12 1e12 1e12) or (0 0 1e15) ended the game so, at 3e38 the sound library's exit on a
    // listener at no number ended it; (1e11 1e11 1e11) and (0 0 1e14) played. At 1e10 the
    // spacing is 1,024, and the sky point keeps its direction for a star in any direction.
    static constexpr float MAX_VIEW_COORDINATE = 1.0e10f;
    // Whether a view at `place` is within MAX_VIEW_COORDINATE on every axis; no number is not.
    static bool isViewable(const Ogre::Vector3& place);
    // The least offset on an axis at which a ship's view ended the game, through the collision
    // library's abort on the star's ray: a Trifighter's chaseOffset of (1.2e11 1.2e11 1.2e11) with
    // the star along (1 1 1), (1.5e11 ...) with the star along (1 -1 1), 2e11, 3e11 and 1e12 with
    // the star of Deep Space too; (1e11 1e11 1e11) and its negative played with the star along
    // each of (1 -1 1), (-1 1 -1), (1 1 1) and Deep Space's own.
    static constexpr float MAX_VIEW_OFFSET = 1.2e11f;
    // A view's offset from what it follows, in that object's frame, read from `config`
    // (`fallback` without the key). One that reaches MAX_VIEW_OFFSET on an axis is logged with the
    // file and refused as ValueRange::refuse does.
    static Ogre::Vector3 readViewOffset(const Config& config, const std::string& section, const std::string& key,
                                        const Ogre::Vector3& fallback);

    // A speed at which a camera closes on where it goes, read from `config` (`fallback` without
    // the key, where there is one). One below 0 is logged, with `user` opening the line, and
    // refused naming the file, section and key (ValueRange::refuse): the view moved away from
    // where it went, further on every frame, until its place was no number, and the collision
    // library's abort or the sound layer's exit ended the game.
    static float readSpeed(const Config& config, const std::string& section, const std::string& key,
                           const std::string& user, std::optional<float> fallback = std::nullopt);

protected:
    // Turns the node so that its -Z axis points at `point` (world space).
    void lookAt(const Ogre::Vector3& point);
    // A per-frame blend factor held below `limit`: the value is kept only when strictly below,
    // and anything else, NaN included, gives the limit.
    static float limitFactor(float value, float limit);

    // The game clock and the real-time clock of the scheduler, in seconds.
    static double gameTime();
    static double realTime();

    bool active = false;
    Ogre::SceneManager& sceneManager;
    Ogre::Camera* camera = nullptr;
    Ogre::SceneNode* node = nullptr;
    Targetable* target = nullptr;
    TargetableWatch targetWatch{target};
    FixedTask updateTask;
    Ogre::Vector3 velocity = Ogre::Vector3::ZERO;

private:
    static std::uint64_t nextSerial;

    const std::uint64_t serial = nextSerial++;

    void detachFromRoot();
    void destroySceneObjects();
};

} // namespace Tolvarine
