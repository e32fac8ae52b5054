#include "TargetGrid.h"

#include <algorithm>
#include <cmath>

namespace Tolvarine {

namespace {

// Cube coordinates are kept within 21 bits each, so that a cube's key packs into one word. Objects
// further out than a million cubes (5e8 units, five times as far as scripts may place anything)
// share the outermost cubes, where a search that reaches them looks.
constexpr int CELL_BITS = 21;
constexpr std::int64_t CELL_LIMIT = (std::int64_t(1) << (CELL_BITS - 1)) - 1;
constexpr std::uint64_t CELL_MASK = (std::uint64_t(1) << CELL_BITS) - 1;

} // namespace

TargetGrid& TargetGrid::get()
{
    static TargetGrid* const grid = new TargetGrid();
    return *grid;
}

TargetGrid::~TargetGrid()
{
    for (const auto& entry : records) {
        if (entry.first->getListener() == this)
            entry.first->setListener(nullptr);
    }
}

TargetGrid::CellKey TargetGrid::file(Ogre::MovableObject& object)
{
    // Bounds are only had on a node; an object on no node is in no scene, and no search finds it.
    if (!object.getParentNode()) {
        withdraw(object);
        return 0;
    }
    const Ogre::Sphere& bounds = object.getWorldBoundingSphere(true);
    largestRadius = std::max(largestRadius, bounds.getRadius());
    const CellKey cell = cellOf(bounds.getCenter());
    const auto [at, isNew] = records.try_emplace(&object);
    Entry& entry = *at;
    if (isNew) {
        object.setListener(this);
        numbered = false;
    }
    if (entry.second.filed && entry.second.cell == cell)
        return cell;
    if (entry.second.filed)
        remove(entry);
    std::vector<Entry*>& list = cells[cell];
    entry.second.filed = true;
    entry.second.cell = cell;
    entry.second.slot = list.size();
    list.push_back(&entry);
    ++filedCount;
    return cell;
}

void TargetGrid::withdraw(Ogre::MovableObject& object)
{
    const auto entry = records.find(&object);
    if (entry != records.end() && entry->second.filed)
        remove(*entry);
}

void TargetGrid::objectDestroyed(Ogre::MovableObject* object)
{
    withdraw(*object);
    // The others keep their order.
    records.erase(object);
}

void TargetGrid::remove(Entry& entry)
{
    const auto cell = cells.find(entry.second.cell);
    std::vector<Entry*>& list = cell->second;
    // The cube's last object takes the place of the one leaving.
    Entry* const last = list.back();
    list[entry.second.slot] = last;
    last->second.slot = entry.second.slot;
    list.pop_back();
    if (list.empty())
        cells.erase(cell);
    entry.second.filed = false;
    --filedCount;
}

void TargetGrid::numberInOrder()
{
    std::vector<Entry*> inOrder;
    inOrder.reserve(records.size());
    for (Entry& entry : records)
        inOrder.push_back(&entry);
    std::sort(inOrder.begin(), inOrder.end(),
              [](const Entry* first, const Entry* second) { return precedes(*first->first, *second->first); });
    for (std::size_t i = 0; i < inOrder.size(); ++i)
        inOrder[i]->second.order = i;
    numbered = true;
}

const std::vector<TargetGrid::Found>& TargetGrid::search(const Ogre::SceneManager& scene, const Ogre::Sphere& sphere,
                                                         std::uint32_t mask)
{
    if (!numbered)
        numberInOrder();
    found.clear();
    const Ogre::Vector3& centre = sphere.getCenter();
    // The query's test takes an object whose world sphere touches the searched one; a radius below
    // 0 counts by its size there, as the radii are added and squared. Its arithmetic rounds, by a
    // little of the radii and of coordinates as large as the centre's: the reach is wider than
    // that by far, so that an object the query would take is never in a cube left out.
    const double centreSize = std::abs(centre.x) + std::abs(centre.y) + std::abs(centre.z);
    const double reach = (std::abs(double(sphere.getRadius())) + largestRadius) * 1.0001 + centreSize * 1e-5 + 1.0;
    CellBox box;
    const bool boxed = boxAround(centre, reach, box);
    double cubes = 1.0;
    for (int axis = 0; boxed && axis < 3; ++axis)
        cubes *= double(box.high[axis] - box.low[axis] + 1);
    if (boxed && cubes <= double(cells.size())) {
        for (std::int64_t x = box.low[0]; x <= box.high[0]; ++x) {
            for (std::int64_t y = box.low[1]; y <= box.high[1]; ++y) {
                for (std::int64_t z = box.low[2]; z <= box.high[2]; ++z) {
                    const auto cell = cells.find(keyOf(x, y, z));
                    if (cell != cells.end())
                        collect(cell->second, scene, sphere, mask);
                }
            }
        }
        return found;
    }
    // Fewer cubes are occupied than the box holds (or the reach has no end): the occupied ones
    // are walked, those outside the box skipped.
    for (const auto& cell : cells) {
        bool inside = true;
        for (int axis = 0; boxed && axis < 3; ++axis) {
            const std::int64_t coordinate =
                std::int64_t((cell.first >> (CELL_BITS * (2 - axis))) & CELL_MASK) - CELL_LIMIT;
            inside = inside && box.low[axis] <= coordinate && coordinate <= box.high[axis];
        }
        if (inside)
            collect(cell.second, scene, sphere, mask);
    }
    return found;
}

bool TargetGrid::boxAround(const Ogre::Vector3& centre, double reach, CellBox& box) const
{
    if (!std::isfinite(reach))
        return false;
    for (int axis = 0; axis < 3; ++axis) {
        if (!std::isfinite(centre[axis]))
            return false;
        box.low[axis] = cellCoordinate(centre[axis] - reach);
        box.high[axis] = cellCoordinate(centre[axis] + reach);
    }
    return true;
}

void TargetGrid::collect(const std::vector<Entry*>& cell, const Ogre::SceneManager& scene, const Ogre::Sphere& sphere,
                         std::uint32_t mask)
{
    for (const Entry* entry : cell) {
        Ogre::MovableObject* const object = entry->first;
        // The scene query's own tests: its scene, a flag of the mask, in the scene, and the
        // spheres touching, with the object's bounds brought up to date as its callers do.
        if (object->_getManager() != &scene || !(object->getQueryFlags() & mask) || !object->isInScene())
            continue;
        if (sphere.intersects(object->getWorldBoundingSphere(true)))
            found.push_back(Found{object, entry->second.order});
    }
}

bool TargetGrid::precedes(const Ogre::MovableObject& first, const Ogre::MovableObject& second)
{
    const int kind = first.getMovableType().compare(second.getMovableType());
    if (kind != 0)
        return kind < 0;
    return first.getName() < second.getName();
}

std::int64_t TargetGrid::cellCoordinate(double coordinate)
{
    const double cell = std::floor(coordinate / CELL_SIZE);
    // Not a number lands in the lowest cube; no search finds such an object anyway.
    if (!(cell > double(-CELL_LIMIT)))
        return -CELL_LIMIT;
    if (cell > double(CELL_LIMIT))
        return CELL_LIMIT;
    return std::int64_t(cell);
}

TargetGrid::CellKey TargetGrid::keyOf(std::int64_t x, std::int64_t y, std::int64_t z)
{
    const auto field = [](std::int64_t coordinate) { return std::uint64_t(coordinate + CELL_LIMIT); };
    return field(x) << (2 * CELL_BITS) | field(y) << CELL_BITS | field(z);
}

TargetGrid::CellKey TargetGrid::cellOf(const Ogre::Vector3& point)
{
    return keyOf(cellCoordinate(point.x), cellCoordinate(point.y), cellCoordinate(point.z));
}

} // namespace Tolvarine
