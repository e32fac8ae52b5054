#pragma once

#include <OgreVector.h>

#include <limits>
#include <string>

namespace Tolvarine {

class Config;

// The refusal of a value that the type loaders check at start-up, for every type whatever its
// pool size, so that a value the play cannot use stops the start and not a battle: the reason is
// logged, followed by the file's line "Config: in <path>, section <section>, key <key>", and
// ConfigurationError is raised. A missing key or a value that does not convert (NaN and
// infinities among them) fails as Config::get does before any such check.
class ValueRange {
public:
    // Logs `reason` and the place of the key, and raises ConfigurationError: for values that a
    // reader checks against other values of the file.
    [[noreturn]] static void refuse(const Config& config, const std::string& section, const std::string& key,
                                    const std::string& reason);

    // The longest length, in world units, that the renderer takes in a size or a place it draws:
    // half the float range, since its boxes span twice a size, and the middle of a box is found
    // from the sum of its corners. An explosion's flash, a shot's billboard or an engine's glow
    // of size 2e38, and of 1.75e38, ended the game through the renderer's assertion on its box,
    // 1.5e38 played.
    static constexpr float MAX_DRAWN_LENGTH = std::numeric_limits<float>::max() / 2.0f;
    // The least coordinate at which a place the renderer draws (a weapon mount, a display
    // wireframe) ended the game: a Trifighter's launcher at 1.9e38 on each axis ended a fight
    // through the renderer's assertion on its box (one run of two), at 2e38 and 2.5e38 too, and a
    // wireframe at 2e38 under a turn of the view; places from 1.75e38 to 1.9e38 played in every run
    // of the mounts and the wireframes (the renderer turns a place with its node, which at these
    // sizes can give no number under some turns, and whether the game ends then depends on the turn).
    static constexpr float MAX_DRAWN_PLACE = 1.9e38f;
    // Reads a length the renderer draws with (a size) and returns it, after refusing, as refuse
    // does, one beyond MAX_DRAWN_LENGTH either way.
    static float drawnLength(const Config& config, const std::string& section, const std::string& key);
    // The same for a place: each coordinate short of MAX_DRAWN_PLACE either way.
    static Ogre::Vector3 drawnPlace(const Config& config, const std::string& section, const std::string& key);

    // The form a number takes in these lines: six significant digits, as the files are written.
    static std::string figure(float value);
    // A vector as "(x y z)", each figure as above.
    static std::string figure(const Ogre::Vector3& value);
    // The same where six digits read back as the same float; otherwise the fewest digits that do,
    // so that a value is never shown as another, as 100000008 was shown as the limit 1e+08 it lies
    // beyond.
    static std::string exactFigure(float value);
};

} // namespace Tolvarine
