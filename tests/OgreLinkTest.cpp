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

TEST(OgreLinkTest, FlagsTellWhichFacesTheLinkHasAndOnlyObjectsCarryingALinkLeadToOne)
{
    // Stand-ins for the faces: the link only stores them and counts the ones it has.
    struct Faces : CollisionListener {
        int body = 0, targetable = 0, controllable = 0;
    } faces;
    auto* body = reinterpret_cast<PhysicsBody*>(&faces.body);
    EXPECT_EQ(0u, OgreLink(nullptr, false, nullptr, nullptr, nullptr).getFlags());
    // Explosions push bodies only: without one the flag stays off.
    EXPECT_EQ(0u, OgreLink(nullptr, true, nullptr, nullptr, nullptr).getFlags());
    EXPECT_EQ(2u | 32u, OgreLink(body, true, nullptr, nullptr, nullptr).getFlags());
    OgreLink ship(body, false, nullptr, nullptr, nullptr);
    ship.setListener(&faces);
    ship.setTargetable(reinterpret_cast<Targetable*>(&faces.targetable));
    ship.setControllable(reinterpret_cast<Controllable*>(&faces.controllable));
    EXPECT_EQ(2u | 4u | 8u | 16u, ship.getFlags());

    Tolvarine::Test::RenderingRoot root(Tolvarine::Test::RenderingRoot::Kind::Headless);
    Ogre::BillboardSet* linked = root.sceneManager().createBillboardSet("Linked");
    Ogre::BillboardSet* other = root.sceneManager().createBillboardSet("Other");
    static_cast<Ogre::MovableObject*>(other)->getUserObjectBindings().setUserAny(Ogre::Any(42));
    ship.attachTo(*linked);
    EXPECT_EQ(&ship, OgreLink::getFrom(*linked));
    EXPECT_EQ(nullptr, OgreLink::getFrom(*other));
    EXPECT_EQ(nullptr, OgreLink::getFrom(*root.sceneManager().createBillboardSet("Bare")));
}

} // namespace
} // namespace Tolvarine
