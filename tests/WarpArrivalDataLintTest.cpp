// Checks the shipped warp arrival settings against the data tree: their materials, curves, textures
// and sound exist, and the ship arrives well before survival would send the next wave anyway.

#include "Config.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace Tolvarine {
namespace {

std::string source(const std::string& relative)
{
    return std::string(TOLVARINE_SOURCE_DIR) + "/" + relative;
}

std::string fileText(const std::string& relative)
{
    std::ostringstream text;
    text << std::ifstream(source(relative)).rdbuf();
    return text.str();
}

TEST(WarpArrivalDataLint, ShippedSettingsNameWhatTheDataTreeHolds)
{
    const Config config(source("cfg/warp_arrival.cfg"));
    const Config curves(source("data/curves.cfg"));
    const std::string materials = fileText("data/materials/explosions.material");
    for (const char* section : {"Glow", "Flash"}) {
        SCOPED_TRACE(section);
        EXPECT_NE(materials.find("material " + config.get<std::string>(section, "materialName") + "\n"),
                  std::string::npos);
        for (const char* curve : {"sizeCurveName", "colourCurveName"})
            EXPECT_TRUE(curves.hasSection(config.get<std::string>(section, curve))) << curve;
    }
    for (const char* texture : {"warp_glow.png", "warp_flash.png"}) {
        EXPECT_NE(materials.find(std::string("texture ") + texture), std::string::npos) << texture;
        EXPECT_TRUE(std::filesystem::exists(source("data/textures/explosions/") + texture)) << texture;
    }
    const std::string sound = "data/sound/" + config.get<std::string>("Sound", "name") + ".sound";
    ASSERT_TRUE(std::filesystem::exists(source(sound))) << sound;
    EXPECT_TRUE(std::filesystem::exists(source("data/sound/" + Config(source(sound)).get<std::string>("Sound", "filename"))));
    EXPECT_LT(config.get<float>("WarpArrival", "arrivalTime"), 2.5f);
}

} // namespace
} // namespace Tolvarine
