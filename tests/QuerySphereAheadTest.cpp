#include "TargetingDoubles.h"

#include "LogCapture.h"
#include "OgreLink.h"

#include <OgreManualObject.h>
#include <OgreRoot.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <gtest/gtest.h>

#include <cmath>

namespace Tolvarine::Test {
namespace {

using Ogre::Vector3;

// A point `distance` ahead of the origin, `degrees` off the -z axis towards +x.
Vector3 offNose(float degrees, float distance)
{
    const float radians = Ogre::Degree(degrees).valueRadians();
    return Vector3(std::sin(radians), 0, -std::cos(radians)) * distance;
}

// Every ship gets a small box-shaped scene object carrying its link, as a ship's entity does.
class QuerySphereAhead : public TargetingFixture {
protected:
    QuerySphereAhead() { place(player, Vector3::ZERO); }

    TestShip& place(TestShip& ship, const Vector3& position, unsigned long flags = OgreLink::TARGETABLE_FLAG,
                    bool linked = true)
    {
        ship.body.setPosition(position);
        Ogre::ManualObject* object = scene->createManualObject(ship.name);
        object->setBoundingBox(Ogre::AxisAlignedBox(-5, -5, -5, 5, 5, 5));
        object->setQueryFlags(flags);
        if (linked) {
            links.push_back(std::make_unique<OgreLink>(&ship.body, false, nullptr, &ship, &ship));
            links.back()->attachTo(*object);
        }
        scene->getRootSceneNode()->createChildSceneNode(position)->attachObject(object);
        return ship;
    }
    TestShip* ahead(float radius, float threshold) { return dynamic_cast<TestShip*>(player.querySphereAhead(radius, threshold)); }

    Ogre::SceneManager* scene = root.createSceneManager();
    std::vector<std::unique_ptr<OgreLink>> links;
    TestShip& player = ship("P");
};

TEST_F(QuerySphereAhead, PicksTheTargetableObjectNearestTheNoseAboveTheThreshold)
{
    place(ship("A"), offNose(30, 100));
    TestShip& b = place(ship("B"), offNose(20, 100));
    // cos 30 is about 0.87, cos 20 about 0.94.
    EXPECT_EQ(ahead(500, 0.9f), &b);
    EXPECT_EQ(ahead(500, 0.95f), nullptr);
    // Equal angles keep the first object reported (the scene reports objects of one kind in the
    // order of their names), whatever its distance.
    TestShip& c = place(ship("C_far"), offNose(0, 400));
    place(ship("D_near"), offNose(0, 50));
    EXPECT_EQ(ahead(500, 0.9f), &c);
    // With a threshold below -1 anything in range qualifies, even behind: the player's own scene
    // object lies at distance 0 and must still not be chosen. Nor are untargetable or unlinked ones.
    root.destroySceneManager(scene);
    links.clear();
    scene = root.createSceneManager(); // a new scene gets a new query
    place(player, Vector3::ZERO);
    TestShip& behind = place(ship("R"), Vector3(0, 0, 100));
    EXPECT_EQ(ahead(500, -2.0f), &behind);
    EXPECT_EQ(ahead(500, -1.0f), nullptr);
    place(ship("S", ShipOptions{true, true, false}), offNose(0, 50));
    place(ship("N"), offNose(0, 100), OgreLink::BODY_FLAG | OgreLink::LISTENER_FLAG);
    place(ship("U"), offNose(0, 120), OgreLink::TARGETABLE_FLAG, false);
    TestShip& a = place(ship("A2"), offNose(10, 300));
    EXPECT_EQ(ahead(500, 0.5f), &a);
}

TEST_F(QuerySphereAhead, SearchesTheRadiusOfEachCallAroundThePoseOfTheBody)
{
    TestShip& far = place(ship("F"), offNose(0, 1000));
    EXPECT_EQ(ahead(500, 0.5f), nullptr);
    EXPECT_EQ(ahead(2000, 0.5f), &far);
    EXPECT_EQ(ahead(500, 0.5f), nullptr);
    // Found where its scene object is now, not where it was at an earlier search.
    scene->getManualObject("F")->getParentSceneNode()->setPosition(offNose(0, 300));
    EXPECT_EQ(ahead(500, 0.5f), &far);
    // A quarter turn to the left: the nose points along world -x. Moving the searcher moves the sphere.
    player.body.setOrientation(Ogre::Quaternion(Ogre::Degree(90), Vector3::UNIT_Y));
    TestShip& left = place(ship("X"), Vector3(-300, 0, 0));
    EXPECT_EQ(ahead(500, 0.5f), &left);
    player.body.setPosition(Vector3(-600, 0, 0));
    EXPECT_EQ(ahead(500, -2.0f), &left);
    EXPECT_EQ(ahead(500, 0.5f), nullptr);
}

TEST_F(TargetingFixture, QuerySphereAheadWithoutASceneFindsNothing)
{
    LogCapture log;
    EXPECT_EQ(ship("P").querySphereAhead(500, 0.5f), nullptr);
    EXPECT_TRUE(log.contains("Controllable::querySphereAhead, no scene to search"));
}

} // namespace
} // namespace Tolvarine::Test
