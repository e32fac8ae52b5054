#include "Path.h"

#include "LogCapture.h"
#include "ScenarioWorld.h"

#include <boost/python/extract.hpp>
#include <boost/python/import.hpp>

#include <gtest/gtest.h>

#include <limits>

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
    // A copy, as a ship's AI keeps, shares the waypoints and keeps its own list.
    Path original(5.0f, false);
    original.appendWaypoint(Vector3::ZERO);
    const Path copy = original;
    original.appendWaypoint(Vector3::UNIT_X);
    EXPECT_EQ(copy.getPoints().size(), 1u);
    EXPECT_EQ(copy.getPoints()[0]->direction, Vector3::UNIT_X);

    // Scripts build paths, and must give the radius and the loop flag.
    scriptHost().runString("from Tolvarine import Path, Vector3\n"
                           "scripted = Path(10.0, True)\n"
                           "for p in (Vector3(0, 0, 0), Vector3(3, 4, 0), Vector3(3, 4, 0), Vector3(3, 4, 12)):\n"
                           "    scripted.appendWaypoint(p)\n"
                           "try:\n"
                           "    Path()\n"
                           "    raise AssertionError('a path without radius and loop flag')\n"
                           "except TypeError:\n"
                           "    pass\n");
    const Path& scripted = boost::python::extract<const Path&>(boost::python::import("__main__").attr("scripted"))();
    EXPECT_FLOAT_EQ(scripted.getRadius(), 10.0f);
    EXPECT_TRUE(scripted.isLooping());
    EXPECT_EQ(scripted.getByDistance(), (Path::ByDistance{{5, 1}, {17, 3}}));
}

} // namespace
} // namespace Tolvarine::Test
