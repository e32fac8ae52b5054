// The shipped capital-ship data: every station type names meshes, weapons and keys that exist, and
// every capital ship places stations of shipped types with all their keys.

#include "Config.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace Tolvarine::Test {
namespace {

namespace fs = std::filesystem;

std::string dataPath(const std::string& relative)
{
    return std::string(TOLVARINE_SOURCE_DIR) + "/data/" + relative;
}

std::vector<fs::path> filesIn(const std::string& folder, const std::string& extension)
{
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() == extension)
            files.push_back(entry.path());
    }
    return files;
}

bool meshExists(const std::string& name)
{
    return !name.empty() && fs::is_regular_file(dataPath("meshes/" + name));
}

TEST(StationDataLint, StationTypesAndTheCapitalShipsThatPlaceThem)
{
    const std::vector<fs::path> stations = filesIn(dataPath("entities"), ".station");
    ASSERT_FALSE(stations.empty());
    for (const fs::path& path : stations) {
        SCOPED_TRACE(path.filename().string());
        // Read as plain text: reading it enciphered would write its twin into the data tree.
        const Config type(path.string());
        EXPECT_GT(type.get<float>("Physics", "maxTorque", 0.0f), 0.0f);
        EXPECT_GT(type.get<float>("Behaviour", "engagementRange", 0.0f), 0.0f);
        EXPECT_TRUE(meshExists(type.get<std::string>("Display", "mesh_0", type.get<std::string>("Display", "mesh", ""))));
        for (const std::string& section : type.getSectionNames()) {
            if (section.find("Collision_Geometry") == 0 && type.get<std::string>(section, "type", "") == "trimesh")
                EXPECT_TRUE(meshExists(type.get<std::string>(section, "mesh", ""))) << section;
        }
        for (const char* system : {"WeaponSystem_Primary", "WeaponSystem_Secondary"}) {
            for (const std::string& key : type.getKeys(system)) {
                if (key.find("weapon") == std::string::npos)
                    continue;
                const std::string weapon = type.get<std::string>(type.get<std::string>(system, key), "type", "");
                EXPECT_TRUE(fs::is_regular_file(dataPath("entities/" + weapon + ".weapon"))) << system << " " << weapon;
            }
        }
    }

    unsigned capitalShips = 0;
    for (const fs::path& path : filesIn(dataPath("entities"), ".ship")) {
        const Config type(path.string());
        if (!type.get<bool>("Ship", "capitalShip", false))
            continue;
        SCOPED_TRACE(path.filename().string());
        ++capitalShips;
        EXPECT_EQ(type.get<std::string>("Ship", "role", ""), "capital");
        EXPECT_TRUE(type.hasSection("WeaponSystem_PointDefense"));
        unsigned placed = 0;
        for (const std::string& section : type.getSectionNames()) {
            if (section.find("Station") == std::string::npos)
                continue;
            ++placed;
            const std::string stationType = type.get<std::string>(section, "type", "");
            EXPECT_TRUE(fs::is_regular_file(dataPath("entities/" + stationType + ".station"))) << section;
            for (const char* key : {"offset", "homeRotationAngles", "yawPositiveLimit", "yawNegativeLimit",
                                    "pitchPositiveLimit", "pitchNegativeLimit"})
                EXPECT_FALSE(type.get<std::string>(section, key, "").empty()) << section << " " << key;
        }
        EXPECT_GE(placed, 3u);
    }
    EXPECT_GE(capitalShips, 1u);
}

} // namespace
} // namespace Tolvarine::Test
