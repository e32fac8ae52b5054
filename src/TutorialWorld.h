#pragma once

#include "AmbientSoundManager.h"
#include "CameraController.h"

#include <OgreVector.h>

#include <cstddef>
#include <optional>
#include <string>

namespace Tolvarine {

class Ship;

// What the tutorial does to the rest of the game, gathered in one place: the scenario it loads,
// the ambient sound, the menu it returns to, the practice ship, the camera, the objective and the
// interface mode. The tutorial's pages and stages reach the game only through it, so a test can
// watch the tutorial's moves by deriving from it.
//
// A service that does not exist (the tutorial run without sound or without scenarios) is skipped
// with a log line where its absence matters, never dereferenced.
class TutorialWorld {
public:
    TutorialWorld() = default;
    virtual ~TutorialWorld() = default;
    TutorialWorld(const TutorialWorld&) = delete;
    TutorialWorld& operator=(const TutorialWorld&) = delete;

    virtual void loadScenario(const std::string& name);
    // Without blending.
    virtual void setAmbientMode(AmbientSoundManager::AmbientMode mode);
    // The menu sheet under the tutorial; resumeMenu first enters the menu mode when it is hidden.
    virtual void menuBack();
    virtual void resumeMenu();

    // The live ships of the current scenario's faction; none when the faction is missing.
    virtual std::optional<std::size_t> countLiveShips(const std::string& faction) const;
    // Takes a ship of the type file `fileBaseName` from its pool, activates it for the faction at
    // the position with no rotation and gives it the player's focus. Null (logged) without the
    // faction.
    virtual Ship* launchPlayerShip(const std::string& fileBaseName, const std::string& faction,
                                   const Ogre::Vector3& position);
    // Takes the ship out of play and back to its pool; one already out of play stays as it is.
    virtual void retireShip(Ship& ship);

    virtual void setCameraType(CameraController::CameraType type);
    virtual void setObjective(const std::string& text);
    virtual void setInterfaceMode(int mode, bool lockKeys);
};

} // namespace Tolvarine
