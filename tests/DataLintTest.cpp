// Checks the data files the game ships: each kind of file has one walk over every file of that kind
// in the repository's data tree, checking that every name it refers to (particle template,
// material, texture, curve, mesh, explosion group, spray, sound, debris, weapon, component)
// exists there. Files are read where they are, as plain text; the game's loaders, which would
// write enciphered twins beside them, read a copy.

#include "CollisionMeshCache.h"
#include "ComplexExplosion.h"
#include "Config.h"
#include "ConfigurationError.h"
#include "DynamicCollidable.h"
#include "ExplosionDebris.h"
#include "ExplosionManager.h"
#include "FireableProjectile.h"
#include "InputHandler.h"
#include "ParticleSpray.h"
#include "PhysicsEngine.h"
#include "ResponseCurves.h"
#include "Scheduler.h"
#include "ShipType.h"
#include "SoundManager.h"
#include "StandardWeaponSystem.h"
#include "Thrust.h"
#include "TolvarineEngine.h"
#include "Weapon.h"

#include "ConfigFiles.h"
#include "LogCapture.h"
#include "ManualTicks.h"
#include "RenderingRoot.h"

#include <OgreBillboardSet.h>
#include <OgreEntity.h>
#include <OgreMaterialManager.h>
#include <OgreMesh.h>
#include <OgreOverlay.h>
#include <OgreOverlayElement.h>
#include <OgreOverlayManager.h>
#include <OgreOverlaySystem.h>
#include <OgreParticleSystem.h>
#include <OgreParticleSystemManager.h>
#include <OgrePass.h>
#include <OgreRenderWindow.h>
#include <OgreResourceGroupManager.h>
#include <OgreRoot.h>
#include <OgreTechnique.h>
#include <OgreTextureUnitState.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace Tolvarine {
namespace {

namespace fs = std::filesystem;
using Test::LogCapture;
using Test::ManualTicks;
using Test::RenderingRoot;
using Test::readFile;
using Test::TemporaryFolder;
using Names = std::set<std::string>;

std::string dataPath(const std::string& relative)
{
    return std::string(TOLVARINE_SOURCE_DIR) + "/data/" + relative;
}

// The files of one folder (not below it) with the extension, in name order, without dot files.
std::vector<fs::path> filesIn(const std::string& folder, const std::string& extension)
{
    std::vector<fs::path> files;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        if (entry.path().filename().string()[0] != '.' && entry.path().extension() == extension)
            files.push_back(entry.path());
    }
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

// The names of every file anywhere below the folder: the engine finds resources by name alone.
Names fileNamesBelow(const std::string& folder)
{
    Names names;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file())
            names.insert(entry.path().filename().string());
    }
    return names;
}

const ResponseCurves& shippedCurves()
{
    static const ResponseCurves curves(dataPath("curves.cfg"));
    return curves;
}

// One line of a rendering-engine script (material, particle template, overlay), without its
// comment, split into words; braces are counted, not kept.
struct ScriptLine {
    int depth;  // the number of blocks open before the line
    std::vector<std::string> words;
    std::string where;  // "file:line" for messages
};

std::vector<ScriptLine> readScript(const fs::path& path)
{
    std::vector<ScriptLine> lines;
    std::istringstream text(readFile(path.string()));
    int depth = 0;
    int number = 0;
    for (std::string line; std::getline(text, line);) {
        ScriptLine parsed{depth, {}, path.filename().string() + ":" + std::to_string(++number)};
        line = line.substr(0, line.find("//"));
        for (char& c : line) {
            if (c == '{' || c == '}') {
                depth += c == '{' ? 1 : -1;
                c = ' ';
            }
        }
        std::istringstream words(line);
        for (std::string word; words >> word;)
            parsed.words.push_back(word);
        if (!parsed.words.empty())
            lines.push_back(parsed);
    }
    return lines;
}

// Every line of the script files of a folder.
std::vector<ScriptLine> scriptsIn(const std::string& folder, const std::string& extension)
{
    std::vector<ScriptLine> all;
    for (const fs::path& file : filesIn(dataPath(folder), extension)) {
        const std::vector<ScriptLine> lines = readScript(file);
        all.insert(all.end(), lines.begin(), lines.end());
    }
    return all;
}

// The objects that the script files of a folder define at their top level with `keyword`
// ("material", "particle_system", "overlay"); each may be defined once.
Names definitionsIn(const std::string& folder, const std::string& extension, const std::string& keyword)
{
    Names defined;
    for (const ScriptLine& line : scriptsIn(folder, extension)) {
        if (line.depth == 0 && line.words.size() >= 2 && line.words[0] == keyword)
            EXPECT_TRUE(defined.insert(line.words[1]).second) << line.where << ": " << line.words[1] << " again";
    }
    return defined;
}

bool isNumber(const std::string& word)
{
    return !word.empty() && std::all_of(word.begin(), word.end(), [](char c) { return std::isdigit(c); });
}

// "<base>_<suffix><extension>" for a file name "<base><extension>".
std::string withSuffix(const std::string& file, const std::string& suffix)
{
    const std::size_t dot = file.rfind('.');
    return dot == std::string::npos ? file + "_" + suffix
                                    : file.substr(0, dot) + "_" + suffix + file.substr(dot);
}

// The texture files a material line names: "texture <file>"; "anim_texture" either as
// "<base.ext> <frames> <duration>" (files base_0.ext to base_<frames-1>.ext) or as a list of
// files followed by the duration; "cubic_texture" either as "<base.ext> <kind>" (the six faces
// base_fr.ext, base_bk.ext, base_lf.ext, base_rt.ext, base_up.ext, base_dn.ext) or as the six
// files followed by the kind.
std::vector<std::string> texturesNamedBy(const ScriptLine& line)
{
    const std::vector<std::string>& w = line.words;
    if (w[0] == "texture" && w.size() >= 2)
        return {w[1]};
    if (w[0] == "cubic_texture" && w.size() == 3) {
        std::vector<std::string> faces;
        for (const char* face : {"fr", "bk", "lf", "rt", "up", "dn"})
            faces.push_back(withSuffix(w[1], face));
        return faces;
    }
    if (w[0] == "cubic_texture" && w.size() == 8)
        return std::vector<std::string>(w.begin() + 1, w.end() - 1);
    if (w[0] != "anim_texture" || w.size() < 3)
        return {};
    if (w.size() == 4 && isNumber(w[2])) {
        std::vector<std::string> frames;
        for (int i = 0; i < std::stoi(w[2]); ++i)
            frames.push_back(withSuffix(w[1], std::to_string(i)));
        return frames;
    }
    return std::vector<std::string>(w.begin() + 1, w.end() - 1);
}

// The lines of the log that report an error (the driver's lists of extensions name some
// error-handling ones, and report nothing).
std::vector<std::string> errorLines(const LogCapture& log)
{
    std::vector<std::string> errors;
    for (const std::string& line : log.lines()) {
        std::string lower = line;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (lower.find("error") != std::string::npos && lower.find("_extensions = ") == std::string::npos)
            errors.push_back(line);
    }
    return errors;
}

// The sections of a type file whose names contain the marker.
std::vector<std::string> sectionsMarked(const Config& type, const std::string& marker)
{
    std::vector<std::string> sections;
    for (const std::string& section : type.getSectionNames()) {
        if (section.find(marker) != std::string::npos)
            sections.push_back(section);
    }
    return sections;
}

// The values of the keys of a section whose names contain the marker.
std::vector<std::string> valuesMarked(const Config& type, const std::string& section, const std::string& marker)
{
    std::vector<std::string> values;
    for (const std::string& key : type.getKeys(section)) {
        if (key.find(marker) != std::string::npos)
            values.push_back(type.get<std::string>(section, key));
    }
    return values;
}

// The meshes a type file's "Display" section names: "mesh", or "mesh_0", "mesh_1", ...
std::vector<std::string> meshesNamedBy(const Config& type)
{
    std::vector<std::string> meshes;
    for (const std::string& key : type.getKeys("Display")) {
        if (key == "mesh" || key.rfind("mesh_", 0) == 0)
            meshes.push_back(type.get<std::string>("Display", key));
    }
    return meshes;
}

// Everything a data file may name, each kind read from where the game finds it.
struct Shipped {
    Shipped()
    {
        LogCapture quiet;
        for (const std::string& name : Config(dataPath("curves.cfg")).getSectionNames()) {
            try {
                shippedCurves().lookup(name);
                curves.insert(name);
            } catch (const ConfigurationError&) {
            }
        }
        // A sound is its definition in data/sound with the sound file it names there too.
        for (const fs::path& path : filesIn(dataPath("sound"), ".sound")) {
            if (fs::exists(dataPath("sound/" + Config(path.string()).get<std::string>("Sound", "filename", ""))))
                sounds.insert(path.stem().string());
        }
        for (const fs::path& path : filesIn(dataPath("explosions"), ".explosion")) {
            const std::string group = Config(path.string()).get<std::string>("Explosion", "group", "");
            groups.insert(group);
            groupMembers[group].push_back(path.stem().string());
        }
        // Built into the rendering engine.
        materials.insert({"BaseWhite", "BaseWhiteNoLighting"});
    }

    Names materials = definitionsIn("materials", ".material", "material");
    const Names templates = definitionsIn("particle_systems", ".particle", "particle_system");
    const Names overlays = definitionsIn("overlays", ".overlay", "overlay");
    const Names meshes = fileNamesBelow(dataPath("meshes"));
    const Names textures = fileNamesBelow(dataPath("textures"));
    const Names sprays = stemsIn(dataPath("explosions"), ".spray");
    const Names debris = stemsIn(dataPath("explosions/debris"), ".debris");
    const Names weapons = stemsIn(dataPath("entities"), ".weapon");
    const Names fireables = stemsIn(dataPath("entities"), ".fireable");
    Names curves;
    Names sounds;
    Names groups;
    std::map<std::string, std::vector<std::string>> groupMembers;
};

// A name that a type file gives under section/key, which must be one of `names`; an optional one
// may be left out.
struct Reference {
    std::string section;
    const char* key;
    const Names* names;
    bool optional;
};

void expectNamesExist(const Config& type, const std::vector<Reference>& references)
{
    for (const Reference& reference : references) {
        const std::string name = type.get<std::string>(reference.section, reference.key, "");
        if (!(reference.optional && name.empty()))
            EXPECT_EQ(reference.names->count(name), 1u)
                << reference.section << "/" << reference.key << " names the unknown " << name;
    }
}

// Runs `check` on every file of the kind, read as plain text: reading it enciphered would write
// its twin into the data tree.
template <typename Check>
void walk(const std::string& folder, const std::string& extension, Check check)
{
    const std::vector<fs::path> files = filesIn(dataPath(folder), extension);
    EXPECT_FALSE(files.empty()) << folder << "/*" << extension;
    for (const fs::path& path : files) {
        SCOPED_TRACE(path.filename().string());
        check(path.stem().string(), Config(path.string()));
    }
}

// ---- One walk per kind of file ----

TEST(DataLintTest, CurvesSampleToFiniteNumbers)
{
    const Config file(dataPath("curves.cfg"));
    ASSERT_FALSE(file.getSectionNames().empty());
    for (const std::string& name : file.getSectionNames()) {
        SCOPED_TRACE(name);
        ResponseCurve curve;
        ASSERT_NO_THROW(curve = shippedCurves().lookup(name));
        for (float sample : curve.getSamples())
            EXPECT_TRUE(std::isfinite(sample));
    }
}

TEST(DataLintTest, ScriptsNameShippedMaterialsAndTextures)
{
    const Shipped data;
    for (const ScriptLine& line : scriptsIn("materials", ".material")) {
        for (const std::string& texture : texturesNamedBy(line))
            EXPECT_EQ(data.textures.count(texture), 1u) << line.where << ": no texture " << texture;
    }
    for (const char* folder : {"particle_systems", "overlays"}) {
        for (const ScriptLine& line : scriptsIn(folder, folder[0] == 'p' ? ".particle" : ".overlay")) {
            if (line.words.size() == 2 && line.words[0] == "material")
                EXPECT_EQ(data.materials.count(line.words[1]), 1u) << line.where << ": no material " << line.words[1];
        }
    }
    EXPECT_EQ(data.overlays.count("DefaultHud"), 1u);
}

TEST(DataLintTest, SprayFiles)
{
    const Shipped data;
    walk("explosions", ".spray", [&](const std::string&, const Config& spray) {
        expectNamesExist(spray, {{"ParticleSpray", "systemName", &data.templates, false},
                                 {"ParticleSpray", "rateCurveName", &data.curves, false}});
        EXPECT_GT(spray.get<float>("ParticleSpray", "duration"), 0.0f);
        EXPECT_GT(spray.get<float>("ParticleSpray", "timeResolution"), 0.0f);
    });
    // The ship damage model and the test ground fire these by name.
    EXPECT_EQ(data.sprays.count("plating") + data.sprays.count("fireball"), 2u);
}

TEST(DataLintTest, FireableFiles)
{
    const Shipped data;
    walk("entities", ".fireable", [&](const std::string&, const Config& type) {
        // A beam is drawn as a strip of its own material.
        const bool beam = type.get<bool>("Fireable", "beam", false);
        const bool billboard = type.get<bool>("Fireable", "billboardSet", false);
        const bool glow = type.get<float>("Fireable", "glowSize", 0.0f) != 0.0f;
        expectNamesExist(type, {{"Fireable", "explosionGroup", &data.groups, false},
                                {"Fireable", "particleSystem", &data.templates, true},
                                {"Fireable", "materialName", &data.materials, !beam},
                                {"Fireable", "billboardMaterial", &data.materials, !billboard},
                                {"Fireable", "glowMaterial", &data.materials, !glow}});
        for (const std::string& mesh : meshesNamedBy(type))
            EXPECT_EQ(data.meshes.count(mesh), 1u) << "no mesh " << mesh;
    });
}

TEST(DataLintTest, ExplosionFiles)
{
    const Shipped data;
    walk("explosions", ".explosion", [&](const std::string&, const Config& type) {
        EXPECT_FALSE(type.get<std::string>("Explosion", "group", "").empty());
        expectNamesExist(type, {{"Animation", "materialName", &data.materials, false},
                                {"Glow", "materialName", &data.materials, false},
                                {"Glow", "sizeCurveName", &data.curves, false},
                                {"Glow", "colourCurveName", &data.curves, false},
                                {"Sound", "name", &data.sounds, false},
                                {"Explosion", "particleSpray", &data.sprays, true}});
        for (const std::string& section : sectionsMarked(type, "Explosion_Debris"))
            expectNamesExist(type, {{section, "name", &data.debris, false}});
    });
    // The ship damage model's plating breaches explode into these by name.
    EXPECT_EQ(data.groups.count("Plasma") + data.groups.count("Conventional"), 2u);
}

TEST(DataLintTest, DebrisFiles)
{
    const Shipped data;
    walk("explosions/debris", ".debris", [&](const std::string&, const Config& type) {
        // Debris pools start empty whatever the file says; a pool size here would mislead.
        EXPECT_FALSE(type.hasSection("Factory"));
        expectNamesExist(type, {{"ExplosionDebris", "fireParticleSystem", &data.templates, false},
                                {"ExplosionDebris", "explosionGroup", &data.groups, false}});
        // A piece's explosion throws no debris again, so the chain of burning pieces ends.
        const auto members = data.groupMembers.find(type.get<std::string>("ExplosionDebris", "explosionGroup", ""));
        for (const std::string& member : members == data.groupMembers.end() ? std::vector<std::string>() : members->second)
            EXPECT_TRUE(sectionsMarked(Config(dataPath("explosions/" + member + ".explosion")), "Explosion_Debris")
                            .empty())
                << member << " throws debris";
        EXPECT_FALSE(meshesNamedBy(type).empty());
        for (const std::string& mesh : meshesNamedBy(type))
            EXPECT_EQ(data.meshes.count(mesh), 1u) << "no mesh " << mesh;
        EXPECT_TRUE(type.get<bool>("Physics", "explosionEffectable", false));
    });
}

TEST(DataLintTest, WeaponFiles)
{
    const Shipped data;
    walk("entities", ".weapon", [&](const std::string&, const Config& type) {
        const bool glow = type.hasSection("Glow");
        expectNamesExist(type, {{"Weapon", "projectile", &data.fireables, false},
                                {"Weapon", "fireSound", &data.sounds, true},
                                {"Glow", "materialName", &data.materials, !glow},
                                {"Glow", "sizeCurveName", &data.curves, !glow},
                                {"Glow", "colourCurveName", &data.curves, !glow}});
        // Only a beam may arrive at once.
        const std::string projectile = dataPath("entities/" + type.get<std::string>("Weapon", "projectile") + ".fireable");
        if (type.get<float>("Weapon", "launchSpeed") == 0.0f && fs::exists(projectile))
            EXPECT_TRUE(Config(projectile).get<bool>("Fireable", "beam", false));
    });
}

TEST(DataLintTest, ShipFiles)
{
    const Shipped data;
    walk("entities", ".ship", [&](const std::string& stem, const Config& type) {
        // The test ground finds a type's file by its name.
        EXPECT_EQ(type.get<std::string>("Ship", "name", ""), stem);
        expectNamesExist(type, {{"Ship", "explosionGroup", &data.groups, false},
                                {"Display", "weaponOverlay", &data.overlays, true},
                                {"Thrust", "engineParticleSystem", &data.templates, false},
                                {"Thrust", "glowMaterial", &data.materials, false},
                                {"Thrust", "mainThrustSound", &data.sounds, false},
                                {"Thrust", "auxiliaryThrustSound", &data.sounds, false}});
        EXPECT_FALSE(meshesNamedBy(type).empty());
        for (const std::string& mesh : meshesNamedBy(type))
            EXPECT_EQ(data.meshes.count(mesh), 1u) << "no mesh " << mesh;

        Names components;
        for (const std::string& section : sectionsMarked(type, "Component_"))
            components.insert(section.substr(10));
        EXPECT_FALSE(components.empty());
        for (const std::string& component : components) {
            const std::string section = "Component_" + component;
            SCOPED_TRACE(section);
            expectNamesExist(type, {{section, "mesh", &data.meshes, false}});
            EXPECT_GT(type.get<float>(section, "armor", 0.0f), 0.0f);
            // The loader drops an unknown neighbour without a word: a misspelt name would leave
            // the component without its splash damage.
            for (const std::string& neighbour : valuesMarked(type, section, "adjacent")) {
                EXPECT_EQ(components.count(neighbour), 1u) << "no component " << neighbour;
                EXPECT_NE(neighbour, component);
            }
        }
        const std::vector<std::string> geometries = sectionsMarked(type, "Collision_Geometry");
        EXPECT_FALSE(geometries.empty());
        for (const std::string& section : geometries) {
            // An unknown component silently takes the hits of the first one.
            const bool trimesh = type.get<std::string>(section, "type", "") == "trimesh";
            expectNamesExist(type, {{section, "component", &components, false}, {section, "mesh", &data.meshes, !trimesh}});
        }
        for (const char* system : {"WeaponSystem_Primary", "WeaponSystem_Secondary"}) {
            const std::vector<std::string> entries = valuesMarked(type, system, "weapon");
            EXPECT_FALSE(entries.empty()) << system;
            for (const std::string& entry : entries)
                expectNamesExist(type, {{entry, "type", &data.weapons, false}});
        }
    });
    EXPECT_TRUE(fs::exists(dataPath("entities/trifighter.ship")));
}

// ---- The game's own loaders, under OpenGL ----

// What the game's loaders need to build objects of the shipped types, drawn on a hidden window:
// the folders of the start-up in the group "Core" with their materials, particle templates and
// overlays, the clocks and engines, a silent sound manager, and copies of the type files and sound
// settings in a working folder that is the current one meanwhile.
class ShippedWorld {
public:
    ShippedWorld() : previous(fs::current_path())
    {
        Ogre::Root::getSingleton().loadPlugin(std::string(TOLVARINE_OGRE_PLUGIN_DIR) + "/Codec_STBI");
        Ogre::Root::getSingleton().loadPlugin(std::string(TOLVARINE_OGRE_PLUGIN_DIR) + "/Plugin_ParticleFX");
        // Overlay scripts are read only when the overlay system exists before the group is read.
        overlays = std::make_unique<Ogre::OverlaySystem>();
        Ogre::ResourceGroupManager& resources = Ogre::ResourceGroupManager::getSingleton();
        resources.createResourceGroup("Core");
        for (const char* folder : {"overlays", "materials", "particle_systems", "textures", "textures/explosions",
                                   "textures/skyboxes", "meshes"})
            resources.addResourceLocation(dataPath(folder), "FileSystem", "Core", true);
        resources.initialiseResourceGroup("Core");
        engine.sceneManager = &rendering.sceneManager();
        fs::create_directories(work.file("cfg"));
        fs::copy_file(std::string(TOLVARINE_SOURCE_DIR) + "/cfg/sound.cfg", work.file("cfg/sound.cfg"));
        fs::copy(dataPath(""), work.file("data"), fs::copy_options::recursive);
        fs::current_path(work.file(""));
        SoundManager::forgetSoundConfigs();
        sound = std::make_unique<SoundManager>(nullptr, SoundSystem::Output::SILENT);
    }
    ~ShippedWorld()
    {
        FireableProjectile::unloadTypes();
        // Burning pieces explode into the manager's explosions: they go first.
        ExplosionDebris::unloadTypes();
        explosions.reset();
        ParticleSpray::unloadTypes();
        sound.reset();
        SoundManager::forgetSoundConfigs();
        ShipType::unloadAll();
        Weapon::forgetTypes();
        fs::current_path(previous);
    }
    ShippedWorld(const ShippedWorld&) = delete;
    ShippedWorld& operator=(const ShippedWorld&) = delete;

    fs::path previous;
    TemporaryFolder work;
    ManualTicks ticks;
    RenderingRoot rendering{RenderingRoot::Kind::Windowed};
    std::unique_ptr<Ogre::OverlaySystem> overlays;
    InputHandler input;
    Scheduler scheduler;
    PhysicsEngine physics;
    CollisionMeshCache meshCache;
    TolvarineEngine engine{Ogre::Root::getSingleton()};
    std::unique_ptr<SoundManager> sound;
    std::unique_ptr<ExplosionManager> explosions;
};

// Every material compiles with its textures and every particle template with its emitters; every
// shipped type builds its objects: sprays, projectiles, explosions that go off, debris that burns
// and explodes, ships with their body, levels of detail, thrust effects and weapon systems, and
// the overlays with the reticle the weapon display looks up. Nothing logs an error.
TEST(DataLintTest, ShippedTypesBuildThroughTheGamesLoaders)
{
    if (!RenderingRoot::displayAvailable()) {
        std::cout << "Nothing was built: no X display (run the tests through tools/with-display.sh)\n";
        return;
    }
    const Shipped data;
    LogCapture log;
    ShippedWorld world;
    for (const std::string& name : data.materials) {
        SCOPED_TRACE(name);
        Ogre::MaterialPtr material = Ogre::MaterialManager::getSingleton().getByName(name, Ogre::RGN_AUTODETECT);
        ASSERT_TRUE(material);
        material->load();
        Ogre::Technique* technique = material->getBestTechnique();
        ASSERT_NE(technique, nullptr);
        for (unsigned short p = 0; p < technique->getNumPasses(); ++p) {
            for (unsigned short u = 0; u < technique->getPass(p)->getNumTextureUnitStates(); ++u) {
                Ogre::TextureUnitState* unit = technique->getPass(p)->getTextureUnitState(u);
                for (unsigned frame = 0; frame < unit->getNumFrames(); ++frame) {
                    const Ogre::TexturePtr& texture = unit->_getTexturePtr(frame);
                    ASSERT_TRUE(texture) << unit->getFrameTextureName(frame);
                    EXPECT_TRUE(texture->isLoaded() && texture->getWidth() > 1) << texture->getName();
                }
            }
        }
    }
    // Every particle template was read, with an emitter.
    for (const std::string& name : data.templates) {
        const Ogre::ParticleSystem* parsed = Ogre::ParticleSystemManager::getSingleton().getTemplate(name);
        ASSERT_NE(parsed, nullptr) << name;
        EXPECT_GT(parsed->getNumEmitters(), 0) << name;
    }
    ASSERT_NO_THROW(ParticleSpray::loadTypes("data/explosions", &world.rendering.sceneManager(), &shippedCurves()));
    EXPECT_EQ(ParticleSpray::getPools().getTypeNames(), std::vector<std::string>(data.sprays.begin(), data.sprays.end()));
    for (const std::string& type : data.sprays)
        EXPECT_FALSE(ParticleSpray::getPools().create(type)->getBaseRates().empty()) << type << " has no emitter";
    ASSERT_NO_THROW(FireableProjectile::loadTypes("data/entities"));
    EXPECT_EQ(FireableProjectile::getTypeNames().size(), data.fireables.size());
    for (const std::string& name : FireableProjectile::getTypeNames()) {
        std::unique_ptr<FireableProjectile> projectile;
        EXPECT_NO_THROW(projectile.reset(FireableProjectile::createByKind(name))) << name;
        EXPECT_NE(projectile, nullptr) << name;
    }
    ASSERT_NO_THROW(world.explosions = std::make_unique<ExplosionManager>("data/explosions", &shippedCurves()));
    EXPECT_EQ(world.explosions->getTypeNames().size(), filesIn(dataPath("explosions"), ".explosion").size());
    // Explosions that throw debris take it from the debris pools.
    ASSERT_NO_THROW(ExplosionDebris::loadTypes("data/explosions/debris"));
    EXPECT_EQ(ExplosionDebris::getTypeNames().size(), data.debris.size());
    for (const std::string& name : world.explosions->getTypeNames()) {
        ComplexExplosion* explosion = nullptr;
        EXPECT_NO_THROW(explosion = world.explosions->create(name)) << name;
        if (explosion)
            EXPECT_NO_THROW(explosion->activate(Ogre::Vector3::ZERO, Ogre::Vector3::UNIT_Z, {})) << name;
    }
    for (const std::string& name : ExplosionDebris::getTypeNames()) {
        ExplosionDebris* piece = nullptr;
        EXPECT_NO_THROW(piece = ExplosionDebris::getPools().create(name)) << name;
        if (!piece)
            continue;
        piece->launch(Ogre::Vector3::ZERO, Ogre::Quaternion::IDENTITY, Ogre::Vector3::UNIT_X);
        EXPECT_NO_THROW(piece->explodeTimeout(piece->getPeriod())) << name;
        EXPECT_FALSE(piece->isInFlight()) << name;
    }
    ComplexExplosion::releaseAll();
    ExplosionDebris::releaseAll();
    ParticleSpray::releaseAll();

    Weapon::setTypeFolder("data/entities");
    ASSERT_NO_THROW(ShipType::loadAll("data/entities"));
    EXPECT_EQ(ShipType::getTypeNames().size(), filesIn(dataPath("entities"), ".ship").size());
    for (const std::string& name : ShipType::getTypeNames()) {
        SCOPED_TRACE(name);
        ShipType& type = ShipType::getByName(name);
        EXPECT_NE(type.getWeaponOverlay(), nullptr);
        // Every component is reached by splash damage from some neighbour.
        for (unsigned i = 0; i < type.getComponentCount(); ++i)
            EXPECT_FALSE(type.getComponentNeighbours(i).empty()) << type.getComponentName(i);
        std::unique_ptr<DynamicCollidable> body;
        try {
            body = std::make_unique<DynamicCollidable>("Lint" + name, type, Ogre::Vector3::ZERO,
                                                       Ogre::Quaternion::IDENTITY);
        } catch (...) {
            const auto& lines = log.lines();
            FAIL() << "no body: " << (lines.empty() ? std::string() : lines.back());
        }
        EXPECT_EQ(body->getEntity()->getMesh()->getNumLodLevels(), meshesNamedBy(type).size());
        std::unique_ptr<Thrust> thrust;
        ASSERT_NO_THROW(thrust = std::make_unique<Thrust>(*body, type));
        // One glow on each nozzle: the glow set holds as many billboards as there are emitters.
        EXPECT_EQ(thrust->getGlow()->getNumBillboards(), thrust->getEngineParticles()->getNumEmitters());
        for (const char* system : {"WeaponSystem_Primary", "WeaponSystem_Secondary"})
            EXPECT_NO_THROW(StandardWeaponSystem(&body->getPhysicsBody(), body->getSceneNode(), type, system))
                << system;
    }

    Ogre::OverlayManager& overlays = Ogre::OverlayManager::getSingleton();
    for (const std::string& name : data.overlays)
        EXPECT_NE(overlays.getByName(name), nullptr) << name << " was not read";
    for (const char* element : {"DefaultHud/ReticlePrimaryComponent", "DefaultHud/ReticleSecondaryComponent"}) {
        SCOPED_TRACE(element);
        ASSERT_TRUE(overlays.hasOverlayElement(element));
        Ogre::OverlayElement* component = overlays.getOverlayElement(element);
        EXPECT_EQ(component->getTypeName(), "Panel");
        EXPECT_EQ(data.materials.count(component->getMaterialName()), 1u);
        EXPECT_GT(component->getWidth(), 0.0f);
    }
    Ogre::Overlay* hud = overlays.getByName("DefaultHud");
    ASSERT_NE(hud, nullptr);
    EXPECT_NO_THROW(hud->show());
    EXPECT_NO_THROW(world.rendering.window()->update());
    hud->hide();
    EXPECT_EQ(errorLines(log), std::vector<std::string>());
}

} // namespace
} // namespace Tolvarine
