// The target grid against the scene manager's own sphere query, which it stands in for.
#include "TargetGrid.h"

#include "CombatWorld.h"
#include "ShipBehaviour.h"
#include "ShipWorld.h"
#include "TestMeshes.h"

#include <OgreEntity.h>
#include <OgreManualObject.h>
#include <OgreSceneNode.h>
#include <OgreSceneQuery.h>

#include <algorithm>
#include <random>
#include <set>

namespace Tolvarine::Test {
namespace {

using Ogre::Vector3;

constexpr std::uint32_t SIDE_A = 256, SIDE_B = 512;

struct Search {
    std::string name;
    Vector3 centre;
    float radius;
    std::uint32_t mask;
};

// Entities and manual objects of many sizes, filed in a grid of the test's own.
class TargetGridWorld : public CombatWorld {
protected:
    TargetGridWorld() : CombatWorld(RenderingRoot::Kind::Headless) { createMesh("ball.mesh", Ogre::RGN_DEFAULT, sphereShape(4, 8, 1.0f)); }

    // An entity (a unit ball on a node scaled by `size`) or a manual object whose bounds reach
    // `size` along each axis.
    Ogre::MovableObject& add(const std::string& name, bool entity, const Vector3& at, float size, std::uint32_t flags)
    {
        Ogre::SceneNode* node = scene().getRootSceneNode()->createChildSceneNode(at);
        Ogre::MovableObject* object = nullptr;
        if (entity) {
            object = scene().createEntity(name, "ball.mesh");
            node->setScale(Vector3(size));
        } else {
            Ogre::ManualObject* manual = scene().createManualObject(name);
            manual->begin("BaseWhiteNoLighting", Ogre::RenderOperation::OT_POINT_LIST);
            manual->position(Vector3(-size));
            manual->position(Vector3(size));
            manual->end();
            object = manual;
        }
        object->setQueryFlags(flags);
        node->attachObject(object);
        grid.file(*object);
        filed.insert(object);
        return *object;
    }

    // The names of the filed objects that the scene's query reports, in its order, with every
    // object's bounds brought up to date first as the game's searches did.
    std::vector<std::string> sceneQueryFinds(const Search& search)
    {
        for (const auto& factory : Ogre::Root::getSingleton().getMovableObjectFactories()) {
            for (const auto& entry : scene().getMovableObjects(factory.first)) {
                if (entry.second->isInScene())
                    entry.second->getWorldBoundingSphere(true);
            }
        }
        Ogre::SphereSceneQuery* query = scene().createSphereQuery(Ogre::Sphere(search.centre, search.radius), search.mask);
        std::vector<std::string> names;
        for (const Ogre::MovableObject* object : query->execute().movables) {
            if (filed.count(object))
                names.push_back(object->getName());
        }
        scene().destroyQuery(query);
        return names;
    }

    std::vector<std::string> gridFinds(const Search& search)
    {
        std::vector<TargetGrid::Found> found = grid.search(scene(), Ogre::Sphere(search.centre, search.radius), search.mask);
        std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.order < b.order; });
        std::vector<std::string> names;
        for (const TargetGrid::Found& object : found)
            names.push_back(object.object->getName());
        return names;
    }

    void expectSameFinds(const std::vector<Search>& searches)
    {
        for (const Search& search : searches) {
            SCOPED_TRACE(search.name);
            EXPECT_EQ(gridFinds(search), sceneQueryFinds(search));
        }
    }

    std::mt19937 random{7};
    float uniform(float low, float high) { return std::uniform_real_distribution<float>(low, high)(random); }
    Vector3 anywhere(float half) { return Vector3(uniform(-half, half), uniform(-half, half), uniform(-half, half)); }

    std::set<const Ogre::MovableObject*> filed;
    std::vector<Ogre::MovableObject*> scattered;
    TargetGrid grid;
};

TEST_F(TargetGridWorld, FindsWhatTheSceneQueryFindsInItsOrder)
{
    // The query walks entities before manual objects, each kind by name.
    add("z", true, Vector3(0, 0, -600), 5, SIDE_A);
    add("a", false, Vector3(0, 0, -600), 5, SIDE_A);
    // Bounds that straddle the edge of a search of 1000 about the origin, from just beyond it.
    add("straddling", false, Vector3(0, 0, -1015), 10, SIDE_A);
    add("giant", true, Vector3(2400, 0, 0), 1500, SIDE_A | SIDE_B);
    add("on a cube's corner", false, Vector3(500, -500, 0), 1, SIDE_A);
    add("just inside a cube", false, Vector3(499.999f, -500.001f, 0), 1, SIDE_B);
    add("hidden", true, Vector3(0, 300, 0), 20, SIDE_A).setVisible(false);
    for (int i = 0; i < 80; ++i) {
        const std::string name = "r" + std::to_string(std::uniform_int_distribution<int>(0, 99999)(random)) + "-" + std::to_string(i);
        const std::uint32_t flags[] = {SIDE_A, SIDE_B, SIDE_A | SIDE_B};
        scattered.push_back(&add(name, i % 2 == 0, anywhere(2500), uniform(1, 300), flags[i % 3]));
    }
    std::vector<Search> searches = {
        {"about the origin", Vector3::ZERO, 1000, SIDE_A},
        {"both sides", Vector3::ZERO, 1000, SIDE_A | SIDE_B},
        {"radius 0 on a cube's corner", Vector3(500, -500, 0), 0, SIDE_A | SIDE_B},
        {"a radius below 0", Vector3(0, 0, -600), -50, SIDE_A},
        {"the whole scene", Vector3::ZERO, 1e7f, SIDE_A | SIDE_B},
        {"no end to the radius", Vector3::ZERO, std::numeric_limits<float>::infinity(), SIDE_A},
        {"far from everything", Vector3(1e6f, 0, 0), 100, SIDE_A | SIDE_B},
    };
    for (int i = 0; i < 40; ++i)
        searches.push_back({"random " + std::to_string(i), anywhere(3000), uniform(0, 1500), i % 2 ? SIDE_A : SIDE_B});
    expectSameFinds(searches);

    // Moved and filed again, withdrawn, out of the scene (still filed) and destroyed.
    for (Ogre::MovableObject* object : scattered) {
        object->getParentSceneNode()->translate(anywhere(400));
        grid.file(*object);
    }
    for (int i = 0; i < 5; ++i) {
        grid.withdraw(*scattered[i]);
        filed.erase(scattered[i]);
        scattered[10 + i]->getParentSceneNode()->getParentSceneNode()->removeChild(scattered[10 + i]->getParentSceneNode());
        filed.erase(scattered[20 + i]);
        if (i % 2 == 0)
            scene().destroyEntity(static_cast<Ogre::Entity*>(scattered[20 + i]));
        else
            scene().destroyManualObject(static_cast<Ogre::ManualObject*>(scattered[20 + i]));
    }
    EXPECT_EQ(grid.size(), filed.size());
    expectSameFinds(searches);
}

using TargetGridGame = ShipWorld;

// The game files a ship anew whenever physics carries it into another cube. A drone flies in at a
// fighter loitering at the origin from a cube beyond the reach of the fighter's search (its
// engagement range, 3,500), and the fighter takes it as its target once it comes within range.
TEST_F(TargetGridGame, AShipFlyingInFromACubeBeyondASearchIsFoundInRange)
{
    Ship* fighter = Ship::create("trifighter");
    fighter->activate(ours, Vector3::ZERO, Ogre::Quaternion::IDENTITY);
    Ship* drone = Ship::create("drone");
    drone->activate(theirs, Vector3(0, 0, -4100), Ogre::Quaternion(Ogre::Degree(180), Vector3::UNIT_Y));
    drone->getBehaviour().drone(Vector3(0, 0, 200));
    for (double t = 0; t < 40 && fighter->getBehaviour().getTarget() != drone; t += 0.25)
        run(0.25);
    EXPECT_EQ(fighter->getBehaviour().getTarget(), drone) << "the drone at " << drone->getPosition();
    EXPECT_GT(drone->getPosition().length(), 3000.0f) << "found only near";
}

} // namespace
} // namespace Tolvarine::Test
