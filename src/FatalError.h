#pragma once

#include "LoggedError.h"

namespace Tolvarine {

// A broken invariant of the program (an unknown pool type, an invalid mode).
// The code that throws writes its reason to the log first; the error carries that line as its
// text (LoggedError).
class FatalError : public LoggedError {
public:
    FatalError();
    FatalError(const FatalError&) = default;
    FatalError& operator=(const FatalError&) = default;
    ~FatalError() override;
};

} // namespace Tolvarine
