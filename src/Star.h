#pragma once

#include <OgreColourValue.h>
#include <OgrePrerequisites.h>
#include <OgreVector.h>

#include <functional>
#include <memory>

namespace Tolvarine {

class FixedTask;
class OverlayBillboard;
class OverlayBillboardSet;

// A sun of an area: a directional light of the scene and a flare drawn in screen space where the
// sun stands in the sky, 5000 units from the viewer against the light's direction. The flare fades
// in while the sun is in view and fades out while it is off screen or something solid stands in
// front of it, on the real-time clock, so the fade goes on while the game is paused. Areas make
// stars; the running scenario owns them and lets go of them when the area is replaced or the
// scenario unloads.
//
// Every star draws its flare in one shared screen-space set, "StarOverlayBBS" (material "Star",
// room for two flares before it grows), made with the first star and let go with the last. The
// fade rates and the reach of the test for things in front of the sun come from "cfg/star.cfg",
// section "Star": "fadeInRate" and "fadeOutRate" (fractions per second), and
// "occlusionTestNearDistance" and "occlusionTestFarDistance" (where the test ray starts, and its
// length).
class Star {
public:
    // Whether anything solid lies on the ray from `origin` along the unit `direction`, within
    // `length`.
    using OcclusionTest = std::function<bool(const Ogre::Vector3& origin, const Ogre::Vector3& direction, float length)>;

    // A light shining along `direction` (of any finite size: AreaDirection) in `scene`, named as
    // the scenario names its lights, and a black flare of `size` by `size` screen units. A missing
    // settings file or key is logged and throws ConfigurationError, with nothing left behind.
    Star(Ogre::SceneManager& scene, const Ogre::Vector3& direction, const Ogre::ColourValue& diffuse,
         const Ogre::ColourValue& specular, const Ogre::ColourValue& glow, float size);
    // Takes the flare out of the shared set and the light out of the scene.
    ~Star();
    Star(const Star&) = delete;
    Star& operator=(const Star&) = delete;

    // The fixed task "Star::update" (order 50): follows the current camera, tests the view and
    // the way to the sun, and steps the fade. Nothing happens before there is a camera.
    void update();

    // One step of the fade: towards 1 at fadeInRate of the remaining way per second while
    // visible, towards 0 at fadeOutRate of the brightness per second otherwise. A step never
    // goes past its goal, however long the frame, so the fade stays within 0 to 1.
    static float stepFade(float fade, bool visible, float fadeInRate, float fadeOutRate, float seconds);

    // Replaces the test for things in front of the sun (the physics world's ray by default);
    // an empty test restores the default.
    static void setOcclusionTest(OcclusionTest test);
    // The shared flare set, or null while there is no star.
    static OverlayBillboardSet* getFlareSet();

    float getFade() const { return fade; }
    bool isVisible() const { return visible; }
    const Ogre::Vector3& getSkyPosition() const { return skyPosition; }
    Ogre::Light* getLight() const { return light; }
    OverlayBillboard* getFlare() const { return flare; }

private:
    static OverlayBillboardSet& flareSet(Ogre::SceneManager& scene);
    static bool occluded(const Ogre::Vector3& origin, const Ogre::Vector3& direction, float length);

    Ogre::SceneManager& scene;
    Ogre::Light* light = nullptr;
    Ogre::ColourValue glowColour;
    OverlayBillboard* flare = nullptr;
    Ogre::Vector3 skyPosition;
    Ogre::Vector3 direction;
    bool visible = false;
    float fade = 0.0f;
    double lastUpdateTime = 0.0;
    float fadeInRate = 0.0f;
    float fadeOutRate = 0.0f;
    float occlusionTestNearDistance = 0.0f;
    float occlusionTestFarDistance = 0.0f;
    std::unique_ptr<FixedTask> updateTask;
};

} // namespace Tolvarine
