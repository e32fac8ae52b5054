#include "Scenario.h"

#include "AmbientSoundManager.h"
#include "AreaManager.h"
#include "CodeNames.h"
#include "CommandSystem.h"
#include "ConfigurationError.h"
#include "GameLog.h"
#include "Interface.h"
#include "MenuSystem.h"
#include "PhysicsBody.h"
#include "Ship.h"
#include "ShipType.h"
#include "SurvivalWaves.h"
#include "WarpArrival.h"
#include "DebrisSystem.h"
#include "Controllable.h"
#include "Difficulty.h"
#include "Faction.h"
#include "FunctionTask.h"
#include "Profiler.h"
#include "ScenarioConfig.h"
#include "ScenarioManager.h"
#include "ScriptArguments.h"
#include "ScriptSystem.h"
#include "Statistics.h"

#include <boost/python/class.hpp>
#include <boost/python/dict.hpp>
#include <boost/python/extract.hpp>
#include <boost/python/object.hpp>

#include <OgreColourValue.h>
#include <OgreLight.h>
#include <OgreMath.h>
#include <OgreMaterialManager.h>
#include <OgrePass.h>
#include <OgreResourceGroupManager.h>
#include <OgreRoot.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <OgreTechnique.h>
#include <OgreTextureUnitState.h>
#include <OgreVector.h>

#include <map>
#include <utility>

namespace bp = boost::python;

namespace Tolvarine {

namespace {

// The scene that scenarios fill: the game's one generic scene manager.
Ogre::SceneManager& sceneManager()
{
    const auto& managers = Ogre::Root::getSingleton().getSceneManagers();
    if (managers.empty()) {
        GameLog::line("Scenario: there is no scene manager");
        throw ConfigurationError();
    }
    return *managers.begin()->second;
}

// Registered once at start-up and kept for the whole run; ordered by kind, and within a kind by
// registration.
std::multimap<Scenario::PooledKind, Scenario::PoolRelease>& poolReleases()
{
    static std::multimap<Scenario::PooledKind, Scenario::PoolRelease> releases;
    return releases;
}

unsigned nextLightNumber = 0;

const char* const lightNodeSuffix = "/SceneNode";

// The first texture of a sky material: the texture unit that the sky box draws first.
const Ogre::TextureUnitState* firstTextureUnit(const Ogre::Material& material)
{
    const Ogre::Technique* technique = material.getNumTechniques() ? material.getTechnique(0) : nullptr;
    const Ogre::Pass* pass = technique && technique->getNumPasses() ? technique->getPass(0) : nullptr;
    return pass && pass->getNumTextureUnitStates() ? pass->getTextureUnitState(0) : nullptr;
}

// Takes the configuration out of what getScenarioConfig() returned; the object must be an
// instance of a subclass of ScenarioConfig whose construction ran ScenarioConfig.__init__.
ScenarioConfig* takeConfig(const bp::object& result, const std::string& script)
{
    if (result.is_none()) {
        GameLog::line(script + ": getScenarioConfig() returned None");
        throw ConfigurationError();
    }
    bp::extract<ScenarioConfig*> config(result);
    if (!config.check() || !config()) {
        GameLog::line(script + ": getScenarioConfig() did not return a ScenarioConfig "
                         "(its __init__ must call ScenarioConfig.__init__)");
        throw ConfigurationError();
    }
    return config();
}

// The fleets a script hands the modes are checked whole, and the room for them in play, before the
// mode starts to load its area and sides. The play menu's fleets are the game's own.
void skirmishStartFromScript(Scenario& scenario, const std::string& areaName, const bp::dict& playerFleet,
                             const bp::dict& enemyFleet)
{
    const char* const call = "Scenario.skirmishStart";
    const Scenario::FleetMap player = ScriptArguments::fleet(call, playerFleet);
    const Scenario::FleetMap enemy = ScriptArguments::fleet(call, enemyFleet);
    ScriptArguments::roomForShips(call, ScriptArguments::fleetSize(player) + ScriptArguments::fleetSize(enemy));
    scenario.skirmishStart(areaName, player, enemy);
}

void survivalStartFromScript(Scenario& scenario, const std::string& areaName, const bp::dict& playerFleet)
{
    const char* const call = "Scenario.survivalStart";
    const Scenario::FleetMap player = ScriptArguments::fleet(call, playerFleet);
    ScriptArguments::roomForShips(call, ScriptArguments::fleetSize(player));
    scenario.survivalStart(areaName, player);
}

// Any finite distance: the box is drawn round the camera, never placed in the world.
void setSkyBoxFromScript(Scenario& scenario, const std::string& material, float distance)
{
    scenario.setSkyBox(material, ScriptArguments::finite("Scenario.setSkyBox", "the distance", distance));
}

void addDirectionalLightFromScript(Scenario& scenario, const Ogre::Vector3& direction, const Ogre::ColourValue& diffuse,
                                   const Ogre::ColourValue& specular)
{
    scenario.addDirectionalLight(ScriptArguments::direction("Scenario.addDirectionalLight", direction), diffuse,
                                 specular);
}

const Ogre::Vector3 PLAYER_FLEET_POSITION(0.0f, 0.0f, -1000.0f);
// The enemy fleet starts 3000 units further on, turned half round to face the player's.
const Ogre::Vector3 ENEMY_FLEET_OFFSET(0.0f, 0.0f, -3000.0f);
// Survival waves arrive this far ahead of the player's last ship, spread this far on each axis.
constexpr float WAVE_LEAD = 1500.0f;
constexpr float WAVE_SPREAD = 1000.0f;

} // namespace

std::string environmentMapName(const std::string& skyTextureName)
{
    std::string stem = skyTextureName.substr(skyTextureName.find_last_of("/\\") + 1);
    const std::size_t dot = stem.find_last_of('.');
    if (dot != std::string::npos)
        stem.erase(dot);
    const std::size_t underscore = stem.find_last_of('_');
    if (underscore != std::string::npos)
        stem.erase(underscore);
    return stem + "_env.png";
}

Scenario::Scenario(const std::filesystem::path& script) : scriptPath(script)
{
    ScriptSystem& scripts = ScriptSystem::getSingleton();
    // A script that cannot be read, or that does not define the function, must not pass off an
    // earlier script's configuration as its own.
    scripts.runString("globals().pop('getScenarioConfig', None)\n");
    scripts.runScript(scriptPath.string());
    configObject = std::make_unique<bp::object>(scripts.evaluate("getScenarioConfig()"));
    config = takeConfig(*configObject, scriptPath.string());
    name = config->getName();

    // The name is the scenario's key and its resource group's name, so it must be free.
    auto& groups = Ogre::ResourceGroupManager::getSingleton();
    if (name.empty() || groups.resourceGroupExists(name)) {
        GameLog::line(scriptPath.string() + ": the scenario name \"" + name
                      + "\" is empty or names a resource group already");
        throw ConfigurationError();
    }
    groups.createResourceGroup(name);
}

Scenario::~Scenario()
{
    modeTask.reset();
    if (!name.empty()) {
        auto* groups = Ogre::ResourceGroupManager::getSingletonPtr();
        if (groups && groups->resourceGroupExists(name))
            groups->destroyResourceGroup(name);
    }
}

void Scenario::load()
{
    if (loaded)
        return;
    GameLog::line("Scenario " + name + " loading...");
    try {
        auto& groups = Ogre::ResourceGroupManager::getSingleton();
        groups.initialiseResourceGroup(name);
        groups.loadResourceGroup(name, true, true);
        sceneManager().setAmbientLight(Ogre::ColourValue(0.5f, 0.5f, 0.5f, 0.0f));

        GameLog::line("Scenario " + name + " running initialisation script...");
        config->initialise();
    } catch (...) {
        // A set-up that fails halfway leaves nothing behind: the scenario is not loaded, so no
        // unload would ever clear what it already put into the world.
        releaseWorld();
        throw;
    }
    GameLog::line("done");

    ended = false;
    GameLog::line("Clearing statistics.");
    Statistics::getSingleton().clear();
    Profiler::getSingleton().reset();

    loaded = true;
    GameLog::line("Scenario " + name + " loaded.");
}

void Scenario::releaseWorld()
{
    loaded = false;
    if (DebrisSystem* dust = DebrisSystem::getSingleton())
        dust->clear();
    clearSceneObjects();
    modeTask.reset();
    survivalWaves.reset();
    showStatsAtEnd = false;
    // The objective is this scenario's: the next game mode sets its own.
    if (CommandSystem* command = CommandSystem::getSingletonPtr())
        command->clearObjective();
    // Cleared rather than only unloaded: the group is then initialised afresh at the next load,
    // so that the resources and folders that the configuration declares in its initialise are
    // taken up then. The declarations and folders themselves stay with the group.
    Ogre::ResourceGroupManager::getSingleton().clearResourceGroup(name);
}

void Scenario::unload()
{
    if (!loaded)
        return;
    Profiler::getSingleton().writeReport();
    Statistics::getSingleton().dump();
    // Every side's shots, hit or not: the dump lists only the sides that hit.
    for (const std::shared_ptr<Faction>& faction : factions)
        GameLog::line(faction->getName() + " shots:\t"
                      + std::to_string(Statistics::getSingleton().getFactionShots(faction->getName())));
    GameLog::line("Adjusting difficulty levels.");
    Difficulty::getSingleton().recalculate();

    GameLog::line("Scenario " + name + " running unload...");
    try {
        config->unload();
    } catch (...) {
        // The scenario's own clean-up failed; the world is still cleared for the next one.
        releaseWorld();
        throw;
    }
    GameLog::line("done");
    releaseWorld();
}

void Scenario::end()
{
    releasePooledObjects();
    if (ended)
        return;
    ended = true;
    GameLog::line("Scenario " + name + " ended.");
    if (Interface* gameInterface = Interface::getSingletonPtr())
        gameInterface->setMode(Interface::MENU, true);
    if (showStatsAtEnd) {
        if (MenuSystem* menus = MenuSystem::getSingletonPtr())
            menus->showStats();
    }
}

void Scenario::flownShipLost(const std::string& who)
{
    ScenarioManager* scenarios = ScenarioManager::getSingletonPtr();
    Scenario* scenario = scenarios ? scenarios->getCurrentScenario() : nullptr;
    if (!scenario) {
        GameLog::line(who + ": there is no current scenario");
        return;
    }
    const std::shared_ptr<Faction> player = scenario->getFaction("Player");
    if (!player) {
        GameLog::line(who + ": scenario " + scenario->getName() + " has no faction Player");
        return;
    }
    if (player->getShips().empty()) {
        scenario->end();
        return;
    }
    if (Interface* interface = Interface::getSingletonPtr())
        interface->setMode(Interface::COMMAND, false);
}

void Scenario::startMode(const std::string& areaName, const std::string& secondAmbient, const std::string& objective)
{
    GameLog::line("Initialising area");
    if (AreaManager* areas = AreaManager::getSingletonPtr())
        areas->loadArea(areaName);
    if (AmbientSoundManager* ambient = AmbientSoundManager::getSingleton()) {
        ambient->setBackground(CodeNames::MODE_BACKGROUND.name, secondAmbient);
        ambient->setAmbientMode(AmbientSoundManager::COMMAND, 2.0f);
    }
    if (CommandSystem* command = CommandSystem::getSingletonPtr())
        command->setObjective(objective);
    createFactions();
}

bool Scenario::factionHasShips(const std::string& factionName) const
{
    const std::shared_ptr<Faction> faction = getFaction(factionName);
    return faction && !faction->getShips().empty();
}

void Scenario::skirmishStart(const std::string& areaName, const FleetMap& playerFleet, const FleetMap& enemyFleet)
{
    startMode(areaName, CodeNames::SKIRMISH_BACKGROUND.name, "Destroy the opposing forces");
    Ship::spawnFleet(playerFleet, *getFaction("Player"), PLAYER_FLEET_POSITION, Ogre::Quaternion::IDENTITY);
    const Ogre::Quaternion facing(Ogre::Radian(Ogre::Math::PI), Ogre::Vector3::UNIT_Y);
    Ship::spawnFleet(enemyFleet, *getFaction("Enemy"), PLAYER_FLEET_POSITION + ENEMY_FLEET_OFFSET, facing);

    auto task = std::make_unique<FunctionTask>([this](float elapsed) { return skirmishUpdate(elapsed); },
                                               "SkirmishUpdate", 5.0f, 1.0f, 0, 0.0f);
    task->subscribe(true);
    setModeTask(std::move(task));
    showStatsAtEnd = true;
}

bool Scenario::skirmishUpdate(float)
{
    // The enemy first: when both sides lose their last ship together, the game ends once.
    if (!factionHasShips("Enemy") || !factionHasShips("Player"))
        end();
    return true;
}

void Scenario::survivalStart(const std::string& areaName, const FleetMap& playerFleet)
{
    startMode(areaName, CodeNames::SURVIVAL_BACKGROUND.name, "Keep your forces alive as long as possible");
    Ship::spawnFleet(playerFleet, *getFaction("Player"), PLAYER_FLEET_POSITION, Ogre::Quaternion::IDENTITY);
    survivalWaves = std::make_unique<SurvivalWaves>();

    auto task = std::make_unique<FunctionTask>([this](float elapsed) { return survivalUpdate(elapsed); },
                                               "SurvivalUpdate", 1.0f, 0.5f, 0, 0.0f);
    task->subscribe(true);
    setModeTask(std::move(task));
    showStatsAtEnd = true;
}

bool Scenario::survivalUpdate(float elapsed)
{
    if (survivalWaves)
        survivalWaves->update(elapsed, [this] { return factionHasShips("Enemy"); }, [this] { spawnWave(); });
    return true;
}

void Scenario::spawnWave()
{
    if (!survivalWaves)
        return;
    const std::vector<SurvivalWaves::Row>& table = SurvivalWaves::defaultTable();
    survivalWaves->restartTimers();
    const std::shared_ptr<Faction> player = getFaction("Player");
    const std::vector<Ship*> ships = player ? player->getShips() : std::vector<Ship*>();
    std::vector<std::string> types;
    for (const Ship* ship : ships)
        types.push_back(ship->getType().getName());
    const unsigned strength = SurvivalWaves::strength(table, types);
    // No ship left, or only ships the table does not count: the player has lost.
    if (strength == 0) {
        end();
        return;
    }
    const PhysicsBody& leader = static_cast<const DynamicCollidable&>(*ships.back()).getPhysicsBody();
    const Ogre::Vector3 centre = leader.getPosition() + leader.getOrientation() * Ogre::Vector3(0, 0, -WAVE_LEAD);
    const unsigned budget = survivalWaves->takeBudget(strength);
    const std::shared_ptr<Faction> enemy = getFaction("Enemy");
    const auto draw = [](unsigned count) {
        return static_cast<unsigned>(Ogre::Math::RangeRandom(0.0f, static_cast<float>(count) - 0.000001f));
    };
    for (const std::string& type : SurvivalWaves::compose(table, budget, draw)) {
        const Ogre::Vector3 offset(Ogre::Math::RangeRandom(-WAVE_SPREAD, WAVE_SPREAD),
                                   Ogre::Math::RangeRandom(-WAVE_SPREAD, WAVE_SPREAD),
                                   Ogre::Math::RangeRandom(-WAVE_SPREAD, WAVE_SPREAD));
        WarpArrival::create(type, enemy, centre + offset, Ogre::Quaternion::IDENTITY);
    }
}

std::shared_ptr<Faction> Scenario::getFaction(const std::string& factionName) const
{
    for (const std::shared_ptr<Faction>& faction : factions) {
        if (faction->getName() == factionName)
            return faction;
    }
    return {};
}

void Scenario::addFaction(std::shared_ptr<Faction> faction)
{
    factions.push_back(std::move(faction));
}

void Scenario::createFactions()
{
    GameLog::line("Creating factions");
    Faction* player = Faction::create("Player");
    Faction* enemy = Faction::create("Enemy");
    player->addEnemy(*enemy);
    enemy->addEnemy(*player);
    GameLog::line("Debris systems");
    if (DebrisSystem* dust = DebrisSystem::getSingleton()) {
        // Fine dust close by and coarse dust further out, each named after its template.
        const struct {
            const char* name;
            float leadDistance;
            float maxVisibleDistance;
        } layers[] = {{CodeNames::FINE_DUST.name, 150.0f, 200.0f}, {CodeNames::COARSE_DUST.name, 450.0f, 600.0f}};
        for (const auto& layer : layers) {
            dust->addSystem(layer.name, layer.name);
            dust->setSystemEmissionRate(layer.name, 1.0f);
            dust->setSystemLeadDistance(layer.name, layer.leadDistance);
            dust->setSystemMaxVisibleDistance(layer.name, layer.maxVisibleDistance);
        }
    }
}

Ogre::SceneManager& Scenario::getSceneManager()
{
    return sceneManager();
}

std::string Scenario::getLightName()
{
    return "Scenario Light " + std::to_string(nextLightNumber++);
}

std::string Scenario::requireSkyMaterial(const std::string& material)
{
    const Ogre::MaterialPtr sky = Ogre::MaterialManager::getSingleton().getByName(material);
    if (!sky) {
        GameLog::line("Scenario::setSkyBox, unknown material " + material);
        throw ConfigurationError();
    }
    const Ogre::TextureUnitState* texture = firstTextureUnit(*sky);
    if (!texture || texture->getTextureName().empty()) {
        GameLog::line("Scenario::setSkyBox, material " + material + " has no first texture");
        throw ConfigurationError();
    }
    return texture->getTextureName();
}

void Scenario::setSkyBox(const std::string& material, float distance)
{
    const std::string firstTexture = requireSkyMaterial(material);
    const Ogre::MaterialPtr sky = Ogre::MaterialManager::getSingleton().getByName(material);

    Ogre::SceneManager& scene = sceneManager();
    // The rendering engine looks the material up in the group it is given, so the group is the
    // one the material was found in (the game's materials live in "Core").
    scene.setSkyBox(true, material, distance, true, Ogre::Quaternion::IDENTITY, sky->getGroup());
    skyBoxMaterial = material;
    environmentMap = environmentMapName(firstTexture);

    // The whole box is one object on the sky's own node; no scene query (targeting, picking)
    // may ever hit it.
    if (Ogre::SceneNode* skyNode = scene.getSkyBoxNode()) {
        for (Ogre::MovableObject* part : skyNode->getAttachedObjects())
            part->setQueryFlags(0);
    }
}

void Scenario::setAmbientLight(const Ogre::ColourValue& colour)
{
    sceneManager().setAmbientLight(colour);
}

void Scenario::addDirectionalLight(const Ogre::Vector3& direction, const Ogre::ColourValue& diffuse,
                                   const Ogre::ColourValue& specular)
{
    Ogre::SceneManager& scene = sceneManager();
    const std::string lightName = getLightName();
    Ogre::Light* light = scene.createLight(lightName);
    light->setType(Ogre::Light::LT_DIRECTIONAL);
    light->setDiffuseColour(diffuse);
    light->setSpecularColour(specular);
    // The light shines along its node's forward axis, turned to the direction.
    Ogre::SceneNode* node = scene.getRootSceneNode()->createChildSceneNode(lightName + lightNodeSuffix);
    node->setDirection(direction, Ogre::Node::TS_WORLD);
    node->attachObject(light);
    lights.push_back(light);
}

void Scenario::removeLights()
{
    Ogre::SceneManager& scene = sceneManager();
    for (Ogre::Light* light : lights) {
        Ogre::SceneNode* node = light->getParentSceneNode();
        scene.destroyLight(light);
        if (node)
            scene.destroySceneNode(node);
    }
    lights.clear();
}

void Scenario::clearStars()
{
    stars.clear();
}

void Scenario::addPlanet(std::shared_ptr<Planet> planet)
{
    planets.push_back(std::move(planet));
}

void Scenario::addStar(std::shared_ptr<Star> star)
{
    stars.push_back(std::move(star));
}

void Scenario::clearSceneObjects()
{
    takeFocusFromControllable();
    sceneManager().setSkyBox(false, "", 5000, true, Ogre::Quaternion::IDENTITY, Ogre::RGN_DEFAULT);
    removeLights();
    stars.clear();
    planets.clear();
    releasePooledObjects();
    // After the ships, which refer to their factions.
    factions.clear();
    // A released ship may have been given the focus again in between.
    takeFocusFromControllable();
    if (Targetable* selected = Targetable::getSelected())
        selected->setSelected(false);
}

void Scenario::takeFocusFromControllable()
{
    if (Controllable* focused = Controllable::getFocused())
        focused->setFocus(false);
}

void Scenario::setModeTask(std::unique_ptr<FunctionTask> task)
{
    modeTask = std::move(task);
}

void Scenario::addPoolRelease(PooledKind kind, PoolRelease release)
{
    poolReleases().emplace(kind, std::move(release));
}

void Scenario::releasePooledObjects()
{
    // Command mode lets go of the ships before their pools take them back.
    if (CommandSystem* command = CommandSystem::getSingletonPtr())
        command->forgetShips();
    // A copy: a release may register, though none should.
    const auto releases = poolReleases();
    for (const auto& release : releases)
        release.second();
}

void Scenario::exportToPython()
{
    bp::class_<Scenario, boost::noncopyable>("Scenario", bp::no_init)
        .def("setSkyBox", &setSkyBoxFromScript)
        .def("setAmbientLight", &Scenario::setAmbientLight)
        .def("addDirectionalLight", &addDirectionalLightFromScript)
        .def("skirmishStart", &skirmishStartFromScript)
        .def("survivalStart", &survivalStartFromScript)
        .def("createFactions", &Scenario::createFactions)
        .def("getFaction", &Scenario::getFaction)
        .def("end", &Scenario::end)
        .def("hasEnded", &Scenario::hasEnded);
}

} // namespace Tolvarine
