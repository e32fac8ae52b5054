#include "LoggedError.h"

#include "GameLog.h"

#include <utility>

namespace Tolvarine {

LoggedError::LoggedError(const char* name, std::string text)
    : reason(std::make_shared<const std::string>(text.empty() ? std::string(name) : std::move(text)))
{
}

LoggedError::LoggedError(const char* name)
    : LoggedError(name, GameLog::takeLastLine())
{
}

LoggedError::~LoggedError() = default;

const char* LoggedError::what() const noexcept
{
    return reason->c_str();
}

} // namespace Tolvarine
