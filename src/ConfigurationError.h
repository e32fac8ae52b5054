#pragma once

#include <exception>

namespace Tolvarine {

// A configuration or data file lacks a required section or key, holds a malformed
// value, or names an unknown type, curve or resource.
// Carries no text: the code that throws writes its reason to the log first.
class ConfigurationError : public std::exception {
public:
    ConfigurationError() = default;
    ConfigurationError(const ConfigurationError&) = default;
    ConfigurationError& operator=(const ConfigurationError&) = default;
    ~ConfigurationError() override;
};

} // namespace Tolvarine
