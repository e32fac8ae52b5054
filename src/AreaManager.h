#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Ogre {
class SceneManager;
}

namespace Tolvarine {

class Config;
class Scenario;

// The areas of the game: the surroundings a game is played in (sky box, ambient light,
// directional lights, stars and planets), one file each in "data/areas". Read once at start-up;
// the play menu offers their names, and the game modes and scripts apply one by name to the
// running scenario, which then owns what the area made. One instance, made by the engine's
// start-up; never destroyed in the game.
//
// An area file has a section "Area" with "name", "skyboxMaterial" and "ambientColour", and any
// number of light, star and planet sections, told apart by their names: a name that contains
// "Light" is a light ("direction", "diffuse", "specular"), else one that contains "Star" a star
// (the same keys with "glow" and "size"), else one that contains "Planet" a planet (the keys of
// Planet). Other sections are ignored.
class AreaManager {
public:
    enum class SectionKind { LIGHT, STAR, PLANET, OTHER };

    // Reads every ".area" file of `folder` (or its enciphered twin) in name order. A file
    // without "name" is logged and throws ConfigurationError; of two files with one name the
    // first in name order is kept, the other logged and dropped.
    explicit AreaManager(const std::string& folder = "data/areas");
    ~AreaManager();
    AreaManager(const AreaManager&) = delete;
    AreaManager& operator=(const AreaManager&) = delete;

    static AreaManager& getSingleton();
    // Null before start-up has made the manager.
    static AreaManager* getSingletonPtr();

    // Every area name in ascending order.
    std::vector<std::string> getAreaNames() const;
    // Applies the named area to the current scenario. An unknown name, or no current scenario,
    // is logged and changes nothing.
    void loadArea(const std::string& name);
    // Replaces the scenario's lights and stars by the area's, shows its sky and ambient light
    // and adds its planets (planets of an earlier area stay). A sky material that does not
    // exist, or whose textures do not, is logged and refused with ConfigurationError before
    // anything changes; a missing key throws ConfigurationError where it is met, and what the
    // area already did stays.
    static void applyArea(const Config& area, Scenario& scenario);

    // The kind of a section by its name (case-sensitive substrings, tested in the order above).
    static SectionKind classify(const std::string& section);

    // Registers the class "AreaManager" with the module being started.
    static void exportToPython();

private:
    static void applySection(const Config& area, const std::string& section, Scenario& scenario,
                             Ogre::SceneManager& scene);

    static AreaManager* singleton;

    std::string areaPath;
    std::map<std::string, std::shared_ptr<const Config>> areas;
};

} // namespace Tolvarine
