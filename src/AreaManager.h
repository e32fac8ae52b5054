#pragma once

#include "Planet.h"

#include <OgreColourValue.h>
#include <OgreVector.h>

#include <map>
#include <memory>
#include <string>
#include <variant>
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

    // What an area puts into a scene, read from its file and checked whole.
    struct DirectionalLight {
        Ogre::Vector3 direction;
        Ogre::ColourValue diffuse;
        Ogre::ColourValue specular;
    };
    struct Sun {
        DirectionalLight light;
        Ogre::ColourValue glow;
        float size = 0.0f;
    };
    struct Contents {
        std::string name;
        std::string skyboxMaterial;
        Ogre::ColourValue ambientColour;
        // The lights, stars and planets in the order of their sections.
        std::vector<std::variant<DirectionalLight, Sun, Planet::Layout>> sections;
    };

    // Reads every ".area" file of `folder` (or its enciphered twin) in name order. A file
    // without "name" is logged and throws ConfigurationError; of two files with one name the
    // first in name order is kept, the other dropped with a line that names both.
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
    // Reads and checks the whole area without building anything: every key of its "Area",
    // light, star and planet sections, the sky's material (it exists, its textures do, and it
    // has a first texture, as Scenario::setSkyBox needs) and every planet (Planet::read). A
    // refusal is logged as its reason, then "AreaManager: the area file <path> is refused", and
    // rethrown (ConfigurationError, or the value reader's conversion error).
    static Contents read(const Config& area);
    // The start-up's check of every area (read), so that a broken area stops the start, not the
    // game that first shows it. Needs the game's materials loaded.
    void checkAreas() const;
    // Replaces the scenario's lights and stars by the area's, shows its sky and ambient light
    // and adds its planets (planets of an earlier area stay). The area is read whole first
    // (read): a refusal changes nothing.
    static void applyArea(const Config& area, Scenario& scenario);

    // The kind of a section by its name (case-sensitive substrings, tested in the order above).
    static SectionKind classify(const std::string& section);

    // Registers the class "AreaManager" with the module being started.
    static void exportToPython();

private:
    static void readSection(const Config& area, const std::string& section, Contents& contents);

    static AreaManager* singleton;

    std::string areaPath;
    std::map<std::string, std::shared_ptr<const Config>> areas;
};

} // namespace Tolvarine
