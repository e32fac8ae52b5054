#include "Planet.h"

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

#include <sstream>

namespace Tolvarine {

namespace {

const char* const MESH_NAME = CodeNames::PLANET_MESH.name;
const char* const HAZE_MATERIAL = CodeNames::PLANET_HAZE.name;
const unsigned HAZE_SEGMENTS = 64;

unsigned nextPlanetNumber = 0;

} // namespace

Planet::Layout Planet::read(const Config& area, const std::string& section)
{
    Layout layout;
    layout.section = section;
    const float distance = area.get<float>(section, "distance");
    const Ogre::Vector3 direction = area.get<Ogre::Vector3>(section, "direction");
    layout.position = direction.normalisedCopy() * distance;
    layout.radius = area.get<float>(section, "radius");
    layout.spinRate = Ogre::Degree(area.get<float>(section, "spinRateDegrees")).valueRadians();
    layout.spinAxis = area.get<Ogre::Vector3>(section, "spinAxis", Ogre::Vector3::UNIT_Y).normalisedCopy();
    layout.material = area.get<std::string>(section, "material");
    layout.hazeRadius = area.get<float>(section, "hazeProportion") * layout.radius;
    layout.hazeColour = area.get<Ogre::ColourValue>(section, "hazeColour");

    const float reach = layout.position.length();
    // The haze's disc lies on the line of sight to the planet: a planet at the viewer has none.
    if (!(reach > 0.0f)) {
        const bool noDirection = direction.isZeroLength();
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
    MaterialCheck::require(area, section, "material", "Planet " + section);
    MaterialCheck::require(HAZE_MATERIAL, "Planet " + section);
    return layout;
}

Planet::Planet(const Config& area, const std::string& section, Ogre::SceneManager& sceneManager)
    : Planet(read(area, section), sceneManager)
{
}

Planet::Planet(const Layout& layout, Ogre::SceneManager& sceneManager)
    : scene(sceneManager)
    , position(layout.position)
    , radius(layout.radius)
    , spinRate(layout.spinRate)
    , spinAxis(layout.spinAxis)
{
    const float reach = position.length();
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

    hazePosition = position.normalisedCopy() * (reach - layout.hazeRadius);
    haze = std::make_unique<PlanetHaze>(hazeName + "/Mesh", PlanetHaze::discRadius(layout.hazeRadius, reach),
                                        layout.hazeColour, HAZE_SEGMENTS);
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
    spinAngle += lastFrameTime * spinRate;
    planetNode->setOrientation(Ogre::Quaternion(Ogre::Radian(spinAngle), spinAxis));
    hazeNode->setPosition(eye + hazePosition);
    hazeNode->lookAt(eye, Ogre::Node::TS_WORLD, Ogre::Vector3::NEGATIVE_UNIT_Z);
}

} // namespace Tolvarine
