// The shipped capital-ship data: station types name meshes and weapons that exist, and capital
// ships place at least three stations of shipped types. (The capital-ship tests build them.)

#include "Config.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace Tolvarine::Test {
namespace {

namespace fs = std::filesystem;

bool shipped(const std::string& relative)
{
    return fs::is_regular_file(std::string(TOLVARINE_SOURCE_DIR) + "/data/" + relative);
}

TEST(StationDataLint, StationTypesAndTheCapitalShipsThatPlaceThem)
{
    unsigned stationTypes = 0, capitalShips = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(std::string(TOLVARINE_SOURCE_DIR) + "/data/entities")) {
        const std::string extension = entry.path().extension().string();
        if (extension != ".station" && extension != ".ship")
            continue;
        SCOPED_TRACE(entry.path().filename().string());
        // Read as plain text: reading it enciphered would write its twin into the data tree.
        const Config type(entry.path().string());
        unsigned stations = 0;
        for (const std::string& section : type.getSectionNames()) {
            const std::string named = type.get<std::string>(section, "type", "");
            if (extension == ".ship" && section.find("Station") != std::string::npos)
                stations += shipped("entities/" + named + ".station") ? 1 : 0;
            if (extension == ".station" && section.find("WeaponSystem") == std::string::npos &&
                type.hasSection(section) && !named.empty() && named != "trimesh") {
                EXPECT_TRUE(shipped("entities/" + named + ".weapon")) << section;
            }
            for (const char* key : {"mesh", "mesh_0", "mesh_1", "mesh_2"}) {
                const std::string mesh = type.get<std::string>(section, key, "");
                if (extension == ".station" && !mesh.empty()) {
                    EXPECT_TRUE(shipped("meshes/" + mesh)) << section << " " << mesh;
                }
            }
        }
        stationTypes += extension == ".station";
        if (type.get<bool>("Ship", "capitalShip", false)) {
            ++capitalShips;
            EXPECT_GE(stations, 3u);
        }
    }
    EXPECT_GE(stationTypes, 1u);
    EXPECT_GE(capitalShips, 1u);
}

} // namespace
} // namespace Tolvarine::Test
