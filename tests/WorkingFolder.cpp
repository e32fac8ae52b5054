#include "WorkingFolder.h"

#include <unistd.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace Tolvarine::Test {

namespace fs = std::filesystem;

WorkingFolder::WorkingFolder() : previous(fs::current_path())
{
    static std::atomic<unsigned> counter{0};
    for (;;) {
        folder = fs::temp_directory_path() /
                 ("tolvarine-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        if (fs::create_directory(folder))
            break;
    }
    fs::current_path(folder);
}

WorkingFolder::~WorkingFolder()
{
    remove();
}

void WorkingFolder::remove()
{
    std::error_code ignored;
    fs::current_path(previous, ignored);
    fs::remove_all(folder, ignored);
}

void WorkingFolder::write(const std::string& relativePath, const std::string& text) const
{
    const fs::path target = folder / relativePath;
    fs::create_directories(target.parent_path());
    std::ofstream out(target, std::ios::binary);
    out << text;
    if (!out)
        throw std::runtime_error("cannot write " + target.string());
}

std::string WorkingFolder::read(const std::string& relativePath) const
{
    std::ifstream in(folder / relativePath, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + (folder / relativePath).string());
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace Tolvarine::Test
