#include "Screenshot.h"

#include "GameLog.h"

#include <OgreDataStream.h>
#include <OgreException.h>
#include <OgreImage.h>
#include <OgreRenderTarget.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <sstream>

namespace Tolvarine {


std::string Screenshot::timestampedName(const std::string& prefix, const std::string& suffix)
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    std::ostringstream name;
    name << prefix << std::setfill('0') << std::setw(2) << local.tm_mon + 1 << std::setw(2) << local.tm_mday
         << std::setw(4) << local.tm_year + 1900 << '_' << std::setw(2) << local.tm_hour << std::setw(2)
         << local.tm_min << std::setw(2) << local.tm_sec << std::setw(3) << milliseconds << suffix;
    return name.str();
}

std::string Screenshot::write(Ogre::RenderTarget& target, const std::string& prefix, const std::string& suffix)
{
    const std::string path = timestampedName(prefix, suffix);
    std::string bytes;
    try {
        // Encoded in memory first, so that writing the file is the one step that can meet a full
        // disk, and is checked.
        Ogre::Image picture(target.suggestPixelFormat(), target.getWidth(), target.getHeight());
        const Ogre::PixelBox pixels = picture.getPixelBox();
        target.copyContentsToMemory(Ogre::Box(0, 0, target.getWidth(), target.getHeight()), pixels);
        bytes = picture.encode(suffix.substr(suffix.find_last_of('.') + 1))->getAsString();
    } catch (const Ogre::Exception& e) {
        GameLog::line("Screenshot " + path + " not taken: " + e.getDescription());
        return "";
    }
    return writeFile(path, bytes) ? path : "";
}

bool Screenshot::writeFile(const std::string& path, const std::string& bytes)
{
    errno = 0;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    const bool opened = file.is_open();
    if (opened) {
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        // Closing flushes the rest; a full disk shows here.
        file.close();
        if (!file.fail())
            return true;
    }
    const int cause = errno;
    GameLog::line("Screenshot " + path + " could not be written"
                  + (cause != 0 ? std::string(": ") + std::strerror(cause) : ""));
    std::error_code error;
    if (opened && std::filesystem::is_regular_file(path, error))
        std::filesystem::remove(path, error);
    return false;
}

} // namespace Tolvarine
