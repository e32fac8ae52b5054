// Checks the shipped explosion sequences and point-defence data: every ship type has its sequence,
// every event names sprays, explosion groups and sequences the data tree holds, nothing is placed
// on a ship after it left play, and the point-defence weapon fires a guided beam.

#include "Config.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
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
    const std::set<std::string> ships = stems("entities", ".ship");
    std::set<std::string> used;
    for (const std::string& ship : ships)
        used.insert(Config(data("entities/" + ship + ".ship")).get<std::string>("Ship", "explosionGroup"));
    EXPECT_EQ(used.size(), ships.size()) << "one sequence per ship type";
    EXPECT_TRUE(std::includes(sequences.begin(), sequences.end(), used.begin(), used.end()));

    // What each placed event names must exist.
    const std::map<std::string, std::pair<std::string, std::set<std::string>>> names = {
        {"ParticleSpray", {"name", stems("explosions", ".spray")}},
        {"ComplexExplosion", {"group", explosionGroups()}},
        {"Sequence", {"name", sequences}},
        {"Camera", {"camera", {"Free", "Drop", "Chase"}}},
    };
    for (const std::string& name : sequences) {
        SCOPED_TRACE(name);
        const Config sequence(data("explosions/" + name + ".explosion_sequence"));
        EXPECT_GT(sequence.get<float>("ShipExplosionSequence", "updatePeriod"), 0.0f);
        float deactivation = -1.0f, lastPlaced = 0.0f;
        for (const std::string& section : sequence.getSectionNames()) {
            if (section.find("Event_") == std::string::npos)
                continue;
            SCOPED_TRACE(section);
            const std::string type = sequence.get<std::string>(section, "type");
            const float time = sequence.get<float>(section, "time");
            if (type == "Deactivate")
                deactivation = time;
            const auto named = names.find(type);
            if (named == names.end())
                continue;
            lastPlaced = std::max(lastPlaced, time);
            EXPECT_EQ(named->second.second.count(sequence.get<std::string>(section, named->second.first)), 1u);
            EXPECT_GE(sequence.get<int>(section, "number", 1), 1);
        }
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
