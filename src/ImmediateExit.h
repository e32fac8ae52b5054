#pragma once

#include <exception>

namespace Tolvarine {

// Ends the main loop: thrown by the first key press once the exit screen is up.
// Carries no text: the code that throws writes its reason to the log first.
class ImmediateExit : public std::exception {
public:
    ImmediateExit() = default;
    ImmediateExit(const ImmediateExit&) = default;
    ImmediateExit& operator=(const ImmediateExit&) = default;
    ~ImmediateExit() override;
};

} // namespace Tolvarine
