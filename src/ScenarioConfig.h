#pragma once

#include <boost/python/wrapper.hpp>

#include <string>

namespace Tolvarine {

class ScenarioTweak;

// What a scenario script says about its scenario: its name, what happens when it is loaded and
// unloaded, the resources it needs, an entity path and the tweaks it offers. Scripts subclass
// it in Python ("Tolvarine.ScenarioConfig") and return an instance from their
// getScenarioConfig(); the program calls initialise, unload and getName, the other operations
// are for scripts.
class ScenarioConfig {
public:
    ScenarioConfig() = default;
    virtual ~ScenarioConfig();
    ScenarioConfig(const ScenarioConfig&) = delete;
    ScenarioConfig& operator=(const ScenarioConfig&) = delete;

    // The scenario's set-up, run at every load.
    virtual void initialise() = 0;
    // The scenario's own clean-up, run at every unload.
    virtual void unload() = 0;
    // The scenario's name: the key it is loaded by, and the name of its resource group.
    virtual std::string getName() = 0;
    virtual std::string getEntityPath() = 0;
    virtual unsigned getNumberTweaks() = 0;
    // Not owning: the configuration keeps its tweaks alive.
    virtual ScenarioTweak* getTweak(unsigned index) = 0;

    // Declares a resource of the given resource type, without parameters, in the scenario's
    // resource group; the group creates it when the scenario next loads. Declaring the same
    // resource again (initialise runs at every load) changes nothing.
    void declareResource(const std::string& name, const std::string& type);
    // Adds a folder (not its sub-folders) to the scenario's resource group. Adding the same
    // folder again changes nothing.
    void addResourcePath(const std::string& path);

    // Registers the subclassable class "ScenarioConfig" with the module being started.
    static void exportToPython();
};

// The native side of a script's subclass: each operation calls the Python method of the same
// name. A method the subclass lacks, a Python error in it, or a result of the wrong type is
// logged with the method's name and leaves as a ScriptError.
class ScenarioConfigWrap : public ScenarioConfig, public boost::python::wrapper<ScenarioConfig> {
public:
    void initialise() override;
    void unload() override;
    std::string getName() override;
    std::string getEntityPath() override;
    unsigned getNumberTweaks() override;
    // A result that is not a tweak, or a tweak that nothing but the call's result holds (it
    // would die at once), is refused; None gives null.
    ScenarioTweak* getTweak(unsigned index) override;

private:
    template <typename Result, typename... Arguments>
    Result callOverride(const char* method, Arguments... arguments);
};

} // namespace Tolvarine
