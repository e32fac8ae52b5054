// What a new player sees of the whole game on a first run: the exit's profile report, the terminal
// echo, the sound device at the end, and broken data that stops the start-up with its reason.
#include "GameProcess.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace Tolvarine::Test {
namespace {

namespace fs = std::filesystem;

bool haveXvfb()
{
    return std::system("command -v Xvfb >/dev/null 2>&1 && command -v xdotool >/dev/null 2>&1") == 0;
}

std::string readText(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// Echo lines carry no terminal codes, even for a terminal type that has colours; the sound device
// is closed before the process ends, so the sound library does not complain at its exit.
void expectCleanTerminal(const GameProcess& game)
{
    EXPECT_EQ(readText(game.folder() / "stdout.txt").find('\x1b'), std::string::npos);
    EXPECT_EQ(game.standardError().find('\x1b'), std::string::npos);
    EXPECT_EQ(game.standardError().find("alc_cleanup"), std::string::npos) << game.standardError();
}

class FirstRunGame : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!haveXvfb())
            GTEST_SKIP() << "needs Xvfb and xdotool";
        // The rendering engine's own echo coloured every line for terminals of this type.
        ::setenv("TERM", "xterm-256color", 1);
    }
};

TEST_F(FirstRunGame, QuittingWritesTheRunningScenarioIntoTheExitReport)
{
    GameProcess game;
    game.start();
    ASSERT_TRUE(game.waitForLogLine("Scenario Startup loaded.")) << game.standardError();
    ASSERT_TRUE(game.sendKey("F10"));
    ASSERT_TRUE(game.waitForLogLine("Scenario Startup running unload..."));
    ASSERT_TRUE(game.sendKey("space"));
    ASSERT_EQ(game.waitForExit(), 0) << game.standardError();
    const std::string report = readText(game.folder() / "Profile.log");
    EXPECT_NE(report.find("\nStartup\n"), std::string::npos) << report;
    EXPECT_EQ(report.find("No scenario"), std::string::npos) << report;
    expectCleanTerminal(game);
}

TEST_F(FirstRunGame, BrokenDataEndsTheStartUpWithItsLogLine)
{
    std::mt19937 bytes(21);
    std::string noise;
    for (int i = 0; i < 4096; ++i)
        noise += static_cast<char>(bytes() & 0xff);
    struct Row {
        const char* name;
        const char* file;
        std::string text;
        const char* logged; // the start of a log line the failure writes
    };
    const Row rows[] = {
        {"tuning value that does not convert", "cfg/active.keymap",
         "[General]\nmouse_sensitivity = fast\n[Mapping]\nquit = F10\n", "fast failed lexical cast ("},
        {"projectile type of random bytes", "data/entities/mass_driver_slug.fireable", noise,
         "ConfigurationError caught at top-level"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        GameProcess game;
        std::ofstream(game.folder() / row.file, std::ios::binary | std::ios::trunc) << row.text;
        game.start();
        EXPECT_EQ(game.waitForExit(), 1) << game.standardError();
        bool found = false;
        for (const std::string& line : game.logLines())
            found = found || line.rfind(row.logged, 0) == 0;
        EXPECT_TRUE(found) << row.logged;
        EXPECT_FALSE(game.logHas("Scenario Startup loaded."));
        expectCleanTerminal(game);
    }
}

} // namespace
} // namespace Tolvarine::Test
