#include "GuiContextInjector.h"

#include <CEGUI/GUIContext.h>
#include <CEGUI/System.h>

namespace Tolvarine {

namespace {

CEGUI::GUIContext& context()
{
    return CEGUI::System::getSingleton().getDefaultGUIContext();
}

} // namespace

void GuiContextInjector::injectKeyDown(unsigned scanCode)
{
    context().injectKeyDown(static_cast<CEGUI::Key::Scan>(scanCode));
}

void GuiContextInjector::injectKeyUp(unsigned scanCode)
{
    context().injectKeyUp(static_cast<CEGUI::Key::Scan>(scanCode));
}

void GuiContextInjector::injectChar(char32_t character)
{
    context().injectChar(static_cast<CEGUI::String::value_type>(character));
}

void GuiContextInjector::injectMouseButtonDown(int button)
{
    context().injectMouseButtonDown(static_cast<CEGUI::MouseButton>(button));
}

void GuiContextInjector::injectMouseButtonUp(int button)
{
    context().injectMouseButtonUp(static_cast<CEGUI::MouseButton>(button));
}

void GuiContextInjector::injectMouseMove(float deltaX, float deltaY)
{
    context().injectMouseMove(deltaX, deltaY);
}

} // namespace Tolvarine
