#include "Path.h"

#include <gtest/gtest.h>

namespace Tolvarine {
namespace {

using Ogre::Vector3;

// Waypoints (0 0 0), (3 4 0), (3 4 12): legs of 5 and 12. A looping path goes back to its first
// waypoint after the last; any other ends there.
TEST(Path, LegsAddUpAndTheLastWaypointLeadsBackOnlyOnALoop)
{
    for (const bool loop : {true, false}) {
        SCOPED_TRACE(loop ? "looping" : "not looping");
        Path path(10, loop);
        for (const Vector3& point : {Vector3(0, 0, 0), Vector3(3, 4, 0), Vector3(3, 4, 12)})
            path.appendWaypoint(point);
        EXPECT_FLOAT_EQ(path.getLength(), 17.0f);
        const struct { float distance; Vector3 direction; std::size_t next; } want[] = {
            {0, {0.6f, 0.8f, 0}, 1}, {5, {0, 0, 1}, 2}, {17, Vector3::ZERO, loop ? 0 : path.end()}};
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_FLOAT_EQ(path.getPoints()[i]->distance, want[i].distance) << i;
            EXPECT_TRUE(path.getPoints()[i]->direction.positionEquals(want[i].direction)) << i;
            EXPECT_EQ(path.next(i), want[i].next) << i;
        }
        EXPECT_EQ(path.getByDistance(), (Path::ByDistance{{5.0f, 1}, {17.0f, 2}}));
    }
}

} // namespace
} // namespace Tolvarine
