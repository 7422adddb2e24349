// Which dropped files the drop zone takes: sources whose name ends in ".tml", ".txt", ".md" (Markdown) or
// ".epub".
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillery {

// True when the part of the path's last component from its last "." to the end is ".tml", ".txt", ".md" or
// ".epub",
// case ignored. "archive.tml.bak" is refused; a file named ".txt" alone is taken. A trailing separator is not
// part of the name, so a folder is judged by its name like a file. A path holding a NUL byte names no file
// (the system would stop reading it there) and is refused.
bool isAcceptedSourceName(std::string_view path);

// The accepted paths, in the drag's order.
std::vector<std::string> acceptedSourceFiles(const std::vector<std::string>& paths);

// What a dragged URI (in its encoded form) names.
struct DroppedName {
    enum Kind {
        LocalFile, // a file URI of this machine (host empty or "localhost"): `path` holds its bytes
        Other,     // another scheme or another host: taken as written
        Unusable,  // a file URI of this machine whose path no file can have
    };
    Kind kind;
    std::string path;
};

// A file URI's path is percent-decoded to the bytes the system uses, whatever their encoding ("caf%E9.tml"
// gives the byte 0xE9). A path that is not absolute, an escape that is not two hex digits, an escaped NUL and
// an escaped separator make it unusable. A query or fragment is not part of the path.
DroppedName nameOfDroppedUri(std::string_view uri);

} // namespace quillery
