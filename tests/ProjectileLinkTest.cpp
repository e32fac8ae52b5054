// Projectiles and beams put themselves on their scene link as its collision listener, so a scene
// query that finds one reaches it, and their query flags carry the listener bit.
#include "Beam.h"
#include "CombatWorld.h"
#include "Faction.h"
#include "OgreLink.h"
#include "Projectile.h"

#include <gtest/gtest.h>

namespace Tolvarine::Test {
namespace {

class ProjectileLinkTest : public CombatWorld {
protected:
    ProjectileLinkTest() : CombatWorld(RenderingRoot::Kind::Headless) {}
};

TEST_F(ProjectileLinkTest, ALaunchedProjectileOrBeamIsItsLinksListener)
{
    const std::pair<const char*, const char*> rows[] = {
        {"bolt", "damageType = Plasma\n"},
        {"lance", "beam = 1\nguidedBeam = 0\nrange = 5\nupdatePeriod = 0.125\nupdateVariance = 0\n"
                  "beamColour = (1 1 1 1)\nmaterialName = BaseWhite\nbeamSize = 1\n"}};
    for (const auto& [name, keys] : rows)
        writeProjectileType(name, std::string("[Factory]\npoolSize = 1\n[Physics]\nmass = 0.1\n[Collision_Geometry]\ntype = ray\n"
                                              "length = 5\n[Fireable]\ndirectDamage = 1\nsplashDamage = 0\nshock = 0\n"
                                              "impactImpulse = 0\nexplosionGroup = Plasma\ntimeToLive = 1\n") + keys);
    FireableProjectile::loadTypes(entities());
    Faction faction{"Player", 0};
    for (const auto& [name, keys] : rows) {
        SCOPED_TRACE(name);
        FireableProjectile* shot = FireableProjectile::create(name);
        auto* collidable = dynamic_cast<DynamicCollidable*>(shot);
        ASSERT_NE(collidable, nullptr);
        shot->launch(&faction, false, Ogre::Vector3::ZERO, Ogre::Vector3::ZERO, Ogre::Quaternion::IDENTITY, 10.0f, nullptr);
        const OgreLink& link = *collidable->getLink();
        EXPECT_EQ(link.getListener(), dynamic_cast<CollisionListener*>(shot));
        EXPECT_EQ(link.getFlags(), OgreLink::BODY_FLAG | OgreLink::LISTENER_FLAG);
        EXPECT_EQ(link.getTargetable(), nullptr);
        EXPECT_EQ(link.getControllable(), nullptr);
    }
}

} // namespace
} // namespace Tolvarine::Test
