#pragma once

#include <OgreVector.h>

#include <cstddef>
#include <cstdint>
#include <unordered_map>

namespace Tolvarine {

// Counts things in play by the cube of space each started in, so that whatever starts many of
// them (the explosion sequences of dying ships) can tell a crowded place from an empty one
// without walking them all. Space is cut into cubes of a given edge; a place's neighbourhood is
// its own cube and the 26 around it, so it holds everything within one edge of the place along
// every axis, and nothing further than two.
//
// A thing is counted where it entered; one that drifts on is still counted there until it leaves,
// which suits short-lived effects. One thread.
class CrowdCount {
public:
    using Cube = std::uint64_t;

    explicit CrowdCount(double edge);

    // Counts one more thing at `place` and returns its cube, which `leave` takes back. A place
    // that is no finite number, or far beyond the physics' reach, counts in the outermost cubes.
    Cube enter(const Ogre::Vector3& place);
    // Counts one thing fewer in `cube`; a cube that holds none is left alone.
    void leave(Cube cube);
    // The things counted in the neighbourhood of `place`.
    std::size_t near(const Ogre::Vector3& place) const;

private:
    std::int64_t coordinate(double value) const;
    static Cube key(std::int64_t x, std::int64_t y, std::int64_t z);

    double edge;
    std::unordered_map<Cube, std::size_t> cubes;
};

} // namespace Tolvarine
