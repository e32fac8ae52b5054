#include "ConfigFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <iterator>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

namespace Tolvarine::Test {
namespace {

namespace fs = std::filesystem;

const std::string OWN_DISPLAY = std::string(TOLVARINE_SOURCE_DIR) + "/tools/own-display.sh";

std::size_t entries(const fs::path& folder)
{
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// Whether a folder of `scratch` holds a temporary folder with the file `made` in it.
bool madeInScratch(const fs::path& scratch)
{
    for (const fs::directory_entry& entry : fs::directory_iterator(scratch)) {
        if (fs::exists(entry.path() / "tmp" / "made"))
            return true;
    }
    return false;
}

// The script and its command in a process group of their own, with `systemTmp` as the system's
// temporary folder; the group's id.
pid_t startInGroup(const fs::path& scratch, const fs::path& systemTmp, const char* command)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setpgid(0, 0);
        ::setenv("TMPDIR", systemTmp.c_str(), 1);
        ::execl("/bin/bash", "bash", OWN_DISPLAY.c_str(), "--own-tmp", scratch.c_str(), "sh", "-c", command,
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::setpgid(pid, pid);
    return pid;
}

int waitFor(pid_t pid)
{
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

// CTest ends a test past its timeout with SIGKILL, the script and everything it started, so no
// trap of the script's runs: what the test made stays where it was. It must not stay in the
// system's temporary folder, and the next test's start must remove it.
TEST(OwnDisplay, WhatATestKilledByItsTimeoutMadeGoesAtTheNextStartAndNothingReachesTheSystemsTemporaryFolder)
{
    if (std::system("command -v Xvfb >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs Xvfb";
    TemporaryFolder folder;
    const fs::path scratch = folder.file("scratch"), systemTmp = folder.file("system-tmp");
    fs::create_directories(systemTmp);

    const auto waitUntil = [](const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!done() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return done();
    };
    const char* const keepsRunning = "touch \"$TMPDIR/made\" && exec sleep 60";
    const char* const findsItsOwnEmpty = "test -z \"$(ls -A \"$TMPDIR\")\"";

    const pid_t killed = startInGroup(scratch, systemTmp, keepsRunning);
    ASSERT_TRUE(waitUntil([&] { return fs::exists(scratch) && madeInScratch(scratch); })) << "the command never ran";
    ::kill(-killed, SIGKILL);
    EXPECT_TRUE(WIFSIGNALED(waitFor(killed)));
    EXPECT_EQ(entries(scratch), 1u) << "the kill left nothing to sweep";
    EXPECT_EQ(waitFor(startInGroup(scratch, systemTmp, findsItsOwnEmpty)), 0);
    EXPECT_EQ(entries(scratch), 0u) << "the next start left the killed test's folder";

    // A test that still runs beside the next one keeps its folder, and removes it when ended.
    const pid_t running = startInGroup(scratch, systemTmp, keepsRunning);
    ASSERT_TRUE(waitUntil([&] { return madeInScratch(scratch); }));
    EXPECT_EQ(waitFor(startInGroup(scratch, systemTmp, findsItsOwnEmpty)), 0);
    EXPECT_EQ(entries(scratch), 1u);
    ::kill(-running, SIGTERM);
    waitFor(running);
    EXPECT_EQ(entries(scratch), 0u);
    EXPECT_EQ(entries(systemTmp), 0u);
}

// The test program started by hand, with the system's temporary folder in TMPDIR, starts itself
// again as CTest starts it: its temporary folder lies under the build folder's test-scratch and
// goes when it ends.
TEST(OwnDisplay, TheTestProgramStartedByHandKeepsItsTemporaryFolderUnderTheBuildFolder)
{
    if (std::system("command -v Xvfb >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs Xvfb";
    TemporaryFolder folder;
    const fs::path systemTmp = folder.file("system-tmp"), report = folder.file("report");
    fs::create_directories(systemTmp);
    const fs::path program = fs::read_symlink("/proc/self/exe");
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("TMPDIR", systemTmp.c_str(), 1);
        ::setenv("TOLVARINE_TMP_REPORT", report.c_str(), 1);
        ::execl(program.c_str(), program.c_str(), "--gtest_filter=OwnDisplay.ReportsItsTemporaryFolder",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    const int status = waitFor(pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    const std::string used = readFile(report);
    EXPECT_EQ(used.rfind((program.parent_path() / "test-scratch").string() + "/", 0), 0u) << used;
    EXPECT_FALSE(fs::exists(used)) << used << " outlived the program";
    EXPECT_EQ(entries(systemTmp), 0u);
}

// Run by the test above, which names the file to write in TOLVARINE_TMP_REPORT.
TEST(OwnDisplay, ReportsItsTemporaryFolder)
{
    const char* const report = std::getenv("TOLVARINE_TMP_REPORT");
    if (!report)
        GTEST_SKIP() << "run by TheTestProgramStartedByHandKeepsItsTemporaryFolderUnderTheBuildFolder";
    std::ofstream(report) << fs::temp_directory_path().string();
}

} // namespace
} // namespace Tolvarine::Test
