// Names for pictures in a generated image folder: short enough for the book (at most 31 bytes), ".png", made
// of letters, digits, '-' and '_' only, and unique ignoring case, so that any file system holds them all.
#pragma once

#include <set>
#include <string>
#include <string_view>

namespace quillery::convert {

class ImageNames {
  public:
    // A new name for the picture at `path` (a file or archive entry path), from its file name's stem.
    std::string claim(std::string_view path);

  private:
    std::set<std::string> lowerNames_;
};

} // namespace quillery::convert
