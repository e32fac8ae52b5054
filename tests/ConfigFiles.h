#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <unistd.h>

namespace Tolvarine::Test {

// A fresh folder under the system's temporary folder, removed with everything in it at the end:
// by its destructor, or when the process exits before it runs (the child of a death test ends in
// std::exit). The folder's name holds the test's, with the slash of a parameterized test's name
// taken out, so that the folder is one level deep. CTest runs every test process with a temporary
// folder of its own under the build folder (tools/own-display.sh), removed whole however the
// process ended: at its end, or at the next test's start when a kill left no chance to.
class TemporaryFolder {
public:
    TemporaryFolder()
    {
        static std::atomic<unsigned> counter{0};
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string("tolvarine-") + (test ? test->name() : "test") + "-" +
                           std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
                           std::to_string(std::random_device()());
        std::replace(name.begin(), name.end(), '/', '_');
        root = std::filesystem::temp_directory_path() / name;
        std::filesystem::create_directories(root);
        standing().insert(root);
    }
    ~TemporaryFolder()
    {
        remove(root);
        standing().erase(root);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    // The generic path of `name` inside the folder.
    std::string file(const std::string& name) const { return (root / name).generic_string(); }

private:
    static void remove(const std::filesystem::path& folder)
    {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    // The folders made and not yet removed; what stands at exit goes then.
    static std::set<std::filesystem::path>& standing()
    {
        static std::set<std::filesystem::path>* folders = [] {
            std::atexit([] {
                for (const std::filesystem::path& folder : *folders)
                    remove(folder);
            });
            return new std::set<std::filesystem::path>;
        }();
        return *folders;
    }

    std::filesystem::path root;
};

inline void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << bytes;
}

// Writes the file and returns its path, for members initialised from a file.
inline std::string written(const std::string& path, const std::string& bytes)
{
    writeFile(path, bytes);
    return path;
}

inline std::string readFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

inline bool fileExists(const std::string& path)
{
    return std::filesystem::exists(path);
}

} // namespace Tolvarine::Test
