// The game's own seeker missile flown in a hidden window against drones.

#include "CombatDoubles.h"
#include "CombatWorld.h"
#include "Faction.h"
#include "GuidedProjectile.h"
#include "LogCapture.h"
#include "SoundSource.h"
#include "TestMeshes.h"

#include <OgreBillboardSet.h>
#include <OgreParticleSystem.h>
#include <gtest/gtest.h>


namespace Tolvarine::Test {
namespace {

using Ogre::Quaternion;
using Ogre::Vector3;

const char* const MISSILE = "seeker_missile";

// A body that can be targeted and hit, and that writes the threat calls it gets into a journal.
class Drone : public TargetBody, public Targetable {
public:
    Drone(Ogre::SceneManager& scene, const std::string& name, const Config& type, float threatRange)
        : TargetBody(scene, name, type), Targetable(type), threatRange(threatRange)
    {
        getLink()->setTargetable(this);
    }
    void enter(Faction& side, const Vector3& position, const Vector3& velocity)
    {
        faction = &side;
        activate(side.getId() | getLink()->getFlags(), position, Quaternion::IDENTITY, velocity);
        setInactive(false);
    }
    Vector3 getPosition() const override { return getPhysicsBody().getPosition(); }
    Quaternion getOrientation() const override { return getPhysicsBody().getOrientation(); }
    Vector3 getVelocity() const override { return getPhysicsBody().getVelocity(); }
    void addPositionListener(PositionListener*) override {}
    void removePositionListener(PositionListener*) override {}
    Vector3 predictPosition(float) const override { return getPosition(); }
    Vector3 predictPositionWithThrust(float) const override { return getPosition(); }
    Vector3 predictPositionWithThrustFactor(float, float) const override { return getPosition(); }
    float getBoundingRadius() const override { return DynamicCollidable::getBoundingRadius(); }
    DamageModel* getDamageModel() override { return nullptr; }
    Faction* getFaction() override { return faction; }
    float getThreatRangeSquared() override { return threatRange * threatRange; }
    void addThreat(GuidedProjectile*) override { journal.push_back("add"); }
    void removeThreat(GuidedProjectile*) override { journal.push_back("remove"); }

    float threatRange;
    Faction* faction = nullptr;
    std::vector<std::string> journal;
};

class GuidedProjectileTest : public ShippedCombatWorld {
protected:
    GuidedProjectileTest()
    {
        if (!root)
            return;
        createMesh("drone.mesh", "Core", sphereShape(8, 12, 5.0f));
        droneType = std::make_unique<Config>(written(folder.file("drone.cfg"),
            "[Physics]\nmass = 10\nmassRadius = 5\n[Display]\nmesh = drone.mesh\n[Collision_Geometry]\ntype = sphere\n"
            "radius = 5\n[Targetable]\nchaseOffset = (0 0 0)\nfixedOffset = (0 0 0)\n"));
        player.addEnemy(enemy);
    }
    ~GuidedProjectileTest() override
    {
        FireableProjectile::unloadTypes();
        drones.clear();
    }

    Drone& addDrone(float threatRange, const Vector3& position, const Vector3& velocity = Vector3::ZERO)
    {
        drones.push_back(std::make_unique<Drone>(scene(), "Drone" + std::to_string(drones.size()), *droneType, threatRange));
        drones.back()->enter(enemy, position, velocity);
        return *drones.back();
    }
    GuidedProjectile* launch(Targetable* target, Faction* side)
    {
        auto* missile = dynamic_cast<GuidedProjectile*>(FireableProjectile::create(MISSILE));
        missile->launch(side, true, Vector3::ZERO, Vector3::ZERO, Quaternion::IDENTITY, 40.0f, target);
        return missile;
    }
    static std::size_t liveMissiles() { return FireableProjectile::getPools().getPool(MISSILE)->getLiveCount(); }
    std::size_t liveExplosions() const { return manager->getPools().getLiveCount(); }

    std::unique_ptr<Config> droneType;
    std::vector<std::unique_ptr<Drone>> drones;
    Faction player{"Player", 0};
    Faction enemy{"Enemy", 0};
};

TEST_F(GuidedProjectileTest, EachEndingDetonatesAtMostOnceWithoutAHitAndSilencesTheEngine)
{
    const struct { const char* name; std::function<void(GuidedProjectile&)> end; std::size_t explosions; } rows[] = {
        {"time-out", [this](GuidedProjectile&) { run(8.0); }, 0},
        {"destroy", [](GuidedProjectile& m) { m.destroy(); }, 1},
        {"its weapon system fired", [](GuidedProjectile& m) { m.getPrimaryWeaponSystem()->setFiring(true); }, 1},
        {"its primary fire", [](GuidedProjectile& m) { m.setFiringPrimary(true); }, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        // Nothing ahead to guide onto: it flies straight on at full thrust and announces nothing.
        GuidedProjectile* missile = launch(nullptr, &player);
        frame(1.0 / 32);
        EXPECT_EQ(nullptr, missile->getBehaviour().getTarget());
        EXPECT_EQ(Vector3(0, 0, -300), missile->getPhysicsBody()->getForce());
        EXPECT_TRUE(missile->getThrust().getThrustSound().isPlaying());
        EXPECT_EQ(1u, missile->getThrust().getGlow()->getNumBillboards());
        // The player may pick it as a target: one hull, no wireframe to draw.
        EXPECT_NO_THROW(missile->setSelected(true));
        EXPECT_EQ("", missile->getDamageModel()->getComponentMesh(0));

        const std::size_t before = liveExplosions();
        row.end(*missile);
        missile->destroy();
        EXPECT_EQ(before + row.explosions, liveExplosions());
        EXPECT_EQ(0u, liveMissiles());
        EXPECT_TRUE(missile->isInactive());
        EXPECT_EQ(0u, missile->getThrust().getEngineSystem()->getNumParticles());
        EXPECT_FALSE(missile->getThrust().getThrustSound().isPlaying());
        run(3.0);
    }
    EXPECT_EQ(0.0, statistics.getPlayerHitProportion(MISSILE));
}

// Regression: the hull once took damage, so one missile's blast set off the rest of its salvo. It
// is always whole and tells no one; only a contact ends it: damage and push to what it hit, its
// explosion, the hit for its side.
TEST_F(GuidedProjectileTest, DamageLeavesItWholeAndAContactStrikesExplodesAndRecordsTheHit)
{
    GuidedProjectile* missile = launch(nullptr, &player);
    int told = 0;
    missile->damageSubscribe([&told](unsigned) { ++told; });
    const std::size_t before = liveExplosions();
    missile->inflictDamage(Vector3::ZERO, Vector3::ZERO, 0, 500.0f, 500.0f, 0.0f, CONVENTIONAL);
    EXPECT_EQ(1u, liveMissiles());
    EXPECT_EQ(before, liveExplosions());
    EXPECT_EQ(0, told);
    EXPECT_FLOAT_EQ(1.0f, missile->getComponentHealth(0));
    EXPECT_FLOAT_EQ(1.0f, missile->getComponentHealthProportion(0));

    RecordingListener struck;
    EXPECT_FALSE(missile->collide(&struck, 3, Vector3(0, 0, -5), Vector3::UNIT_Z));
    ASSERT_EQ(1u, struck.damage.size());
    const DamageRecord& hit = struck.damage[0];
    EXPECT_EQ(std::make_tuple(3, 60.0f, 20.0f, 12.0f), std::make_tuple(hit.component, hit.directDamage, hit.splashDamage, hit.shock));
    EXPECT_EQ(1u, struck.pushes.size());
    EXPECT_EQ(before + 1, liveExplosions());
    EXPECT_EQ(0u, liveMissiles());
    EXPECT_EQ(1u, statistics.getFactionHits("Player"));
    EXPECT_DOUBLE_EQ(80.0, statistics.getPlayerDamageInflicted(MISSILE));
}

// A target that leaves play is chased on to where it was, and withdrawn from at the missile's
// end. Regression: one that came back into play as another ship was chased into its new life,
// and a missile of the player struck a ship of the player (announced to the first life only, never
// withdrawn from the second).
TEST_F(GuidedProjectileTest, ATargetOutOfPlayIsChasedToWhereItWasButNotIntoItsNextLife)
{
    const struct { const char* name; Faction* backFor; } rows[] = {
        {"stays out of play", nullptr}, {"back for its side", &enemy}, {"back for the missile's side", &player}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Drone& drone = addDrone(1000.0f, Vector3(0, 0, -300));
        GuidedProjectile* missile = launch(&drone, &player);
        run(0.25);
        drone.setInactive(true);
        drone.deactivate(OWN_END);
        run(0.5);
        EXPECT_TRUE(missile->getBehaviour().isGuiding());
        EXPECT_EQ(&drone, missile->getBehaviour().getTarget());
        if (!row.backFor) {
            missile->destroy();
            EXPECT_EQ((std::vector<std::string>{"add", "remove"}), drone.journal);
            continue;
        }
        drone.enter(*row.backFor, Vector3(150, 0, -150), Vector3::ZERO);
        run(3.0);
        EXPECT_EQ(nullptr, missile->getBehaviour().getTarget());
        EXPECT_TRUE(drone.damage.empty());
        EXPECT_EQ(std::vector<std::string>{"add"}, drone.journal);
        missile->destroy();
    }
}

// A target out of play at the launch is kept but never chased nor told of the missile, also at
// the missile's end, which leaves it kept until the next launch.
TEST_F(GuidedProjectileTest, ATargetOutOfPlayAtTheLaunchIsKeptButNotChased)
{
    Drone& drone = addDrone(1000.0f, Vector3(0, 0, -300));
    drone.setInactive(true);
    GuidedProjectile* missile = launch(&drone, &player);
    run(0.25);
    EXPECT_FALSE(missile->getBehaviour().isGuiding());
    EXPECT_EQ(Vector3(0, 0, -300), missile->getPhysicsBody()->getForce());
    missile->destroy();
    EXPECT_EQ(&drone, missile->getBehaviour().getTarget());
    EXPECT_TRUE(drone.journal.empty());
}

TEST_F(GuidedProjectileTest, ItTakesTheEnemyNearestThePointAheadKeepsTheFirersVelocityAndNeedsAFaction)
{
    // Reach at launch 40 + 0.5 × 300 × 7²: the search sphere is centred 3695 ahead.
    addDrone(0.0f, Vector3(0, 0, -500));
    Drone& far = addDrone(0.0f, Vector3(0, 0, -3000));
    frame(1.0 / 32);
    EXPECT_EQ(&far, launch(nullptr, &player)->getBehaviour().getTarget());
    // Unlike a plain shot, a missile keeps the velocity of the craft that fired it.
    FireableProjectile* fast = FireableProjectile::create(MISSILE);
    fast->launch(&player, false, Vector3::ZERO, Vector3(0, 0, -50), Quaternion::IDENTITY, 100.0f, &far);
    EXPECT_EQ(Vector3(0, 0, -150), dynamic_cast<GuidedProjectile*>(fast)->getVelocity());

    LogCapture log;
    GuidedProjectile* refused = launch(&far, nullptr);
    EXPECT_TRUE(log.contains("Projectile::launch, seeker_missile launched without a faction"));
    EXPECT_EQ(nullptr, refused->getBehaviour().getTarget());
    EXPECT_EQ(2u, liveMissiles());
}

} // namespace
} // namespace Tolvarine::Test
