// Checks what the game's loaders accept silently in the data files the game ships (the whole-game
// runs load every type). Files are read where they are, as plain text.
#include "AreaManager.h"
#include "CodeNames.h"
#include "Config.h"
#include "ResponseCurves.h"
#include "Scenario.h"

#include "ConfigFiles.h"
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

namespace Tolvarine {
namespace {

namespace fs = std::filesystem;
using Test::readFile;
using Names = std::set<std::string>;
using Kind = AreaManager::SectionKind;

std::string source(const std::string& relative) { return std::string(TOLVARINE_SOURCE_DIR) + "/" + relative; }
std::string dataPath(const std::string& relative) { return source("data/" + relative); }
bool shipped(const std::string& relative) { return fs::is_regular_file(dataPath(relative)); }

// The files of one folder (not below it) with the extension, in name order, without dot files.
std::vector<fs::path> filesIn(const std::string& folder, const std::string& extension)
{
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(dataPath(folder)))
        if (entry.path().filename().string()[0] != '.' && entry.path().extension() == extension)
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

Names stemsIn(const std::string& folder, const std::string& extension)
{
    Names stems;
    for (const fs::path& path : filesIn(folder, extension))
        stems.insert(path.stem().string());
    return stems;
}

const ResponseCurves& shippedCurves()
{
    static const ResponseCurves curves(dataPath("curves.cfg"));
    return curves;
}

// The objects that the rendering-engine scripts of a folder define at their top level with
// `keyword` ("material", "particle_system", "overlay"); each may be defined once.
Names definitionsIn(const std::string& folder, const std::string& extension, const std::string& keyword)
{
    Names defined;
    for (const fs::path& path : filesIn(folder, extension)) {
        std::istringstream text(readFile(path.string()));
        int depth = 0;
        for (std::string line; std::getline(text, line);) {
            line = line.substr(0, line.find("//"));
            std::istringstream words(line);
            std::string first, second;
            const bool defines = depth == 0 && words >> first >> second && first == keyword;
            EXPECT_TRUE(!defines || defined.insert(second).second) << path.filename() << ": " << second << " again";
            depth += std::count(line.begin(), line.end(), '{') - std::count(line.begin(), line.end(), '}');
        }
    }
    return defined;
}

// The sections (or, with a section, the values of its keys) whose names contain the marker.
std::vector<std::string> marked(const Config& type, const std::string& marker, const std::string& section = "")
{
    std::vector<std::string> found;
    for (const std::string& name : section.empty() ? type.getSectionNames() : type.getKeys(section))
        if (name.find(marker) != std::string::npos)
            found.push_back(section.empty() ? name : type.get<std::string>(section, name));
    return found;
}

// Everything a data file may name that the checks look up by name.
struct Shipped {
    Shipped()
    {
        for (const fs::path& path : filesIn("explosions", ".explosion"))
            groupMembers[Config(path.string()).get<std::string>("Explosion", "group", "")].push_back(path.stem().string());
        materials.insert({"BaseWhite", "BaseWhiteNoLighting"}); // built into the rendering engine
    }

    Names materials = definitionsIn("materials", ".material", "material");
    const Names templates = definitionsIn("particle_systems", ".particle", "particle_system");
    const Names overlays = definitionsIn("overlays", ".overlay", "overlay");
    const Names sprays = stemsIn("explosions", ".spray");
    const Names sequences = stemsIn("explosions", ".explosion_sequence");
    std::map<std::string, std::vector<std::string>> groupMembers;
};

// A sound that exists and, where asked, loops.
void expectSound(const std::string& name, bool looping = false)
{
    SCOPED_TRACE("sound " + name);
    ASSERT_TRUE(shipped("sound/" + name + ".sound"));
    const Config sound(dataPath("sound/" + name + ".sound"));
    EXPECT_TRUE(shipped("sound/" + sound.get<std::string>("Sound", "filename")));
    EXPECT_TRUE(!looping || sound.get<bool>("Sound", "looping", false));
}

TEST(DataLintTest, ShippedFilesAvoidWhatTheLoadersAcceptSilently)
{
    const Shipped data;
    const Config curves(dataPath("curves.cfg"));
    for (const std::string& name : curves.getSectionNames()) {
        SCOPED_TRACE(name);
        ResponseCurve curve;
        ASSERT_NO_THROW(curve = shippedCurves().lookup(name));
        for (float sample : curve.getSamples())
            EXPECT_TRUE(std::isfinite(sample));
    }
    // The ship damage model, the test ground and the heads-up display find these by name; the test
    // ground is worked with keys of the shipped key map.
    EXPECT_EQ(data.sprays.count("plating") + data.sprays.count("fireball"), 2u);
    EXPECT_EQ(data.groupMembers.count("Plasma") + data.groupMembers.count("Conventional"), 2u);
    EXPECT_EQ(data.overlays.count("DefaultHud") + data.overlays.count("TestGround"), 2u);
    const Config keymap(source("cfg/active.keymap"));
    for (const char* command : {"next_category", "prev_category", "next_item", "prev_item",
                                "toggle_test_ground", "load_test_scenario", "test_special"})
        EXPECT_FALSE(keymap.get<std::string>("Mapping", command, "").empty()) << command;

    for (const fs::path& path : filesIn("explosions/debris", ".debris")) {
        SCOPED_TRACE(path.filename().string());
        const Config type(path.string());
        // Debris pools start empty whatever the file says; a pool size here would mislead.
        EXPECT_FALSE(type.hasSection("Factory"));
        EXPECT_TRUE(type.get<bool>("Physics", "explosionEffectable", false));
        // A piece's explosion throws no debris again, so the chain of burning pieces ends.
        for (const std::string& member : data.groupMembers.at(type.get<std::string>("ExplosionDebris", "explosionGroup")))
            EXPECT_TRUE(marked(Config(dataPath("explosions/" + member + ".explosion")), "Explosion_Debris").empty())
                << member << " throws debris";
    }
    // A collision geometry section of another type is skipped without a word: a misspelt type would
    // leave the part with nothing that shots can hit.
    for (const auto& [folder, extension] : {std::pair{"entities", ".ship"}, {"entities", ".station"},
                                            {"entities", ".fireable"}, {"explosions/debris", ".debris"}})
        for (const fs::path& path : filesIn(folder, extension)) {
            const Config type(path.string());
            for (const std::string& section : marked(type, "Collision_Geometry"))
                EXPECT_EQ(Names({"box", "sphere", "ray", "trimesh"}).count(type.get<std::string>(section, "type")), 1u)
                    << path.filename() << " " << section;
        }
    for (const fs::path& path : filesIn("entities", ".weapon")) {
        SCOPED_TRACE(path.filename().string());
        const Config type(path.string());
        const Config projectile(dataPath("entities/" + type.get<std::string>("Weapon", "projectile") + ".fireable"));
        // Only a beam may arrive at once; the point defence steers its beam, which reaches as far as it hits.
        EXPECT_TRUE(type.get<float>("Weapon", "launchSpeed") != 0.0f || projectile.get<bool>("Fireable", "beam", false));
        if (path.stem() == "point_defense") {
            expectSound(type.get<std::string>("Weapon", "fireSound"));
            EXPECT_TRUE(projectile.get<bool>("Fireable", "guidedBeam"));
            EXPECT_EQ(data.groupMembers.count(projectile.get<std::string>("Fireable", "explosionGroup")), 1u);
            EXPECT_EQ(projectile.get<float>("Fireable", "range"), projectile.get<float>("Collision_Geometry", "length"));
        }
    }
    const std::vector<fs::path> ships = filesIn("entities", ".ship");
    Names sequencesUsed;
    unsigned capitalShips = 0;
    for (const fs::path& path : ships) {
        SCOPED_TRACE(path.filename().string());
        const Config type(path.string());
        // The test ground finds a type's file by its name.
        EXPECT_EQ(type.get<std::string>("Ship", "name", ""), path.stem().string());
        const std::string sequence = type.get<std::string>("Ship", "explosionGroup", "");
        EXPECT_EQ(data.sequences.count(sequence), 1u) << sequence;
        EXPECT_TRUE(sequencesUsed.insert(sequence).second) << "one sequence per ship type";
        Names components;
        for (const std::string& section : marked(type, "Component_"))
            components.insert(section.substr(10));
        for (const std::string& component : components) {
            SCOPED_TRACE(component);
            EXPECT_GT(type.get<float>("Component_" + component, "armor", 0.0f), 0.0f);
            // The loader drops an unknown neighbour without a word: a misspelt name would leave
            // the component without its splash damage.
            for (const std::string& neighbour : marked(type, "adjacent", "Component_" + component)) {
                EXPECT_EQ(components.count(neighbour), 1u) << "no component " << neighbour;
                EXPECT_NE(neighbour, component);
            }
        }
        // An unknown component silently takes the hits of the first one.
        for (const std::string& section : marked(type, "Collision_Geometry"))
            EXPECT_EQ(components.count(type.get<std::string>(section, "component", "")), 1u) << section;
        for (const char* system : {"WeaponSystem_Primary", "WeaponSystem_Secondary"})
            EXPECT_FALSE(marked(type, "weapon", system).empty()) << system;
        // A capital ship places at least three stations of shipped types.
        unsigned stations = 0;
        for (const std::string& section : marked(type, "Station"))
            stations += shipped("entities/" + type.get<std::string>(section, "type", "") + ".station");
        capitalShips += type.get<bool>("Ship", "capitalShip", false);
        EXPECT_TRUE(!type.get<bool>("Ship", "capitalShip", false) || stations >= 3) << stations;
    }
    EXPECT_GE(capitalShips, 1u);
    for (const fs::path& path : filesIn("entities", ".station")) {
        SCOPED_TRACE(path.filename().string());
        const Config type(path.string());
        for (const std::string& section : type.getSectionNames()) {
            const std::string named = type.get<std::string>(section, "type", "");
            EXPECT_TRUE(section.find("WeaponSystem") != std::string::npos || named.empty() || named == "trimesh"
                        || shipped("entities/" + named + ".weapon")) << section;
            for (const char* key : {"mesh", "mesh_0", "mesh_1", "mesh_2"})
                EXPECT_TRUE(type.get<std::string>(section, key, "").empty()
                            || shipped("meshes/" + type.get<std::string>(section, key, ""))) << section << " " << key;
        }
    }

    // What each placed event of a sequence names must exist; nothing is placed on a ship after it
    // left play, for a ship given back to its pool may already fly again for someone else.
    const std::map<std::string, std::pair<std::string, Names>> eventNames = {
        {"ParticleSpray", {"name", data.sprays}}, {"Sequence", {"name", data.sequences}},
        {"Camera", {"camera", {"Free", "Drop", "Chase"}}}};
    for (const std::string& name : data.sequences) {
        SCOPED_TRACE(name);
        const Config sequence(dataPath("explosions/" + name + ".explosion_sequence"));
        EXPECT_GT(sequence.get<float>("ShipExplosionSequence", "updatePeriod"), 0.0f);
        float deactivation = -1.0f, lastPlaced = 0.0f;
        for (const std::string& section : marked(sequence, "Event_")) {
            SCOPED_TRACE(section);
            const std::string type = sequence.get<std::string>(section, "type");
            const float time = sequence.get<float>(section, "time");
            deactivation = type == "Deactivate" ? time : deactivation;
            EXPECT_TRUE(type != "ComplexExplosion" || data.groupMembers.count(sequence.get<std::string>(section, "group")));
            const auto named = eventNames.find(type);
            EXPECT_TRUE(named == eventNames.end() || named->second.second.count(sequence.get<std::string>(section, named->second.first)));
            if (named != eventNames.end() || type == "ComplexExplosion")
                lastPlaced = std::max(lastPlaced, time);
            EXPECT_GE(sequence.get<int>(section, "number", 1), 1);
        }
        EXPECT_GT(deactivation, lastPlaced) << "effects after the ship left play";
    }

    // The warp arrival arrives well before survival would send the next wave anyway.
    const Config warp(source("cfg/warp_arrival.cfg"));
    for (const char* section : {"Glow", "Flash"}) {
        SCOPED_TRACE(section);
        EXPECT_EQ(data.materials.count(warp.get<std::string>(section, "materialName")), 1u);
        for (const char* curve : {"sizeCurveName", "colourCurveName"})
            EXPECT_NO_THROW(shippedCurves().lookup(warp.get<std::string>(section, curve))) << curve;
    }
    expectSound(warp.get<std::string>("Sound", "name"));
    EXPECT_LT(warp.get<float>("WarpArrival", "arrivalTime"), 2.5f);
    // The formation's icons are shipped overlays; a formation has no body to hit.
    const Config formation(source("cfg/formation.cfg"));
    for (const char* key : {"freeIconOverlay", "slavedIconOverlay"})
        EXPECT_EQ(data.overlays.count(formation.get<std::string>("Formation", key)), 1u) << key;
    EXPECT_FALSE(formation.hasSection("Display") || formation.hasSection("Collision_Geometry"));
}

// Areas have unique names, skies with the cube that ships reflect, at most two suns and hazes
// short of the viewer (the whole-game screenshots load each area); scenery and missiles find
// their materials, particle templates and looping sounds.
TEST(DataLintTest, AreasSceneryAndMissilesNameDataThatExists)
{
    const Shipped data;
    const std::string skyboxes = readFile(dataPath("materials/skyboxes.material"));
    for (const char* scenery : {"PlanetHaze", "Star", "Planet/Surface", "Scenery/Dust", "Projectile/MissileBody"})
        EXPECT_EQ(data.materials.count(scenery), 1u) << scenery;
    EXPECT_TRUE(shipped("meshes/planet.mesh"));
    for (const char* dust : {"FineDebrisSystem", "CoarseDebrisSystem"})
        EXPECT_EQ(data.templates.count(dust), 1u) << dust;
    for (const char* loop : {"ambient_nl", "ambient_da", "ambient_tc", "ambient_space", "ambient_command"})
        expectSound(loop, true);

    Names names, skies;
    for (const fs::path& path : filesIn("areas", ".area")) {
        SCOPED_TRACE(path.filename().string());
        const Config area(path.string());
        EXPECT_TRUE(names.insert(area.get<std::string>("Area", "name")).second) << "names are unique";
        const std::string sky = area.get<std::string>("Area", "skyboxMaterial");
        skies.insert(sky);
        const std::size_t at = skyboxes.find("material " + sky + "\n");
        ASSERT_NE(at, std::string::npos) << sky;
        std::istringstream words(skyboxes.substr(skyboxes.find("texture ", at) + 8));
        std::string cube, type;
        words >> cube >> type;
        EXPECT_EQ(type, "cubic") << sky << ": one cube map, in the rendering engine's current form";
        const std::string envMap = environmentMapName(cube);
        for (const char* face : {"_fr", "_bk", "_lf", "_rt", "_up", "_dn"})
            EXPECT_TRUE(shipped("textures/skyboxes/" + envMap.substr(0, envMap.rfind('.')) + face + ".png")) << envMap << face;
        unsigned stars = 0;
        for (const std::string& section : area.getSectionNames()) {
            const Kind kind = AreaManager::classify(section);
            stars += kind == Kind::STAR;
            EXPECT_TRUE(kind != Kind::PLANET || area.get<float>(section, "hazeProportion") * area.get<float>(section, "radius")
                                                    < area.get<float>(section, "distance")) << section << ": the haze must not reach the viewer";
        }
        EXPECT_LE(stars, 2u) << "the flare set has room for two suns";
    }
    EXPECT_GE(skies.size(), 3u) << "the areas look different";

    unsigned guided = 0;
    for (const fs::path& path : filesIn("entities", ".fireable")) {
        const Config type(path.string());
        if (!type.get<bool>("Fireable", "guided", false) || !++guided)
            continue;
        SCOPED_TRACE(path.filename().string());
        expectSound(type.get<std::string>("Thrust", "mainThrustSound"), true);
        EXPECT_EQ("Missile", type.get<std::string>("Targetable", "frameType"));
        for (const char* key : {"updatePeriod", "approachSpeed", "velocityMatchProportion"})
            EXPECT_GT(type.get<float>("Behaviour", key), 0.0f) << key;
    }
    // The Trifighter's secondary system launches one.
    const Config ship(dataPath("entities/trifighter.ship"));
    EXPECT_TRUE(ship.get<bool>("WeaponSystem_Secondary", "guided"));
    const Config launcher(dataPath("entities/" + ship.get<std::string>("Launcher", "type") + ".weapon"));
    EXPECT_TRUE(Config(dataPath("entities/" + launcher.get<std::string>("Weapon", "projectile") + ".fireable"))
                    .get<bool>("Fireable", "guided"));
    EXPECT_GT(guided, 0u);
}

// The start-up's refusal of a name the code gives names the file that holds it as shipped: that file
// is in the repository and holds the name (is named after it, or gives it in its text).
TEST(DataLintTest, EveryNameTheCodeGivesIsInTheFileItsRefusalNames)
{
    for (const CodeNames::Name* name : CodeNames::all()) {
        SCOPED_TRACE(std::string(name->kind) + " " + name->name);
        const fs::path file = source(name->file);
        ASSERT_TRUE(fs::is_regular_file(file)) << name->file;
        EXPECT_TRUE(file.stem() == name->name || file.filename() == name->name
                    || readFile(file.string()).find(name->name) != std::string::npos) << name->file;
    }
}

// Help is switched on, and every widget that shows help has a text that fits the pane's five lines.
TEST(DataLintTest, EveryHelpedWidgetHasItsText)
{
    const Config help(source("cfg/demo_help.cfg"));
    EXPECT_TRUE(help.get<bool>("General", "enabled"));
    const char* const helped[] = {
        "reset", "Play/SurvivalMode", "Play/SkirmishMode", "Play/EnvironmentLabel", "Play/TrifighterThumbnail",
        "Play/ThunderboltThumbnail", "Play/StarfireThumbnail", "Play/Difficulty", "AdvancedControl/Sensitivity",
        "AdvancedControl/Momentum", "AdvancedControl/JoystickDeadZone", "AdvancedControl/JoystickLogFactor",
        "Gameplay/Roll", "Graphics/Dust", "Graphics/Ps", "Graphics/Lod", "Graphics/Glow", "Graphics/MaxLodLabel"};
    for (const char* widget : helped) {
        const std::string text = help.get<std::string>("Help", widget, std::string());
        EXPECT_TRUE(text.size() >= 10 && text.size() <= 350) << widget;
    }
    EXPECT_EQ(help.getKeys("Help").size(), std::size(helped)) << "no text for a widget that does not exist";
}

} // namespace
} // namespace Tolvarine
