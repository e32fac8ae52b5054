#include "AreaManager.h"

#include "AreaDirection.h"
#include "Config.h"
#include "ConfigurationError.h"
#include "FatalError.h"
#include "GameLog.h"
#include "MaterialCheck.h"
#include "Planet.h"
#include "Scenario.h"
#include "ScenarioManager.h"
#include "Star.h"
#include "TypeFiles.h"

#include <boost/python/class.hpp>
#include <boost/python/reference_existing_object.hpp>
#include <boost/python/return_value_policy.hpp>

#include <OgreColourValue.h>
#include <OgreMaterial.h>
#include <OgreVector.h>

#include <filesystem>

namespace bp = boost::python;

namespace Tolvarine {

namespace {

const char* const AREA_SECTION = "Area";
const float SKY_BOX_DISTANCE = 10000.0f;

} // namespace

AreaManager* AreaManager::singleton = nullptr;

AreaManager::AreaManager(const std::string& folder) : areaPath(folder)
{
    singleton = this;
    try {
        std::vector<std::filesystem::path> files;
        if (!TypeFiles::list(areaPath, ".area", files))
            GameLog::line("AreaManager: cannot read the folder " + areaPath);
        for (const std::filesystem::path& file : files) {
            auto area = std::make_shared<const Config>(file.generic_string(), false, true, false);
            const std::string name = area->get<std::string>(AREA_SECTION, "name");
            const auto [kept, added] = areas.emplace(name, area);
            if (!added)
                GameLog::line("AreaManager: " + area->getPath() + " repeats the area name " + name + " of "
                              + kept->second->getPath() + "; the first file keeps it");
        }
    } catch (...) {
        singleton = nullptr;
        throw;
    }
}

AreaManager::~AreaManager()
{
    if (singleton == this)
        singleton = nullptr;
}

AreaManager& AreaManager::getSingleton()
{
    if (!singleton) {
        GameLog::line("AreaManager used before it was created");
        throw FatalError();
    }
    return *singleton;
}

AreaManager* AreaManager::getSingletonPtr()
{
    return singleton;
}

std::vector<std::string> AreaManager::getAreaNames() const
{
    std::vector<std::string> names;
    names.reserve(areas.size());
    for (const auto& area : areas)
        names.push_back(area.first);
    return names;
}

void AreaManager::loadArea(const std::string& name)
{
    const auto found = areas.find(name);
    if (found == areas.end()) {
        GameLog::line("AreaManager: unknown area " + name);
        return;
    }
    ScenarioManager* scenarios = ScenarioManager::getSingletonPtr();
    Scenario* scenario = scenarios ? scenarios->getCurrentScenario() : nullptr;
    if (!scenario) {
        GameLog::line("AreaManager: no scenario is running to show the area " + name);
        return;
    }
    applyArea(*found->second, *scenario);
}

AreaManager::Contents AreaManager::read(const Config& area)
{
    try {
        Contents contents;
        contents.name = area.get<std::string>(AREA_SECTION, "name");
        contents.skyboxMaterial = area.get<std::string>(AREA_SECTION, "skyboxMaterial");
        MaterialCheck::require(area, AREA_SECTION, "skyboxMaterial", "Area " + contents.name);
        Scenario::requireSkyMaterial(contents.skyboxMaterial);
        contents.ambientColour = area.get<Ogre::ColourValue>(AREA_SECTION, "ambientColour");
        for (const std::string& section : area.getSectionNames())
            readSection(area, section, contents);
        return contents;
    } catch (...) {
        GameLog::line("AreaManager: the area file " + area.getPath() + " is refused");
        throw;
    }
}

void AreaManager::readSection(const Config& area, const std::string& section, Contents& contents)
{
    const auto light = [&area, &section] {
        // Normalised here, whatever its size: the scene's own normalising turns a direction whose
        // squares pass the float range into (0 0 0), and the light then keeps shining along -Z.
        return DirectionalLight{AreaDirection::unit(area.get<Ogre::Vector3>(section, "direction")),
                                area.get<Ogre::ColourValue>(section, "diffuse"),
                                area.get<Ogre::ColourValue>(section, "specular")};
    };
    switch (classify(section)) {
    case SectionKind::LIGHT:
        contents.sections.emplace_back(light());
        break;
    case SectionKind::STAR:
        contents.sections.emplace_back(
            Sun{light(), area.get<Ogre::ColourValue>(section, "glow"), area.get<float>(section, "size")});
        break;
    case SectionKind::PLANET:
        contents.sections.emplace_back(Planet::read(area, section));
        break;
    case SectionKind::OTHER:
        break;
    }
}

void AreaManager::checkAreas() const
{
    for (const auto& area : areas)
        read(*area.second);
}

void AreaManager::applyArea(const Config& area, Scenario& scenario)
{
    // Read whole before anything is taken away, so that a broken area leaves the scene as it was.
    const Contents contents = read(area);

    scenario.removeLights();
    scenario.clearStars();
    scenario.setSkyBox(contents.skyboxMaterial, SKY_BOX_DISTANCE);
    scenario.setAmbientLight(contents.ambientColour);
    Ogre::SceneManager& scene = Scenario::getSceneManager();
    struct Build {
        Scenario& scenario;
        Ogre::SceneManager& scene;
        void operator()(const DirectionalLight& light) const
        {
            scenario.addDirectionalLight(light.direction, light.diffuse, light.specular);
        }
        void operator()(const Sun& sun) const
        {
            scenario.addStar(std::make_shared<Star>(scene, sun.light.direction, sun.light.diffuse, sun.light.specular,
                                                    sun.glow, sun.size));
        }
        void operator()(const Planet::Layout& planet) const
        {
            scenario.addPlanet(std::make_shared<Planet>(planet, scene));
        }
    };
    for (const auto& section : contents.sections)
        std::visit(Build{scenario, scene}, section);
}

AreaManager::SectionKind AreaManager::classify(const std::string& section)
{
    if (section.find("Light") != std::string::npos)
        return SectionKind::LIGHT;
    if (section.find("Star") != std::string::npos)
        return SectionKind::STAR;
    if (section.find("Planet") != std::string::npos)
        return SectionKind::PLANET;
    return SectionKind::OTHER;
}

void AreaManager::exportToPython()
{
    bp::class_<AreaManager, boost::noncopyable>("AreaManager", bp::no_init)
        .def("getSingleton", &AreaManager::getSingleton, bp::return_value_policy<bp::reference_existing_object>())
        .staticmethod("getSingleton")
        .def("loadArea", &AreaManager::loadArea);
}

} // namespace Tolvarine
