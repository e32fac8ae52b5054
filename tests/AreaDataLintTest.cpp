#include "AreaManager.h"
#include "Config.h"
#include "Scenario.h"

#include <OgreColourValue.h>
#include <OgreVector.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>

// The shipped areas, missiles and the scenery they use, checked as files: every name must lead to
// data that exists, so that nothing fails, or shows a white square, in play.
namespace Tolvarine {
namespace {

namespace fs = std::filesystem;
using Kind = AreaManager::SectionKind;

const fs::path DATA = fs::path(TOLVARINE_SOURCE_DIR) / "data";

std::string textOf(const fs::path& path)
{
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

TEST(AreaDataLintTest, EveryAreaAndMissileNamesDataThatExists)
{
    // Material -> the images of its textures (the six faces of a cube), over every material script.
    std::map<std::string, std::vector<std::string>> materials;
    std::set<std::string> files, particles;
    const std::regex entry(R"((?:^|\n)\s*(material|texture|cubic_texture|particle_system)\s+(\S+))");
    const char* const faces[] = {"_fr", "_bk", "_lf", "_rt", "_up", "_dn"};
    std::string current;
    for (const auto& file : fs::recursive_directory_iterator(DATA)) {
        files.insert(file.path().filename().string());
        const std::string ext = file.path().extension().string();
        const std::string text = ext == ".material" || ext == ".particle" ? textOf(file.path()) : "";
        for (std::sregex_iterator match(text.begin(), text.end(), entry), end; match != end; ++match) {
            const std::string word = (*match)[1], name = (*match)[2];
            if (word == "particle_system")
                particles.insert(name);
            else if (word == "material")
                materials[current = name];
            else if (word == "texture")
                materials[current].push_back(name);
            else
                for (const char* face : faces)
                    materials[current].push_back(name.substr(0, name.rfind('.')) + face + name.substr(name.rfind('.')));
        }
    }
    const auto expectMaterial = [&](const std::string& name) {
        ASSERT_EQ(materials.count(name), 1u) << name;
        for (const std::string& image : materials[name])
            EXPECT_EQ(files.count(image), 1u) << name << ": " << image;
    };
    const auto expectLoop = [&](const std::string& name) {
        const Config sound((DATA / "sound" / (name + ".sound")).string());
        EXPECT_EQ(files.count(sound.get<std::string>("Sound", "filename")), 1u) << name;
        EXPECT_TRUE(sound.get<bool>("Sound", "looping", false)) << name;
    };
    for (const char* scenery : {"PlanetHaze", "Star", "Planet/Surface", "Scenery/Dust", "Projectile/MissileBody"})
        expectMaterial(scenery);
    EXPECT_EQ(files.count("planet.mesh"), 1u);
    for (const char* dust : {"FineDebrisSystem", "CoarseDebrisSystem"})
        EXPECT_EQ(particles.count(dust), 1u) << dust;
    for (const char* loop : {"ambient_nl", "ambient_da", "ambient_tc", "ambient_space", "ambient_command"})
        expectLoop(loop);

    std::set<std::string> names, skies;
    for (const auto& file : fs::directory_iterator(DATA / "areas")) {
        SCOPED_TRACE(file.path().filename().string());
        if (file.path().extension() == ".areax")
            continue; // the enciphered twin the game writes beside a plain file it reads
        ASSERT_EQ(file.path().extension(), ".area") << "only area files live in data/areas";
        const Config area(file.path().string());
        EXPECT_TRUE(names.insert(area.get<std::string>("Area", "name")).second) << "names are unique";
        const std::string sky = area.get<std::string>("Area", "skyboxMaterial");
        skies.insert(sky);
        expectMaterial(sky);
        area.get<Ogre::ColourValue>("Area", "ambientColour");
        // The cube that ships reflect under this sky.
        const std::string envMap = environmentMapName(materials[sky].at(0));
        for (const char* face : faces)
            EXPECT_EQ(files.count(envMap.substr(0, envMap.rfind('.')) + face + ".png"), 1u) << envMap << face;
        unsigned stars = 0;
        for (const std::string& section : area.getSectionNames()) {
            SCOPED_TRACE(section);
            const Kind kind = AreaManager::classify(section);
            if (kind == Kind::OTHER)
                continue;
            EXPECT_FALSE(area.get<Ogre::Vector3>(section, "direction").isZeroLength());
            if (kind == Kind::PLANET) {
                expectMaterial(area.get<std::string>(section, "material"));
                EXPECT_LT(area.get<float>(section, "hazeProportion") * area.get<float>(section, "radius"),
                          area.get<float>(section, "distance")) << "the haze must not reach the viewer";
                area.get<Ogre::ColourValue>(section, "hazeColour");
                area.get<float>(section, "spinRateDegrees");
                continue;
            }
            for (const char* colour : {"diffuse", "specular"})
                area.get<Ogre::ColourValue>(section, colour);
            if (kind == Kind::STAR) {
                ++stars;
                area.get<Ogre::ColourValue>(section, "glow");
                EXPECT_GT(area.get<float>(section, "size"), 0.0f);
            }
        }
        EXPECT_LE(stars, 2u) << "the flare set has room for two suns";
    }
    EXPECT_GE(skies.size(), 3u) << "the areas look different";

    unsigned guided = 0;
    for (const auto& file : fs::directory_iterator(DATA / "entities")) {
        if (file.path().extension() != ".fireable")
            continue;
        const Config type(file.path().string());
        if (!type.get<bool>("Fireable", "guided", false))
            continue;
        SCOPED_TRACE(file.path().filename().string());
        ++guided;
        EXPECT_EQ(files.count(type.get<std::string>("Display", "mesh")), 1u);
        EXPECT_EQ(particles.count(type.get<std::string>("Thrust", "engineParticleSystem")), 1u);
        EXPECT_EQ(materials.count(type.get<std::string>("Thrust", "glowMaterial")), 1u);
        expectLoop(type.get<std::string>("Thrust", "mainThrustSound"));
        EXPECT_EQ("Missile", type.get<std::string>("Targetable", "frameType"));
        for (const char* key : {"updatePeriod", "approachSpeed", "velocityMatchProportion"})
            EXPECT_GT(type.get<float>("Behaviour", key), 0.0f) << key;
    }
    EXPECT_GT(guided, 0u);
    // The Trifighter's secondary system launches one.
    const Config ship((DATA / "entities/trifighter.ship").string());
    EXPECT_TRUE(ship.get<bool>("WeaponSystem_Secondary", "guided"));
    const Config launcher((DATA / "entities" / (ship.get<std::string>("Launcher", "type") + ".weapon")).string());
    const Config missile((DATA / "entities" / (launcher.get<std::string>("Weapon", "projectile") + ".fireable")).string());
    EXPECT_TRUE(missile.get<bool>("Fireable", "guided"));
}

} // namespace
} // namespace Tolvarine
