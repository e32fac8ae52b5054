#pragma once

#include <string>

namespace Tolvarine {

// Tells whether one file was written, touched, replaced or removed since the last look. The
// file's folder is watched through the kernel's file notification (inotify) and its events are
// filtered by the file's name, so that an editor that saves by writing a new file and renaming it
// over the old one is seen too. Where no notification can be had, the file's modification time is
// compared instead. Any number of changes between two looks count as one.
class FileWatch {
public:
    // Watches nothing.
    FileWatch() = default;
    explicit FileWatch(const std::string& path);
    ~FileWatch();
    FileWatch(const FileWatch&) = delete;
    FileWatch& operator=(const FileWatch&) = delete;

    // Whether the file can be opened for reading now.
    bool exists() const;
    // True when the file changed since the last call (or since the watch began); never blocks.
    bool changed();

    const std::string& getPath() const { return path; }
    // Whether the kernel reports the changes (false: modification times are compared).
    bool isNotified() const { return descriptor >= 0; }

private:
    // Reads every pending event; true when one of them names the file.
    bool drainEvents();
    // The file's modification time in nanoseconds; 0 when it cannot be read.
    long long modificationTime() const;

    std::string path;
    std::string leaf;
    int descriptor = -1;
    long long lastModification = 0;
};

} // namespace Tolvarine
