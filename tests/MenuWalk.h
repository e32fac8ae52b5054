#pragma once

#include "GameProcess.h"
#include "PngImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// Steps through the real game's menus as a player does: clicks on the sheets' widgets, each
// checked by its effect (a log line or a look at the screen) and made again when a busy display
// lost it.
namespace Tolvarine::Test::MenuWalk {

// A place on the screen, in pixels from its centre: the sheets are centred on the 1024 x 768
// window, so their widgets stand at fixed offsets in the shipped font.
struct Spot {
    int dx;
    int dy;
};

constexpr Spot MAIN_TUTORIAL{0, -63}, MAIN_PLAY{0, -3}, MAIN_OPTIONS{0, 57}, MAIN_QUIT{0, 117};
constexpr Spot QUIT_GAME{-45, 20};
constexpr Spot PLAY_SURVIVAL{-44, -145}, PLAY_SKIRMISH{-44, -124}, PLAY_DIFFICULTY_TOP{136, -122},
    PLAY_TRIFIGHTERS{54, -3}, PLAY_TRIFIGHTERS_ONE{44, 26}, PLAY_START{132, 175};
constexpr Spot STATS_HEADER{-118, -109}, STATS_MAIN{-24, 157};
constexpr Spot OPTIONS_CONTROL{0, -85};
constexpr Spot CONTROL_FORWARD{-151, 13}, CONTROL_BACK{253, 220};
constexpr Spot TUTORIAL_NEXT{104, 184};
constexpr Spot IN_MISSION_END{0, 65};

inline bool hasXTools()
{
    return std::system("command -v Xvfb >/dev/null 2>&1 && command -v xdotool >/dev/null 2>&1") == 0;
}

inline std::size_t countLines(const GameProcess& game, const std::string& text)
{
    const std::vector<std::string> lines = game.logLines();
    return std::size_t(std::count_if(lines.begin(), lines.end(),
                                     [&](const std::string& line) { return line.find(text) != std::string::npos; }));
}

// Waits until the log holds `count` lines with the text.
inline bool waitForLines(const GameProcess& game, const std::string& text, std::size_t count, int seconds)
{
    for (int wait = 0; wait <= seconds * 10; ++wait, std::this_thread::sleep_for(std::chrono::milliseconds(100)))
        if (countLines(game, text) >= count)
            return true;
    return false;
}

// The screen now; kept in TOLVARINE_KEEP_SCREENSHOTS=<folder> as `name` when that is set.
inline PngImage look(const GameProcess& game, const std::string& name = "look.png")
{
    const std::filesystem::path shot = game.takeScreenshot();
    if (const char* folder = std::getenv("TOLVARINE_KEEP_SCREENSHOTS"); folder && !shot.empty())
        std::filesystem::copy_file(shot, std::filesystem::path(folder) / name,
                                   std::filesystem::copy_options::overwrite_existing);
    return PngImage(shot.string());
}

// The pixels of a box around a spot, for comparing one look with another.
inline std::vector<std::uint8_t> pixelsAround(const PngImage& image, Spot spot, int halfWidth = 12, int halfHeight = 9)
{
    std::vector<std::uint8_t> box;
    const int x0 = int(image.width()) / 2 + spot.dx, y0 = int(image.height()) / 2 + spot.dy;
    for (int y = y0 - halfHeight; !image.empty() && y < y0 + halfHeight; ++y)
        for (int x = x0 - halfWidth; x < x0 + halfWidth; ++x)
            box.insert(box.end(), image.at(unsigned(x), unsigned(y)), image.at(unsigned(x), unsigned(y)) + 3);
    return box;
}

// The pixels of the box from (x0, y0) to (x1, y1), corners in pixels from the top left, whose red,
// green and blue pass a test.
inline unsigned countPixels(const PngImage& image, unsigned x0, unsigned y0, unsigned x1, unsigned y1,
                            const std::function<bool(const std::uint8_t*)>& test)
{
    unsigned count = 0;
    for (unsigned y = y0; y < std::min(y1, image.height()); ++y)
        for (unsigned x = x0; x < std::min(x1, image.width()); ++x)
            count += test(image.at(x, y));
    return count;
}

// The test ground's green category and amber item captions, in the top-left corner.
inline unsigned testGroundCaptionPixels(const PngImage& image)
{
    return countPixels(image, 10, 10, 330, 60, [](const std::uint8_t* p) {
        return (p[1] > 160 && p[0] + 40 < p[1]) || (p[0] > 200 && p[1] > 150 && p[2] + 100 < p[1]);
    });
}

// Bright pixels (a widget's frame and text; the sheets and the sky behind them are dark) in a box
// around a spot.
inline unsigned brightAround(const PngImage& image, Spot spot, int halfWidth = 30, int halfHeight = 10)
{
    const unsigned x = image.width() / 2 + spot.dx, y = image.height() / 2 + spot.dy;
    return countPixels(image, x - halfWidth, y - halfHeight, x + halfWidth, y + halfHeight,
                       [](const std::uint8_t* p) { return p[0] + p[1] > 300; });
}

// True when a widget is drawn at the spot: the check of a click that opens a sheet.
inline bool shows(const GameProcess& game, Spot spot, const std::string& name = "look.png")
{
    return brightAround(look(game, name), spot) > 20;
}

// A loaded machine now and then loses much of a click's motion: eight tries, each checked.
inline bool click(const GameProcess& game, Spot spot, const std::function<bool()>& done)
{
    return game.clickUntil(512 + spot.dx, 384 + spot.dy, done, 8);
}

// A click whose effect is a log line: done once the log holds one more line with the text.
inline bool clickForLine(const GameProcess& game, Spot spot, const std::string& text)
{
    const std::size_t before = countLines(game, text);
    return click(game, spot, [&] { return waitForLines(game, text, before + 1, 3); });
}

// Presses a key until the log holds one more line with the text.
inline bool pressForLine(const GameProcess& game, const std::string& key, const std::string& text)
{
    const std::size_t before = countLines(game, text);
    for (int attempt = 0; attempt < 6; ++attempt)
        if (game.sendKey(key) && waitForLines(game, text, before + 1, 5))
            return true;
    return false;
}

// Log lines that report a failure: the game's own failure reports ("... caught at top-level",
// "Python exception thrown ...", "Key map not saved ..."), the rendering engine's exceptions and
// error lines, and Python's tracebacks.
inline std::vector<std::string> errorLines(const GameProcess& game)
{
    static const char* const markers[] = {"xception", "Error", "ERROR", "Traceback", "caught at top-level",
                                          "not saved", "failed"};
    std::vector<std::string> found;
    for (const std::string& line : game.logLines())
        if (std::any_of(std::begin(markers), std::end(markers),
                        [&](const char* marker) { return line.find(marker) != std::string::npos; }))
            found.push_back(line);
    return found;
}

// Echo lines carry no terminal codes; the sound device is closed before the process ends, so the
// sound library does not complain at its exit.
inline void expectCleanTerminal(const GameProcess& game)
{
    EXPECT_EQ(readTextFile(game.folder() / "stdout.txt").find('\x1b'), std::string::npos);
    EXPECT_EQ(game.standardError().find('\x1b'), std::string::npos);
    EXPECT_EQ(game.standardError().find("alc_cleanup"), std::string::npos) << game.standardError();
}

// Main, Quit, "Quit game" and a key on the exit screen; the game's exit code. The scenario behind
// the menus unloads when the exit begins.
inline int quitThroughMenus(GameProcess& game)
{
    EXPECT_TRUE(click(game, MAIN_QUIT, [&] { return shows(game, QUIT_GAME, "quit_sheet.png"); })) << "Main/Quit";
    EXPECT_TRUE(clickForLine(game, QUIT_GAME, "running unload...")) << "Quit/Quit";
    const int exitCode = game.dismissExitScreen();
    EXPECT_TRUE(game.logHas("Exit screen dismissed by a key press"));
    return exitCode;
}

} // namespace Tolvarine::Test::MenuWalk
