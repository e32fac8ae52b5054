#include "Planet.h"

#include "AreaDirection.h"
#include "CameraBase.h"
#include "CameraController.h"
#include "CodeNames.h"
#include "Config.h"
#include "FixedTask.h"
#include "GameLog.h"
#include "MaterialCheck.h"
#include "PlanetHaze.h"
#include "ValueRange.h"

#include <OgreColourValue.h>
#include <OgreEntity.h>
#include <OgreMaterial.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include <cmath>
#include <limits>
#include <sstream>

namespace Tolvarine {

namespace {

const char* const MESH_NAME = CodeNames::PLANET_MESH.name;
const char* const HAZE_MATERIAL = CodeNames::PLANET_HAZE.name;
const unsigned HAZE_SEGMENTS = 64;
const double FULL_TURN = 6.283185307179586; // radians

unsigned nextPlanetNumber = 0;

// The length in double: the squares of a place's float coordinates overflow a float from about
// 1.8e19 on.
double lengthOf(const Ogre::Vector3& v)
{
    const double x = v.x;
    const double y = v.y;
    const double z = v.z;
    return std::sqrt(x * x + y * y + z * z);
}

// The angle after a frame's spin, kept within one turn either way (the same rotation): summed as
// it is, the angle of a fast spin passes the float range within a minute (3.4e38 degrees a second
// in 57 s) and the planet's turn is then no number.
float nextSpinAngle(float angle, float seconds, float rate)
{
    return static_cast<float>(std::fmod(static_cast<double>(angle) + static_cast<double>(seconds) * rate, FULL_TURN));
}

} // namespace

Planet::Layout Planet::read(const Config& area, const std::string& section)
{
    Layout layout;
    layout.section = section;
    const float distance = area.get<float>(section, "distance");
    const Ogre::Vector3 direction = AreaDirection::unit(area.get<Ogre::Vector3>(section, "direction"));
    layout.position = direction * distance;
    layout.radius = area.get<float>(section, "radius");
    layout.spinRate = Ogre::Degree(area.get<float>(section, "spinRateDegrees")).valueRadians();
    layout.spinAxis = AreaDirection::unit(area.get<Ogre::Vector3>(section, "spinAxis", Ogre::Vector3::UNIT_Y));
    layout.material = area.get<std::string>(section, "material");
    layout.hazeRadius = area.get<float>(section, "hazeProportion") * layout.radius;
    layout.hazeColour = area.get<Ogre::ColourValue>(section, "hazeColour");

    const double reach = lengthOf(layout.position);
    // The haze's disc lies on the line of sight to the planet: a planet at the viewer has none.
    if (!(reach > 0.0)) {
        const bool noDirection = direction == Ogre::Vector3::ZERO;
        std::ostringstream text;
        text << "Planet " << section << ": ";
        if (noDirection)
            text << "the direction (0 0 0)";
        else
            text << "the distance " << distance;
        text << " puts the planet at the viewer, where its haze has no size";
        ValueRange::refuse(area, section, noDirection ? "direction" : "distance", text.str());
    }
    // The disc covers the angle asin(haze radius / distance) of the haze sphere, which has no
    // value below minus the distance (the disc's size would be NaN); the haze must stay short of
    // the viewer. A haze radius below 0 puts the disc beyond the planet's centre, as given.
    if (!(layout.hazeRadius >= -reach && layout.hazeRadius < reach)) {
        std::ostringstream text;
        text << "Planet " << section << ": the haze radius " << layout.hazeRadius
             << " (hazeProportion x radius) must be from -" << reach << " to below the distance " << reach;
        ValueRange::refuse(area, section, "hazeProportion", text.str());
    }
    placeHaze(area, reach, layout);
    MaterialCheck::require(area, section, "material", "Planet " + section);
    MaterialCheck::require(HAZE_MATERIAL, "Planet " + section);
    return layout;
}

void Planet::placeHaze(const Config& area, double reach, Layout& layout)
{
    const std::string& section = layout.section;
    // A haze radius near minus the distance widens the disc without bound: one of 2e38 ended the
    // game through the renderer's assertion on its box, 1.35e38 played.
    const double disc = PlanetHaze::discRadius(layout.hazeRadius, reach);
    if (!(std::abs(disc) <= ValueRange::MAX_DRAWN_LENGTH)) {
        std::ostringstream text;
        text << "Planet " << section << ": the haze's disc, of radius " << disc << " (the haze radius "
             << layout.hazeRadius << " at the distance " << reach << "), is wider than "
             << ValueRange::MAX_DRAWN_LENGTH << " either way, the longest length the renderer can draw";
        ValueRange::refuse(area, section, "hazeProportion", text.str());
    }
    layout.hazeDiscRadius = static_cast<float>(disc);
    // The disc stands on the line of sight at the distance less the haze radius: the planet's
    // place scaled along itself in double (normalising it in float fails where its squared length
    // passes the float range). With a haze radius below 0 the scale reaches 2, and a place beyond
    // the float range ended the game through the renderer's assertion; 3.4e38 on an axis played.
    const double scale = (reach - layout.hazeRadius) / reach;
    const Ogre::Vector3& centre = layout.position;
    const double place[3] = {centre.x * scale, centre.y * scale, centre.z * scale};
    for (const double coordinate : place) {
        if (!(std::abs(coordinate) <= std::numeric_limits<float>::max())) {
            std::ostringstream text;
            text << "Planet " << section << ": the haze's disc, " << reach - layout.hazeRadius
                 << " from the viewer (the distance less the haze radius " << layout.hazeRadius
                 << "), stands beyond the float range on an axis";
            ValueRange::refuse(area, section, "hazeProportion", text.str());
        }
    }
    layout.hazePosition = Ogre::Vector3(static_cast<float>(place[0]), static_cast<float>(place[1]),
                                        static_cast<float>(place[2]));
}

Planet::Planet(const Config& area, const std::string& section, Ogre::SceneManager& sceneManager)
    : Planet(read(area, section), sceneManager)
{
}

Planet::Planet(const Layout& layout, Ogre::SceneManager& sceneManager)
    : scene(sceneManager)
    , position(layout.position)
    , hazePosition(layout.hazePosition)
    , radius(layout.radius)
    , spinRate(layout.spinRate)
    , spinAxis(layout.spinAxis)
{
    const std::string planetName = "Planet" + std::to_string(nextPlanetNumber);
    const std::string hazeName = "Planet" + std::to_string(nextPlanetNumber + 1);
    nextPlanetNumber += 2;
    // The mesh first: an unknown mesh throws before any node exists.
    entity = scene.createEntity(planetName, MESH_NAME);
    entity->setQueryFlags(0);
    entity->setMaterialName(layout.material);

    Ogre::SceneNode* root = scene.getRootSceneNode();
    planetNode = root->createChildSceneNode(planetName);
    planetNode->setScale(radius, radius, radius);
    planetNode->attachObject(entity);

    haze = std::make_unique<PlanetHaze>(hazeName + "/Mesh", layout.hazeDiscRadius, layout.hazeColour, HAZE_SEGMENTS);
    hazeNode = root->createChildSceneNode(hazeName);
    hazeNode->attachObject(haze.get());

    updateTask = std::make_unique<FixedTask>([this](float last, float) { update(last); }, "Planet::update", 50);

    std::ostringstream text;
    text << "Planet created (" << position << ")";
    GameLog::line(text.str());
}

Planet::~Planet()
{
    updateTask.reset();
    hazeNode->detachAllObjects();
    planetNode->detachAllObjects();
    scene.destroyEntity(entity);
    scene.destroySceneNode(hazeNode);
    scene.destroySceneNode(planetNode);
}

void Planet::update(float lastFrameTime)
{
    CameraController* cameras = CameraController::getSingletonPtr();
    const CameraBase* camera = cameras ? cameras->getCurrentCamera() : nullptr;
    if (!camera)
        return;
    const Ogre::Vector3 eye = camera->getPosition();
    planetNode->setPosition(eye + position);
    spinAngle = nextSpinAngle(spinAngle, lastFrameTime, spinRate);
    planetNode->setOrientation(Ogre::Quaternion(Ogre::Radian(spinAngle), spinAxis));
    hazeNode->setPosition(eye + hazePosition);
    hazeNode->lookAt(eye, Ogre::Node::TS_WORLD, Ogre::Vector3::NEGATIVE_UNIT_Z);
}

} // namespace Tolvarine
