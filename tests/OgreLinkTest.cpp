#include "CollisionListener.h"
#include "OgreLink.h"
#include "PhysicsBody.h"
#include "RenderingRoot.h"

#include <OgreAny.h>
#include <OgreBillboardSet.h>
#include <OgreSceneManager.h>
#include <OgreUserObjectBindings.h>
#include <gtest/gtest.h>

namespace Tolvarine {
namespace {

using Test::RenderingRoot;

// Stand-ins for the faces a link leads to. The link only stores them and counts the ones it
// has, so their addresses are all that is used here.
struct Faces : CollisionListener {
    int body = 0;
    int targetable = 0;
    int controllable = 0;
};

PhysicsBody* someBody(Faces& faces)
{
    return reinterpret_cast<PhysicsBody*>(&faces.body);
}

TEST(OgreLinkTest, FlagsTellWhichFacesTheLinkHas)
{
    Faces faces;
    auto* targetable = reinterpret_cast<Targetable*>(&faces.targetable);
    auto* controllable = reinterpret_cast<Controllable*>(&faces.controllable);

    EXPECT_EQ(0u, OgreLink(nullptr, false, nullptr, nullptr, nullptr).getFlags());
    // Explosions push bodies only: without one the flag stays off.
    const OgreLink bodiless(nullptr, true, nullptr, nullptr, nullptr);
    EXPECT_FALSE(bodiless.isExplosionEffectable());
    EXPECT_EQ(0u, bodiless.getFlags());
    EXPECT_EQ(2u | 32u, OgreLink(someBody(faces), true, nullptr, nullptr, nullptr).getFlags());

    OgreLink ship(someBody(faces), false, nullptr, nullptr, nullptr);
    ship.setListener(&faces);
    ship.setTargetable(targetable);
    ship.setControllable(controllable);
    EXPECT_EQ(2u | 4u | 8u | 16u, ship.getFlags());
}

TEST(OgreLinkTest, OnlyObjectsCarryingALinkLeadToOne)
{
    RenderingRoot root(RenderingRoot::Kind::Headless);
    Ogre::BillboardSet* linked = root.sceneManager().createBillboardSet("Linked");
    Ogre::BillboardSet* bare = root.sceneManager().createBillboardSet("Bare");
    Ogre::BillboardSet* other = root.sceneManager().createBillboardSet("Other");
    static_cast<Ogre::MovableObject*>(other)->getUserObjectBindings().setUserAny(Ogre::Any(42));

    OgreLink link(nullptr, false, nullptr, nullptr, nullptr);
    link.attachTo(*linked);
    EXPECT_EQ(&link, OgreLink::getFrom(*linked));
    EXPECT_EQ(nullptr, OgreLink::getFrom(*bare));
    EXPECT_EQ(nullptr, OgreLink::getFrom(*other));
}

} // namespace
} // namespace Tolvarine
