#pragma once

#include <exception>
#include <memory>
#include <string>

namespace Tolvarine {

// An error whose thrower writes its reason to the game's log first (ConfigurationError,
// FatalError). It carries that reason as its text, so that where the error is met outside the log
// (a script that called the game, which gets it as a RuntimeError) it still says why: the reason
// given, or else the last line the throwing thread wrote through GameLog.
class LoggedError : public std::exception {
public:
    LoggedError(const LoggedError&) = default;
    LoggedError& operator=(const LoggedError&) = default;
    ~LoggedError() override;

    // The reason; the name of the error when none was logged.
    const char* what() const noexcept override;

protected:
    // `name` stands in when there is no reason.
    LoggedError(const char* name, std::string reason);
    explicit LoggedError(const char* name);

private:
    // Shared, so that copying the error (as throwing does) never allocates.
    std::shared_ptr<const std::string> reason;
};

} // namespace Tolvarine
