#include "ConfigurationError.h"

namespace Tolvarine {

// Defined out of line so the type's vtable and type information live in one object file.
ConfigurationError::~ConfigurationError() = default;

} // namespace Tolvarine
