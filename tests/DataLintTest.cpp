// Checks the data files the game ships. The game's own loaders build every shipped type (they
// refuse unknown names); the walks before that check what the loaders accept silently. Files are
// read where they are, as plain text; the loaders, which would write enciphered twins beside
// them, read a copy.

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

#include "HudOverlay.h"

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
    for (const fs::directory_entry& entry : fs::directory_iterator(dataPath(folder))) {
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
            if (depth == 0 && words >> first >> second && first == keyword) {
                EXPECT_TRUE(defined.insert(second).second) << path.filename() << ": " << second << " again";
            }
            depth += std::count(line.begin(), line.end(), '{') - std::count(line.begin(), line.end(), '}');
        }
    }
    return defined;
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

// Everything a data file may name that the loader test below looks up by name.
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
    const Names debris = stemsIn("explosions/debris", ".debris");
    const Names fireables = stemsIn("entities", ".fireable");
    std::map<std::string, std::vector<std::string>> groupMembers;
};

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
    // The ship damage model, the test ground and the heads-up display find these by name.
    EXPECT_EQ(data.sprays.count("plating") + data.sprays.count("fireball"), 2u);
    EXPECT_EQ(data.groupMembers.count("Plasma") + data.groupMembers.count("Conventional"), 2u);
    EXPECT_EQ(data.overlays.count("DefaultHud"), 1u);
    EXPECT_TRUE(fs::exists(dataPath("entities/trifighter.ship")));

    for (const fs::path& path : filesIn("explosions/debris", ".debris")) {
        SCOPED_TRACE(path.filename().string());
        const Config type(path.string());
        // Debris pools start empty whatever the file says; a pool size here would mislead.
        EXPECT_FALSE(type.hasSection("Factory"));
        EXPECT_TRUE(type.get<bool>("Physics", "explosionEffectable", false));
        // A piece's explosion throws no debris again, so the chain of burning pieces ends.
        for (const std::string& member : data.groupMembers.at(type.get<std::string>("ExplosionDebris", "explosionGroup")))
            EXPECT_TRUE(sectionsMarked(Config(dataPath("explosions/" + member + ".explosion")), "Explosion_Debris").empty())
                << member << " throws debris";
    }
    for (const fs::path& path : filesIn("entities", ".weapon")) {
        SCOPED_TRACE(path.filename().string());
        const Config type(path.string());
        // Only a beam may arrive at once.
        const std::string projectile = dataPath("entities/" + type.get<std::string>("Weapon", "projectile") + ".fireable");
        if (type.get<float>("Weapon", "launchSpeed") == 0.0f) {
            EXPECT_TRUE(Config(projectile).get<bool>("Fireable", "beam", false));
        }
    }
    const std::vector<fs::path> ships = filesIn("entities", ".ship");
    EXPECT_FALSE(ships.empty());
    for (const fs::path& path : ships) {
        SCOPED_TRACE(path.filename().string());
        const Config type(path.string());
        // The test ground finds a type's file by its name.
        EXPECT_EQ(type.get<std::string>("Ship", "name", ""), path.stem().string());
        const std::string sequence = type.get<std::string>("Ship", "explosionGroup", "");
        EXPECT_TRUE(fs::is_regular_file(dataPath("explosions/" + sequence + ".explosion_sequence"))) << sequence;
        Names components;
        for (const std::string& section : sectionsMarked(type, "Component_"))
            components.insert(section.substr(10));
        for (const std::string& component : components) {
            SCOPED_TRACE(component);
            EXPECT_GT(type.get<float>("Component_" + component, "armor", 0.0f), 0.0f);
            // The loader drops an unknown neighbour without a word: a misspelt name would leave
            // the component without its splash damage.
            for (const std::string& neighbour : valuesMarked(type, "Component_" + component, "adjacent")) {
                EXPECT_EQ(components.count(neighbour), 1u) << "no component " << neighbour;
                EXPECT_NE(neighbour, component);
            }
        }
        // An unknown component silently takes the hits of the first one.
        for (const std::string& section : sectionsMarked(type, "Collision_Geometry"))
            EXPECT_EQ(components.count(type.get<std::string>(section, "component", "")), 1u) << section;
        for (const char* system : {"WeaponSystem_Primary", "WeaponSystem_Secondary"})
            EXPECT_FALSE(valuesMarked(type, system, "weapon").empty()) << system;
    }
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
        resources.addResourceLocation(HudOverlay::FONT_FOLDER, "FileSystem", "Core");
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
    EXPECT_EQ(world.explosions->getTypeNames().size(), filesIn("explosions", ".explosion").size());
    // Explosions that throw debris take it from the debris pools.
    ASSERT_NO_THROW(ExplosionDebris::loadTypes("data/explosions/debris"));
    EXPECT_EQ(ExplosionDebris::getTypeNames().size(), data.debris.size());
    for (const std::string& name : world.explosions->getTypeNames()) {
        ComplexExplosion* explosion = nullptr;
        EXPECT_NO_THROW(explosion = world.explosions->create(name)) << name;
        if (explosion) {
            EXPECT_NO_THROW(explosion->activate(Ogre::Vector3::ZERO, Ogre::Vector3::UNIT_Z, {})) << name;
        }
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
    EXPECT_EQ(ShipType::getTypeNames().size(), filesIn("entities", ".ship").size());
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
    // The weapon display looks up the reticle panels by name.
    for (const char* element : {"DefaultHud/ReticlePrimaryComponent", "DefaultHud/ReticleSecondaryComponent"})
        EXPECT_EQ(overlays.hasOverlayElement(element) ? overlays.getOverlayElement(element)->getTypeName() : "", "Panel");
    Ogre::Overlay* hud = overlays.getByName("DefaultHud");
    ASSERT_NE(hud, nullptr);
    EXPECT_NO_THROW(hud->show());
    EXPECT_NO_THROW(world.rendering.window()->update());
    hud->hide();
    EXPECT_EQ(errorLines(log), std::vector<std::string>());
}

} // namespace
} // namespace Tolvarine
