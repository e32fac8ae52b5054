#include "MemoryRoom.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <fstream>
#include <sstream>

namespace Tolvarine {

namespace {

// The machine's memory available for new allocations (MemAvailable), in kB.
std::optional<long> machineKilobytes()
{
    std::ifstream meminfo("/proc/meminfo");
    std::string line;
    while (std::getline(meminfo, line)) {
        std::istringstream fields(line);
        std::string key;
        long kilobytes = 0;
        if (fields >> key >> kilobytes && key == "MemAvailable:")
            return kilobytes;
    }
    return std::nullopt;
}

std::optional<long> addressSpaceRoom()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return std::nullopt;
    return static_cast<long>(limit.rlim_cur / 1024) - MemoryRoom::addressSpaceKilobytes();
}

// The first word of a file, as a number of bytes; none for "max" (no limit) or a file that is not
// there.
std::optional<long long> bytesIn(const std::string& file)
{
    std::ifstream in(file);
    long long bytes = 0;
    if (in >> bytes)
        return bytes;
    return std::nullopt;
}

// Where a hierarchy of memory groups is mounted, and which of its groups is mounted there.
struct Mount {
    std::string root;
    std::string point;
};

// The mount of the version 2 hierarchy (`version2`), or of the version 1 hierarchy that holds the
// memory controller.
std::optional<Mount> groupMount(const std::string& mountInfoFile, bool version2)
{
    std::ifstream mounts(mountInfoFile);
    std::string line;
    while (std::getline(mounts, line)) {
        // "<id> <parent> <device> <root> <point> <options> [<optional>...] - <type> <source> <super options>"
        std::istringstream fields(line);
        std::vector<std::string> words;
        for (std::string word; fields >> word;)
            words.push_back(word);
        const auto dash = std::find(words.begin(), words.end(), "-");
        if (words.size() < 5 || dash == words.end() || words.end() - dash < 4)
            continue;
        const std::string& type = dash[1];
        const std::string options = "," + dash[3] + ",";
        if (version2 ? type == "cgroup2" : type == "cgroup" && options.find(",memory,") != std::string::npos)
            return Mount{words[3], words[4]};
    }
    return std::nullopt;
}

// The process's group in the version 2 hierarchy ("0::<path>"), or in the version 1 hierarchy of
// the memory controller ("<id>:<controllers>:<path>", "memory" among the controllers).
std::optional<std::string> groupPath(const std::string& cgroupFile, bool version2)
{
    std::ifstream groups(cgroupFile);
    std::string line;
    while (std::getline(groups, line)) {
        const auto first = line.find(':');
        const auto second = first == std::string::npos ? first : line.find(':', first + 1);
        if (second == std::string::npos)
            continue;
        const std::string controllers = "," + line.substr(first + 1, second - first - 1) + ",";
        if (version2 ? line.compare(0, second + 1, "0::") == 0 : controllers.find(",memory,") != std::string::npos)
            return line.substr(second + 1);
    }
    return std::nullopt;
}

// The limit and use files of one memory group.
struct GroupFiles {
    std::string limit;
    std::string use;
};

// The groups from the process's own up to the mounted one, in the hierarchy of version 2 or of the
// version 1 memory controller, each with its limit and use files.
void addGroupFiles(const std::string& cgroupFile, const std::string& mountInfoFile, bool version2,
                   std::vector<GroupFiles>& files)
{
    const std::optional<Mount> mount = groupMount(mountInfoFile, version2);
    std::optional<std::string> path = groupPath(cgroupFile, version2);
    if (!mount || !path)
        return;
    // A mount of a group below the hierarchy's root shows that group at its mount point.
    if (mount->root != "/" && path->compare(0, mount->root.size(), mount->root) == 0)
        path = path->substr(mount->root.size());
    const char* const limitFile = version2 ? "/memory.max" : "/memory.limit_in_bytes";
    const char* const useFile = version2 ? "/memory.current" : "/memory.usage_in_bytes";
    std::string group = *path;
    while (true) {
        const std::string folder = mount->point + (group == "/" ? "" : group);
        files.push_back({folder + limitFile, folder + useFile});
        const auto slash = group.find_last_of('/');
        if (group.empty() || group == "/" || slash == std::string::npos)
            break;
        group = slash == 0 ? "/" : group.substr(0, slash);
    }
}

std::vector<GroupFiles> groupFiles(const std::string& cgroupFile, const std::string& mountInfoFile)
{
    std::vector<GroupFiles> files;
    addGroupFiles(cgroupFile, mountInfoFile, true, files);
    addGroupFiles(cgroupFile, mountInfoFile, false, files);
    return files;
}

// The least room the groups leave: each group's limit less its use; none where no group has a limit.
std::optional<long> leastRoom(const std::vector<GroupFiles>& groups)
{
    std::optional<long> least;
    for (const GroupFiles& group : groups) {
        const std::optional<long long> limit = bytesIn(group.limit);
        const std::optional<long long> use = bytesIn(group.use);
        if (limit && use) {
            const long room = static_cast<long>((*limit - *use) / 1024);
            least = least ? std::min(*least, room) : room;
        }
    }
    return least;
}

// The first figures of /proc/self/statm, in kB: the address space (field 0) or the resident set
// (field 1); 0 when the system does not tell.
long statmKilobytes(int field)
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    for (int read = 0; read <= field; ++read)
        if (!(statm >> pages))
            return 0;
    return pages * (sysconf(_SC_PAGESIZE) / 1024);
}

} // namespace

std::string MemoryRoom::Limit::describe() const
{
    switch (kind) {
    case Kind::ADDRESS_SPACE:
        return "the process's address-space limit leaves " + megabytes(double(kilobytes));
    case Kind::GROUP:
        return "its memory group's limit leaves " + megabytes(double(kilobytes));
    case Kind::MACHINE:
        break;
    }
    return megabytes(double(kilobytes)) + " are free";
}

std::vector<MemoryRoom::Limit> MemoryRoom::limits()
{
    std::vector<Limit> found;
    if (const std::optional<long> machine = machineKilobytes())
        found.push_back({Limit::Kind::MACHINE, *machine});
    if (const std::optional<long> addressSpace = addressSpaceRoom())
        found.push_back({Limit::Kind::ADDRESS_SPACE, *addressSpace});
    // The process's groups are found once: it stays in them, and this is read once a frame while
    // sprays are made in play.
    static const std::vector<GroupFiles> ownGroups = groupFiles("/proc/self/cgroup", "/proc/self/mountinfo");
    if (const std::optional<long> group = leastRoom(ownGroups))
        found.push_back({Limit::Kind::GROUP, *group});
    return found;
}

MemoryRoom::Limit MemoryRoom::tightest()
{
    Limit least{Limit::Kind::MACHINE, LONG_MAX};
    for (const Limit& limit : limits()) {
        if (limit.kilobytes < least.kilobytes)
            least = limit;
    }
    return least;
}

long MemoryRoom::addressSpaceKilobytes()
{
    return statmKilobytes(0);
}

long MemoryRoom::residentKilobytes()
{
    return statmKilobytes(1);
}

std::optional<long> MemoryRoom::groupKilobytes(const std::string& cgroupFile, const std::string& mountInfoFile)
{
    return leastRoom(groupFiles(cgroupFile, mountInfoFile));
}

std::string MemoryRoom::megabytes(double kilobytes)
{
    std::ostringstream text;
    text.precision(0);
    text << std::fixed << kilobytes / 1024.0 << " MB";
    return text.str();
}

} // namespace Tolvarine
