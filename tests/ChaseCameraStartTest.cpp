// The chase view starts at its target's chase point, looking at it: the first frame after a
// scenario puts the player's ship at the origin shows the ship from behind, not its inside.
#include "CameraDoubles.h"

#include "CameraController.h"

#include <gtest/gtest.h>

namespace Tolvarine::Test {
namespace {

using Ogre::Quaternion;
using Ogre::Vector3;

class ChaseCameraStart : public CameraFixture {
protected:
    CameraController controller{scene, settings};
};

TEST_F(ChaseCameraStart, TheChaseViewStartsAtTheChasePointLookingAtTheTarget)
{
    struct Row {
        const char* name;
        bool targetFirst; // the target is set before the chase view is chosen
    };
    const Row rows[] = {{"chase view chosen for a target", true}, {"target given to the chase view", false}};
    target.position = Vector3(100, 0, -50);
    target.orientation = Quaternion(Ogre::Degree(90), Vector3::UNIT_Y);
    // Chase offset (0, 5, 30) turned a quarter about the vertical.
    const Vector3 chasePoint(130, 5, -50);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        controller.activateFixedCamera();
        controller.clearCameraTarget();
        controller.getChaseCamera().setPosition(Vector3::ZERO);
        if (row.targetFirst) {
            controller.setCameraTarget(target);
            controller.activateChaseCamera();
        } else {
            controller.activateChaseCamera();
            controller.setCameraTarget(target);
        }
        const ChaseCamera& chase = controller.getChaseCamera();
        EXPECT_TRUE(chase.getPosition().positionEquals(chasePoint, 1e-3f)) << chase.getPosition();
        EXPECT_LT(degreesBetween(forwardOf(chase), target.position - chasePoint), 0.01f);
        EXPECT_EQ(chase.getVelocity(), Vector3::ZERO);
    }
}

} // namespace
} // namespace Tolvarine::Test
