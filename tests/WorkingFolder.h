#pragma once

#include <filesystem>
#include <string>

namespace Tolvarine::Test {

// A fresh, uniquely named folder under the system's temporary folder that becomes the working
// directory while the object lives, so code that opens "cfg/..." and "data/..." relative to
// the working directory reads and writes only there. Restores the previous working directory
// and removes the folder on destruction.
class WorkingFolder {
public:
    WorkingFolder();
    ~WorkingFolder();
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

    const std::filesystem::path& path() const { return folder; }
    // Restores the previous working directory and removes the folder; the destructor does it
    // too. For a child process that ends without running destructors.
    void remove();
    // Writes a text file at a path relative to the folder, creating its parent folders.
    void write(const std::string& relativePath, const std::string& text) const;
    std::string read(const std::string& relativePath) const;

private:
    std::filesystem::path previous;
    std::filesystem::path folder;
};

} // namespace Tolvarine::Test
