#pragma once

#include "GuiInjector.h"

namespace Tolvarine {

// Hands the input handler's GUI input to the GUI library's default context: key scan codes,
// characters, mouse buttons and mouse motion, in the library's own numbering.
class GuiContextInjector : public GuiInjector {
public:
    void injectKeyDown(unsigned scanCode) override;
    void injectKeyUp(unsigned scanCode) override;
    void injectChar(char32_t character) override;
    void injectMouseButtonDown(int button) override;
    void injectMouseButtonUp(int button) override;
    void injectMouseMove(float deltaX, float deltaY) override;
};

} // namespace Tolvarine
