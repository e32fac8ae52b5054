#include "TypeFiles.h"

#include "ConfigFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace Tolvarine {
namespace {

std::vector<std::string> names(const std::vector<std::filesystem::path>& files)
{
    std::vector<std::string> result;
    for (const auto& file : files)
        result.push_back(file.filename().string());
    return result;
}

TEST(TypeFiles, OneFilePerTypeInNameOrderPlainBeforeTwin)
{
    Tolvarine::Test::TemporaryFolder folder;
    for (const char* name : {"zeta.ship", "alpha.shipx", "beta.ship", "beta.shipx", ".hidden.ship", "notes.txt",
                             "gamma.SHIP", "delta.ships", "beta_two.ship"})
        Tolvarine::Test::writeFile(folder.file(name), "[Ship]\n");
    std::filesystem::create_directories(folder.file("sub.ship"));
    Tolvarine::Test::writeFile(folder.file("sub.ship/inner.ship"), "[Ship]\n");

    std::vector<std::filesystem::path> files;
    ASSERT_TRUE(TypeFiles::list(folder.file(""), ".ship", files));
    // A twin alone stands for its type; beside its plain file it is left out. Case counts, dot
    // files, folders and their contents are not types.
    EXPECT_EQ(names(files), (std::vector<std::string>{"alpha.shipx", "beta.ship", "beta_two.ship", "zeta.ship"}));

    files.emplace_back("stale");
    EXPECT_FALSE(TypeFiles::list(folder.file("missing"), ".ship", files));
    EXPECT_TRUE(files.empty());
}

} // namespace
} // namespace Tolvarine
