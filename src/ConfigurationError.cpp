#include "ConfigurationError.h"

#include <utility>

namespace Tolvarine {

ConfigurationError::ConfigurationError()
    : LoggedError("ConfigurationError")
{
}

ConfigurationError::ConfigurationError(std::string reason)
    : LoggedError("ConfigurationError", std::move(reason))
{
}

// Defined out of line so the type's vtable and type information live in one object file.
ConfigurationError::~ConfigurationError() = default;

} // namespace Tolvarine
