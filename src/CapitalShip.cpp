#include "CapitalShip.h"

#include "CapitalShipStation.h"
#include "Config.h"
#include "ConfigurationError.h"
#include "Faction.h"
#include "PointDefenseWeaponSystem.h"
#include "ScriptReference.h"
#include "ShipBehaviour.h"
#include "ShipType.h"

#include <boost/python/class.hpp>
#include <boost/python/return_value_policy.hpp>

namespace bp = boost::python;

namespace Tolvarine {

namespace {

void deactivateFromScript(CapitalShip& ship, int time)
{
    ship.deactivate(static_cast<DisableTime>(time));
}

} // namespace

CapitalShip::CapitalShip(ShipType& type)
    : Ship(type)
    , pointDefense(std::make_unique<PointDefenseWeaponSystem>(this, getSceneNode(), type, "WeaponSystem_PointDefense"))
{
    readStations(type);
}

CapitalShip::~CapitalShip()
{
    pointDefense.reset();
    stations.clear();
}

struct CapitalShip::StationPlace {
    std::string typeName;
    Ogre::Vector3 offset;
    Ogre::Quaternion home;
    float yawPositive;
    float yawNegative;
    float pitchPositive;
    float pitchNegative;
};

std::vector<CapitalShip::StationPlace> CapitalShip::readStationPlaces(const ShipType& type)
{
    std::vector<StationPlace> places;
    for (const std::string& section : type.getSectionNames()) {
        if (section.find("Station") == std::string::npos)
            continue;
        StationPlace place;
        place.typeName = type.get<std::string>(section, "type");
        // Looked up where the ship file's place is known, both by the start-up's check and by a
        // ship being built (its pool is filled before the check runs).
        try {
            CapitalShipStation::getType(place.typeName);
        } catch (const ConfigurationError&) {
            type.logPlace(section, "type");
            throw;
        }
        place.offset = type.get<Ogre::Vector3>(section, "offset");
        place.home = eulerDegreesToQuaternion(type.get<Ogre::Vector3>(section, "homeRotationAngles"));
        place.yawPositive = type.get<float>(section, "yawPositiveLimit");
        place.yawNegative = type.get<float>(section, "yawNegativeLimit");
        place.pitchPositive = type.get<float>(section, "pitchPositiveLimit");
        place.pitchNegative = type.get<float>(section, "pitchNegativeLimit");
        places.push_back(place);
    }
    return places;
}

void CapitalShip::checkStations(const ShipType& type)
{
    readStationPlaces(type);
}

void CapitalShip::readStations(ShipType& type)
{
    for (const StationPlace& place : readStationPlaces(type)) {
        stations.push_back(CapitalShipStation::create(this, place.offset, place.home, place.yawPositive,
                                                      place.yawNegative, place.pitchPositive, place.pitchNegative,
                                                      place.typeName));
    }
}

void CapitalShip::activate(Faction& faction, const Ogre::Vector3& position, const Ogre::Quaternion& orientation)
{
    // A ship in play is placed anew: its stations leave the old place with it.
    if (isInPlay())
        stationsLeavePlay(REACTIVATION);
    Ship::activate(faction, position, orientation);
    for (const std::shared_ptr<CapitalShipStation>& station : stations)
        station->activate();
    pointDefense->activate(getFaction());
}

void CapitalShip::deactivate(DisableTime time)
{
    if (!isInPlay())
        return;
    Ship::deactivate(time);
    stationsLeavePlay(time);
}

void CapitalShip::beginLife()
{
    Ship::beginLife();
    for (const std::shared_ptr<CapitalShipStation>& station : stations)
        station->announceHandOut();
}

void CapitalShip::stationsLeavePlay(DisableTime time)
{
    for (const std::shared_ptr<CapitalShipStation>& station : stations)
        station->deactivate(time);
    pointDefense->deactivate();
}

float CapitalShip::getThreatRangeSquared()
{
    return pointDefense->getFarRangeSquared();
}

void CapitalShip::addThreat(GuidedProjectile* missile)
{
    pointDefense->addThreat(missile);
}

void CapitalShip::removeThreat(GuidedProjectile* missile)
{
    pointDefense->removeThreat(missile);
}

void CapitalShip::exportToPython()
{
    // "activate" is inherited from Ship's, which checks the script's place and orientation and
    // then calls this class's own. Capital ships reach scripts as ships (ScriptReference<Ship>),
    // given this class by their type, so every call on them checks that they still exist.
    bp::class_<CapitalShip, bp::bases<Ship>, boost::noncopyable>("CapitalShip", bp::no_init)
        .def("deactivate", &deactivateFromScript)
        .def("getBehaviour", &CapitalShip::getBehaviour, bp::return_value_policy<ReturnScriptReference>());
}

} // namespace Tolvarine
