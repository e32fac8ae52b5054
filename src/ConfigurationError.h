#pragma once

#include "LoggedError.h"

#include <string>

namespace Tolvarine {

// A configuration or data file lacks a required section or key, holds a malformed
// value, or names an unknown type, curve or resource.
// The code that throws writes its reason to the log first; the error carries that line as its
// text (LoggedError), or the reason given when nothing was logged.
class ConfigurationError : public LoggedError {
public:
    ConfigurationError();
    explicit ConfigurationError(std::string reason);
    ConfigurationError(const ConfigurationError&) = default;
    ConfigurationError& operator=(const ConfigurationError&) = default;
    ~ConfigurationError() override;
};

} // namespace Tolvarine
