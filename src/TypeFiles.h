#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace Tolvarine {

// The listing of a folder of data files of one kind (".ship", ".fireable", ...), shared by every
// type loader. A plain file and its enciphered twin (the same name with "x" appended) are one type.
class TypeFiles {
public:
    // The files of `folder` (not of its sub-folders) whose extension is `extension` or its twin's,
    // in name order, one per stem: the plain file where both exist. Dot files and entries that are
    // not regular files are left out. The listing is complete before the caller reads any file,
    // since reading a plain file writes its twin into the folder. False when the folder cannot be
    // read.
    static bool list(const std::string& folder, const std::string& extension,
                     std::vector<std::filesystem::path>& files);
};

} // namespace Tolvarine
