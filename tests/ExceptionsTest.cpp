#include "ConfigurationError.h"
#include "FatalError.h"
#include "ImmediateExit.h"
#include "NormalExit.h"

#include <gtest/gtest.h>

#include <string>

namespace Tolvarine {
namespace {

// The top level tells the program's exceptions apart only by type and logs std::exception's
// own text for a FatalError, so none of them may carry or invent a message.
template <typename E>
std::string caughtAs()
{
    try {
        throw E();
    } catch (const NormalExit&) {
        return "NormalExit";
    } catch (const ConfigurationError&) {
        return "ConfigurationError";
    } catch (const std::exception& e) {
        return std::string("std::exception: ") + e.what();
    } catch (...) {
        return "unknown";
    }
}

TEST(Exceptions, TopLevelCatchOrderSeesEachTypeAsItself)
{
    EXPECT_EQ(caughtAs<NormalExit>(), "NormalExit");
    EXPECT_EQ(caughtAs<ConfigurationError>(), "ConfigurationError");
    EXPECT_EQ(caughtAs<FatalError>(), std::string("std::exception: ") + std::exception().what());
    EXPECT_EQ(caughtAs<ImmediateExit>(), std::string("std::exception: ") + std::exception().what());
}

} // namespace
} // namespace Tolvarine
