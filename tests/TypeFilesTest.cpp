#include "TypeFiles.h"

#include "ConfigFiles.h"

#include <gtest/gtest.h>

namespace Tolvarine {
namespace {

// A twin alone stands for its type; beside its plain file it is left out. Case counts, dot files,
// folders and their contents are not types; a missing folder lists nothing.
TEST(TypeFiles, OneFilePerTypeInNameOrderPlainBeforeTwin)
{
    Tolvarine::Test::TemporaryFolder folder;
    std::filesystem::create_directories(folder.file("sub.ship"));
    for (const char* name : {"zeta.ship", "alpha.shipx", "beta.ship", "beta.shipx", ".hidden.ship", "notes.txt",
                             "gamma.SHIP", "delta.ships", "beta_two.ship", "sub.ship/inner.ship"})
        Tolvarine::Test::writeFile(folder.file(name), "[Ship]\n");
    std::vector<std::filesystem::path> files;
    ASSERT_TRUE(TypeFiles::list(folder.file(""), ".ship", files));
    std::vector<std::string> names;
    for (const auto& file : files)
        names.push_back(file.filename().string());
    EXPECT_EQ(names, (std::vector<std::string>{"alpha.shipx", "beta.ship", "beta_two.ship", "zeta.ship"}));
    EXPECT_FALSE(TypeFiles::list(folder.file("missing"), ".ship", files));
    EXPECT_TRUE(files.empty());
}

} // namespace
} // namespace Tolvarine
