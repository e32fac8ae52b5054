#pragma once

#include "WizardStage.h"

#include <string>

namespace CEGUI {
class FrameWindow;
class Window;
} // namespace CEGUI

namespace Tolvarine {

// The tutorial's first page, "Ship Control": the flight commands and the inputs they are bound
// to, read afresh every time the page is shown, so that a binding changed in the menus shows.
class ShipControlStage : public WizardStage {
public:
    explicit ShipControlStage(Wizard& wizard);

    void enter(bool forward) override;
    void leave(bool) override {}
    void finish() override {}

    // The tutorial pages' common frame: the title, no close button, no sizing, a 600 x 400 client
    // area, centred on the screen.
    static void layoutPage(CEGUI::FrameWindow& page, const std::string& title);
    // A static text at a place relative to the page; `wide` texts take 90 % of its width and a
    // tenth of its height, the others fit their text.
    static CEGUI::Window* addText(CEGUI::Window& page, const std::string& name, const std::string& text, float x,
                                  float y, bool wide);
    // "A / B": the inputs of two commands; a command without a binding shows an empty name.
    static std::string pairText(const std::string& first, const std::string& second);
    // Sets the text of the window the page made under that name and fits the window to it.
    static void showText(const std::string& name, const std::string& text);

protected:
    void buildPage() override;
};

} // namespace Tolvarine
