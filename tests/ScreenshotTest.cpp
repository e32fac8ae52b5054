#include "Screenshot.h"

#include "ConfigFiles.h"
#include "LogCapture.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace Tolvarine {
namespace {

using Tolvarine::Test::fileExists;

// The disk is full after 1 KiB: the file-size limit fails any write beyond it.
bool writtenOnFullDisk(const std::string& path, const std::string& picture)
{
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit fullDisk{1024, 1024};
    return setrlimit(RLIMIT_FSIZE, &fullDisk) != 0 || Screenshot::writeFile(path, picture) || fileExists(path);
}

// A picture that cannot be written whole is logged and leaves no file behind: neither in a folder
// that does not exist nor on a full disk.
TEST(Screenshot, APictureThatCannotBeWrittenWholeIsLoggedAndLeavesNoFile)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Tolvarine::Test::TemporaryFolder folder;
    const std::string picture(1 << 16, 'p');
    Tolvarine::Test::LogCapture log;
    EXPECT_FALSE(Screenshot::writeFile(folder.file("no/such/shot.png"), picture));
    EXPECT_TRUE(log.contains("Screenshot " + folder.file("no/such/shot.png") + " could not be written: No such file or directory"));
    EXPECT_EXIT(std::exit(writtenOnFullDisk(folder.file("full.png"), picture) ? 1 : 0), testing::ExitedWithCode(0), "");
    EXPECT_TRUE(Screenshot::writeFile(folder.file("shot.png"), picture));
    EXPECT_EQ(Tolvarine::Test::readFile(folder.file("shot.png")), picture);
}

} // namespace
} // namespace Tolvarine
