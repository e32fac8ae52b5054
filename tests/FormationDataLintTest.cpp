// The shipped formation file: its keys, and the icon overlays it names with their materials and
// textures.

#include "Config.h"

#include <OgreVector.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace Tolvarine::Test {
namespace {

std::string sourcePath(const std::string& relative)
{
    return std::string(TOLVARINE_SOURCE_DIR) + "/" + relative;
}

std::string readText(const std::string& path)
{
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

TEST(FormationDataLint, TheFormationFileNamesIconsThatExistWithTheirMaterialsAndTextures)
{
    const Config file(sourcePath("cfg/formation.cfg"));
    for (const char* key : {"minStretchDistance", "maxStretchDistance"})
        EXPECT_NO_THROW(file.get<float>("Formation", key)) << key;
    for (const char* key : {"maxForce", "maxTorque"})
        EXPECT_GT(file.get<float>("MovementController", key), 0.0f) << key;
    EXPECT_NO_THROW(file.get<Ogre::Vector3>("Targetable", "chaseOffset"));
    // No mesh and no geometry: nothing may hit or pick the formation's invisible body.
    EXPECT_FALSE(file.hasSection("Display"));
    EXPECT_FALSE(file.hasSection("Collision_Geometry"));

    const std::string overlays = readText(sourcePath("data/overlays/formation.overlay"));
    const std::string materials = readText(sourcePath("data/materials/formation.material"));
    const struct { const char *key, *material, *texture; } icons[] = {
        {"freeIconOverlay", "Hud/FormationFree", "formation_free.png"},
        {"slavedIconOverlay", "Hud/FormationSlaved", "formation_slaved.png"},
    };
    for (const auto& icon : icons) {
        SCOPED_TRACE(icon.key);
        const std::string overlay = file.get<std::string>("Formation", icon.key);
        EXPECT_NE(overlays.find("overlay " + overlay + "\n"), std::string::npos) << overlay;
        EXPECT_NE(overlays.find("material " + std::string(icon.material) + "\n"), std::string::npos);
        EXPECT_NE(materials.find("material " + std::string(icon.material) + "\n"), std::string::npos);
        EXPECT_NE(materials.find("texture " + std::string(icon.texture) + "\n"), std::string::npos);
        EXPECT_TRUE(std::filesystem::exists(sourcePath("data/textures/") + icon.texture));
    }
}

} // namespace
} // namespace Tolvarine::Test
