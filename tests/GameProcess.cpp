#include "GameProcess.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <regex>
#include <signal.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace Tolvarine::Test {

std::string readTextFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string withKeyLine(const std::string& text, const std::string& key, const std::string& line)
{
    const std::regex keyLine("(^|\n)" + key + " *=[^\n]*");
    return std::regex_replace(text, keyLine, "$1" + line, std::regex_constants::format_first_only);
}

bool waitForTextInFile(const fs::path& path, const std::string& text, std::chrono::seconds timeout)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (readTextFile(path).find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

namespace {

fs::path sourcePath(const std::string& relative)
{
    return fs::path(TOLVARINE_SOURCE_DIR) / relative;
}

// The game writes a screenshot while the test watches its folder: a PNG is whole once it ends with
// its closing chunk.
bool isWholePng(const fs::path& path)
{
    static const std::string closing("\0\0\0\0IEND\xae\x42\x60\x82", 12);
    const std::string bytes = readTextFile(path);
    return bytes.size() > closing.size() && bytes.compare(bytes.size() - closing.size(), closing.size(), closing) == 0;
}

} // namespace

void fillGameFolder(const fs::path& folder)
{
    const std::string command = "bash '" + sourcePath("tools/fill-game-folder.sh").string() + "' '" + folder.string() + "'";
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("could not fill the game folder " + folder.string());
}

GameProcess::GameProcess()
{
    std::random_device random;
    workFolder = fs::temp_directory_path() / ("tolvarine-game-" + std::to_string(::getpid()) + "-" +
                                              std::to_string(random()));
    fillGameFolder(workFolder);
}

GameProcess::~GameProcess()
{
    if (isRunning()) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    if (displayPid > 0) {
        ::kill(displayPid, SIGTERM);
        ::waitpid(displayPid, nullptr, 0);
    }
    std::error_code ignored;
    fs::remove_all(workFolder, ignored);
}

void GameProcess::startDisplay()
{
    int numberPipe[2];
    if (::pipe(numberPipe) != 0)
        return;
    displayPid = ::fork();
    if (displayPid == 0) {
        ::close(numberPipe[0]);
        const int devNull = ::open("/dev/null", O_RDWR);
        for (const int stream : {0, 1, 2})
            ::dup2(devNull, stream);
        const std::string fd = std::to_string(numberPipe[1]);
        ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "800x600x24", "-nolisten", "tcp",
                 static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(numberPipe[1]);
    // Xvfb writes its display number once it accepts connections.
    std::string number;
    char c = 0;
    while (::read(numberPipe[0], &c, 1) == 1 && c != '\n')
        number += c;
    ::close(numberPipe[0]);
    if (!number.empty())
        display = ":" + number;
}

void GameProcess::start()
{
    startDisplay();
    launch();
}

void GameProcess::startWithoutDisplay()
{
    launch();
}

void GameProcess::launch()
{
    const std::string binary = TOLVARINE_GAME_BINARY;
    const std::string out = (workFolder / "stdout.txt").string();
    const std::string err = (workFolder / "stderr.txt").string();
    pid = ::fork();
    if (pid == 0) {
        if (::chdir(workFolder.c_str()) != 0)
            ::_exit(127);
        // No terminal on standard input: the game must never wait for a person.
        const int in = ::open("/dev/null", O_RDONLY);
        const int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(in, 0);
        ::dup2(outFd, 1);
        ::dup2(errFd, 2);
        // The rendering engine's own echo coloured every line for terminals of this type.
        ::setenv("TERM", "xterm-256color", 1);
        if (display.empty())
            ::unsetenv("DISPLAY");
        else
            ::setenv("DISPLAY", display.c_str(), 1);
        ::execl(binary.c_str(), binary.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
}

bool GameProcess::isRunning()
{
    if (pid <= 0)
        return false;
    int status = 0;
    const pid_t result = ::waitpid(pid, &status, WNOHANG);
    if (result == 0)
        return true;
    if (result == pid) {
        exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        signalNumber = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    }
    pid = -1;
    return false;
}

bool GameProcess::sendSignal(int number)
{
    return isRunning() && ::kill(pid, number) == 0;
}

bool GameProcess::waitForLogLine(const std::string& text, std::chrono::seconds timeout)
{
    // The state is read before the log, so that a line written just before the exit still counts.
    for (const auto end = std::chrono::steady_clock::now() + timeout;;) {
        const bool running = isRunning();
        if (readTextFile(workFolder / "Tolvarine.log").find(text) != std::string::npos)
            return true;
        if (!running || std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

int GameProcess::waitForExit(std::chrono::seconds timeout)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (isRunning()) {
        if (std::chrono::steady_clock::now() >= end) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            pid = -1;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return exitCode;
}

int GameProcess::quitWithKeys(const std::string& scenario)
{
    const std::string unload = "Scenario " + scenario + " running unload...";
    bool unloading = false;
    for (int attempt = 0; attempt < 4 && !unloading; ++attempt)
        unloading = sendKey("F10") && waitForLogLine(unload, std::chrono::seconds(15));
    return dismissExitScreen();
}

int GameProcess::dismissExitScreen()
{
    for (int attempt = 0; attempt < 10 && isRunning(); ++attempt)
        sendKey("space"), std::this_thread::sleep_for(std::chrono::milliseconds(500));
    return waitForExit();
}

std::vector<std::string> GameProcess::logLines() const
{
    std::vector<std::string> lines;
    std::istringstream text(readTextFile(workFolder / "Tolvarine.log"));
    std::string line;
    while (std::getline(text, line)) {
        // The log writes a time stamp before each message: "hh:mm:ss: message".
        const std::size_t separator = line.find(": ");
        lines.push_back(separator == 8 ? line.substr(10) : line);
    }
    return lines;
}

bool GameProcess::logHas(const std::string& exactLine) const
{
    const std::vector<std::string> lines = logLines();
    return std::find(lines.begin(), lines.end(), exactLine) != lines.end();
}

std::string GameProcess::standardError() const
{
    return readTextFile(workFolder / "stderr.txt");
}

unsigned long GameProcess::windowId() const
{
    const std::string marker = "SDL_WINDOWID=";
    for (const std::string& line : logLines()) {
        const std::size_t at = line.find(marker);
        if (at != std::string::npos)
            return std::strtoul(line.c_str() + at + marker.size(), nullptr, 16);
    }
    return 0;
}

bool GameProcess::sendKey(const std::string& key) const
{
    return xdotool("key " + key);
}

bool GameProcess::holdKey(const std::string& key, bool down) const
{
    return xdotool((down ? "keydown " : "keyup ") + key);
}

bool GameProcess::click(int x, int y) const
{
    const unsigned long window = windowId();
    if (window == 0)
        return false;
    // The cursor goes far to the top left, where the GUI holds it in the corner, then across in
    // small steps with pauses, so that every frame sees a modest motion, and clicks. The game reads
    // raw motion, in which SDL drops a step equal to the one before within one millisecond: no two
    // steps in a row are alike. A negative move needs "--" before its numbers, and xdotool does not
    // read a chain of such moves as written, so each of those is a call of its own.
    const std::string prefix = "DISPLAY=" + display + " xdotool ";
    std::string command = prefix + "windowfocus --sync " + std::to_string(window) + "; ";
    for (int i = 0; i < 30; ++i)
        command += prefix + "mousemove_relative -- " + std::to_string(-100 + i % 2) + " -100; ";
    command += prefix + "sleep 0.3";
    for (int dx = x, dy = y, size = 50; dx > 0 || dy > 0; dx -= size, dy -= size, size = 99 - size)
        command += " mousemove_relative " + std::to_string(std::clamp(dx, 0, size)) + " " +
                   std::to_string(std::clamp(dy, 0, size)) + " sleep 0.04";
    command += " sleep 0.1 click 1";
    return std::system(("(" + command + ") >/dev/null 2>&1").c_str()) == 0;
}

bool GameProcess::clickUntil(int x, int y, const std::function<bool()>& done, int attempts) const
{
    for (int attempt = 0; attempt < attempts; ++attempt)
        if (click(x, y) && done())
            return true;
    return false;
}

bool GameProcess::xdotool(const std::string& arguments) const
{
    const unsigned long window = windowId();
    if (window == 0)
        return false;
    const std::string prefix = "DISPLAY=" + display + " xdotool ";
    const std::string command = prefix + "windowfocus --sync " + std::to_string(window) + " >/dev/null 2>&1 && " +
                                prefix + arguments + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

std::filesystem::path GameProcess::takeScreenshot() const
{
    const auto screenshots = [this] {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(workFolder))
            if (entry.path().filename().string().rfind("Tolvarine_", 0) == 0)
                found.push_back(entry.path());
        return found;
    };
    const std::vector<fs::path> before = screenshots();
    for (int attempt = 0; attempt < 100; ++attempt) {
        sendKey("Print");
        for (int wait = 0; wait < 10; ++wait) {
            for (const fs::path& file : screenshots())
                if (std::find(before.begin(), before.end(), file) == before.end() && isWholePng(file))
                    return file;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    return {};
}

} // namespace Tolvarine::Test
