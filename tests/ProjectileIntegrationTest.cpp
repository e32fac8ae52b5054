// The game's own plasma bolt shot at a body, through the whole road of one shot: the launch, the
// collision pass, the hit, the push, the explosion of the bolt's group and its blast, and every
// object back in its pool. Copies of the shipped types, drawn with the shipped materials.

#include "CombatDoubles.h"
#include "CombatWorld.h"
#include "ComplexExplosion.h"
#include "Config.h"
#include "ExplosionManager.h"
#include "Faction.h"
#include "FireableProjectile.h"
#include "ParticleSpray.h"
#include "ResponseCurves.h"
#include "SoundFiles.h"
#include "SoundManager.h"
#include "TestMeshes.h"

#include <OgreResourceGroupManager.h>
#include <OgreRoot.h>
#include <gtest/gtest.h>


namespace Tolvarine {
namespace {

using Ogre::Quaternion;
using Ogre::Vector3;
using Test::CombatWorld;
using Test::createMesh;
using Test::RenderingRoot;
using Test::ScriptedRandom;
using Test::SoundFiles;
using Test::sphereShape;
using Test::TargetBody;
using Test::writeFile;

class ProjectileIntegrationTest : public CombatWorld {
protected:
    ProjectileIntegrationTest() : CombatWorld(RenderingRoot::Kind::Windowed)
    {
        if (!root)
            return;
        loadShippedEffects();

        copyShippedFiles(shippedData("entities"), ".fireable", entities());
        copyShippedFiles(shippedData("explosions"), ".explosion", explosions());
        copyShippedFiles(shippedData("explosions"), ".spray", explosions());
        for (const char* sound : {"explosion_plasma", "explosion_conventional", "missile_thrust"})
            soundFiles.define(sound, "filename = beep.wav\n");
        // Sound definitions are read once per process; these are this test's.
        SoundManager::forgetSoundConfigs();
        sound = std::make_unique<SoundManager>(nullptr, SoundSystem::Output::SILENT);

        createMesh("target.mesh", "Core", sphereShape(8, 12, 5.0f));
        writeFile(folder.file("target.cfg"), "[Physics]\nmass = 10\nmassRadius = 5\nexplosionEffectable = 1\n"
                                             "[Display]\nmesh = target.mesh\n"
                                             "[Collision_Geometry]\ntype = sphere\nradius = 5\n");
        targetType = std::make_unique<Config>(folder.file("target.cfg"));
        target = std::make_unique<TargetBody>(scene(), "Target", *targetType);
        target->place(Vector3::ZERO);
        frame(1.0 / 32);
    }
    ~ProjectileIntegrationTest() override
    {
        FireableProjectile::unloadTypes();
        manager.reset();
        ParticleSpray::unloadTypes();
        sound.reset();
        SoundManager::forgetSoundConfigs();
    }

    // Live objects of every type of a registry of pools.
    template <typename Pools> static std::size_t live(const Pools& pools)
    {
        std::size_t count = 0;
        for (const std::string& name : pools.getTypeNames())
            count += pools.getPool(name)->getLiveCount();
        return count;
    }
    std::vector<ComplexExplosion*> liveExplosionObjects() const
    {
        std::vector<ComplexExplosion*> found;
        for (const std::string& name : manager->getTypeNames())
            for (ComplexExplosion* explosion : manager->getPools().getPool(name)->getLiveObjects())
                found.push_back(explosion);
        return found;
    }

    SoundFiles soundFiles;
    const ResponseCurves curves{shippedData("curves.cfg")};
    std::unique_ptr<SoundManager> sound;
    std::unique_ptr<Config> targetType;
    std::unique_ptr<TargetBody> target;
    std::unique_ptr<ExplosionManager> manager;
};

// The random source's value picks the explosion of the group (and the blast's lever arm): 0 the
// first member, just under 1 the last.
class BoltTest : public ProjectileIntegrationTest,
                 public ::testing::WithParamInterface<std::pair<const char*, float>> {};

TEST_P(BoltTest, APlasmaBoltHitsPushesExplodesAndEverythingGoesBackToItsPool)
{
    ParticleSpray::loadTypes(explosions(), &scene(), &curves);
    FireableProjectile::loadTypes(entities());
    manager = std::make_unique<ExplosionManager>(explosions(), &curves);
    ScriptedRandom random({GetParam().second});
    Faction player("Player", 0);

    FireableProjectile* bolt = FireableProjectile::create("plasma_bolt");
    // Fired from a ship drifting sideways; the bolt flies straight along its own -z.
    bolt->launch(&player, true, Vector3(0, 0, 60), Vector3(30, 0, 0), Quaternion::IDENTITY, 200.0f, nullptr);
    EXPECT_EQ(1u, live(FireableProjectile::getPools()));

    for (int frames = 0; frames < 64 && target->damage.empty(); ++frames)
        frame(1.0 / 32);
    ASSERT_EQ(1u, target->damage.size());

    // One shot and one hit of 10 + 2 in the statistics.
    EXPECT_EQ(1.0, statistics.getFactionHitProportion("Player", "plasma_bolt"));
    EXPECT_EQ(12.0, statistics.getPlayerDamageInflicted("plasma_bolt"));
    EXPECT_EQ(PLASMA, target->damage[0].damageType);

    // Pushed along the flight by the bolt's impulse of 40 on its mass of 10, before any blast.
    const Vector3 pushed = target->getPhysicsBody().getVelocity();
    EXPECT_TRUE(pushed.positionEquals(Vector3(0, 0, -4), 0.01f)) << pushed;

    // The bolt is back in its pool, and one explosion of its group is in play.
    EXPECT_EQ(0u, live(FireableProjectile::getPools()));
    const std::vector<ComplexExplosion*> explosions = liveExplosionObjects();
    ASSERT_EQ(1u, explosions.size());
    const std::vector<std::string> plasma = manager->getGroup("Plasma");
    ASSERT_EQ(2u, plasma.size());
    EXPECT_EQ(GetParam().second < 0.5f ? plasma.front() : plasma.back(), explosions[0]->getName());
    EXPECT_TRUE(explosions[0]->isActive());
    // With the particle spray of its type, when it has one.
    EXPECT_EQ(explosions[0]->getParticleSpray().empty() ? 0u : 1u, live(ParticleSpray::getPools()));

    // The blast pushes the body on, away from the explosion in front of it; then flash, glow and
    // blast are over and the explosion has gone back too.
    run(2.0);
    const Vector3 blasted = target->getPhysicsBody().getVelocity();
    EXPECT_LT(blasted.z, pushed.z - 0.5f);
    EXPECT_LT(std::abs(blasted.x), 0.05f * std::abs(blasted.z));
    EXPECT_LT(std::abs(blasted.y), 0.05f * std::abs(blasted.z));
    EXPECT_FALSE(explosions[0]->isActive());
    EXPECT_EQ(0u, live(manager->getPools()));
    EXPECT_EQ(0u, live(ParticleSpray::getPools()));
    EXPECT_EQ(0u, live(FireableProjectile::getPools()));
}

INSTANTIATE_TEST_SUITE_P(EachPlasmaExplosion, BoltTest,
                         ::testing::Values(std::make_pair("FirstMember", 0.0f), std::make_pair("LastMember", 0.9999f)),
                         [](const auto& info) { return std::string(info.param.first); });

} // namespace
} // namespace Tolvarine
