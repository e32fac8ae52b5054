#include "CrowdCount.h"

#include <cmath>

namespace Tolvarine {

namespace {

// Each coordinate of a cube keeps 21 bits, so that its key packs into one word; places further out
// than a million cubes share the outermost ones.
constexpr int BITS = 21;
constexpr std::int64_t LIMIT = (std::int64_t(1) << (BITS - 1)) - 1;

} // namespace

CrowdCount::CrowdCount(double edge)
    : edge(edge)
{
}

CrowdCount::Cube CrowdCount::enter(const Ogre::Vector3& place)
{
    const Cube cube = key(coordinate(place.x), coordinate(place.y), coordinate(place.z));
    ++cubes[cube];
    return cube;
}

void CrowdCount::leave(Cube cube)
{
    const auto found = cubes.find(cube);
    if (found == cubes.end())
        return;
    if (--found->second == 0)
        cubes.erase(found);
}

std::size_t CrowdCount::near(const Ogre::Vector3& place) const
{
    if (cubes.empty())
        return 0;
    const std::int64_t x = coordinate(place.x);
    const std::int64_t y = coordinate(place.y);
    const std::int64_t z = coordinate(place.z);
    std::size_t things = 0;
    for (std::int64_t i = x - 1; i <= x + 1; ++i) {
        for (std::int64_t j = y - 1; j <= y + 1; ++j) {
            for (std::int64_t k = z - 1; k <= z + 1; ++k) {
                const auto found = cubes.find(key(i, j, k));
                if (found != cubes.end())
                    things += found->second;
            }
        }
    }
    return things;
}

std::int64_t CrowdCount::coordinate(double value) const
{
    const double cube = std::floor(value / edge);
    // Not a number lands in the lowest cube.
    if (!(cube > double(-LIMIT)))
        return -LIMIT;
    return cube < double(LIMIT) ? std::int64_t(cube) : LIMIT;
}

CrowdCount::Cube CrowdCount::key(std::int64_t x, std::int64_t y, std::int64_t z)
{
    // Counted cubes take the fields 1 to 2^21 - 1; the neighbours one beyond the outermost take
    // field 0, where nothing is counted, instead of spilling into the next field.
    const auto field = [](std::int64_t value) { return Cube(value + LIMIT + 1) & ((Cube(1) << BITS) - 1); };
    return field(x) << (2 * BITS) | field(y) << BITS | field(z);
}

} // namespace Tolvarine
