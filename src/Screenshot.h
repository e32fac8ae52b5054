#pragma once

#include <string>

namespace Ogre {
class RenderTarget;
}

namespace Tolvarine {

// Pictures of the game window as PNG files in the working folder, named "<prefix><time><suffix>"
// with the rendering engine's timestamp (month, day, year, "_", hour, minute, second,
// millisecond). A picture that cannot be written whole (a folder that does not exist or may not
// be written, a full disk) is logged and its file removed: a failed screenshot never leaves an
// empty or cut-off picture behind, and never stops the game.
class Screenshot {
public:
    // Writes the target's current contents; the file's name, or "" when it failed.
    static std::string write(Ogre::RenderTarget& target, const std::string& prefix, const std::string& suffix);
    // Writes `bytes` as the whole of the file at `path`; false when any of it failed, in which
    // case a regular file this made is removed again.
    static bool writeFile(const std::string& path, const std::string& bytes);

private:
    static std::string timestampedName(const std::string& prefix, const std::string& suffix);
};

} // namespace Tolvarine
