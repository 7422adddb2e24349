// Which dropped files the drop zone takes: sources whose name ends in ".tml" or ".txt".
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillery {

// True when the part of the path's last component from its last "." to the end is ".tml" or ".txt", case
// ignored. "archive.tml.bak" is refused; a file named ".txt" alone is taken. A trailing separator is not part
// of the name, so a folder is judged by its name like a file.
bool isAcceptedSourceName(std::string_view path);

// The accepted paths, in the drag's order.
std::vector<std::string> acceptedSourceFiles(const std::vector<std::string>& paths);

} // namespace quillery
