#include "Path.h"

#include "LogCapture.h"

#include <gtest/gtest.h>

namespace Tolvarine::Test {
namespace {

using Ogre::Vector3;

TEST(Path, WaypointsGetTheirDistancesDirectionsAndSuccessors)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // Successors of each waypoint: 9 stands for the end.
    const struct {
        const char* situation;
        bool loop;
        std::vector<Vector3> waypoints;
        std::vector<float> distances;
        std::vector<Vector3> directions;
        Path::ByDistance byDistance;
        std::vector<std::size_t> successors;
    } rows[] = {
        {"empty", false, {}, {}, {}, {}, {}},
        {"one point", true, {Vector3(1, 2, 3)}, {0}, {Vector3::ZERO}, {}, {0}},
        {"three points", false, {Vector3::ZERO, Vector3(3, 4, 0), Vector3(3, 4, 12)}, {0, 5, 17},
         {Vector3(0.6f, 0.8f, 0), Vector3::UNIT_Z, Vector3::ZERO}, {{5, 1}, {17, 2}}, {1, 2, 9}},
        {"first point repeated", false, {Vector3::UNIT_X, Vector3::UNIT_X, Vector3(4, 4, 0)}, {0, 0, 5},
         {Vector3::ZERO, Vector3(0.6f, 0.8f, 0), Vector3::ZERO}, {{0, 1}, {5, 2}}, {1, 2, 9}},
        {"last point repeated", true, {Vector3::ZERO, Vector3(0, 5, 0), Vector3(0, 5, 0)}, {0, 5, 5},
         {Vector3::UNIT_Y, Vector3::ZERO, Vector3::ZERO}, {{5, 1}}, {1, 2, 0}},
        {"points that are not finite are left out", false, {Vector3(nan, 0, 0), Vector3::ZERO, Vector3(0, 0, INFINITY), Vector3(0, 2, 0)},
         {0, 2}, {Vector3::UNIT_Y, Vector3::ZERO}, {{2, 1}}, {1, 9}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.situation);
        LogCapture log;
        Path path(0.0f, row.loop);
        for (const Vector3& waypoint : row.waypoints)
            path.appendWaypoint(waypoint);
        ASSERT_EQ(path.getPoints().size(), row.distances.size());
        for (std::size_t i = 0; i < row.distances.size(); ++i) {
            EXPECT_FLOAT_EQ(path.getPoints()[i]->distance, row.distances[i]) << i;
            EXPECT_LT(path.getPoints()[i]->direction.distance(row.directions[i]), 1e-6f) << i;
            EXPECT_EQ(path.next(i), row.successors[i] == 9 ? path.end() : row.successors[i]) << i;
        }
        EXPECT_EQ(path.getByDistance(), row.byDistance);
        EXPECT_FLOAT_EQ(path.getLength(), row.distances.empty() ? 0.0f : row.distances.back());
        EXPECT_EQ(path.next(path.end()), path.end());
        EXPECT_EQ(log.lines().size(), row.waypoints.size() - row.distances.size());
    }
    EXPECT_TRUE(Path(1.0f, true).isLooping());
}

} // namespace
} // namespace Tolvarine::Test
