#include "FileWatch.h"

#include "GameLog.h"

#include <cstdint>
#include <cstddef>
#include <filesystem>
#include <fstream>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Tolvarine {

namespace {

// What a save looks like to the folder: written and closed, touched, moved in, made, removed.
constexpr std::uint32_t EVENTS = IN_CLOSE_WRITE | IN_MODIFY | IN_ATTRIB | IN_MOVED_TO | IN_CREATE | IN_DELETE;

} // namespace

FileWatch::FileWatch(const std::string& watched)
    : path(watched)
{
    const std::filesystem::path file(watched);
    leaf = file.filename().string();
    std::string folder = file.parent_path().string();
    if (folder.empty())
        folder = ".";
    descriptor = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (descriptor >= 0 && inotify_add_watch(descriptor, folder.c_str(), EVENTS) < 0) {
        close(descriptor);
        descriptor = -1;
    }
    if (descriptor < 0)
        GameLog::line("FileWatch: no change notification for " + folder +
                      ", comparing modification times");
    lastModification = modificationTime();
}

FileWatch::~FileWatch()
{
    if (descriptor >= 0)
        close(descriptor);
}

bool FileWatch::exists() const
{
    return !path.empty() && std::ifstream(path).is_open();
}

bool FileWatch::changed()
{
    if (path.empty())
        return false;
    if (descriptor >= 0)
        return drainEvents();
    const long long now = modificationTime();
    const bool differs = now != lastModification;
    lastModification = now;
    return differs;
}

bool FileWatch::drainEvents()
{
    bool named = false;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t length = read(descriptor, buffer, sizeof buffer);
        if (length <= 0)
            break;  // EAGAIN: nothing more is pending
        for (std::size_t offset = 0; offset < static_cast<std::size_t>(length);) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            // The name is padded with NULs up to event->len. A queue that overflowed may have
            // lost the file's own event, so it counts as a change.
            if ((event->len > 0 && leaf == event->name) || (event->mask & IN_Q_OVERFLOW))
                named = true;
            offset += sizeof(inotify_event) + event->len;
        }
    }
    return named;
}

long long FileWatch::modificationTime() const
{
    struct stat status {};
    if (stat(path.c_str(), &status) != 0)
        return 0;
    return static_cast<long long>(status.st_mtim.tv_sec) * 1000000000LL + status.st_mtim.tv_nsec;
}

} // namespace Tolvarine
