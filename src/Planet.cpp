#include "Planet.h"

#include "CameraBase.h"
#include "CameraController.h"
#include "CodeNames.h"
#include "Config.h"
#include "ConfigurationError.h"
#include "FixedTask.h"
#include "GameLog.h"
#include "MaterialCheck.h"
#include "PlanetHaze.h"

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
    layout.position = area.get<Ogre::Vector3>(section, "direction").normalisedCopy() * distance;
    layout.radius = area.get<float>(section, "radius");
    layout.spinRate = Ogre::Degree(area.get<float>(section, "spinRateDegrees")).valueRadians();
    layout.spinAxis = area.get<Ogre::Vector3>(section, "spinAxis", Ogre::Vector3::UNIT_Y).normalisedCopy();
    layout.material = area.get<std::string>(section, "material");
    layout.hazeRadius = area.get<float>(section, "hazeProportion") * layout.radius;
    layout.hazeColour = area.get<Ogre::ColourValue>(section, "hazeColour");

    const float reach = layout.position.length();
    // The haze disc lies between the viewer and the planet and covers the angle of the haze
    // sphere; a sphere that reaches the viewer has no such disc.
    if (!(reach > 0.0f && layout.hazeRadius >= 0.0f && layout.hazeRadius < reach)) {
        std::ostringstream text;
        text << "Planet " << section << ": the haze radius " << layout.hazeRadius
             << " must be at least 0 and below the distance " << reach;
        GameLog::line(text.str());
        throw ConfigurationError();
    }
    if (layout.spinAxis.isZeroLength()) {
        GameLog::line("Planet " + section + ": the spin axis must not be (0 0 0)");
        throw ConfigurationError();
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
