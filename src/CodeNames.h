#pragma once

#include <array>
#include <functional>
#include <vector>

namespace Tolvarine {

// The data that the game's own code names, where no data or settings file does: the survival's
// background sound, the exit screen's material, the play menu's pictures, scenarios and fleet.
// Nothing else would look such a name up before its first use, which may be the middle of a game
// (the survival's Start button, the exit screen), and a name that is missing there ends the game
// without naming a file. So every use site takes its name from the lists below, and the start-up
// looks each list up (CodeNameChecks), with the reader of its use, before anything uses it: a
// missing name stops the start with the reader's own line and then "<user> needs the <kind> <name>
// of <file>". The lists only name: the low classes that take a name from them (the star, the
// planets, the difficulty) sit beneath the readers that look the names up.
class CodeNames {
public:
    struct Name {
        const char* kind;
        const char* name;
        // Where the game as shipped holds it.
        const char* file;
        // What needs it, as the start of a sentence ("The survival's background").
        const char* user;
    };

    // Sound definitions, looked up as a sound source looks them up.
    static constexpr Name MODE_BACKGROUND{"sound definition", "ambient_nl", "data/sound/ambient_nl.sound",
                                          "The game modes' background"};
    static constexpr Name SKIRMISH_BACKGROUND{"sound definition", "ambient_da", "data/sound/ambient_da.sound",
                                              "The skirmish's background"};
    static constexpr Name SURVIVAL_BACKGROUND{"sound definition", "ambient_tc", "data/sound/ambient_tc.sound",
                                              "The survival's background"};
    static constexpr Name INCOMING_ALARM{"sound definition", "incoming_alarm", "data/sound/incoming_alarm.sound",
                                         "The incoming-missile alarm"};
    static constexpr Name CRITICAL_ALARM{"sound definition", "critical_alarm", "data/sound/critical_alarm.sound",
                                         "The critical-damage alarm"};
    static constexpr std::array<const Name*, 5> SOUNDS{&MODE_BACKGROUND, &SKIRMISH_BACKGROUND, &SURVIVAL_BACKGROUND,
                                                       &INCOMING_ALARM, &CRITICAL_ALARM};

    // The screens of the start and the end, in the rendering engine's default group.
    static constexpr Name SPLASH{"material", "Splash", "data/splash/splash.material", "The splash screen"};
    static constexpr Name SPLASH_EXIT{"material", "SplashExit", "data/splash/splash.material", "The exit screen"};
    static constexpr std::array<const Name*, 2> SCREENS{&SPLASH, &SPLASH_EXIT};

    // The scenery that an area or a game mode builds, in the group "Core".
    static constexpr Name STAR{"material", "Star", "data/materials/scenery.material", "A star's flare"};
    static constexpr Name PLANET_HAZE{"material", "PlanetHaze", "data/materials/scenery.material", "A planet's haze"};
    static constexpr Name PLANET_MESH{"mesh", "planet.mesh", "data/meshes/planet.mesh", "A planet"};
    static constexpr Name FINE_DUST{"particle template", "FineDebrisSystem", "data/particle_systems/space_dust.particle",
                                    "The space dust"};
    static constexpr Name COARSE_DUST{"particle template", "CoarseDebrisSystem",
                                      "data/particle_systems/space_dust.particle", "The space dust"};
    static constexpr std::array<const Name*, 5> SCENERY{&STAR, &PLANET_HAZE, &PLANET_MESH, &FINE_DUST, &COARSE_DUST};

    // The play menu's ship pictures, images of their own files; the GUI loads them when it starts.
    static constexpr Name TRIFIGHTER_PICTURE{"image", "TrifighterThumbnail", "data/gui/TrifighterThumbnail.png",
                                             "The play menu's Trifighter row"};
    static constexpr Name THUNDERBOLT_PICTURE{"image", "DemoThunderboltThumbnail",
                                              "data/gui/DemoThunderboltThumbnail.png", "The play menu's Thunderbolt row"};
    static constexpr Name STARFIRE_PICTURE{"image", "DemoStarfireThumbnail", "data/gui/DemoStarfireThumbnail.png",
                                           "The play menu's Starfire row"};
    static constexpr std::array<const Name*, 3> PICTURES{&TRIFIGHTER_PICTURE, &THUNDERBOLT_PICTURE, &STARFIRE_PICTURE};

    // Scenarios, by the name their script gives.
    static constexpr Name STARTUP_SCENARIO{"scenario", "Startup", "data/scenarios/startup.py",
                                           "The return to the main menu"};
    static constexpr Name SKIRMISH_SCENARIO{"scenario", "Skirmish", "data/scenarios/skirmish.py",
                                            "The play menu's Skirmish"};
    static constexpr Name SURVIVAL_SCENARIO{"scenario", "Survival", "data/scenarios/survival.py",
                                            "The play menu's Survival"};
    static constexpr Name TUTORIAL_SCENARIO{"scenario", "Tutorial", "data/scenarios/tutorial.py",
                                            "The main menu's Tutorial"};
    static constexpr std::array<const Name*, 4> SCENARIOS{&STARTUP_SCENARIO, &SKIRMISH_SCENARIO, &SURVIVAL_SCENARIO,
                                                          &TUTORIAL_SCENARIO};

    // Ship types: the fleet and the waves take theirs by the type name its file gives, the tutorial
    // its practice ship by the file's base name (Ship::createByFilename).
    static constexpr const char* SHIP_TYPE_KIND = "ship type";
    static constexpr const char* SHIP_FILE_KIND = "ship type file";
    static constexpr Name FLEET_SHIP{SHIP_TYPE_KIND, "trifighter", "data/entities/trifighter.ship",
                                     "The play menu's fleet"};
    static constexpr Name WAVE_SHIP{SHIP_TYPE_KIND, "trifighter", "data/entities/trifighter.ship", "A survival wave"};
    static constexpr Name PRACTICE_SHIP{SHIP_FILE_KIND, "trifighter", "data/entities/trifighter.ship",
                                        "The tutorial's practice"};
    static constexpr std::array<const Name*, 3> SHIP_TYPES{&FLEET_SHIP, &WAVE_SHIP, &PRACTICE_SHIP};

    // The response curve of the difficulty's adjustment, read when the difficulty is made.
    static constexpr Name DIFFICULTY_CURVE{"response curve", "Difficulty Hit Ratio", "data/curves.cfg",
                                           "The difficulty's adjustment"};

    // Every name above.
    static std::vector<const Name*> all();

    // Logs "<user> needs the <kind> <name> of <file>" and throws ConfigurationError.
    [[noreturn]] static void refuse(const Name& name);
    // Runs `lookUp`, the reader of the name's use; its ConfigurationError becomes the refusal of
    // `name`, after the reader's own line.
    static void require(const Name& name, const std::function<void()>& lookUp);
};

} // namespace Tolvarine
