#include "NormalExit.h"

namespace Tolvarine {

// Defined out of line so the type's vtable and type information live in one object file.
NormalExit::~NormalExit() = default;

} // namespace Tolvarine
