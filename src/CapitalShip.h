#pragma once

#include "Ship.h"

#include <memory>
#include <vector>

namespace Tolvarine {

class CapitalShipStation;
class PointDefenseWeaponSystem;

// A ship that also carries turret stations and point defence. Every section of its type file
// whose name contains "Station" places one station ("type", "offset", "homeRotationAngles" in
// degrees, and the joint stops "yawPositiveLimit", "yawNegativeLimit", "pitchPositiveLimit",
// "pitchNegativeLimit" in radians, all required); section "WeaponSystem_PointDefense" holds its
// point defence. Missiles closing on it, or on one of its stations, go to the point defence.
// Pooled, flown, targeted and damaged like any ship; the stations are in play exactly while it is.
class CapitalShip : public Ship {
public:
    explicit CapitalShip(ShipType& type);
    ~CapitalShip() override;

    // The hull, then the stations at their places on it, then the point defence.
    void activate(Faction& faction, const Ogre::Vector3& position, const Ogre::Quaternion& orientation) override;
    // The hull (back to its pool), then the stations, then the point defence.
    void deactivate(DisableTime time) override;

    float getThreatRangeSquared() override;
    void addThreat(GuidedProjectile* missile) override;
    void removeThreat(GuidedProjectile* missile) override;

    const std::vector<std::shared_ptr<CapitalShipStation>>& getStations() const { return stations; }
    PointDefenseWeaponSystem& getPointDefense() { return *pointDefense; }

    // Reads every station section of a type as the constructor does, without building anything,
    // and refuses a station type that is not loaded: the loader of a ship type whose pool starts
    // empty calls it, so that the first ship built mid-game finds what it needs. A refusal is
    // logged with the file's line "Config: in <path>, section <section>, key <key>" and throws.
    static void checkStations(const ShipType& type);

    // Registers the script class "CapitalShip" (base "Ship") with the module being started.
    static void exportToPython();

protected:
    // The hull's new life, then each station's: their holders let go of them too.
    void beginLife() override;

private:
    struct StationPlace;
    static std::vector<StationPlace> readStationPlaces(const ShipType& type);
    void readStations(ShipType& type);
    void stationsLeavePlay(DisableTime time);

    std::vector<std::shared_ptr<CapitalShipStation>> stations;
    std::unique_ptr<PointDefenseWeaponSystem> pointDefense;
};

} // namespace Tolvarine
