#pragma once

#include <OgreMovableObject.h>
#include <OgreSphere.h>

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace Ogre {
class SceneManager;
} // namespace Ogre

namespace Tolvarine {

// The scene objects of the game objects in play that searches look for (targets, and the bodies
// that blasts push), filed in a grid of cubes by where they are, so that a search around a point
// looks only at the cubes its sphere can reach. The scene manager's own sphere query walks every
// object of the scene, and with its bounds brought up to date first, that is two walks of the
// whole scene per search: a thousand capital ships with five turrets each stopped the game on
// them, and a thousand ships destroyed together stopped it on their blasts.
//
// A search finds among the filed objects exactly those that the scene's sphere query would report:
// of the scene searched, in it, carrying a flag of the mask, their world bounding sphere, brought
// up to date, touching the searched one (the same test, so an object whose bounds only straddle
// the edge is found, as the query finds it). It reports them in no particular order; `precedes`
// gives the query's order, so a caller that keeps the first of equals keeps the same one.
//
// Owners file an object when it enters play and whenever its node moves, and withdraw it when it
// leaves play; DynamicCollidable does so for the entity of every targetable game object and of
// every one whose query flags let explosions push it, and those are the only objects searched
// among. An object that moved since it was filed is looked for where it was filed. A destroyed
// object leaves the grid by itself: the grid takes the scene object's listener, a slot that the
// game leaves free.
//
// Every object the grid has filed, in play or not, keeps a number in the query's order until it
// is destroyed, so that what a search found sorts by number; the numbers are dealt out again when
// new objects have been filed, before the next search.
//
// One thread; the grid is not changed while a search's results are walked.
class TargetGrid : private Ogre::MovableObject::Listener {
public:
    using CellKey = std::uint64_t;

    // An object a search found, with its place in the scene query's order (smaller first), good
    // for the search that found it.
    struct Found {
        Ogre::MovableObject* object;
        std::uint64_t order;
    };

    // The edge of a cube: about half a turret's engagement range, so that a turret's search looks
    // at about a hundred cubes, most of them empty.
    static constexpr double CELL_SIZE = 500.0;

    // The grid every search shares. Never destroyed: scene objects destroyed at the end of the
    // program still withdraw from it.
    static TargetGrid& get();

    TargetGrid() = default;
    TargetGrid(const TargetGrid&) = delete;
    TargetGrid& operator=(const TargetGrid&) = delete;
    ~TargetGrid() override;

    // Files the object where its world bounding sphere is now, brought up to date (an object filed
    // before moves to its new cube), and returns the cube. An object on no node is withdrawn.
    CellKey file(Ogre::MovableObject& object);
    // Takes the object out of the searches; one not filed is left alone.
    void withdraw(Ogre::MovableObject& object);

    // The filed objects of `scene` that its sphere query would report for `sphere` and `mask`, in
    // no particular order. The list is the grid's own, good until the next search.
    const std::vector<Found>& search(const Ogre::SceneManager& scene, const Ogre::Sphere& sphere, std::uint32_t mask);

    // Whether the scene's sphere query reports `first` before `second`: it walks the kinds of
    // scene object in the order of their names, and each kind's objects in the order of theirs.
    static bool precedes(const Ogre::MovableObject& first, const Ogre::MovableObject& second);

    // The cube of a point. An object whose node hangs from the scene's root is in the cube of its
    // node's position: its owner may compare it with the cube `file` returned, and file the object
    // again only when it has crossed into another.
    static CellKey cellOf(const Ogre::Vector3& point);

    // How many objects are filed for the searches.
    std::size_t size() const { return filedCount; }

private:
    // What the grid keeps of an object: its number in the query's order, and while it is filed its
    // cube and its index in the cube's list.
    struct Record {
        std::uint64_t order = 0;
        bool filed = false;
        CellKey cell = 0;
        std::size_t slot = 0;
    };
    using Entry = std::pair<Ogre::MovableObject* const, Record>;
    // A box of cubes, by their integer coordinates, both ends included.
    struct CellBox {
        std::int64_t low[3];
        std::int64_t high[3];
    };

    void objectDestroyed(Ogre::MovableObject* object) override;

    static std::int64_t cellCoordinate(double coordinate);
    static CellKey keyOf(std::int64_t x, std::int64_t y, std::int64_t z);
    void remove(Entry& entry);
    void numberInOrder();
    // The cubes within `reach` of `centre` along each axis; false for a reach or centre that is
    // not finite.
    bool boxAround(const Ogre::Vector3& centre, double reach, CellBox& box) const;
    void collect(const std::vector<Entry*>& cell, const Ogre::SceneManager& scene, const Ogre::Sphere& sphere,
                 std::uint32_t mask);

    // Every object filed since it was made; a map's entries stay where they are, so the cubes hold
    // pointers to them.
    std::unordered_map<Ogre::MovableObject*, Record> records;
    std::unordered_map<CellKey, std::vector<Entry*>> cells;
    std::size_t filedCount = 0;
    bool numbered = true;
    // The largest radius of any object ever filed: a search reaches this much further, so that it
    // finds every object whose bounds reach into its sphere from a cube outside it.
    float largestRadius = 0.0f;
    std::vector<Found> found;
};

} // namespace Tolvarine
