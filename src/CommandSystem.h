#pragma once

#include "CommandChaseCamera.h"
#include "InputHandler.h"

#include <string>
#include <vector>

namespace CEGUI {
class Window;
}

namespace Tolvarine {

class CameraBase;
class Controllable;

// Command mode: the game stands still, an overview camera ("Command Chase Camera") that the player
// zooms and pans circles the selected ship, and the sheet "CommandSheet" shows "paused", the
// objective and the selected ship's class and weapons. The player cycles through the ships of the
// "Player" faction ("command_cycle"); the ship selected when command mode ends is the one the
// player flies. Made by the interface when the GUI starts; the interface's mode switch enters and
// leaves it. With "showCommandSystem" 0 in "cfg/interface.cfg" the sheet is never shown.
class CommandSystem {
public:
    CommandSystem();
    ~CommandSystem();
    CommandSystem(const CommandSystem&) = delete;
    CommandSystem& operator=(const CommandSystem&) = delete;

    static CommandSystem& getSingleton();
    static CommandSystem* getSingletonPtr();

    // Shows "Objective:" and the text, centred at 70 % of the sheet's height.
    void setObjective(const std::string& text);
    // Back to "Objective:" alone, as at start-up: the objective went with its scenario.
    void clearObjective();

    // Nothing when already active (entering) or not active (leaving).
    void enterCommandMode();
    void leaveCommandMode();
    // Selects the next listed ship, wrapping round; nothing with fewer than two.
    void cycleShip();
    // The scenario's ships are about to go back to their pools (its game ends or it unloads):
    // the selection's frame mark goes, the list and the camera's target are emptied, and the sheet
    // shows no ship, so that nothing here points at a ship of another scenario or of none.
    void forgetShips();
    // A scenario was loaded while command mode is open: lists its ships as entering does (the
    // command camera current again, the flown ship selected and its focus taken), with the line
    // entering logs. Nothing while command mode is not active.
    void relistShips();

    bool isActive() const { return active; }
    // The selected ship, or null.
    Controllable* getSelectedShip() const;
    CommandChaseCamera& getCamera() { return camera; }
    CEGUI::Window* getSheet() const { return sheet; }

private:
    void layoutSheet();
    // Lists the current scenario's ships of the player and selects the flown one (or the first),
    // which gives up the focus, is marked and is circled by the camera; logs the count.
    void listShips();
    void showSelectedShip();
    // Highlights the selected ship's frame and points the camera at it, or undoes the highlight.
    void markSelected(bool selected);
    // Whether the ship is still one of the player's, alive: a listed ship may be destroyed while
    // command mode is open.
    bool isStillPlayers(Controllable* ship) const;
    // "<name> (<position> of <count>)" of the selected ship, for the log.
    std::string selectionText() const;
    void placeCentred(CEGUI::Window& window, float heightFraction) const;

    bool active = false;
    bool showSheet;
    CEGUI::Window* sheet;
    std::vector<Controllable*> ships;
    std::size_t selected = 0;
    CommandChaseCamera camera;
    CameraBase* previousCamera = nullptr;
    InputHandler::EnterSubscription cycleKey;

    static CommandSystem* singleton;
};

} // namespace Tolvarine
