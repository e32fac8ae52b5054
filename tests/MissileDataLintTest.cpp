// Checks the shipped missile data: every guided projectile type names a mesh, a trail template, a
// glow material and a thrust sound that the data tree holds, and the Trifighter's secondary system
// launches one.

#include "Config.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace Tolvarine {
namespace {

namespace fs = std::filesystem;

std::string data(const std::string& relative)
{
    return std::string(TOLVARINE_SOURCE_DIR) + "/data/" + relative;
}

// Whether a script file of the folder with that extension defines `kind name` on a line of its own.
bool defines(const std::string& folder, const std::string& extension, const std::string& kind, const std::string& name)
{
    for (const fs::directory_entry& entry : fs::directory_iterator(data(folder))) {
        if (entry.path().extension() != extension)
            continue;
        std::ifstream in(entry.path());
        for (std::string line; std::getline(in, line);) {
            if (line == kind + " " + name)
                return true;
        }
    }
    return false;
}

TEST(MissileDataLint, GuidedTypesNameDataThatExistsAndTheTrifighterLaunchesThem)
{
    unsigned guided = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(data("entities"))) {
        if (entry.path().extension() != ".fireable")
            continue;
        const Config type(entry.path().string());
        if (!type.get<bool>("Fireable", "guided", false))
            continue;
        SCOPED_TRACE(entry.path().filename().string());
        ++guided;
        EXPECT_TRUE(fs::exists(data("meshes/" + type.get<std::string>("Display", "mesh"))));
        EXPECT_TRUE(defines("particle_systems", ".particle", "particle_system",
                            type.get<std::string>("Thrust", "engineParticleSystem")));
        EXPECT_TRUE(defines("materials", ".material", "material", type.get<std::string>("Thrust", "glowMaterial")));
        const Config sound(data("sound/" + type.get<std::string>("Thrust", "mainThrustSound") + ".sound"));
        EXPECT_TRUE(fs::exists(data("sound/" + sound.get<std::string>("Sound", "filename"))));
        EXPECT_TRUE(sound.get<bool>("Sound", "looping"));
        EXPECT_EQ("Missile", type.get<std::string>("Targetable", "frameType"));
        for (const char* key : {"updatePeriod", "approachSpeed", "velocityMatchProportion"})
            EXPECT_GT(type.get<float>("Behaviour", key), 0.0f) << key;
    }
    EXPECT_GT(guided, 0u);
    // The missile's body material, which the mesh file names, is shipped too.
    EXPECT_TRUE(defines("materials", ".material", "material", "Projectile/MissileBody"));

    const Config ship(data("entities/trifighter.ship"));
    EXPECT_TRUE(ship.get<bool>("WeaponSystem_Secondary", "guided"));
    const Config launcher(data("entities/" + ship.get<std::string>("Launcher", "type") + ".weapon"));
    const Config missile(data("entities/" + launcher.get<std::string>("Weapon", "projectile") + ".fireable"));
    EXPECT_TRUE(missile.get<bool>("Fireable", "guided"));
}

} // namespace
} // namespace Tolvarine
