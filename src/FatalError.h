#pragma once

#include <exception>

namespace Tolvarine {

// A broken invariant of the program (an unknown pool type, an invalid mode).
// Carries no text: the code that throws writes its reason to the log first.
class FatalError : public std::exception {
public:
    FatalError() = default;
    FatalError(const FatalError&) = default;
    FatalError& operator=(const FatalError&) = default;
    ~FatalError() override;
};

} // namespace Tolvarine
