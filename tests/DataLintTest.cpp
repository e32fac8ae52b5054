// Checks the data files the game ships: each kind of file has one test that reads every file of
// that kind in the repository's data tree and checks that every name it refers to (particle
// template, material, texture, curve, mesh, explosion group, spray, sound, debris) exists there. Files are read where they are, except where
// the game's loader would write beside them: those are read from a temporary copy.

#include "CollisionMeshCache.h"
#include "Config.h"
#include "DynamicCollidable.h"
#include "ShipType.h"
#include "StandardWeaponSystem.h"
#include "Thrust.h"
#include "Weapon.h"
#include "ComplexExplosion.h"
#include "ConfigurationError.h"
#include "ExplosionDebris.h"
#include "ExplosionManager.h"
#include "FireableProjectile.h"
#include "MultiPoolFactory.h"
#include "ParticleSpray.h"
#include "PhysicsEngine.h"
#include "ResponseCurves.h"
#include "SoundManager.h"
#include "TolvarineEngine.h"

#include "ConfigFiles.h"
#include "LogCapture.h"
#include "ManualTicks.h"
#include "RenderingRoot.h"

#include "HudOverlay.h"
#include "InputHandler.h"
#include "Scheduler.h"

#include <OgreControllerManager.h>
#include <OgreDataStream.h>
#include <OgreMaterial.h>
#include <OgreMaterialManager.h>
#include <OgreMesh.h>
#include <OgreOverlay.h>
#include <OgreOverlayContainer.h>
#include <OgreOverlayElement.h>
#include <OgreOverlayManager.h>
#include <OgreOverlaySystem.h>
#include <OgreEntity.h>
#include <OgreBillboardSet.h>
#include <OgreRenderWindow.h>
#include <OgreParticleSystem.h>
#include <OgreParticleSystemManager.h>
#include <OgrePass.h>
#include <OgreResourceGroupManager.h>
#include <OgreRoot.h>
#include <OgreTechnique.h>
#include <OgreTexture.h>
#include <OgreTextureUnitState.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <iostream>
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

// ---- The data tree ----

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
        const std::string name = entry.path().filename().string();
        if (name[0] != '.' && entry.path().extension() == extension && entry.is_regular_file())
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// The names of every file anywhere below the folder: the engine finds resources by name alone.
std::set<std::string> fileNamesBelow(const std::string& folder)
{
    std::set<std::string> names;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder, error)) {
        if (entry.is_regular_file())
            names.insert(entry.path().filename().string());
    }
    return names;
}

// Every spray and explosion file names its curves in the one curve file.
const ResponseCurves& shippedCurves()
{
    static const ResponseCurves curves(dataPath("curves.cfg"));
    return curves;
}

bool curveExists(const std::string& name)
{
    LogCapture quiet;
    try {
        shippedCurves().lookup(name);
        return true;
    } catch (const ConfigurationError&) {
        return false;
    }
}

// ---- The rendering engine's script files (materials, particle templates) ----

// One line of a script, without its comment, split into words; braces are counted, not kept.
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
        ++number;
        line = line.substr(0, line.find("//"));
        ScriptLine parsed{depth, {}, path.filename().string() + ":" + std::to_string(number)};
        std::string word;
        auto endWord = [&] {
            if (!word.empty())
                parsed.words.push_back(word);
            word.clear();
        };
        for (char c : line) {
            if (c == '{' || c == '}') {
                endWord();
                depth += c == '{' ? 1 : -1;
            } else if (std::isspace(static_cast<unsigned char>(c))) {
                endWord();
            } else {
                word += c;
            }
        }
        endWord();
        if (!parsed.words.empty())
            lines.push_back(parsed);
    }
    return lines;
}

// The objects that the script files of a folder define at their top level with `keyword`
// ("material", "particle_system"), each with where it is defined.
std::map<std::string, std::string> definitionsIn(const std::string& folder, const std::string& extension,
                                                 const std::string& keyword)
{
    std::map<std::string, std::string> defined;
    for (const fs::path& file : filesIn(folder, extension)) {
        for (const ScriptLine& line : readScript(file)) {
            if (line.depth == 0 && line.words.size() >= 2 && line.words[0] == keyword) {
                const bool added = defined.emplace(line.words[1], line.where).second;
                EXPECT_TRUE(added) << line.where << ": " << keyword << " " << line.words[1]
                                   << " is defined twice";
            }
        }
    }
    return defined;
}

std::map<std::string, std::string> shippedMaterials()
{
    auto materials = definitionsIn(dataPath("materials"), ".material", "material");
    // Built into the rendering engine.
    materials.emplace("BaseWhite", "");
    materials.emplace("BaseWhiteNoLighting", "");
    return materials;
}

std::map<std::string, std::string> shippedParticleTemplates()
{
    return definitionsIn(dataPath("particle_systems"), ".particle", "particle_system");
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

// The lines of the log that report an error.
std::vector<std::string> errorLines(const LogCapture& log)
{
    std::vector<std::string> errors;
    for (const std::string& line : log.lines()) {
        std::string lower = line;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (lower.find("error") != std::string::npos)
            errors.push_back(line);
    }
    return errors;
}

// Parses a script with the rendering engine's own reader and returns the error lines it logged.
template <typename Loader>
std::vector<std::string> compileErrors(Loader& loader, const fs::path& path, const std::string& group)
{
    LogCapture log;
    std::string text = readFile(path.string());
    Ogre::DataStreamPtr stream = std::make_shared<Ogre::MemoryDataStream>(
        path.filename().string(), &text[0], text.size(), false, true);
    loader.parseScript(stream, group);
    return errorLines(log);
}

// ---- One test per kind of file ----

TEST(DataLintTest, Curves)
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

TEST(DataLintTest, SprayFiles)
{
    const std::vector<fs::path> files = filesIn(dataPath("explosions"), ".spray");
    const auto templates = shippedParticleTemplates();
    std::set<std::string> types;
    for (const fs::path& path : files) {
        SCOPED_TRACE(path.filename().string());
        types.insert(path.stem().string());
        // Read as plain text: reading it enciphered would write its twin into the data tree.
        const Config spray(path.string());
        const std::string system = spray.get<std::string>("ParticleSpray", "systemName");
        EXPECT_EQ(templates.count(system), 1u) << "no particle template " << system;
        const std::string curve = spray.get<std::string>("ParticleSpray", "rateCurveName");
        EXPECT_TRUE(curveExists(curve)) << "no curve " << curve;
        EXPECT_GT(spray.get<float>("ParticleSpray", "duration"), 0.0f);
        EXPECT_GT(spray.get<float>("ParticleSpray", "timeResolution"), 0.0f);
        EXPECT_GE(spray.get<int>("Factory", "poolSize", 0), 0);
    }
    // The ship damage model and the test ground fire these by name.
    EXPECT_EQ(types.count("plating"), 1u);
    EXPECT_EQ(types.count("fireball"), 1u);

    // Every type loads through the game's own loader and makes its sprays, with the templates
    // read from the shipped scripts.
    RenderingRoot rendering(RenderingRoot::Kind::Headless);
    Ogre::Root::getSingleton().loadPlugin(std::string(TOLVARINE_OGRE_PLUGIN_DIR) + "/Plugin_ParticleFX");
    Ogre::ControllerManager controllers;
    for (const fs::path& script : filesIn(dataPath("particle_systems"), ".particle"))
        EXPECT_EQ(compileErrors(Ogre::ParticleSystemManager::getSingleton(), script,
                                Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME),
                  std::vector<std::string>());
    ManualTicks ticks;
    InputHandler input;
    Scheduler scheduler;
    PhysicsEngine physics;
    TemporaryFolder folder;
    const std::string copy = folder.file("explosions");
    fs::create_directory(copy);
    for (const fs::path& path : files)
        fs::copy_file(path, copy + "/" + path.filename().string());

    // The sprays go before the scene and the engines they live in, also when a check fails.
    struct Unload {
        ~Unload() { ParticleSpray::unloadTypes(); }
    } unload;
    EXPECT_NO_THROW(ParticleSpray::loadTypes(copy, &rendering.sceneManager(), &shippedCurves()));
    const std::vector<std::string> loaded = ParticleSpray::getPools().getTypeNames();
    EXPECT_EQ(loaded, std::vector<std::string>(types.begin(), types.end()));
    for (const std::string& type : loaded) {
        ParticleSpray* spray = ParticleSpray::getPools().create(type);
        EXPECT_FALSE(spray->getBaseRates().empty()) << type << " has no emitter";
    }
}

TEST(DataLintTest, ParticleTemplates)
{
    const auto materials = shippedMaterials();
    std::map<std::string, int> emitters;
    for (const fs::path& file : filesIn(dataPath("particle_systems"), ".particle")) {
        std::string current;
        for (const ScriptLine& line : readScript(file)) {
            if (line.depth == 0 && line.words[0] == "particle_system" && line.words.size() >= 2) {
                current = line.words[1];
                emitters[current];
            } else if (line.depth == 1 && line.words[0] == "material") {
                ASSERT_GE(line.words.size(), 2u) << line.where;
                EXPECT_EQ(materials.count(line.words[1]), 1u) << line.where << ": no material " << line.words[1];
            } else if (line.depth == 1 && line.words[0] == "emitter") {
                ++emitters[current];
            }
        }
    }
    ASSERT_FALSE(emitters.empty());
    for (const auto& [name, count] : emitters)
        EXPECT_GT(count, 0) << name << " has no emitter";

    // The engine's own reader takes every file without complaint and agrees on the emitters.
    RenderingRoot rendering(RenderingRoot::Kind::Headless);
    Ogre::Root::getSingleton().loadPlugin(std::string(TOLVARINE_OGRE_PLUGIN_DIR) + "/Plugin_ParticleFX");
    Ogre::ParticleSystemManager& manager = Ogre::ParticleSystemManager::getSingleton();
    for (const fs::path& file : filesIn(dataPath("particle_systems"), ".particle"))
        EXPECT_EQ(compileErrors(manager, file, Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME),
                  std::vector<std::string>())
            << file.filename();
    for (const auto& [name, count] : emitters) {
        const Ogre::ParticleSystem* parsed = manager.getTemplate(name);
        ASSERT_NE(parsed, nullptr) << name;
        EXPECT_EQ(parsed->getNumEmitters(), count) << name;
    }
}

TEST(DataLintTest, Materials)
{
    const auto materials = shippedMaterials();
    const std::set<std::string> textures = fileNamesBelow(dataPath("textures"));
    for (const fs::path& file : filesIn(dataPath("materials"), ".material")) {
        for (const ScriptLine& line : readScript(file)) {
            for (const std::string& texture : texturesNamedBy(line))
                EXPECT_EQ(textures.count(texture), 1u) << line.where << ": no texture " << texture;
        }
    }

    // Drawing needs the materials compiled with their textures loaded, which takes OpenGL.
    if (!RenderingRoot::displayAvailable()) {
        std::cout << "Materials were not compiled: no X display (run the tests through "
                     "tools/with-display.sh)\n";
        return;
    }
    RenderingRoot rendering(RenderingRoot::Kind::Windowed);
    // The image codec the game loads for its textures.
    Ogre::Root::getSingleton().loadPlugin(std::string(TOLVARINE_OGRE_PLUGIN_DIR) + "/Codec_STBI");
    const std::string group = "DataLint";
    Ogre::ResourceGroupManager& resources = Ogre::ResourceGroupManager::getSingleton();
    // Textures are found by file name alone, in every folder below data/textures.
    resources.addResourceLocation(dataPath("textures"), "FileSystem", group);
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dataPath("textures"))) {
        if (entry.is_directory())
            resources.addResourceLocation(entry.path().string(), "FileSystem", group);
    }
    resources.initialiseResourceGroup(group);
    Ogre::MaterialManager& manager = Ogre::MaterialManager::getSingleton();
    for (const fs::path& file : filesIn(dataPath("materials"), ".material"))
        EXPECT_EQ(compileErrors(manager, file, group), std::vector<std::string>()) << file.filename();
    for (const auto& [name, where] : materials) {
        SCOPED_TRACE(name);
        Ogre::MaterialPtr material = manager.getByName(name, where.empty() ? Ogre::RGN_AUTODETECT : group);
        ASSERT_TRUE(material);
        LogCapture log;
        material->load();
        Ogre::Technique* technique = material->getBestTechnique();
        ASSERT_NE(technique, nullptr);
        EXPECT_EQ(errorLines(log), std::vector<std::string>());
        for (unsigned short p = 0; p < technique->getNumPasses(); ++p) {
            for (unsigned short u = 0; u < technique->getPass(p)->getNumTextureUnitStates(); ++u) {
                Ogre::TextureUnitState* unit = technique->getPass(p)->getTextureUnitState(u);
                for (unsigned frame = 0; frame < unit->getNumFrames(); ++frame) {
                    const Ogre::TexturePtr& texture = unit->_getTexturePtr(frame);
                    ASSERT_TRUE(texture) << unit->getFrameTextureName(frame);
                    EXPECT_TRUE(texture->isLoaded()) << texture->getName();
                    EXPECT_GT(texture->getWidth(), 1u) << texture->getName();
                }
            }
        }
    }
}


// ---- Projectile and explosion types ----

// The groups of the shipped explosion types, read from their files.
std::map<std::string, std::vector<std::string>> shippedExplosionGroups()
{
    std::map<std::string, std::vector<std::string>> groups;
    for (const fs::path& path : filesIn(dataPath("explosions"), ".explosion")) {
        const Config type(path.string());
        groups[type.get<std::string>("Explosion", "group", "")].push_back(path.stem().string());
    }
    return groups;
}

// A sound definition of data/sound whose sound file is there too.
bool soundExists(const std::string& name)
{
    const std::string definition = dataPath("sound/" + name + ".sound");
    if (!fs::exists(definition))
        return false;
    const Config sound(definition);
    return fs::exists(dataPath("sound/" + sound.get<std::string>("Sound", "filename", "")));
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

// What the game's own loaders need to build objects of the shipped types, drawn on a hidden
// window: the folders of the start-up in the group "Core" with their materials and particle
// templates, the clocks and engines, the engine's scene manager, a silent sound manager reading a
// copy of the sound settings and definitions in a working folder of its own, and the sprays.
class ShippedWorld {
public:
    ShippedWorld()
        : previous(fs::current_path())
    {
        Ogre::Root::getSingleton().loadPlugin(std::string(TOLVARINE_OGRE_PLUGIN_DIR) + "/Codec_STBI");
        Ogre::Root::getSingleton().loadPlugin(std::string(TOLVARINE_OGRE_PLUGIN_DIR) + "/Plugin_ParticleFX");
        // Overlay scripts are read only when the overlay system exists before the group is read.
        overlays = std::make_unique<Ogre::OverlaySystem>();
        Ogre::ResourceGroupManager& resources = Ogre::ResourceGroupManager::getSingleton();
        resources.createResourceGroup("Core");
        resources.addResourceLocation(HudOverlay::FONT_FOLDER, "FileSystem", "Core");
        for (const char* folder : {"overlays", "materials", "particle_systems", "textures", "textures/explosions",
                                   "textures/skyboxes", "meshes"})
            resources.addResourceLocation(dataPath(folder), "FileSystem", "Core", true);
        resources.initialiseResourceGroup("Core");
        engine.sceneManager = &rendering.sceneManager();

        for (const char* folder : {"cfg", "data/sound", "data/entities", "data/explosions", "data/explosions/debris"})
            fs::create_directories(work.file(folder));
        fs::copy_file(std::string(TOLVARINE_SOURCE_DIR) + "/cfg/sound.cfg", work.file("cfg/sound.cfg"));
        copyAll(dataPath("sound"), "", "data/sound");
        copyAll(dataPath("entities"), ".fireable", "data/entities");
        copyAll(dataPath("explosions"), ".explosion", "data/explosions");
        copyAll(dataPath("explosions"), ".spray", "data/explosions");
        copyAll(dataPath("explosions/debris"), ".debris", "data/explosions/debris");
        fs::current_path(work.file(""));
        SoundManager::forgetSoundConfigs();
        sound = std::make_unique<SoundManager>(nullptr, SoundSystem::Output::SILENT);
        ParticleSpray::loadTypes("data/explosions", &rendering.sceneManager(), &shippedCurves());
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
        fs::current_path(previous);
    }
    ShippedWorld(const ShippedWorld&) = delete;
    ShippedWorld& operator=(const ShippedWorld&) = delete;

    // Copies the files of a folder with the extension (every file for an empty one).
    void copyAll(const std::string& from, const std::string& extension, const std::string& to) const
    {
        for (const fs::directory_entry& entry : fs::directory_iterator(from)) {
            if (extension.empty() || entry.path().extension() == extension)
                fs::copy_file(entry.path(), work.file(to + "/" + entry.path().filename().string()));
        }
    }

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

TEST(DataLintTest, FireableFiles)
{
    const std::vector<fs::path> files = filesIn(dataPath("entities"), ".fireable");
    ASSERT_FALSE(files.empty());
    const auto materials = shippedMaterials();
    const auto templates = shippedParticleTemplates();
    const auto groups = shippedExplosionGroups();
    const std::set<std::string> meshes = fileNamesBelow(dataPath("meshes"));
    for (const fs::path& path : files) {
        SCOPED_TRACE(path.filename().string());
        // Read as plain text: reading it enciphered would write its twin into the data tree.
        const Config type(path.string());
        for (const char* key : {"directDamage", "splashDamage", "shock", "impactImpulse", "timeToLive",
                                "explosionSpeedProportion", "explosionBounceSpeedProportion"})
            EXPECT_NO_THROW(type.get<float>("Fireable", key)) << key;
        const std::string group = type.get<std::string>("Fireable", "explosionGroup", "");
        EXPECT_EQ(groups.count(group), 1u) << "no explosion group " << group;
        if (type.get<bool>("Fireable", "beam", false)) {
            // A beam always deals beam damage, and is drawn as a strip of its own material.
            for (const char* key : {"range", "updatePeriod", "updateVariance", "beamSize"})
                EXPECT_NO_THROW(type.get<float>("Fireable", key)) << key;
            EXPECT_NO_THROW(type.get<bool>("Fireable", "guidedBeam"));
            EXPECT_NO_THROW(type.get<Ogre::ColourValue>("Fireable", "beamColour"));
            const std::string material = type.get<std::string>("Fireable", "materialName", "");
            EXPECT_EQ(materials.count(material), 1u) << "no material " << material;
        } else {
            const std::string damage = type.get<std::string>("Fireable", "damageType", "");
            EXPECT_TRUE(damage == "Beam" || damage == "Plasma" || damage == "Conventional") << damage;
        }
        if (type.get<bool>("Fireable", "billboardSet", false)) {
            const std::string material = type.get<std::string>("Fireable", "billboardMaterial", "");
            EXPECT_EQ(materials.count(material), 1u) << "no material " << material;
        }
        if (type.get<float>("Fireable", "glowSize", 0.0f) != 0.0f) {
            const std::string material = type.get<std::string>("Fireable", "glowMaterial", "");
            EXPECT_EQ(materials.count(material), 1u) << "no material " << material;
        }
        const std::string trail = type.get<std::string>("Fireable", "particleSystem", "");
        if (!trail.empty()) {
            EXPECT_EQ(templates.count(trail), 1u) << "no particle template " << trail;
        }
        for (const std::string& mesh : meshesNamedBy(type))
            EXPECT_EQ(meshes.count(mesh), 1u) << "no mesh " << mesh;
    }

    // Every type builds its objects through the game's own loader.
    if (!RenderingRoot::displayAvailable()) {
        std::cout << "Projectiles were not built: no X display (run the tests through tools/with-display.sh)\n";
        return;
    }
    ShippedWorld world;
    LogCapture log;
    ASSERT_NO_THROW(FireableProjectile::loadTypes("data/entities"));
    EXPECT_EQ(FireableProjectile::getTypeNames().size(), files.size());
    for (const std::string& name : FireableProjectile::getTypeNames()) {
        std::unique_ptr<FireableProjectile> projectile;
        EXPECT_NO_THROW(projectile.reset(FireableProjectile::createByKind(name))) << name;
        EXPECT_NE(projectile, nullptr) << name;
    }
    EXPECT_EQ(errorLines(log), std::vector<std::string>());
}

TEST(DataLintTest, ExplosionFiles)
{
    const std::vector<fs::path> files = filesIn(dataPath("explosions"), ".explosion");
    const auto materials = shippedMaterials();
    std::set<std::string> sprays;
    for (const fs::path& spray : filesIn(dataPath("explosions"), ".spray"))
        sprays.insert(spray.stem().string());
    std::set<std::string> debris;
    for (const fs::path& piece : filesIn(dataPath("explosions/debris"), ".debris"))
        debris.insert(piece.stem().string());
    for (const fs::path& path : files) {
        SCOPED_TRACE(path.filename().string());
        const Config type(path.string());
        EXPECT_FALSE(type.get<std::string>("Explosion", "group", "").empty());
        for (const char* section : {"Animation", "Glow"}) {
            const std::string material = type.get<std::string>(section, "materialName", "");
            EXPECT_EQ(materials.count(material), 1u) << section << ": no material " << material;
        }
        for (const char* key : {"sizeCurveName", "colourCurveName"}) {
            const std::string curve = type.get<std::string>("Glow", key, "");
            EXPECT_TRUE(curveExists(curve)) << "no curve " << curve;
        }
        const std::string sound = type.get<std::string>("Sound", "name", "");
        EXPECT_TRUE(soundExists(sound)) << "no sound " << sound;
        const std::string spray = type.get<std::string>("Explosion", "particleSpray", "");
        if (!spray.empty()) {
            EXPECT_EQ(sprays.count(spray), 1u) << "no spray " << spray;
        }
        for (const std::string& section : type.getSectionNames()) {
            if (section.find("Explosion_Debris") == std::string::npos)
                continue;
            const std::string piece = type.get<std::string>(section, "name", "");
            EXPECT_EQ(debris.count(piece), 1u) << section << ": no debris " << piece;
        }
        for (const char* key : {"explosionRadius", "explosionImpulse", "maxDamage", "triggerTime"})
            EXPECT_GE(type.get<float>("Physics", key, 0.0f), 0.0f) << key;
    }
    // The ship damage model's plating breaches explode into these by name.
    const auto groups = shippedExplosionGroups();
    EXPECT_EQ(groups.count("Plasma"), 1u);
    EXPECT_EQ(groups.count("Conventional"), 1u);

    // Every type builds its explosions through the game's own loader, and each goes off.
    if (!RenderingRoot::displayAvailable()) {
        std::cout << "Explosions were not built: no X display (run the tests through tools/with-display.sh)\n";
        return;
    }
    ShippedWorld world;
    LogCapture log;
    ASSERT_NO_THROW(world.explosions = std::make_unique<ExplosionManager>("data/explosions", &shippedCurves()));
    EXPECT_EQ(world.explosions->getTypeNames().size(), files.size());
    // Explosions that throw debris take it from the debris pools.
    ASSERT_NO_THROW(ExplosionDebris::loadTypes("data/explosions/debris"));
    for (const std::string& name : world.explosions->getTypeNames()) {
        ComplexExplosion* explosion = nullptr;
        EXPECT_NO_THROW(explosion = world.explosions->create(name)) << name;
        if (explosion) {
            EXPECT_NO_THROW(explosion->activate(Ogre::Vector3::ZERO, Ogre::Vector3::UNIT_Z, {})) << name;
        }
    }
    ComplexExplosion::releaseAll();
    ExplosionDebris::releaseAll();
    ParticleSpray::releaseAll();
    EXPECT_EQ(errorLines(log), std::vector<std::string>());
}

TEST(DataLintTest, DebrisFiles)
{
    const std::vector<fs::path> files = filesIn(dataPath("explosions/debris"), ".debris");
    ASSERT_FALSE(files.empty());
    const auto templates = shippedParticleTemplates();
    const auto groups = shippedExplosionGroups();
    const std::set<std::string> meshes = fileNamesBelow(dataPath("meshes"));
    for (const fs::path& path : files) {
        SCOPED_TRACE(path.filename().string());
        const Config type(path.string());
        // Debris pools start empty whatever the file says; a pool size here would mislead.
        EXPECT_FALSE(type.hasSection("Factory"));
        const std::string fire = type.get<std::string>("ExplosionDebris", "fireParticleSystem", "");
        EXPECT_EQ(templates.count(fire), 1u) << "no particle template " << fire;
        const float minTimeout = type.get<float>("ExplosionDebris", "minTimeout", -1.0f);
        const float maxTimeout = type.get<float>("ExplosionDebris", "maxTimeout", -1.0f);
        EXPECT_GE(minTimeout, 0.0f);
        EXPECT_LE(minTimeout, maxTimeout);
        const std::string group = type.get<std::string>("ExplosionDebris", "explosionGroup", "");
        const auto members = groups.find(group);
        ASSERT_NE(members, groups.end()) << "no explosion group " << group;
        // A piece's explosion throws no debris again, so the chain of burning pieces ends.
        for (const std::string& member : members->second) {
            const Config explosion(dataPath("explosions/" + member + ".explosion"));
            for (const std::string& section : explosion.getSectionNames())
                EXPECT_EQ(section.find("Explosion_Debris"), std::string::npos) << member << " throws debris";
        }
        const std::vector<std::string> named = meshesNamedBy(type);
        EXPECT_FALSE(named.empty());
        for (const std::string& mesh : named)
            EXPECT_EQ(meshes.count(mesh), 1u) << "no mesh " << mesh;
        EXPECT_TRUE(type.hasSection("Collision_Geometry"));
        EXPECT_TRUE(type.get<bool>("Physics", "explosionEffectable", false));
    }

    // Every type builds its pieces through the game's own loader, and each burns and explodes.
    if (!RenderingRoot::displayAvailable()) {
        std::cout << "Debris was not built: no X display (run the tests through tools/with-display.sh)\n";
        return;
    }
    ShippedWorld world;
    LogCapture log;
    ASSERT_NO_THROW(world.explosions = std::make_unique<ExplosionManager>("data/explosions", &shippedCurves()));
    ASSERT_NO_THROW(ExplosionDebris::loadTypes("data/explosions/debris"));
    EXPECT_EQ(ExplosionDebris::getTypeNames().size(), files.size());
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
    EXPECT_EQ(errorLines(log), std::vector<std::string>());
}

} // namespace
} // namespace Tolvarine

namespace Tolvarine {
namespace {

TEST(DataLintTest, WeaponFiles)
{
    const std::vector<fs::path> files = filesIn(dataPath("entities"), ".weapon");
    ASSERT_FALSE(files.empty());
    const auto materials = shippedMaterials();
    const ResponseCurves curves(dataPath("curves.cfg"));
    for (const fs::path& path : files) {
        SCOPED_TRACE(path.filename().string());
        // Read as plain text: reading it enciphered would write its twin into the data tree.
        const Config type(path.string());
        const std::string projectile = type.get<std::string>("Weapon", "projectile");
        const fs::path projectilePath = dataPath("entities/" + projectile + ".fireable");
        ASSERT_TRUE(fs::exists(projectilePath)) << projectile;
        const Config projectileType(projectilePath.string());
        for (const char* key : {"maxLoaded", "loadPeriod", "launchSpeed"})
            EXPECT_NO_THROW(type.get<float>("Weapon", key)) << key;
        EXPECT_GE(type.get<float>("Weapon", "maxLoaded"), 1.0f);
        EXPECT_GE(type.get<float>("Weapon", "fireDelay", 0.0f), 0.0f);
        // Only a beam may arrive at once.
        if (type.get<float>("Weapon", "launchSpeed") == 0.0f) {
            EXPECT_TRUE(projectileType.get<bool>("Fireable", "beam", false));
        }
        const std::string sound = type.get<std::string>("Weapon", "fireSound", "");
        if (!sound.empty()) {
            const fs::path definition = dataPath("sound/" + sound + ".sound");
            ASSERT_TRUE(fs::exists(definition)) << sound;
            EXPECT_TRUE(fs::exists(dataPath("sound/" + Config(definition.string()).get<std::string>("Sound", "filename"))));
        }
        if (type.hasSection("Glow")) {
            EXPECT_EQ(1u, materials.count(type.get<std::string>("Glow", "materialName")));
            EXPECT_NO_THROW(curves.lookup(type.get<std::string>("Glow", "sizeCurveName")));
            EXPECT_NO_THROW(curves.lookup(type.get<std::string>("Glow", "colourCurveName")));
        }
    }
}

} // namespace
} // namespace Tolvarine

namespace Tolvarine {
namespace {

// The overlays the overlay scripts of data/overlays define.
std::map<std::string, std::string> shippedOverlays()
{
    return definitionsIn(dataPath("overlays"), ".overlay", "overlay");
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

// The weapon-entry sections a weapon-system section names.
std::vector<std::string> weaponEntries(const Config& type, const std::string& system)
{
    std::vector<std::string> entries;
    for (const std::string& key : type.getKeys(system)) {
        if (key.find("weapon") != std::string::npos)
            entries.push_back(type.get<std::string>(system, key));
    }
    return entries;
}

TEST(DataLintTest, ShipFiles)
{
    const std::vector<fs::path> files = filesIn(dataPath("entities"), ".ship");
    ASSERT_FALSE(files.empty());
    EXPECT_TRUE(fs::exists(dataPath("entities/trifighter.ship")));
    const auto materials = shippedMaterials();
    const auto templates = shippedParticleTemplates();
    const auto overlays = shippedOverlays();
    const std::set<std::string> meshes = fileNamesBelow(dataPath("meshes"));
    std::map<std::string, std::size_t> componentCounts;
    for (const fs::path& path : files) {
        SCOPED_TRACE(path.filename().string());
        // Read as plain text: reading it enciphered would write its twin into the data tree.
        const Config type(path.string());
        // The test ground finds a type's file by its name.
        EXPECT_EQ(type.get<std::string>("Ship", "name", ""), path.stem().string());
        const std::string group = type.get<std::string>("Ship", "explosionGroup", "");
        EXPECT_TRUE(fs::is_regular_file(dataPath("explosions/" + group + ".explosion_sequence")))
            << "no explosion sequence " << group;
        const std::string overlay = type.get<std::string>("Display", "weaponOverlay", "DefaultHud");
        EXPECT_EQ(overlays.count(overlay), 1u) << "no overlay " << overlay;
        const std::vector<std::string> displayMeshes = meshesNamedBy(type);
        EXPECT_FALSE(displayMeshes.empty());
        for (const std::string& mesh : displayMeshes)
            EXPECT_EQ(meshes.count(mesh), 1u) << "no mesh " << mesh;

        const std::string engine = type.get<std::string>("Thrust", "engineParticleSystem", "");
        EXPECT_EQ(templates.count(engine), 1u) << "no particle template " << engine;
        const std::string glow = type.get<std::string>("Thrust", "glowMaterial", "");
        EXPECT_EQ(materials.count(glow), 1u) << "no material " << glow;
        for (const char* key : {"mainThrustSound", "auxiliaryThrustSound"}) {
            const std::string sound = type.get<std::string>("Thrust", key, "");
            EXPECT_TRUE(soundExists(sound)) << key << ": no sound " << sound;
        }

        const std::vector<std::string> componentSections = sectionsMarked(type, "Component_");
        EXPECT_FALSE(componentSections.empty());
        componentCounts[type.get<std::string>("Ship", "name", "")] = componentSections.size();
        std::set<std::string> components;
        for (const std::string& section : componentSections)
            components.insert(section.substr(10));
        for (const std::string& section : componentSections) {
            const std::string mesh = type.get<std::string>(section, "mesh", "");
            EXPECT_EQ(meshes.count(mesh), 1u) << section << ": no mesh " << mesh;
            EXPECT_GT(type.get<float>(section, "armor", 0.0f), 0.0f) << section;
            for (const std::string& key : type.getKeys(section)) {
                if (key.find("adjacent") == std::string::npos)
                    continue;
                const std::string neighbour = type.get<std::string>(section, key);
                // The loader drops an unknown neighbour without a word: a misspelt name would
                // leave the component without its splash damage.
                EXPECT_EQ(components.count(neighbour), 1u) << section << ": no component " << neighbour;
                EXPECT_NE(neighbour, section.substr(10)) << section;
            }
        }

        const std::vector<std::string> geometries = sectionsMarked(type, "Collision_Geometry");
        EXPECT_FALSE(geometries.empty());
        for (const std::string& section : geometries) {
            // An unknown component silently takes the hits of the first one.
            const std::string component = type.get<std::string>(section, "component", "");
            EXPECT_EQ(components.count(component), 1u) << section << ": no component " << component;
            if (type.get<std::string>(section, "type", "") == "trimesh") {
                const std::string mesh = type.get<std::string>(section, "mesh", "");
                EXPECT_EQ(meshes.count(mesh), 1u) << section << ": no mesh " << mesh;
            }
        }

        for (const char* system : {"WeaponSystem_Primary", "WeaponSystem_Secondary"}) {
            const std::vector<std::string> entries = weaponEntries(type, system);
            EXPECT_FALSE(entries.empty()) << system;
            for (const std::string& entry : entries) {
                const std::string weapon = type.get<std::string>(entry, "type", "");
                EXPECT_TRUE(fs::exists(dataPath("entities/" + weapon + ".weapon")))
                    << system << ": no weapon " << weapon;
            }
        }
    }

    // Every file loads through the game's own loader, from a copy (the loader writes twins).
    {
        TemporaryFolder work;
        fs::create_directories(work.file("entities"));
        for (const fs::path& path : files)
            fs::copy_file(path, work.file("entities/" + path.filename().string()));
        LogCapture log;
        ASSERT_NO_THROW(ShipType::loadAll(work.file("entities")));
        EXPECT_EQ(ShipType::getTypeNames().size(), files.size());
        for (const auto& [name, count] : componentCounts) {
            const ShipType& type = ShipType::getByName(name);
            EXPECT_EQ(type.getComponentCount(), count) << name;
            // Every component is reached by splash damage from some neighbour.
            for (unsigned i = 0; i < type.getComponentCount(); ++i) {
                EXPECT_FALSE(type.getComponentNeighbours(i).empty()) << name << " " << type.getComponentName(i);
            }
        }
        EXPECT_EQ(errorLines(log), std::vector<std::string>());
        ShipType::unloadAll();
    }

    // Under OpenGL every type builds its body, levels of detail, collision shapes, thrust
    // effects and both weapon systems, with its reticle found.
    if (!RenderingRoot::displayAvailable()) {
        std::cout << "Ships were not built: no X display (run the tests through tools/with-display.sh)\n";
        return;
    }
    ShippedWorld world;
    world.copyAll(dataPath("entities"), ".weapon", "data/entities");
    world.copyAll(dataPath("entities"), ".ship", "data/entities");
    fs::copy_file(dataPath("curves.cfg"), world.work.file("data/curves.cfg"));
    LogCapture log;
    ASSERT_NO_THROW(FireableProjectile::loadTypes("data/entities"));
    ASSERT_NO_THROW(world.explosions = std::make_unique<ExplosionManager>("data/explosions", &shippedCurves()));
    Weapon::setTypeFolder("data/entities");
    ASSERT_NO_THROW(ShipType::loadAll("data/entities"));
    for (const std::string& name : ShipType::getTypeNames()) {
        SCOPED_TRACE(name);
        const ShipType& type = ShipType::getByName(name);
        EXPECT_NE(type.getWeaponOverlay(), nullptr);
        std::unique_ptr<DynamicCollidable> body;
        try {
            body = std::make_unique<DynamicCollidable>("Lint" + name, type, Ogre::Vector3::ZERO,
                                                       Ogre::Quaternion::IDENTITY);
        } catch (...) {
            const auto& lines = log.lines();
            FAIL() << "no body: " << (lines.empty() ? std::string() : lines.back());
        }
        ASSERT_NE(body->getEntity(), nullptr);
        EXPECT_EQ(body->getEntity()->getMesh()->getNumLodLevels(), meshesNamedBy(type).size());
        {
            std::unique_ptr<Thrust> thrust;
            ASSERT_NO_THROW(thrust = std::make_unique<Thrust>(*body, type));
            // One glow on each nozzle: the glow set holds as many billboards as there are emitters.
            EXPECT_EQ(thrust->getGlow()->getNumBillboards(),
                      thrust->getEngineParticles()->getNumEmitters());
            ShipType& config = ShipType::getByName(name);
            for (const char* system : {"WeaponSystem_Primary", "WeaponSystem_Secondary"})
                EXPECT_NO_THROW(StandardWeaponSystem(&body->getPhysicsBody(), body->getSceneNode(), config, system))
                    << system;
        }
    }
    ShipType::unloadAll();
    Weapon::forgetTypes();
    EXPECT_EQ(errorLines(log), std::vector<std::string>());
}

TEST(DataLintTest, Overlays)
{
    const auto overlays = shippedOverlays();
    ASSERT_EQ(overlays.count("DefaultHud"), 1u);
    const auto materials = shippedMaterials();
    for (const fs::path& file : filesIn(dataPath("overlays"), ".overlay")) {
        for (const ScriptLine& line : readScript(file)) {
            if (line.words.size() == 2 && line.words[0] == "material") {
                EXPECT_EQ(materials.count(line.words[1]), 1u) << line.where << ": no material " << line.words[1];
            }
        }
    }

    // The rendering engine's own reader, under OpenGL: every overlay parses without an error,
    // and the default reticle has the two components the weapon display looks up.
    if (!RenderingRoot::displayAvailable()) {
        std::cout << "Overlays were not parsed: no X display (run the tests through tools/with-display.sh)\n";
        return;
    }
    ShippedWorld world;
    LogCapture log;
    Ogre::OverlayManager& manager = Ogre::OverlayManager::getSingleton();
    for (const auto& [name, where] : overlays)
        EXPECT_NE(manager.getByName(name), nullptr) << where << ": " << name << " was not read";
    for (const char* element : {"DefaultHud/ReticlePrimaryComponent", "DefaultHud/ReticleSecondaryComponent"}) {
        ASSERT_TRUE(manager.hasOverlayElement(element)) << element;
        Ogre::OverlayElement* component = manager.getOverlayElement(element);
        EXPECT_EQ(component->getTypeName(), "Panel") << element;
        EXPECT_EQ(materials.count(component->getMaterialName()), 1u) << element;
        EXPECT_GT(component->getWidth(), 0.0f) << element;
    }
    Ogre::Overlay* hud = manager.getByName("DefaultHud");
    ASSERT_NE(hud, nullptr);
    EXPECT_NO_THROW(hud->show());
    EXPECT_NO_THROW(world.rendering.window()->update());
    hud->hide();
    EXPECT_EQ(errorLines(log), std::vector<std::string>());
}

} // namespace
} // namespace Tolvarine
