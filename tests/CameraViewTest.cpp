#include "CameraDoubles.h"

#include "CameraController.h"

#include <OgreCamera.h>
#include <OgreManualObject.h>
#include <OgrePixelFormat.h>
#include <OgreRenderWindow.h>
#include <OgreRoot.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <OgreViewport.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Tolvarine::Test {
namespace {

using Ogre::Vector3;

// What one camera saw: the colour at the centre and how many pixels showed each box.
struct Picture {
    char centre = '-';
    int red = 0;
    int green = 0;
};

// A real window on the X display: a red box where the target is and a green box far ahead of its
// nose, seen from each of the controller's cameras in turn through the window's one viewport.
class CameraViews : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!RenderingRoot::displayAvailable())
            GTEST_SKIP() << "needs an X display (run the tests through tools/with-display.sh)";
        rendering = std::make_unique<RenderingRoot>(RenderingRoot::Kind::Windowed);
        Ogre::SceneManager& scene = rendering->sceneManager();
        addBox(scene, "TargetBox", Vector3::ZERO, 5.0f, Ogre::ColourValue::Red);
        addBox(scene, "Marker", Vector3(0, 0, -400), 20.0f, Ogre::ColourValue::Green);
        controller = std::make_unique<CameraController>(scene, settings);
        // As the game window does: one viewport for the current camera, then the nose view.
        viewport = rendering->window()->addViewport(controller->getCamera(), 0, 0.0f, 0.0f, 1.0f, 1.0f);
        viewport->setBackgroundColour(Ogre::ColourValue::Black);
        controller->activateFixedCamera();
        controller->setCameraTarget(target);
    }

    static void addBox(Ogre::SceneManager& scene, const std::string& name, const Vector3& centre, float half,
                       const Ogre::ColourValue& colour)
    {
        Ogre::ManualObject* box = scene.createManualObject(name);
        box->begin("BaseWhiteNoLighting", Ogre::RenderOperation::OT_TRIANGLE_LIST);
        for (int corner = 0; corner < 8; ++corner) {
            box->position((corner & 1 ? half : -half), (corner & 2 ? half : -half), (corner & 4 ? half : -half));
            box->colour(colour);
        }
        // Two triangles per face, wound both ways so that no face is culled.
        const int faces[6][4] = {{0, 1, 3, 2}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 3, 7, 5}};
        for (const auto& face : faces) {
            box->triangle(face[0], face[1], face[2]);
            box->triangle(face[0], face[2], face[3]);
            box->triangle(face[0], face[2], face[1]);
            box->triangle(face[0], face[3], face[2]);
        }
        box->end();
        scene.getRootSceneNode()->createChildSceneNode(centre)->attachObject(box);
    }

    // Lets the current camera move for a few quarter seconds, then draws and reads the window.
    Picture look(int steps = 1)
    {
        for (int step = 0; step < steps; ++step) {
            ManualTicks::advance(0.25);
            controller->getCurrentCamera()->update(0.25f, 0.25f);
        }
        EXPECT_EQ(viewport->getCamera(), controller->getCamera());
        Ogre::Root::getSingleton().renderOneFrame();
        Ogre::RenderWindow& window = *rendering->window();
        const std::uint32_t width = window.getWidth();
        const std::uint32_t height = window.getHeight();
        std::vector<std::uint8_t> pixels(width * height * 4);
        const Ogre::PixelBox box(width, height, 1, Ogre::PF_BYTE_RGBA, pixels.data());
        window.copyContentsToMemory(Ogre::Box(0, 0, width, height), box);

        Picture picture;
        for (std::uint32_t y = 0; y < height; ++y) {
            for (std::uint32_t x = 0; x < width; ++x) {
                const std::uint8_t* pixel = &pixels[(y * width + x) * 4];
                char kind = '-';
                if (pixel[0] > 200 && pixel[1] < 60 && pixel[2] < 60)
                    kind = 'r';
                else if (pixel[1] > 200 && pixel[0] < 60 && pixel[2] < 60)
                    kind = 'g';
                picture.red += kind == 'r';
                picture.green += kind == 'g';
                if (x == width / 2 && y == height / 2)
                    picture.centre = kind;
            }
        }
        return picture;
    }

    TemporaryFolder folder;
    ManualTicks ticks;
    InputHandler input;
    Scheduler scheduler;
    // The controller goes before the rendering root that holds its scene.
    std::unique_ptr<RenderingRoot> rendering;
    Config settings{written(folder.file("camera.cfg"), "[Camera]\nchaseCorrectionSpeed = 4\n"
                                                       "[FreeCamera]\norbitRange = 10\norbitSpeedDegrees = 90\n"
                                                       "freeCameraCorrectionSpeed = 4\n")};
    // Chase (0, 10, 60), nose (0, 0, -20), fly-by (0, 0, -150).
    Config targetType{written(folder.file("target.type"), "[Targetable]\nchaseOffset = (0 10 60)\n"
                                                          "fixedOffset = (0 0 -20)\ndropOffset = (0 0 -150)\n")};
    PosedTarget target{targetType};
    std::unique_ptr<CameraController> controller;
    Ogre::Viewport* viewport = nullptr;
};

TEST_F(CameraViews, EachCameraKindShowsTheSceneFromItsOwnPlace)
{
    // Nose view: ahead lies the marker; the target itself is behind the camera.
    const Picture nose = look();
    EXPECT_EQ(nose.centre, 'g');
    EXPECT_EQ(nose.red, 0);

    // Chase view: the target fills the middle from behind and above.
    controller->activateChaseCamera();
    const Picture chase = look();
    EXPECT_EQ(chase.centre, 'r');

    // Fly-by view: placed ahead of the target and looking back at it, from further away than the
    // chase view; the marker is behind the camera.
    controller->activateDropCamera();
    const Picture flyBy = look();
    EXPECT_EQ(flyBy.centre, 'r');
    EXPECT_EQ(flyBy.green, 0);
    EXPECT_GT(chase.red, flyBy.red);

    // Free camera: moved beside the marker and turned toward it; the target is out of view.
    FreeCamera& free = controller->setCameraTypeFree();
    free.moveTo(Vector3(200, 0, -400));
    free.pointAt(Vector3(0, 0, -400));
    const Picture side = look(24);
    EXPECT_EQ(side.centre, 'g');
    EXPECT_EQ(side.red, 0);
    EXPECT_GT(side.green, nose.green);
}

} // namespace
} // namespace Tolvarine::Test
