#include <gtest/gtest.h>

#include <OgreLogManager.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// The folder under the build folder where each test process keeps its temporary files: CTest runs
// every test process through tools/own-display.sh, which gives it one there (TMPDIR) and removes
// it when the process ends, or at the next start after a kill.
std::filesystem::path scratchFolder()
{
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : program.parent_path() / "test-scratch";
}

// Whether TMPDIR is the folder that own-display.sh made: "<scratch>/<process>.<letters>/tmp".
bool hasOwnScratch(const std::filesystem::path& scratch)
{
    const char* const tmp = std::getenv("TMPDIR");
    if (!tmp)
        return false;
    const std::filesystem::path own = std::filesystem::path(tmp).lexically_normal();
    return own.filename() == "tmp" && own.parent_path().parent_path() == scratch.lexically_normal();
}

// The test program started by hand gets what CTest gives it: it starts itself again through
// tools/own-display.sh, so that its test folders stay out of the system's temporary folder, also
// when a test ends abnormally, and its windows get a virtual display of their own. Without Xvfb it
// runs as it is.
void runUnderOwnDisplay(int argc, char** argv)
{
    const std::filesystem::path scratch = scratchFolder();
    if (scratch.empty() || hasOwnScratch(scratch) || std::system("command -v Xvfb >/dev/null 2>&1") != 0)
        return;
    const std::string script = std::string(TOLVARINE_SOURCE_DIR) + "/tools/own-display.sh";
    const std::string program = std::filesystem::read_symlink("/proc/self/exe").string();
    std::vector<std::string> words{"bash", script, "--own-tmp", scratch.string(), program};
    for (int i = 1; i < argc; ++i)
        words.emplace_back(argv[i]);
    std::vector<char*> arguments;
    for (std::string& word : words)
        arguments.push_back(word.data());
    arguments.push_back(nullptr);
    ::execvp("bash", arguments.data());
}

} // namespace

// Every test process gets the program's log manager, as the game has, so code under test can
// write its log lines; the log stays in memory (no file) and tests read it through LogCapture.
int main(int argc, char** argv)
{
    runUnderOwnDisplay(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    Ogre::LogManager logManager;
    logManager.createLog("Tolvarine.log", true, false, true);
    return RUN_ALL_TESTS();
}
