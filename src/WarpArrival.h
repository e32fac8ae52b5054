#pragma once

#include "FunctionTask.h"
#include "ModulatedBillboard.h"
#include "PoolFactory.h"
#include "PositionReporter.h"

#include <OgreQuaternion.h>
#include <OgreVector.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace Tolvarine {

class Config;
class Faction;
class ResponseCurves;
class Ship;
class SoundSource;

// The effect with which a ship jumps into the battle: a glow and its sound at the arrival point,
// a flash "flashTime" seconds after the start, and "arrivalTime" seconds after the start the ship
// itself, taken from its pool and activated there for its faction. Warp arrivals are pooled (five
// made on first use, from cfg/warp_arrival.cfg: "WarpArrival" "flashTime" and "arrivalTime",
// "Glow" and "Flash" with the modulated billboard keys, "Sound" "name").
//
// An arrival goes back to its pool only once both billboards have ended AND its ship has arrived,
// so that an arrival taken again can never inherit a pending arrival of an earlier request. The
// faction is held weakly, through the running scenario's own pointer when the scenario holds it: a
// ship due for a faction that has gone with its scenario stays away.
class WarpArrival final : public PositionReporter {
public:
    // Returns the ship to bring in, taken from its pool; null brings none.
    using ShipCreator = std::function<Ship*()>;

    // Reads the settings; a missing key, bad billboard section or unknown sound is logged and
    // throws ConfigurationError. The node is made in `sceneManager`, out of the scene.
    WarpArrival(Config& config, Ogre::SceneManager& sceneManager, const ResponseCurves* curves);
    ~WarpArrival();
    WarpArrival(const WarpArrival&) = delete;
    WarpArrival& operator=(const WarpArrival&) = delete;

    // Takes a warp arrival from the pool and brings in a ship of the type (or of the ".ship" file
    // base name) for the faction at the pose. A faction that no one owns is logged and refused.
    static void create(const std::string& shipType, const std::shared_ptr<Faction>& faction,
                       const Ogre::Vector3& position, const Ogre::Quaternion& orientation);
    static void createByFilename(const std::string& fileName, const std::shared_ptr<Faction>& faction,
                                 const Ogre::Vector3& position, const Ogre::Quaternion& orientation);

    // Starts the sequence; an active warp arrival ignores the call.
    void start(ShipCreator creator, const std::shared_ptr<Faction>& faction, const Ogre::Vector3& position,
               const Ogre::Quaternion& orientation);

    // The ships that started arrivals will bring: one for each arrival whose ship has not come yet.
    static std::size_t countShipsToCome();

    // Cancels every live arrival: tasks, billboards and sound stop, no ship comes, and each goes
    // back to the pool (the end or unload of a scenario).
    static void releaseAll();

    // Where the pool reads its settings and curves (the program's curve file when null); only
    // before the pool is made. Tests use their own.
    static void setSource(const std::string& configPath, const ResponseCurves* curves);
    // The pool, made on first use with five arrivals.
    static PoolFactory<WarpArrival>& getPoolFactory();
    // Reads and checks the settings the pool's arrivals will read (see setSource) as they read
    // them, without making any: the game calls it at start-up, since the pool is made at the
    // first arrival, in the middle of a game. A glow or flash that never ends is refused too, as
    // the arrival would never go back to its pool. A refusal is logged with the file's line "Config:
    // in <path>, section <section>, key <key>" and raises ConfigurationError.
    static void checkType();
    // Cancels and deletes every arrival and the pool itself (tests and the end of the program).
    static void destroyPool();

    bool isActive() const { return active; }
    bool hasArrived() const { return arrived; }
    const std::string& getNodeName() const;

    // PositionReporter: a fixed point at the node.
    Ogre::Vector3 getPosition() const override;
    Ogre::Quaternion getOrientation() const override;
    Ogre::Vector3 getVelocity() const override { return Ogre::Vector3::ZERO; }
    void addPositionListener(PositionListener*) override {}
    void removePositionListener(PositionListener*) override {}
    Ogre::Vector3 predictPosition(float) const override { return getPosition(); }
    Ogre::Vector3 predictPositionWithThrust(float) const override { return getPosition(); }
    Ogre::Vector3 predictPositionWithThrustFactor(float, float) const override { return getPosition(); }

    // Registers the class "WarpArrival" with the module being started.
    static void exportToPython();

private:
    bool flash(float elapsed);
    bool arrival(float elapsed);
    void glowDone();
    void flashDone();
    void finishWhenDone();
    void cancel();
    void detachNode();

    static unsigned counter;

    Ogre::SceneManager& sceneManager;
    FunctionTask flashTask;
    FunctionTask arrivalTask;
    bool active = false;
    bool arrived = false;
    bool glowFinished = false;
    bool flashFinished = false;
    ShipCreator shipCreator;
    std::weak_ptr<Faction> faction;
    Ogre::Vector3 arrivalPosition = Ogre::Vector3::ZERO;
    Ogre::Quaternion arrivalOrientation = Ogre::Quaternion::IDENTITY;
    Ogre::SceneNode* node = nullptr;
    ModulatedBillboard glow;
    ModulatedBillboard flashBillboard;
    ModulatedBillboard::Callback glowCallback;
    ModulatedBillboard::Callback flashCallback;
    std::unique_ptr<SoundSource> sound;
};

} // namespace Tolvarine
