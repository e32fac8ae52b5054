#include "ScenarioManager.h"

#include "CommandSystem.h"
#include "ConfigurationError.h"
#include "Faction.h"
#include "FatalError.h"
#include "GameLog.h"
#include "Profiler.h"
#include "Scenario.h"

#include <boost/python/class.hpp>
#include <boost/python/reference_existing_object.hpp>
#include <boost/python/return_value_policy.hpp>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace bp = boost::python;

namespace Tolvarine {

ScenarioManager* ScenarioManager::singleton = nullptr;

namespace {

const std::string& scenarioPath()
{
    static const std::string path = "data/scenarios";
    return path;
}

const char* const skirmishLeaf = "skirmish.py";

// The folder's files and links, sorted by name so that the preload runs in the same order on
// every machine. The listing is taken whole before any script runs, since a script may write
// into the folder.
std::vector<std::filesystem::path> scenarioEntries()
{
    std::vector<std::filesystem::path> entries;
    std::error_code error;
    std::filesystem::directory_iterator folder(scenarioPath(), error);
    if (error) {
        GameLog::line("ScenarioManager: cannot read the folder " + scenarioPath() + " (" + error.message() + ")");
        return entries;
    }
    for (const auto& entry : folder) {
        // Dot files are editors' locks and back-ups, never scenarios.
        const std::string leaf = entry.path().filename().string();
        if (!leaf.empty() && leaf[0] != '.' && entry.is_regular_file(error))
            entries.push_back(entry.path());
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

} // namespace

ScenarioManager::ScenarioManager()
{
    singleton = this;
    if (Profiler* profiler = Profiler::getSingletonPtr()) {
        profiler->setScenarioLineSource([] {
            const ScenarioManager* manager = ScenarioManager::getSingletonPtr();
            const Scenario* current = manager ? manager->getCurrentScenario() : nullptr;
            return current ? current->getProfileLine() : std::string();
        });
    }
}

ScenarioManager::~ScenarioManager()
{
    if (singleton == this) {
        singleton = nullptr;
        Faction::setScenarioLink({});
    }
}

ScenarioManager& ScenarioManager::getSingleton()
{
    if (!singleton) {
        GameLog::line("The scenario manager does not exist");
        throw FatalError();
    }
    return *singleton;
}

ScenarioManager* ScenarioManager::getSingletonPtr()
{
    return singleton;
}

void ScenarioManager::parseScenarioScripts()
{
    GameLog::line("ScenarioManager parsing scenario scripts");
    for (const std::filesystem::path& entry : scenarioEntries()) {
        const std::string leaf = entry.filename().string();
        if (leaf == skirmishLeaf) {
            GameLog::line(leaf + "...");
            skirmishScenario = std::make_unique<Scenario>(entry);
            GameLog::line(skirmishScenario->getName() + " preloaded");
        } else if (entry.extension() == ".py") {
            GameLog::line(leaf + "...");
            scenarios.push_back(std::make_shared<Scenario>(entry));
            GameLog::line(scenarios.back()->getName() + " preloaded");
        }
    }
}

Scenario* ScenarioManager::findScenario(const std::string& name) const
{
    if (skirmishScenario && skirmishScenario->getName() == name)
        return skirmishScenario.get();
    for (const std::shared_ptr<Scenario>& scenario : scenarios) {
        if (scenario->getName() == name)
            return scenario.get();
    }
    return nullptr;
}

Scenario& ScenarioManager::loadScenario(const std::string& name)
{
    Scenario* scenario = findScenario(name);
    if (!scenario) {
        GameLog::line("ScenarioManager::loadScenario, unknown scenario " + name);
        throw ConfigurationError();
    }
    if (currentScenario)
        currentScenario->unload();
    currentScenario = scenario;
    linkFactions();
    scenario->load();
    // Command mode left open across the change lists the ships of this scenario, not of the last.
    if (CommandSystem* command = CommandSystem::getSingletonPtr())
        command->relistShips();
    return *scenario;
}

std::string ScenarioManager::getScenarioPath() const
{
    return scenarioPath();
}

void ScenarioManager::unloadAll()
{
    // The scenario stays current while it unloads, so the profile report it writes names it.
    // Afterwards nothing may reach a released scenario through the current pointer: frames go on
    // being drawn behind the exit screen. An unload that fails still releases everything.
    try {
        if (currentScenario)
            currentScenario->unload();
    } catch (...) {
        forgetScenarios();
        throw;
    }
    forgetScenarios();
}

void ScenarioManager::forgetScenarios()
{
    currentScenario = nullptr;
    linkFactions();
    releaseScenarios();
}

void ScenarioManager::linkFactions() const
{
    Scenario* const scenario = currentScenario;
    if (!scenario) {
        Faction::setScenarioLink({});
        return;
    }
    Faction::ScenarioLink link;
    link.addFaction = [scenario](std::shared_ptr<Faction> faction) { scenario->addFaction(std::move(faction)); };
    link.getFaction = [scenario](const std::string& name) { return scenario->getFaction(name); };
    Faction::setScenarioLink(std::move(link));
}

void ScenarioManager::releaseScenarios()
{
    scenarios.clear();
    skirmishScenario.reset();
}

void ScenarioManager::exportToPython()
{
    bp::class_<ScenarioManager, boost::noncopyable>("ScenarioManager", bp::no_init)
        .def("getSingleton", &ScenarioManager::getSingleton, bp::return_value_policy<bp::reference_existing_object>())
        .staticmethod("getSingleton")
        .def("getCurrentScenario", &ScenarioManager::getCurrentScenario,
             bp::return_value_policy<bp::reference_existing_object>())
        .def("getScenarioPath", &ScenarioManager::getScenarioPath)
        .def("loadScenario", &ScenarioManager::loadScenario, bp::return_value_policy<bp::reference_existing_object>());
}

} // namespace Tolvarine
