#include "FatalError.h"

namespace Tolvarine {

FatalError::FatalError()
    : LoggedError("FatalError")
{
}

// Defined out of line so the type's vtable and type information live in one object file.
FatalError::~FatalError() = default;

} // namespace Tolvarine
