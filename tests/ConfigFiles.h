#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <unistd.h>

namespace Tolvarine::Test {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TemporaryFolder {
public:
    TemporaryFolder()
    {
        static std::atomic<unsigned> counter{0};
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        const std::string name = std::string("tolvarine-") + (test ? test->name() : "test") + "-" +
                                 std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
                                 std::to_string(std::random_device()());
        root = std::filesystem::temp_directory_path() / name;
        std::filesystem::create_directories(root);
    }
    ~TemporaryFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    // The generic path of `name` inside the folder.
    std::string file(const std::string& name) const { return (root / name).generic_string(); }

private:
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
