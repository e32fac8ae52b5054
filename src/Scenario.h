#pragma once

#include <OgrePrerequisites.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The script object is kept behind a pointer so that this widely used header stays light.
namespace boost::python::api {
class object;
}

namespace Tolvarine {

class Faction;
class FunctionTask;
class Planet;
class ScenarioConfig;
class Star;
class SurvivalWaves;

// One scenario: built from one scenario script, it owns the script's configuration and a
// resource group named after the scenario, and, while it is loaded, everything the scenario put
// into the world: its factions, lights, sky box and ambient light, the stars and planets of its
// area and the update task of a game mode. Only the scenario manager makes scenarios, and only
// its current scenario is ever loaded.
class Scenario {
public:
    // Kinds of pooled game objects, in the order in which the end of a game returns them to
    // their pools. Ships come first: projectiles and explosions may refer to them.
    enum class PooledKind {
        SHIPS,
        FIREABLE_PROJECTILES,
        COMPLEX_EXPLOSIONS,
        EXPLOSION_DEBRIS,
        PARTICLE_SPRAYS,
        SHIP_EXPLOSION_SEQUENCES,
        // Last: a pending arrival would otherwise bring a ship into a game that has ended.
        WARP_ARRIVALS,
    };
    using PoolRelease = std::function<void()>;
    // Ship type name to number of ships, as the ships' spawnFleet takes it.
    using FleetMap = std::map<std::string, unsigned>;

    // Runs the script, takes the configuration that its getScenarioConfig() returns and creates
    // the scenario's empty resource group. A script error, a result that is not a configuration
    // (None included), or a name that is empty or already names a resource group is logged and
    // thrown (ScriptError or ConfigurationError).
    explicit Scenario(const std::filesystem::path& script);
    // Releases the configuration, the lists and the mode task, and the resource group; does not
    // unload.
    ~Scenario();
    Scenario(const Scenario&) = delete;
    Scenario& operator=(const Scenario&) = delete;

    const std::string& getName() const { return name; }
    const std::filesystem::path& getScriptPath() const { return scriptPath; }
    ScenarioConfig& getConfig() const { return *config; }
    bool isLoaded() const { return loaded; }

    // Loads the resource group, sets the default ambient light and runs the configuration's
    // initialise; the statistics and the profiler start afresh. Nothing when already loaded.
    void load();
    // Writes the profile report, dumps the statistics, adjusts the difficulty, runs the
    // configuration's unload and clears everything the scenario put into the world. Nothing
    // when not loaded.
    void unload();
    // Ends the game of the running scenario: every pooled object goes back to its pool and, when
    // the mode asks for it, the interface goes to the menu. The scenario stays loaded; ending
    // twice does no harm.
    void end();
    // Whether the game of this load has ended.
    bool hasEnded() const { return ended; }
    // The player has lost the ship they flew (its death's sequence came to its Command event, or
    // the physics took it out of play): with ships of side "Player" still in play the player picks
    // another in command mode, without any the game of the current scenario ends. Without a
    // current scenario or a side "Player" it logs a line beginning with `who` and does nothing.
    static void flownShipLost(const std::string& who);

    // The skirmish: the area, its ambient sound and objective, the two sides and their fleets
    // (the player's at (0, 0, -1000), the enemy's at (0, 0, -4000) facing it), and the task
    // "SkirmishUpdate" that ends the game once either side has no ship left.
    void skirmishStart(const std::string& areaName, const FleetMap& playerFleet, const FleetMap& enemyFleet);
    bool skirmishUpdate(float elapsed);
    // The survival: the area, sound, objective, sides and the player's fleet, then enemy waves
    // warping in ahead of the player's ships, sent by the task "SurvivalUpdate", until the
    // player's side is gone.
    void survivalStart(const std::string& areaName, const FleetMap& playerFleet);
    bool survivalUpdate(float elapsed);
    // Sends one wave, or ends the game when the player has nothing left that counts.
    void spawnWave();
    const SurvivalWaves* getSurvivalWaves() const { return survivalWaves.get(); }

    // The first faction of that name, or empty.
    std::shared_ptr<Faction> getFaction(const std::string& factionName) const;
    // Keeps a faction until the scenario lets go of its factions; no test for duplicates.
    void addFaction(std::shared_ptr<Faction> faction);
    // The two standard sides, "Player" and "Enemy", each the other's enemy.
    void createFactions();

    // The scene that scenarios fill: the game's one generic scene manager. Logs and throws
    // ConfigurationError when there is none.
    static Ogre::SceneManager& getSceneManager();

    // "Scenario Light " and a program-wide running number from 0, never reset.
    static std::string getLightName();
    // The scenario's line in the profile report: its name and a line break.
    std::string getProfileLine() const { return name + "\n"; }

    // Shows the sky box of a material and derives the name of the environment texture that ships
    // reflect from the material's first texture. An unknown material, or one without a first
    // texture, is logged and refused with ConfigurationError, and the sky stays as it was.
    void setSkyBox(const std::string& material, float distance);
    // The checks of setSkyBox, with the same log lines, for callers that check a sky before it
    // is shown (the areas, at start-up): the name of the material's first texture.
    static std::string requireSkyMaterial(const std::string& material);
    void setAmbientLight(const Ogre::ColourValue& colour);
    void addDirectionalLight(const Ogre::Vector3& direction, const Ogre::ColourValue& diffuse,
                             const Ogre::ColourValue& specular);
    // The environment texture of the current sky (empty before the first sky box).
    const std::string& getEnvironmentMap() const { return environmentMap; }
    const std::string& getSkyBoxMaterial() const { return skyBoxMaterial; }
    const std::vector<Ogre::Light*>& getLights() const { return lights; }

    // The area's access: lights and stars are replaced as a whole, planets only added.
    void removeLights();
    void clearStars();
    void addPlanet(std::shared_ptr<Planet> planet);
    void addStar(std::shared_ptr<Star> star);
    std::size_t getPlanetCount() const { return planets.size(); }
    std::size_t getStarCount() const { return stars.size(); }

    // The clean-up of unload: sky, lights, stars, planets, pooled objects and factions.
    void clearSceneObjects();

    // The running game mode's update task. Setting one deletes (and so unschedules) the one
    // before; unload and the destructor delete it too.
    void setModeTask(std::unique_ptr<FunctionTask> task);
    FunctionTask* getModeTask() const { return modeTask.get(); }
    // Set by a game mode's start: the end of its game shows the weapon statistics.
    void setShowStatsAtEnd(bool show) { showStatsAtEnd = show; }
    bool getShowStatsAtEnd() const { return showStatsAtEnd; }

    // Each pool owner registers, once at start-up, the operation that returns every live
    // object of its kind to its pool (deactivation with the disable-time value 2). The end of a
    // game, the unload of a scenario and the reload of the ship types run them by kind in the
    // order of PooledKind, those of one kind in the order registered.
    static void addPoolRelease(PooledKind kind, PoolRelease release);
    static void releasePooledObjects();

    // Registers the class "Scenario" with the module being started.
    static void exportToPython();

private:
    void releaseWorld();
    void startMode(const std::string& areaName, const std::string& secondAmbient, const std::string& objective);
    bool factionHasShips(const std::string& factionName) const;
    void takeFocusFromControllable();

    std::unique_ptr<FunctionTask> modeTask;
    std::filesystem::path scriptPath;
    bool loaded = false;
    std::string name;
    std::string environmentMap;
    std::string skyBoxMaterial;
    bool showStatsAtEnd = false;
    bool ended = false;
    std::unique_ptr<SurvivalWaves> survivalWaves;
    std::vector<std::shared_ptr<Planet>> planets;
    std::vector<std::shared_ptr<Faction>> factions;
    std::vector<Ogre::Light*> lights;
    std::vector<std::shared_ptr<Star>> stars;
    // What getScenarioConfig() returned: it keeps the configuration alive.
    std::unique_ptr<boost::python::api::object> configObject;
    ScenarioConfig* config = nullptr;
};

// The name of the environment texture for a sky texture: the file name without folder and
// extension, cut at its last "_" when it has one (the face suffix of a six-image sky), then
// "_env.png". "space.png" gives "space_env.png", "deep_space_up.jpg" "deep_space_env.png".
std::string environmentMapName(const std::string& skyTextureName);

} // namespace Tolvarine
