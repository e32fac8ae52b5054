// Checks the shipped explosion sequences and point-defence data: every ship type has its sequence,
// every event names sprays, explosion groups and sequences the data tree holds, nothing is placed
// on a ship after it left play, and the point-defence weapon fires a guided beam.

#include "Config.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>

namespace Tolvarine {
namespace {

namespace fs = std::filesystem;

std::string data(const std::string& relative)
{
    return std::string(TOLVARINE_SOURCE_DIR) + "/data/" + relative;
}

std::set<std::string> stems(const std::string& folder, const std::string& extension)
{
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(data(folder))) {
        if (entry.path().extension() == extension)
            names.insert(entry.path().stem().string());
    }
    return names;
}

std::set<std::string> explosionGroups()
{
    std::set<std::string> groups;
    for (const std::string& type : stems("explosions", ".explosion"))
        groups.insert(Config(data("explosions/" + type + ".explosion")).get<std::string>("Explosion", "group"));
    return groups;
}

TEST(ExplosionSequenceDataLint, EveryShipTypeHasASequenceWhoseEventsNameShippedData)
{
    const std::set<std::string> sequences = stems("explosions", ".explosion_sequence");
    const std::set<std::string> sprays = stems("explosions", ".spray");
    const std::set<std::string> groups = explosionGroups();
    std::set<std::string> used;
    for (const std::string& ship : stems("entities", ".ship")) {
        const std::string sequence = Config(data("entities/" + ship + ".ship")).get<std::string>("Ship", "explosionGroup");
        EXPECT_EQ(sequences.count(sequence), 1u) << ship << ": no explosion sequence " << sequence;
        used.insert(sequence);
    }
    EXPECT_EQ(used.size(), stems("entities", ".ship").size()) << "one sequence per ship type";

    for (const std::string& name : sequences) {
        SCOPED_TRACE(name);
        const Config sequence(data("explosions/" + name + ".explosion_sequence"));
        EXPECT_GT(sequence.get<float>("ShipExplosionSequence", "updatePeriod"), 0.0f);
        EXPECT_GE(sequence.get<float>("ShipExplosionSequence", "updateVariance"), 0.0f);
        EXPECT_GT(sequence.get<int>("Factory", "poolSize"), 0);
        float deactivation = -1.0f;
        float lastPlaced = 0.0f;
        unsigned cameras = 0;
        for (const std::string& section : sequence.getSectionNames()) {
            if (section.find("Event_") == std::string::npos)
                continue;
            SCOPED_TRACE(section);
            const std::string type = sequence.get<std::string>(section, "type");
            const float time = sequence.get<float>(section, "time");
            EXPECT_GE(time, 0.0f);
            if (type == "ParticleSpray") {
                EXPECT_EQ(sprays.count(sequence.get<std::string>(section, "name")), 1u);
                EXPECT_GE(sequence.get<int>(section, "number", 1), 1);
            } else if (type == "ComplexExplosion") {
                EXPECT_EQ(groups.count(sequence.get<std::string>(section, "group")), 1u);
            } else if (type == "Camera") {
                const std::string camera = sequence.get<std::string>(section, "camera");
                EXPECT_TRUE(camera == "Free" || camera == "Drop" || camera == "Chase") << camera;
                ++cameras;
            } else if (type == "Sequence") {
                EXPECT_EQ(sequences.count(sequence.get<std::string>(section, "name")), 1u);
            } else if (type == "Deactivate") {
                EXPECT_LT(deactivation, 0.0f) << "a second Deactivate";
                deactivation = time;
                continue;
            } else {
                EXPECT_EQ(type, "Command");
                continue;
            }
            lastPlaced = std::max(lastPlaced, time);
        }
        EXPECT_GT(cameras, 0u) << "the player's view of their own ship";
        // A ship given back to its pool may already fly again for someone else.
        EXPECT_GT(deactivation, lastPlaced) << "effects after the ship left play";
    }
}

TEST(ExplosionSequenceDataLint, ThePointDefenseWeaponFiresAGuidedBeam)
{
    const Config weapon(data("entities/point_defense.weapon"));
    EXPECT_EQ(weapon.get<float>("Weapon", "launchSpeed"), 0.0f);
    EXPECT_TRUE(fs::exists(data("sound/" + weapon.get<std::string>("Weapon", "fireSound") + ".sound")));
    const Config beam(data("entities/" + weapon.get<std::string>("Weapon", "projectile") + ".fireable"));
    EXPECT_TRUE(beam.get<bool>("Fireable", "beam"));
    EXPECT_TRUE(beam.get<bool>("Fireable", "guidedBeam"));
    EXPECT_EQ(explosionGroups().count(beam.get<std::string>("Fireable", "explosionGroup")), 1u);
    EXPECT_EQ(beam.get<float>("Fireable", "range"), beam.get<float>("Collision_Geometry", "length"));
}

} // namespace
} // namespace Tolvarine
