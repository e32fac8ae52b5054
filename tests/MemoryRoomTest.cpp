#include "MemoryRoom.h"

#include "ConfigFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

namespace Tolvarine::Test {
namespace {

// The room a process's memory groups leave, read as the system shows it: the group is found in
// the process's cgroup file and its hierarchy's mount in the mount table, and its limit and use
// (and those of every group above it) in the hierarchy's files.
TEST(MemoryRoom, AMemoryGroupLeavesTheLeastRoomOfItsOwnLimitAndThoseAboveIt)
{
    const struct {
        const char* name;
        std::string cgroup;
        std::string mount;  // "<group mounted> - <type> <source> <options>"
        std::vector<std::pair<std::string, std::string>> files;  // below the mount point
        std::optional<long> kilobytes;
    } rows[] = {
        {"version 2: its own limit less its use", "0::/game.scope\n", "/ - cgroup2 cgroup2 rw",
         {{"game.scope/memory.max", "1073741824\n"}, {"game.scope/memory.current", "268435456\n"}}, 786432},
        {"version 2: the group above leaves less", "0::/user/game.scope\n", "/ - cgroup2 cgroup2 rw",
         {{"user/memory.max", "805306368\n"}, {"user/memory.current", "536870912\n"},
          {"user/game.scope/memory.max", "max\n"}, {"user/game.scope/memory.current", "1048576\n"}}, 262144},
        {"version 2 without a limit", "0::/game.scope\n", "/ - cgroup2 cgroup2 rw",
         {{"game.scope/memory.max", "max\n"}, {"game.scope/memory.current", "268435456\n"}}, std::nullopt},
        {"version 1: the hierarchy of the memory controller", "5:cpu,cpuacct:/other\n4:memory:/game\n0::/\n",
         "/ - cgroup cgroup rw,memory",
         {{"game/memory.limit_in_bytes", "1073741824\n"}, {"game/memory.usage_in_bytes", "268435456\n"}}, 786432},
        {"a container's own group, mounted as the hierarchy", "0::/docker/abc\n", "/docker/abc - cgroup2 cgroup2 rw",
         {{"memory.max", "536870912\n"}, {"memory.current", "0\n"}}, 524288},
        {"no memory group", "1:name=systemd:/\n", "/ - cgroup cgroup rw,name=systemd", {}, std::nullopt},
    };
    TemporaryFolder folder;
    int serial = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string point = folder.file("groups" + std::to_string(++serial));
        for (const auto& [file, text] : row.files) {
            std::filesystem::create_directories(std::filesystem::path(point + "/" + file).parent_path());
            writeFile(point + "/" + file, text);
        }
        const std::string root = row.mount.substr(0, row.mount.find(' '));
        const std::string mounts = "24 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n30 24 0:26 " + root + " " + point
                                   + " rw,nosuid shared:9" + row.mount.substr(root.size()) + "\n";
        EXPECT_EQ(MemoryRoom::groupKilobytes(written(point + ".cgroup", row.cgroup), written(point + ".mounts", mounts)),
                  row.kilobytes);
    }
}

} // namespace
} // namespace Tolvarine::Test
