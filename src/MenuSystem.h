#pragma once

#include "InputHandler.h"
#include "Scenario.h"
#include "TutorialWizard.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace CEGUI {
class EventArgs;
class Window;
} // namespace CEGUI

namespace Tolvarine {

class Config;

// Owns the menu sheets: frame windows under the root window "MenuSheet" that form a stack, of
// which only the top is visible. Showing the menu pauses the game and hiding it resumes it (the
// interface's mode switch is the only caller of both). The input symbol "back" walks back through
// the stack and quits at its bottom; a help pane at the bottom centre shows a text for the widget
// under the pointer.
//
// Settings: "cfg/menu_system.cfg" (read by the combo-box tweaks, section "ComboTweak") and
// "cfg/demo_help.cfg" (section "General" key "enabled"; section "Help": "reset" and one text per
// widget window name). Both are opened at the first use; a missing one throws ConfigurationError.
//
// Created by the interface's GUI start; the windows belong to the GUI library.
class MenuSystem {
public:
    MenuSystem();
    ~MenuSystem();
    MenuSystem(const MenuSystem&) = delete;
    MenuSystem& operator=(const MenuSystem&) = delete;

    static MenuSystem& getSingleton();
    static MenuSystem* getSingletonPtr();
    static const Config& getConfig();
    // Writable: the help check boxes save "enabled" in it.
    static Config& getHelpConfig();

    // The first state, once the GUI has started: the help pane, the quit sheet with the main sheet
    // on it, the menu root in front, and help off when cfg/demo_help.cfg says so.
    void initialise();
    void createMainSheet();
    void createQuitSheet();
    bool openMainSheet(const CEGUI::EventArgs& args);
    void openMainSheet();

    // The play sheet: game mode, area, forces, difficulty; Start begins the game in command mode.
    // Its ship pictures (CodeNames::PICTURES) are images of this image set, which the GUI's start
    // loads.
    static constexpr const char* PICTURE_IMAGESET = "TaharezLook";
    void createPlaySheet();
    bool openPlaySheet(const CEGUI::EventArgs& args);
    void openPlaySheet();
    bool startGame(const CEGUI::EventArgs& args);
    // What the play sheet asks for. The enemy fleet is read for a skirmish only.
    struct GameSetUp {
        bool skirmish = false;
        std::string area;
        Scenario::FleetMap playerFleet;
        Scenario::FleetMap enemyFleet;
    };
    GameSetUp readGameSetUp() const;
    // The area the environment choice names. "Random" takes the name at the whole part of `draw`
    // (drawn in [0, n - 0.000001]), kept below n; with no area at all the game has none ("").
    static std::string chooseArea(const std::string& choice, const std::vector<std::string>& names, float draw);

    void createOptionsSheet();
    bool openOptionsSheet(const CEGUI::EventArgs& args);
    void createInSkirmishSheet();
    // Statistics of the player's weapons, shown at the end of a game over the main sheet.
    void createStatsSheet();
    void showStats();
    void updateStats();
    bool playAgain(const CEGUI::EventArgs& args);

    // Pauses the game and shows the top sheet.
    void showSheet();
    // Resumes the game and hides the menu; with the sound sheet on top the volumes are applied.
    void hideSheet();
    // Hides every stacked sheet, then shows the top one in front when the menu is shown.
    void showTop();
    void pushSheet(CEGUI::Window* window);
    // Removes the top sheet; nothing on an empty stack.
    void pop();
    void onBackCommand();

    // Leaves the tutorial (or whatever is on top) and shows the sheet under it.
    bool back(const CEGUI::EventArgs& args);
    void back();
    // As back, first entering the menu mode when the menu is hidden.
    bool resume(const CEGUI::EventArgs& args);
    void resume();
    // Runs the tutorial on top of the stack; the back key cancels it while it runs.
    bool startTutorial(const CEGUI::EventArgs& args);
    void startTutorial();

    // The pane "Help" at the bottom centre, with its label "Help/HelpLabel"; hidden.
    void createHelpPane();
    // With help on: shows the pane with the text "reset".
    void showHelpPane();
    void hideHelpPane();
    // The help text of the window the pointer entered, when it has one.
    bool showHelp(const CEGUI::EventArgs& args);
    void showHelpFor(const std::string& windowName);

    // Handlers of the sheets' buttons.
    bool onQuit(const CEGUI::EventArgs& args);
    bool closeMainSheet(const CEGUI::EventArgs& args);
    bool closePlaySheet(const CEGUI::EventArgs& args);
    bool closeStatsSheet(const CEGUI::EventArgs& args);
    bool closeOptionsSheet(const CEGUI::EventArgs& args);
    // Writes the key map first, so that the bindings just captured survive the run.
    bool closeControlSheet(const CEGUI::EventArgs& args);
    bool onInSkirmishResume(const CEGUI::EventArgs& args);
    bool onEndMission(const CEGUI::EventArgs& args);
    bool onDifficultyChanged(const CEGUI::EventArgs& args);

    // Control bindings. A row is the label "Label/<command>" at (x, y) and the button
    // "Button/<command>" at (x + 130, y) showing the command's input; a click on the button
    // captures the next input for the command (and the opposite direction for its partner).
    // Returns the y of the next row.
    float addBindingRow(const std::string& label, float y, float x, const std::string& command,
                        const std::string& partner);
    bool captureInput(InputHandler::SymbolNumber command, std::optional<InputHandler::SymbolNumber> partner);
    // The prompt "ChangeInput", built once and kept; hidden.
    void createChangeInputPopup();
    // The capture callback: returns whether the capture goes on. A completed binding is written
    // to the key map file at once.
    bool onInputSelected(InputType kind, std::uint32_t code, float value, InputHandler::SymbolNumber command,
                         std::optional<InputHandler::SymbolNumber> partner);
    void refreshBindingButton(const std::string& command);
    void refreshBindingButtons();
    // The 22 commands of the Control sheet, in the order their buttons are refreshed.
    static const std::vector<std::string>& getControlCommands();

    // The Control sheet, built on first use and kept.
    void createControlSheet();
    bool openControlSheet(const CEGUI::EventArgs& args);
    void openControlSheet();

    // Settings sheets, each built on its first opening and kept. The sound sheet applies a volume
    // when a slider's thumb is released and all four on Back; the others apply on Back.
    void createSoundSheet();
    void createAdvancedControlSheet();
    void createGameplaySheet();
    void createGraphicsSheet();
    bool openSoundSheet(const CEGUI::EventArgs& args);
    bool openAdvancedControlSheet(const CEGUI::EventArgs& args);
    bool openGameplaySheet(const CEGUI::EventArgs& args);
    bool openGraphicsSheet(const CEGUI::EventArgs& args);
    bool applySound(const CEGUI::EventArgs& args);
    bool closeSoundSheet(const CEGUI::EventArgs& args);
    bool closeAdvancedControlSheet(const CEGUI::EventArgs& args);
    bool closeGameplaySheet(const CEGUI::EventArgs& args);
    bool closeGraphicsSheet(const CEGUI::EventArgs& args);
    void applyAdvancedControl();
    void applyGameplay();
    void applyGraphics();

    // Flips help for every sheet: the Help check boxes follow, cfg/demo_help.cfg keeps the choice
    // and the pane is shown or hidden. Re-entry from the check boxes' own events is ignored.
    bool onHelpToggled(const CEGUI::EventArgs& args);

    bool isShown() const { return shown; }
    CEGUI::Window* getChangeInputPopup() const { return changeInputPopup; }
    CEGUI::Window* getControlSheet() const { return controlSheet; }
    CEGUI::Window* getMenuSheet() const { return menuSheet; }
    CEGUI::Window* getHelpPane() const { return helpPane; }
    const std::vector<CEGUI::Window*>& getStack() const { return stack; }
    TutorialWizard& getTutorialWizard() { return tutorialWizard; }
    bool isHelpEnabled() const { return helpEnabled; }
    void setHelpEnabled(bool enabled) { helpEnabled = enabled; }
    // Sheets the later menu set-up builds and the handlers here close.
    void setSoundSheet(CEGUI::Window* window) { soundSheet = window; }
    CEGUI::Window* getSoundSheet() const { return soundSheet; }
    CEGUI::Window* getAdvancedControlSheet() const { return advancedControlSheet; }
    CEGUI::Window* getGameplaySheet() const { return gameplaySheet; }
    CEGUI::Window* getGraphicsSheet() const { return graphicsSheet; }
    CEGUI::Window* getMainSheet() const { return mainSheet; }
    CEGUI::Window* getQuitSheet() const { return quitSheet; }
    CEGUI::Window* getPlaySheet() const { return playSheet; }
    CEGUI::Window* getOptionsSheet() const { return optionsSheet; }
    CEGUI::Window* getInSkirmishSheet() const { return inSkirmishSheet; }
    CEGUI::Window* getStatsSheet() const { return statsSheet; }
    // The menus' row height: the whole part of the main sheet's line spacing, plus 15.
    float rowHeight() const;

private:
    void openSheet(CEGUI::Window*& sheet, void (MenuSystem::*create)(), bool withHelp);
    // The help pane shows the window's help text while the mouse is over it.
    void showsHelp(CEGUI::Window& window);
    // Keeps the help choice in cfg/demo_help.cfg, adding the key when the file lacks it.
    void saveHelpEnabled() const;
    // The "Help" check box at (30, H - 30), selected, bound to onHelpToggled.
    void addHelpCheckbox(CEGUI::Window* sheet, const std::string& name, float height);
    // Hides the sheet, pops and shows the new top.
    bool closeSheet(CEGUI::Window* sheet);
    // A column of buttons centred across a sheet of the given width, the i-th at 2(i + 1) rows.
    void addButtonColumn(CEGUI::Window* sheet, float width,
                         const std::vector<std::pair<std::string, std::string>>& buttons,
                         const std::vector<bool (MenuSystem::*)(const CEGUI::EventArgs&)>& handlers);

    bool shown = false;
    CEGUI::Window* menuSheet;
    CEGUI::Window* quitSheet = nullptr;
    CEGUI::Window* mainSheet = nullptr;
    CEGUI::Window* helpPane = nullptr;
    CEGUI::Window* inSkirmishSheet = nullptr;
    TutorialWizard tutorialWizard;
    CEGUI::Window* playSheet = nullptr;
    CEGUI::Window* statsSheet = nullptr;
    CEGUI::Window* optionsSheet = nullptr;
    CEGUI::Window* controlSheet = nullptr;
    CEGUI::Window* soundSheet = nullptr;
    CEGUI::Window* changeInputPopup = nullptr;
    CEGUI::Window* advancedControlSheet = nullptr;
    CEGUI::Window* gameplaySheet = nullptr;
    CEGUI::Window* graphicsSheet = nullptr;
    bool helpToggleGuard = false;
    std::vector<CEGUI::Window*> stack;
    bool helpEnabled = true;
    InputHandler::EnterSubscription backSubscription;
    std::function<void()> backOverride;

    static MenuSystem* singleton;
};

} // namespace Tolvarine
