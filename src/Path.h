#pragma once

#include "PathPoint.h"

#include <OgreVector.h>

#include <cstddef>
#include <map>
#include <memory>
#include <vector>

namespace Tolvarine {

// A polyline of waypoints that scripts build and hand to a ship's AI to fly along. A waypoint
// counts as reached when the ship comes closer to it than the path's radius (so with a radius of
// 0 or below none is ever reached); a looping path starts again at its first waypoint after its
// last one.
//
// A path is copied by value: a ship keeps its own copy of the path it follows, and the copy shares
// the waypoints with the path it was copied from.
class Path {
public:
    using Points = std::vector<std::shared_ptr<PathPoint>>;
    // Each waypoint after the first, by its distance along the path, as its index in the points.
    // Of waypoints at one distance (a repeated position) the earlier listed one keeps the key; the
    // first waypoint is never listed.
    using ByDistance = std::map<float, std::size_t>;

    // An empty path.
    Path(float radius, bool loop);

    // Adds a waypoint at the end. The position must be finite: one that is not would spoil every
    // distance after it (the script face refuses it).
    void appendWaypoint(const Ogre::Vector3& position);

    // The index of the waypoint to fly to after the one at `index`: the following one, the first
    // again after the last on a looping path, and end() after the last on any other path (and for
    // an index that is no waypoint).
    std::size_t next(std::size_t index) const;
    // The index that stands for "no further waypoint".
    std::size_t end() const { return points.size(); }

    float getRadius() const { return radius; }
    bool isLooping() const { return loop; }
    // Total length; 0 while the path has fewer than two waypoints.
    float getLength() const { return length; }
    const Points& getPoints() const { return points; }
    const ByDistance& getByDistance() const { return byDistance; }

    // Registers the script class "Path" with the module being started.
    static void exportToPython();

private:
    float radius;
    bool loop;
    float length = 0.0f;
    Points points;
    ByDistance byDistance;
};

} // namespace Tolvarine
