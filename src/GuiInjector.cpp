#include "GuiInjector.h"

namespace Tolvarine {

// Defined out of line so the interface's vtable lives in one object file.
GuiInjector::~GuiInjector() = default;

} // namespace Tolvarine
