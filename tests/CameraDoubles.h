#pragma once

// Test doubles for the cameras: a target that stands wherever the test puts it, and a fixture with
// the services every camera needs (a scheduler on a hand-driven clock, the input handler, a scene
// manager without a window and the camera settings).

#include "Config.h"
#include "ConfigFiles.h"
#include "InputHandler.h"
#include "ManualTicks.h"
#include "RenderingRoot.h"
#include "Scheduler.h"
#include "Targetable.h"

#include <OgreQuaternion.h>
#include <OgreVector.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

namespace Tolvarine::Test {

// A target posed by hand: its camera offsets come from a small type file.
class PosedTarget : public Targetable {
public:
    explicit PosedTarget(const Config& type)
        : Targetable(type)
    {
    }

    Ogre::Vector3 getPosition() const override { return position; }
    Ogre::Quaternion getOrientation() const override { return orientation; }
    Ogre::Vector3 getVelocity() const override { return velocity; }
    void addPositionListener(PositionListener*) override {}
    void removePositionListener(PositionListener*) override {}
    Ogre::Vector3 predictPosition(float t) const override { return position + velocity * t; }
    Ogre::Vector3 predictPositionWithThrust(float t) const override { return predictPosition(t); }
    Ogre::Vector3 predictPositionWithThrustFactor(float t, float) const override { return predictPosition(t); }

    float getBoundingRadius() const override { return 10.0f; }
    DamageModel* getDamageModel() override { return nullptr; }
    Faction* getFaction() override { return nullptr; }

    Ogre::Vector3 position = Ogre::Vector3::ZERO;
    Ogre::Quaternion orientation = Ogre::Quaternion::IDENTITY;
    Ogre::Vector3 velocity = Ogre::Vector3::ZERO;
};

// Camera settings with round numbers: movement factors come out exact for frame times that are
// binary fractions of a second.
inline const char* const cameraSettingsText =
    "[Camera]\nnearClipDistance = 5\nfarClipDistance = 2000\nfovY = 90\nchaseCorrectionSpeed = 2\n"
    "[CommandCamera]\nmovementSpeed = 0.5\ninitialOffset = (0 0 30)\nzoomStepProportion = 0.5\nmaxDistance = 100\n"
    "minDistance = 20\npanControlSpeed = 1.5707963\n"
    "[FreeCamera]\norbitRange = 10\norbitSpeedDegrees = 90\nfreeCameraCorrectionSpeed = 1\n";

// Offsets of the target type: chase (0, 5, 30), fixed (0, 1, -4), drop (0, 0, -100).
inline const char* const targetTypeText =
    "[Targetable]\nchaseOffset = (0 5 30)\nfixedOffset = (0 1 -4)\ndropOffset = (0 0 -100)\n";

class CameraFixture : public ::testing::Test {
protected:
    // Moves both clocks on; the game clock stands while the game is paused.
    static void advance(double seconds) { ManualTicks::advance(seconds); }

    // Moves the clocks on and updates the camera as its task would: no game time while paused.
    template <typename Camera>
    void step(Camera& camera, float seconds) const
    {
        advance(seconds);
        const float game = scheduler.isPaused() ? 0.0f : seconds;
        camera.update(game, game);
    }

    // The direction in which a camera looks: its node's -Z axis.
    template <typename Camera>
    static Ogre::Vector3 forwardOf(const Camera& camera)
    {
        return camera.getOrientation() * Ogre::Vector3::NEGATIVE_UNIT_Z;
    }

    // Angle between two directions, in degrees.
    static float degreesBetween(const Ogre::Vector3& a, const Ogre::Vector3& b)
    {
        return a.angleBetween(b).valueDegrees();
    }

    TemporaryFolder folder;
    ManualTicks ticks;
    InputHandler input;
    Scheduler scheduler;
    RenderingRoot rendering{RenderingRoot::Kind::Headless};
    Ogre::SceneManager& scene = rendering.sceneManager();
    Config settings{written(folder.file("camera.cfg"), cameraSettingsText)};
    Config targetType{written(folder.file("target.type"), targetTypeText)};
    PosedTarget target{targetType};
};

} // namespace Tolvarine::Test
