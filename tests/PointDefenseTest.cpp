// Point defence with the game's own beam and seeker missile: which announced missiles its beams
// shoot (cone, range, load, order), how the list empties and when its task idles.

#include "CombatWorld.h"
#include "Controllable.h"
#include "ExplosionDebris.h"
#include "ExplosionManager.h"
#include "Faction.h"
#include "GuidedProjectile.h"
#include "ParticleSpray.h"
#include "PointDefenseBeamWeapon.h"
#include "PointDefenseWeaponSystem.h"
#include "ResponseCurves.h"
#include "SoundFiles.h"
#include "SoundManager.h"
#include "Weapon.h"

#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace Tolvarine {
namespace {

using Ogre::Quaternion;
using Ogre::Vector3;
using Test::CombatWorld;
using Test::SoundFiles;
using Test::writeFile;

// A capital ship standing still at a pose, turned half round the vertical (exactly, so that the
// edge cases stay exact), that hands the
// threats it is told of to its point defence.
class Hull : public Controllable {
public:
    explicit Hull(const Config& type) : Controllable(type) {}
    Vector3 getPosition() const override { return position; }
    Quaternion getOrientation() const override { return orientation; }
    Vector3 getVelocity() const override { return Vector3::ZERO; }
    void addPositionListener(PositionListener*) override {}
    void removePositionListener(PositionListener*) override {}
    Vector3 predictPosition(float) const override { return position; }
    Vector3 predictPositionWithThrust(float) const override { return position; }
    Vector3 predictPositionWithThrustFactor(float, float) const override { return position; }
    float getBoundingRadius() const override { return 20.0f; }
    DamageModel* getDamageModel() override { return nullptr; }
    Faction* getFaction() override { return faction; }
    PhysicsBody* getPhysicsBody() override { return nullptr; }
    const PhysicsBody* getPhysicsBody() const override { return nullptr; }
    ForceController* getForceController() override { return nullptr; }
    const ForceController* getForceController() const override { return nullptr; }
    void setFiringPrimary(bool) override {}
    void setFiringSecondary(bool) override {}
    void addThreat(GuidedProjectile* missile) override { defence->addThreat(missile); }
    void removeThreat(GuidedProjectile* missile) override { defence->removeThreat(missile); }

    // A point of the hull's own frame in the world.
    Vector3 world(const Vector3& local) const { return position + orientation * local; }

    Vector3 position{500, 0, 0};
    Quaternion orientation{0, 0, 1, 0};
    Faction* faction = nullptr;
    PointDefenseWeaponSystem* defence = nullptr;
};

// Two beams: "Front" at the bow looking ahead in a 60-degree cone, "Top" on the deck covering
// the half-space above it; range 100.
const char* const SYSTEM = "[PointDefense]\nautomatic = 0\nguided = 0\nfarRange = 100\nnearRange = 0\n"
                           "bestRange = 50\nfireThreshold = 0.9\nfirePeriod = 1\nupdatePeriod = 0.25\n"
                           "updateVariance = 0\nweapon_0 = Front\nweapon_1 = Top\n"
                           "[Front]\ntype = point_defense\nposition = (0 0 -10)\ndirection = (0 0 -2)\nlimitDot = 0.5\n"
                           "[Top]\ntype = point_defense\nposition = (0 5 0)\ndirection = (0 1 0)\nlimitDot = 0\n"
                           "[Targetable]\nchaseOffset = (0 0 0)\nfixedOffset = (0 0 0)\n";

class PointDefenseTest : public CombatWorld {
protected:
    PointDefenseTest() : CombatWorld(Tolvarine::Test::RenderingRoot::Kind::Windowed)
    {
        if (!root)
            return;
        loadShippedEffects();
        for (const char* file : {"seeker_missile.fireable", "point_defense_beam.fireable", "point_defense.weapon"})
            std::filesystem::copy_file(shippedData("entities/") + file, entities() + "/" + file);
        copyShippedFiles(shippedData("explosions"), ".explosion", explosions());
        copyShippedFiles(shippedData("explosions"), ".spray", explosions());
        std::filesystem::create_directories(explosions() + "/debris");
        copyShippedFiles(shippedData("explosions/debris"), ".debris", explosions() + "/debris");
        ExplosionDebris::loadTypes(explosions() + "/debris");
        for (const char* name : {"explosion_plasma", "explosion_conventional", "ion_lance_fire"})
            soundFiles.define(name, "filename = beep.wav\n");
        soundFiles.define("missile_thrust", "filename = hum.wav\nlooping = 1\n");
        SoundManager::forgetSoundConfigs();
        sound = std::make_unique<SoundManager>(nullptr, SoundSystem::Output::SILENT);
        ParticleSpray::loadTypes(explosions(), &scene(), &curves);
        FireableProjectile::loadTypes(entities());
        explosionManager = std::make_unique<ExplosionManager>(explosions(), &curves);
        Weapon::setTypeFolder(entities());
        // The muzzle glows read the program's curve file, from the folder the sound files made current.
        std::filesystem::create_directories("data");
        std::filesystem::copy_file(shippedData("curves.cfg"), "data/curves.cfg");
        writeFile(folder.file("hull.cfg"), SYSTEM);
        type = std::make_unique<Config>(folder.file("hull.cfg"));
        hull = std::make_unique<Hull>(*type);
        hull->faction = &ours;
        node = scene().getRootSceneNode()->createChildSceneNode();
        defence = std::make_unique<PointDefenseWeaponSystem>(hull.get(), node, *type, "PointDefense");
        hull->defence = defence.get();
        defence->activate(&ours);
        theirs.addEnemy(ours);
    }
    ~PointDefenseTest() override
    {
        if (!root)
            return;
        FireableProjectile::releaseAll();
        defence.reset();
        hull.reset();
        Weapon::forgetTypes();
        Weapon::setTypeFolder("data/entities");
        FireableProjectile::unloadTypes();
        explosionManager.reset();
        ParticleSpray::unloadTypes();
        ExplosionDebris::unloadTypes();
        sound.reset();
        SoundManager::forgetSoundConfigs();
    }

    // A missile of the other side at a point of the hull's frame, homing on the hull.
    GuidedProjectile* missileAt(const Vector3& local)
    {
        auto* missile = dynamic_cast<GuidedProjectile*>(FireableProjectile::create("seeker_missile"));
        missile->launch(&theirs, false, hull->world(local), Vector3::ZERO, Quaternion::IDENTITY, 40.0f, hull.get());
        return missile;
    }

    // Which beams have spent their charge, "Front" and "Top" in load order.
    std::vector<std::string> fired() const
    {
        std::vector<std::string> names;
        const char* const beamNames[] = {"Front", "Top"};
        for (std::size_t i = 0; i < defence->getBeams().size(); ++i) {
            if (defence->getBeams()[i]->reload() < 1.0f)
                names.push_back(beamNames[i]);
        }
        return names;
    }

    static std::size_t liveBeams()
    {
        return FireableProjectile::getPools().getPool("point_defense_beam")->getLiveCount();
    }

    SoundFiles soundFiles;
    const ResponseCurves curves{shippedData("curves.cfg")};
    std::unique_ptr<SoundManager> sound;
    std::unique_ptr<ExplosionManager> explosionManager;
    std::unique_ptr<Config> type;
    std::unique_ptr<Hull> hull;
    Ogre::SceneNode* node = nullptr;
    std::unique_ptr<PointDefenseWeaponSystem> defence;
    Faction ours{"Player", 0};
    Faction theirs{"Enemy", 0};
};

// The missiles announce themselves in order; then the task makes one more pass.
TEST_F(PointDefenseTest, BeamsShootTheFirstMissileInTheirConeAndRangeOncePerCharge)
{
    struct Row {
        const char* name;
        std::vector<Vector3> missiles;  // in the hull's frame
        std::vector<std::string> fired;
        std::vector<std::size_t> left;  // the missiles still listed, by index
    };
    const std::vector<Row> rows = {
        {"ahead and in reach", {{0, 0, -60}}, {"Front"}, {}},
        {"exactly at the far range", {{0, 0, -110}}, {}, {0}},
        {"exactly on the edge of the cone", {{50, 5, 0}}, {}, {0}},
        {"behind, then ahead: the one ahead is shot", {{0, 0, 60}, {0, 0, -50}}, {"Front"}, {0}},
        {"in both cones: the first beam takes it", {{0, 40, -40}}, {"Front"}, {}},
        {"the spent first beam leaves the second missile to the other", {{0, 0, -50}, {0, 40, -40}},
         {"Front", "Top"}, {}},
        {"the half-space above", {{-90, 6, 0}, {0, -50, 0}}, {"Top"}, {1}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        defence->deactivate();
        defence->activate(&ours);
        std::vector<GuidedProjectile*> missiles;
        for (const Vector3& local : row.missiles) {
            missiles.push_back(missileAt(local));
            defence->addThreat(missiles.back());
        }
        defence->update(0.0f);
        EXPECT_EQ(fired(), row.fired);
        EXPECT_EQ(liveBeams(), row.fired.size());
        std::vector<GuidedProjectile*> left;
        for (std::size_t index : row.left)
            left.push_back(missiles[index]);
        EXPECT_EQ(std::vector<GuidedProjectile*>(defence->getThreats().begin(), defence->getThreats().end()), left);
        EXPECT_EQ(defence->isEngaging(), !left.empty());
        FireableProjectile::releaseAll();
    }
}

TEST_F(PointDefenseTest, TheListEmptiesAsThreatsEndAndNothingIsShotWithoutAMissile)
{
    // A missile out of reach keeps the task polling; when it dies it leaves the list and the task.
    GuidedProjectile* far = missileAt({0, 0, -300});
    defence->addThreat(far);
    defence->addThreat(far);
    EXPECT_EQ(defence->getThreats().size(), 2u);
    EXPECT_TRUE(defence->isEngaging());
    far->destroy();
    EXPECT_TRUE(defence->getThreats().empty());
    EXPECT_FALSE(defence->isEngaging());

    // Without a target (the standard firing) no beam fires, and none fires outside its cone.
    defence->setFiring(true);
    EXPECT_FALSE(defence->getBeams()[0]->fire(nullptr));
    EXPECT_FALSE(defence->getBeams()[0]->fire(missileAt({0, 0, 50})));
    EXPECT_EQ(fired(), std::vector<std::string>{});

    // Announced while switched off: listed, not engaged; switching on starts afresh.
    defence->deactivate();
    defence->addThreat(missileAt({0, 0, -40}));
    EXPECT_FALSE(defence->isEngaging());
    defence->activate(&ours);
    EXPECT_TRUE(defence->getThreats().empty());
    EXPECT_EQ(liveBeams(), 0u);

    EXPECT_EQ(defence->getFarRangeSquared(), 10000.0f);
}

} // namespace
} // namespace Tolvarine
