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
#include <string>
#include <vector>

// The shipped areas and the scenery they name, checked as files: every name an area file uses
// must lead to data that exists, so that no area fails (or shows a white square) in play.
namespace Tolvarine {
namespace {

namespace fs = std::filesystem;
using Kind = AreaManager::SectionKind;

const fs::path DATA = fs::path(TOLVARINE_SOURCE_DIR) / "data";

// Material name -> the textures its texture units name, over every shipped material script.
std::map<std::string, std::vector<std::string>> shippedMaterials()
{
    std::map<std::string, std::vector<std::string>> materials;
    const std::regex header(R"(^\s*material\s+(\S+))");
    const std::regex texture(R"(^\s*(cubic_)?texture\s+(\S+))");
    for (const auto& entry : fs::recursive_directory_iterator(DATA)) {
        if (entry.path().extension() != ".material")
            continue;
        std::ifstream file(entry.path());
        std::string line;
        std::string current;
        std::smatch match;
        while (std::getline(file, line)) {
            if (std::regex_search(line, match, header))
                materials[current = match[1]];
            else if (!current.empty() && std::regex_search(line, match, texture))
                materials[current].push_back(std::string(match[1].matched ? "cube:" : "") + match[2].str());
        }
    }
    return materials;
}

std::set<std::string> filesBelow(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// The six images of a cube map "stem.ext".
std::vector<std::string> cubeFaces(const std::string& name)
{
    const std::string stem = name.substr(0, name.find_last_of('.'));
    const std::string extension = name.substr(name.find_last_of('.'));
    std::vector<std::string> faces;
    for (const char* face : {"_fr", "_bk", "_lf", "_rt", "_up", "_dn"})
        faces.push_back(stem + face + extension);
    return faces;
}

TEST(AreaDataLintTest, EveryAreaNamesSceneryThatExists)
{
    const auto materials = shippedMaterials();
    const std::set<std::string> textures = filesBelow(DATA / "textures");
    const auto expectMaterial = [&](const std::string& name) {
        SCOPED_TRACE("material " + name);
        const auto found = materials.find(name);
        ASSERT_NE(found, materials.end());
        for (const std::string& texture : found->second) {
            const bool cube = texture.rfind("cube:", 0) == 0;
            for (const std::string& image : cube ? cubeFaces(texture.substr(5)) : std::vector<std::string>{texture})
                EXPECT_EQ(textures.count(image), 1u) << image;
        }
    };
    for (const char* scenery : {"PlanetHaze", "Star", "Planet/Surface"})
        expectMaterial(scenery);
    EXPECT_TRUE(fs::exists(DATA / "meshes/planet.mesh"));

    std::set<std::string> names;
    std::set<std::string> skies;
    for (const auto& entry : fs::directory_iterator(DATA / "areas")) {
        SCOPED_TRACE(entry.path().filename().string());
        ASSERT_EQ(entry.path().extension(), ".area") << "only area files live in data/areas";
        const Config area(entry.path().string());
        EXPECT_TRUE(names.insert(area.get<std::string>("Area", "name")).second) << "names are unique";
        const std::string sky = area.get<std::string>("Area", "skyboxMaterial");
        expectMaterial(sky);
        skies.insert(sky);
        area.get<Ogre::ColourValue>("Area", "ambientColour");
        // The cube that ships reflect under this sky.
        const auto material = materials.find(sky);
        ASSERT_TRUE(material != materials.end() && !material->second.empty());
        for (const std::string& image : cubeFaces(environmentMapName(material->second.front().substr(5))))
            EXPECT_EQ(textures.count(image), 1u) << image;

        unsigned stars = 0;
        for (const std::string& section : area.getSectionNames()) {
            SCOPED_TRACE(section);
            const Kind kind = AreaManager::classify(section);
            if (kind == Kind::OTHER)
                continue;
            EXPECT_FALSE(area.get<Ogre::Vector3>(section, "direction").isZeroLength());
            if (kind == Kind::PLANET) {
                expectMaterial(area.get<std::string>(section, "material"));
                const float distance = area.get<float>(section, "distance");
                const float haze = area.get<float>(section, "hazeProportion") * area.get<float>(section, "radius");
                EXPECT_LT(haze, distance) << "the haze must not reach the viewer";
                area.get<Ogre::ColourValue>(section, "hazeColour");
                area.get<float>(section, "spinRateDegrees");
                continue;
            }
            area.get<Ogre::ColourValue>(section, "diffuse");
            area.get<Ogre::ColourValue>(section, "specular");
            if (kind == Kind::STAR) {
                ++stars;
                area.get<Ogre::ColourValue>(section, "glow");
                EXPECT_GT(area.get<float>(section, "size"), 0.0f);
            }
        }
        EXPECT_LE(stars, 2u) << "the flare set has room for two suns";
    }
    EXPECT_GE(skies.size(), 3u) << "the areas look different";
}

// What the scenery takes from elsewhere in the data: the dust templates and the ambient loops
// the game modes name.
TEST(AreaDataLintTest, DustTemplatesAndAmbientLoopsExist)
{
    std::ifstream dust(DATA / "particle_systems/space_dust.particle");
    const std::string text((std::istreambuf_iterator<char>(dust)), std::istreambuf_iterator<char>());
    for (const char* name : {"FineDebrisSystem", "CoarseDebrisSystem"})
        EXPECT_NE(text.find(std::string("particle_system ") + name + "\n"), std::string::npos) << name;
    for (const char* name : {"ambient_nl", "ambient_da", "ambient_tc", "ambient_space", "ambient_command"}) {
        SCOPED_TRACE(name);
        const Config sound((DATA / "sound" / (std::string(name) + ".sound")).string());
        EXPECT_TRUE(fs::exists(DATA / "sound" / sound.get<std::string>("Sound", "filename")));
        EXPECT_TRUE(sound.get<bool>("Sound", "looping", false));
    }
}

} // namespace
} // namespace Tolvarine
