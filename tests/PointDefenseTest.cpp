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
    Faction* getFaction() override { return nullptr; }
    PhysicsBody* getPhysicsBody() override { return nullptr; }
    const PhysicsBody* getPhysicsBody() const override { return nullptr; }
    ForceController* getForceController() override { return nullptr; }
    const ForceController* getForceController() const override { return nullptr; }
    void setFiringPrimary(bool) override {}
    void setFiringSecondary(bool) override {}
    void addThreat(GuidedProjectile* missile) override { defence->addThreat(missile); }
    void removeThreat(GuidedProjectile* missile) override { defence->removeThreat(missile); }

    Vector3 position{500, 0, 0};
    Quaternion orientation{0, 0, 1, 0};
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
        defence = std::make_unique<PointDefenseWeaponSystem>(hull.get(), scene().getRootSceneNode(), *type,
                                                             "PointDefense");
        hull->defence = defence.get();
        defence->activate(&ours);
    }
    ~PointDefenseTest() override
    {
        if (!root)
            return;
        FireableProjectile::unloadTypes();
        defence.reset();
        Weapon::forgetTypes();
        Weapon::setTypeFolder("data/entities");
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
        missile->launch(&theirs, false, hull->position + hull->orientation * local, Vector3::ZERO,
                        Quaternion::IDENTITY, 40.0f, hull.get());
        return missile;
    }

    // The beams that have spent their charge, "F" (Front) and "T" (Top), and the beams in flight.
    std::string fired() const
    {
        std::string names;
        for (std::size_t i = 0; i < 2; ++i)
            names += defence->getBeams()[i]->reload() < 1.0f ? "FT"[i] : '.';
        return names + std::to_string(FireableProjectile::getPools().getPool("point_defense_beam")->getLiveCount());
    }

    SoundFiles soundFiles;
    const ResponseCurves curves{shippedData("curves.cfg")};
    std::unique_ptr<SoundManager> sound;
    std::unique_ptr<ExplosionManager> explosionManager;
    std::unique_ptr<Config> type;
    std::unique_ptr<Hull> hull;
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
        std::string fired;
        std::vector<std::size_t> left;  // the missiles still listed, by index
    };
    const std::vector<Row> rows = {
        {"ahead and in reach", {{0, 0, -60}}, "F.1", {}},
        {"exactly at the far range", {{0, 0, -110}}, "..0", {0}},
        {"exactly on the edge of the cone", {{50, 5, 0}}, "..0", {0}},
        {"behind, then ahead: the one ahead is shot", {{0, 0, 60}, {0, 0, -50}}, "F.1", {0}},
        {"in both cones: the first beam takes it", {{0, 40, -40}}, "F.1", {}},
        {"a spent beam leaves the next missile to the other", {{0, 0, -50}, {0, 40, -40}}, "FT2", {}},
        {"the half-space above", {{-90, 6, 0}, {0, -50, 0}}, ".T1", {1}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        defence->deactivate();
        defence->activate(&ours);
        std::vector<GuidedProjectile*> missiles, left;
        for (const Vector3& local : row.missiles) {
            missiles.push_back(missileAt(local));
            defence->addThreat(missiles.back());
        }
        defence->update(0.0f);
        EXPECT_EQ(fired(), row.fired);
        for (std::size_t index : row.left)
            left.push_back(missiles[index]);
        EXPECT_EQ(std::vector<GuidedProjectile*>(defence->getThreats().begin(), defence->getThreats().end()), left);
        EXPECT_EQ(defence->isEngaging(), !left.empty());
        FireableProjectile::releaseAll();
    }
}

TEST_F(PointDefenseTest, TheListEmptiesAsThreatsEndAndNothingIsShotWithoutAMissile)
{
    // Out of reach it keeps the task polling; dying, it leaves the list (both entries) and the task.
    GuidedProjectile* far = missileAt({0, 0, -300});
    defence->addThreat(far);
    defence->addThreat(far);
    EXPECT_TRUE(defence->isEngaging());
    far->destroy();
    EXPECT_TRUE(defence->getThreats().empty());
    EXPECT_FALSE(defence->isEngaging());

    // The standard firing has no target; a target outside the cone is refused.
    defence->setFiring(true);
    EXPECT_FALSE(defence->getBeams()[0]->fire(nullptr));
    EXPECT_FALSE(defence->getBeams()[0]->fire(missileAt({0, 0, 50})));
    // Announced while switched off: listed, not engaged; switching on starts afresh.
    defence->deactivate();
    defence->addThreat(missileAt({0, 0, -40}));
    EXPECT_FALSE(defence->isEngaging());
    defence->activate(&ours);
    EXPECT_TRUE(defence->getThreats().empty());
    EXPECT_EQ(fired(), "..0");
}

} // namespace
} // namespace Tolvarine
