#include "Path.h"

#include "ScriptArguments.h"

#include <boost/python/class.hpp>
#include <boost/python/make_constructor.hpp>

namespace bp = boost::python;

namespace Tolvarine {

namespace {

void appendWaypointFromScript(Path& path, const Ogre::Vector3& position)
{
    path.appendWaypoint(ScriptArguments::position("Path.appendWaypoint", position));
}

// Any finite radius: with one of 0 or below no waypoint is ever reached, and a ship on the path
// holds its first waypoint.
Path* newPathFromScript(float radius, bool loop)
{
    return new Path(ScriptArguments::finite("Path", "the radius", radius), loop);
}

} // namespace

Path::Path(float radius, bool loop)
    : radius(radius)
    , loop(loop)
{
}

void Path::appendWaypoint(const Ogre::Vector3& position)
{
    auto point = std::make_shared<PathPoint>();
    point->position = position;
    if (!points.empty()) {
        PathPoint& last = *points.back();
        const Ogre::Vector3 step = position - last.position;
        length += step.length();
        // A repeated position leaves the direction zero (normalise keeps a zero vector zero).
        last.direction = step.normalisedCopy();
        point->distance = length;
        // emplace keeps an existing key, so a repeated position maps to the earlier waypoint.
        byDistance.emplace(length, points.size());
    }
    points.push_back(std::move(point));
}

std::size_t Path::next(std::size_t index) const
{
    if (index >= points.size())
        return end();
    if (index + 1 < points.size())
        return index + 1;
    return loop && !points.empty() ? 0 : end();
}

void Path::exportToPython()
{
    bp::class_<Path>("Path", bp::no_init)
        .def("__init__", bp::make_constructor(&newPathFromScript))
        .def("appendWaypoint", &appendWaypointFromScript);
}

} // namespace Tolvarine
