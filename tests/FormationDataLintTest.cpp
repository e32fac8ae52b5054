// The shipped formation file names icon overlays that the overlay scripts define; the general
// lint checks their materials and textures.
#include "Config.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace Tolvarine::Test {
namespace {

TEST(FormationDataLint, TheFormationFileNamesShippedIconsAndHasNoBodyToHit)
{
    const Config file(std::string(TOLVARINE_SOURCE_DIR) + "/cfg/formation.cfg");
    std::ostringstream overlays;
    overlays << std::ifstream(std::string(TOLVARINE_SOURCE_DIR) + "/data/overlays/formation.overlay").rdbuf();
    for (const char* key : {"freeIconOverlay", "slavedIconOverlay"})
        EXPECT_NE(overlays.str().find("overlay " + file.get<std::string>("Formation", key) + "\n"), std::string::npos) << key;
    for (const char* key : {"minStretchDistance", "maxStretchDistance"})
        EXPECT_NO_THROW(file.get<float>("Formation", key)) << key;
    for (const char* key : {"maxForce", "maxTorque"})
        EXPECT_GT(file.get<float>("MovementController", key), 0.0f) << key;
    EXPECT_FALSE(file.hasSection("Display") || file.hasSection("Collision_Geometry"));
}

} // namespace
} // namespace Tolvarine::Test
