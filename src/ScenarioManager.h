#pragma once

#include <memory>
#include <string>
#include <vector>

namespace Tolvarine {

class Scenario;

// Keeps one scenario per script of "data/scenarios", all made once at start-up, and switches
// between them by name: the menus, the tutorial and the test ground start a game by asking for
// a scenario by name. One instance, made by the engine's start-up right after the scripting
// module; never destroyed in the game.
//
// The script contract: every ".py" file of the folder runs in the interpreter's shared main
// namespace and must define getScenarioConfig(), which returns an instance of a subclass of
// Tolvarine.ScenarioConfig; its getName() is the scenario's name.
class ScenarioManager {
public:
    ScenarioManager();
    ~ScenarioManager();
    ScenarioManager(const ScenarioManager&) = delete;
    ScenarioManager& operator=(const ScenarioManager&) = delete;

    static ScenarioManager& getSingleton();
    static ScenarioManager* getSingletonPtr();

    // The preload, once at start-up: every ".py" file of the folder, in name order, becomes a
    // scenario; "skirmish.py" is kept apart from the others. Anything else (other extensions,
    // ".PY", dot files, sub-folders) is skipped without a word. A script that fails (a Python error, no
    // configuration, a name that is taken) is logged and its error leaves the preload.
    void parseScenarioScripts();

    // The scenario of that name (exact, case-sensitive), or null; "skirmish.py"'s first.
    Scenario* findScenario(const std::string& name) const;
    // Unloads the current scenario, makes the named one current and loads it; the current
    // scenario's own name restarts it. An unknown name is logged and thrown as
    // ConfigurationError, and the current scenario stays current and loaded.
    Scenario& loadScenario(const std::string& name);
    // Null before the first load and after unloadAll.
    Scenario* getCurrentScenario() const { return currentScenario; }
    std::string getScenarioPath() const;
    // For the exit sequence: unloads the current scenario (still current while it unloads, so its
    // profile report names it) and releases every scenario; none is current afterwards, even when
    // the unload fails.
    void unloadAll();

    // The preloaded scenarios other than the skirmish, in the order of the scan.
    const std::vector<std::shared_ptr<Scenario>>& getScenarios() const { return scenarios; }
    Scenario* getSkirmishScenario() const { return skirmishScenario.get(); }

    // Registers the class "ScenarioManager" with the module being started.
    static void exportToPython();

private:
    // New factions go to the current scenario, and are looked up there.
    void linkFactions() const;
    void releaseScenarios();
    // Clears the current scenario, then releases every preloaded one.
    void forgetScenarios();

    Scenario* currentScenario = nullptr;
    std::vector<std::shared_ptr<Scenario>> scenarios;
    std::unique_ptr<Scenario> skirmishScenario;

    static ScenarioManager* singleton;
};

} // namespace Tolvarine
