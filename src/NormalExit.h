#pragma once

#include <exception>

namespace Tolvarine {

// Starts the exit sequence: thrown by the action "quit" and by a cancelled video
// options dialog; the main loop shows the exit screen when it catches it.
// Carries no text: the code that throws writes its reason to the log first.
class NormalExit : public std::exception {
public:
    NormalExit() = default;
    NormalExit(const NormalExit&) = default;
    NormalExit& operator=(const NormalExit&) = default;
    ~NormalExit() override;
};

} // namespace Tolvarine
