#pragma once

namespace Tolvarine {

// Where the input handler sends keys, characters and mouse input while the GUI is shown. The
// GUI layer implements it over its own library and registers itself with
// InputHandler::setGuiInjector; the input handler knows nothing of that library.
class GuiInjector {
public:
    GuiInjector() = default;
    GuiInjector(const GuiInjector&) = delete;
    GuiInjector& operator=(const GuiInjector&) = delete;
    virtual ~GuiInjector();

    // scanCode is the GUI library's keyboard scan code (SdlTranslation::guiScanCode).
    virtual void injectKeyDown(unsigned scanCode) = 0;
    virtual void injectKeyUp(unsigned scanCode) = 0;
    virtual void injectChar(char32_t character) = 0;
    // button is the GUI library's button number (InputHandler::toGuiMouseButton).
    virtual void injectMouseButtonDown(int button) = 0;
    virtual void injectMouseButtonUp(int button) = 0;
    virtual void injectMouseMove(float deltaX, float deltaY) = 0;
};

} // namespace Tolvarine
