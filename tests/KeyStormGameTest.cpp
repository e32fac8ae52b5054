// A careless player's hands on the whole game: a seeded random stream of every bound key but quit,
// mouse moves and clicks (tools/key_stream.py, which tools/storm.sh runs for longer) sent from the
// main menu for a minute; a game left through its menus starts again. A signal, an exit code other
// than 0, or a line of tools/storm-failure-lines.txt in the log or on standard error fails the
// run. The failure names the seed and writes the stream that game got as an .xdo file, which
// `bash tools/storm.sh 5 FILE` replays. TOLVARINE_STORM_SEED runs another seed.
#include "MenuWalk.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

namespace Tolvarine::Test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr auto STORM = std::chrono::seconds(60);
constexpr unsigned long DEFAULT_SEED = 24;
// More batches than a minute takes (each takes a second or two).
constexpr int BATCHES = 600;

fs::path toolPath(const std::string& name)
{
    return fs::path(TOLVARINE_SOURCE_DIR) / "tools" / name;
}

std::vector<std::string> outputLines(const std::string& command)
{
    std::vector<std::string> lines;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return lines;
    std::string line;
    for (int c = std::fgetc(pipe); c != EOF; c = std::fgetc(pipe))
        c == '\n' ? (lines.push_back(line), line.clear()) : line.push_back(char(c));
    ::pclose(pipe);
    return lines;
}

std::vector<std::string> failureTexts()
{
    std::vector<std::string> texts;
    std::istringstream file(readTextFile(toolPath("storm-failure-lines.txt")));
    for (std::string line; std::getline(file, line);)
        if (!line.empty() && line[0] != '#')
            texts.push_back(line);
    return texts;
}

std::string lastLines(const std::string& text, std::size_t count)
{
    std::size_t from = text.size();
    for (std::size_t found = 0; from > 0 && found <= count;)
        found += text[--from] == '\n';
    return text.substr(from);
}

// What went wrong with a game that ended with `exitCode`; empty when nothing did.
std::string failureOf(const GameProcess& game, int exitCode, const std::vector<std::string>& texts)
{
    std::string failure;
    if (game.endingSignal() != 0)
        failure += "died by signal " + std::to_string(game.endingSignal()) + " (" + strsignal(game.endingSignal()) + ")\n";
    else if (exitCode == -1)
        failure += "did not end when quit\n";
    else if (exitCode != 0)
        failure += "ended with exit code " + std::to_string(exitCode) + "\n";
    std::istringstream output(readTextFile(game.folder() / "Tolvarine.log") + game.standardError());
    for (std::string line; std::getline(output, line);)
        if (std::any_of(texts.begin(), texts.end(), [&](const std::string& text) { return line.find(text) != std::string::npos; }))
            failure += "failure line: " + line + "\n";
    return failure;
}

// The stream a failed game got, as an .xdo file, and its log, kept in the working folder as NAME.xdo
// and NAME.log; where they are, and the ends of the log and of standard error.
std::string keepForReplay(const GameProcess& game, const std::string& name, const std::vector<std::string>& batches)
{
    std::ofstream replay(name + ".xdo");
    for (const std::string& batch : batches)
        replay << batch << '\n';
    fs::copy_file(game.folder() / "Tolvarine.log", name + ".log", fs::copy_options::overwrite_existing);
    return "its stream (" + std::to_string(batches.size()) + " batches): " + fs::absolute(name + ".xdo").string() +
           "\nits log: " + fs::absolute(name + ".log").string() + "\nthe log's end:\n" +
           lastLines(readTextFile(game.folder() / "Tolvarine.log"), 15) + "standard error's end:\n" +
           lastLines(game.standardError(), 15);
}

// The quit key until the scenario unloads, then a key on the exit screen (where the quit key also
// ends the game); the exit code.
int quit(GameProcess& game)
{
    const std::size_t unloads = MenuWalk::countLines(game, "running unload...");
    for (int attempt = 0; attempt < 6 && game.isRunning(); ++attempt)
        if (game.sendKey("F10") && MenuWalk::waitForLines(game, "running unload...", unloads + 1, 10))
            break;
    return game.dismissExitScreen();
}

TEST(KeyStormGame, AMinuteOfRandomKeysMovesAndClicksFromTheMainMenuEndsNoGameButThroughItsMenus)
{
    if (!MenuWalk::hasXTools())
        GTEST_SKIP() << "needs Xvfb and xdotool";
    const char* chosen = std::getenv("TOLVARINE_STORM_SEED");
    const unsigned long seed = chosen ? std::strtoul(chosen, nullptr, 10) : DEFAULT_SEED;
    const std::vector<std::string> stream = outputLines(
        "python3 " + toolPath("key_stream.py").string() + " " + std::to_string(seed) + " " + std::to_string(BATCHES));
    ASSERT_EQ(stream.size(), std::size_t(BATCHES)) << "tools/key_stream.py";
    const std::vector<std::string> texts = failureTexts();
    ASSERT_FALSE(texts.empty()) << "tools/storm-failure-lines.txt";

    const auto end = Clock::now() + STORM;
    std::size_t next = 0;
    int number = 1;
    for (; Clock::now() < end && next < stream.size(); ++number) {
        GameProcess game;
        game.start();
        ASSERT_TRUE(game.waitForLogLine("Scenario Startup loaded.", std::chrono::seconds(120))) << game.standardError();
        const std::size_t first = next;
        while (Clock::now() < end && next < stream.size() && game.isRunning())
            game.xdotool(stream[next++]);
        const int exitCode = game.isRunning() ? quit(game) : game.waitForExit();
        const std::string failure = failureOf(game, exitCode, texts);
        if (failure.empty())
            continue;
        const std::vector<std::string> got(stream.begin() + std::ptrdiff_t(first), stream.begin() + std::ptrdiff_t(next));
        FAIL() << "game " << number << " of the storm with seed " << seed << " " << failure
               << keepForReplay(game, "key-storm-" + std::to_string(seed) + "-game" + std::to_string(number), got);
    }
    std::cout << "Key storm with seed " << seed << ": " << next << " batches into " << number - 1 << " games\n";
}

} // namespace
} // namespace Tolvarine::Test
