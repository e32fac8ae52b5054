#pragma once

#include <OgreColourValue.h>
#include <OgrePrerequisites.h>
#include <OgreVector.h>

#include <memory>
#include <string>

namespace Tolvarine {

class Config;
class FixedTask;
class PlanetHaze;

// A planet of an area: a spinning sphere ("planet.mesh" scaled by the radius) with a glowing
// haze, kept at a fixed offset from the current camera so that it behaves like a body at an
// infinite distance: the player can never fly closer. Areas make one per planet section; the
// running scenario keeps them until its scene is cleared.
//
// The section's keys: "distance" (from the viewer to the centre), "direction" (from the viewer),
// "radius", "spinRateDegrees" (degrees per second), "spinAxis" ((0 1 0) by default), "material",
// "hazeProportion" (the haze's radius as a share of the radius) and "hazeColour".
//
// The planet and its haze hang on two nodes under the root named "Planet" and a running number
// of the process (the haze's is one more); the mesh is named after the planet's node, the haze
// after its own node with "/Mesh".
class Planet {
public:
    // A planet section as read and checked: everything the planet is built from.
    struct Layout {
        std::string section;
        Ogre::Vector3 position;  // of the centre, from the viewer
        float radius = 0.0f;
        float spinRate = 0.0f;  // radians per second
        Ogre::Vector3 spinAxis;  // unit length
        std::string material;
        float hazeRadius = 0.0f;
        Ogre::ColourValue hazeColour;
        Ogre::Vector3 hazePosition;  // of the haze's disc, from the viewer
        float hazeDiscRadius = 0.0f;
    };

    // Reads and checks `section` of `area` without building anything, so that an area can be
    // checked whole at start-up with the rules its planets are built by. A direction of any
    // finite size is normalised (AreaDirection), and the planet's distance and its haze's place
    // are computed in double. A missing key, a planet at the viewer (a distance of 0 or a
    // direction of (0 0 0)), a haze whose disc would have no size the drawing can use
    // (hazeProportion x radius not from minus the distance to below it) or one the renderer
    // cannot draw (a disc wider than ValueRange::MAX_DRAWN_LENGTH, or standing beyond the float
    // range), or a material that does not exist (or lacks a texture) is logged, with the file's
    // line "Config: in <path>, section <section>, key <key>" for a key at fault, and throws
    // ConfigurationError. The radius itself is drawn as given: one of 0 shows nothing, a negative
    // one turns the sphere inside out, and one at or beyond the distance wraps the viewer; so is
    // a haze radius below 0, any distance the float range holds (beyond the camera's far plane
    // the planet is not drawn), and a spin axis of (0 0 0), which leaves the planet unturned.
    static Layout read(const Config& area, const std::string& section);

    // Reads `section` of `area` (read) and builds the planet in `scene`, logging "Planet created
    // (" with its offset from the viewer and ")". A refusal of read throws with nothing left
    // behind.
    Planet(const Config& area, const std::string& section, Ogre::SceneManager& scene);
    // Builds the planet of a layout that read returned.
    Planet(const Layout& layout, Ogre::SceneManager& scene);
    ~Planet();
    Planet(const Planet&) = delete;
    Planet& operator=(const Planet&) = delete;

    // The fixed task "Planet::update" (order 50): places both nodes at their offsets from the
    // current camera, spins the planet by the game's frame time (so not while paused; the angle
    // is kept within a turn, so that a fast spin's never passes the float range) and turns the
    // haze to the camera. Nothing happens before there is a camera.
    void update(float lastFrameTime);

    Ogre::SceneNode* getPlanetNode() const { return planetNode; }
    Ogre::SceneNode* getHazeNode() const { return hazeNode; }
    const PlanetHaze& getHaze() const { return *haze; }
    const Ogre::Vector3& getPosition() const { return position; }
    const Ogre::Vector3& getHazePosition() const { return hazePosition; }

private:
    // Places the haze's disc of a layout whose distance from the viewer is `reach` (computed in
    // double), refusing as read does a disc the renderer cannot draw.
    static void placeHaze(const Config& area, double reach, Layout& layout);

    Ogre::SceneManager& scene;
    Ogre::SceneNode* planetNode = nullptr;
    Ogre::SceneNode* hazeNode = nullptr;
    Ogre::Entity* entity = nullptr;
    Ogre::Vector3 position;
    Ogre::Vector3 hazePosition;
    float radius = 0.0f;
    float spinRate = 0.0f;
    float spinAngle = 0.0f;
    Ogre::Vector3 spinAxis;
    std::unique_ptr<PlanetHaze> haze;
    std::unique_ptr<FixedTask> updateTask;
};

} // namespace Tolvarine
