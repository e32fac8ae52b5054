#include "TypeFiles.h"

#include <algorithm>
#include <set>
#include <system_error>

namespace Tolvarine {

bool TypeFiles::list(const std::string& folder, const std::string& extension,
                     std::vector<std::filesystem::path>& files)
{
    files.clear();
    std::error_code error;
    std::filesystem::directory_iterator entries(folder, error);
    if (error)
        return false;
    const std::string twinExtension = extension + "x";
    for (const std::filesystem::directory_entry& entry : entries) {
        const std::string name = entry.path().filename().string();
        const std::string entryExtension = entry.path().extension().string();
        std::error_code kindError;
        if (name.empty() || name[0] == '.' || !entry.is_regular_file(kindError))
            continue;
        if (entryExtension == extension || entryExtension == twinExtension)
            files.push_back(entry.path());
    }
    // By name, so that "a.ship" comes before "a.shipx" and the types load in the same order on every run.
    std::sort(files.begin(), files.end(), [](const std::filesystem::path& a, const std::filesystem::path& b) {
        return a.filename().string() < b.filename().string();
    });
    std::set<std::string> stems;
    files.erase(std::remove_if(files.begin(), files.end(),
                               [&stems](const std::filesystem::path& file) {
                                   return !stems.insert(file.stem().string()).second;
                               }),
                files.end());
    return true;
}

} // namespace Tolvarine
