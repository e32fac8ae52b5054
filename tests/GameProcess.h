#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace Tolvarine::Test {

// The whole game as a child process on a virtual display of its own, run in a working folder of its own that holds a copy of the
// repository's cfg/ and data/, the plug-in list, video options and start-up script (fillGameFolder). Tests change
// that folder before start() to provoke failures, send keys to the game window with xdotool and
// read the game's log.
class GameProcess {
public:
    GameProcess();
    ~GameProcess();
    GameProcess(const GameProcess&) = delete;
    GameProcess& operator=(const GameProcess&) = delete;

    const std::filesystem::path& folder() const { return workFolder; }

    void start();
    // Starts the game with no X display at all.
    void startWithoutDisplay();
    // Waits until the log holds a line that contains `text`; false when the game ended first or
    // the time ran out.
    bool waitForLogLine(const std::string& text, std::chrono::seconds timeout = std::chrono::seconds(60));
    // Waits for the game to end; its exit code, or -1 when it had to be killed.
    int waitForExit(std::chrono::seconds timeout = std::chrono::seconds(60));
    bool isRunning();
    // Sends the running game a signal (the hang-up of a closed terminal, say); false when it has
    // ended.
    bool sendSignal(int number);
    // The signal that ended the game (its exit code is then -1); 0 while it runs, after an exit of
    // its own and after waitForExit had to kill it.
    int endingSignal() const { return signalNumber; }
    // F10, pressed again while the scenario `name` does not unload, then the exit screen
    // dismissed; the exit code.
    int quitWithKeys(const std::string& scenario);
    // Presses space until the exit screen lets the game end; its exit code.
    int dismissExitScreen();

    // The X11 window id the game logged; 0 before it did.
    unsigned long windowId() const;
    // Sends one key (an xdotool key name) to the game window.
    bool sendKey(const std::string& key) const;
    // Presses or lets go of a key in the game window, for keys that are held.
    bool holdKey(const std::string& key, bool down) const;
    // Clicks the left mouse button with the GUI cursor at (x, y) pixels of the game window. The
    // cursor follows the mouse's relative motion, so it is first pushed into the top-left corner.
    bool click(int x, int y) const;
    // Clicks at (x, y) until `done` holds, at most `attempts` times: a busy display now and then
    // loses a click's motion, so every click is checked by its effect.
    bool clickUntil(int x, int y, const std::function<bool()>& done, int attempts = 4) const;
    // Runs xdotool with its arguments (a mouse button held, say) after focusing the game window.
    bool xdotool(const std::string& arguments) const;
    // Presses the screenshot key until a new "Tolvarine_*.png" appears; its path, or empty.
    std::filesystem::path takeScreenshot() const;

    std::vector<std::string> logLines() const;
    bool logHas(const std::string& exactLine) const;
    std::string standardError() const;

private:
    // Each game gets an X server of its own, so that keyboard focus is never shared with the
    // windows of tests running beside it.
    void startDisplay();
    void launch();

    std::filesystem::path workFolder;
    std::string display;
    int displayPid = -1;
    int pid = -1;
    int exitCode = -1;
    int signalNumber = 0;
};

// Fills `folder` with what the game reads at run time, by tools/fill-game-folder.sh: the shipped
// files of the repository's cfg/ and data/ (none that git ignores, so no enciphered twin or other
// leftover of an earlier run there), the plug-in list, the windowed video options and the
// start-up script. Throws std::runtime_error when the copy fails.
void fillGameFolder(const std::filesystem::path& folder);

// A whole file as text; empty when it cannot be read.
std::string readTextFile(const std::filesystem::path& path);
// The settings or data file's text with the first line of `key` replaced whole by `line` (dropped
// when `line` is empty); the text as it was when no line gives the key.
std::string withKeyLine(const std::string& text, const std::string& key, const std::string& line);
// Waits until the file (written by a game's script, say) holds `text`; false when the time ran out.
bool waitForTextInFile(const std::filesystem::path& path, const std::string& text,
                       std::chrono::seconds timeout = std::chrono::seconds(60));

} // namespace Tolvarine::Test
