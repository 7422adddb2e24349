// The image file check: is the image a markup tag names a PNG file in the image folder, and how large is it?
//
// The scanner runs the check for every `\m` in both of its passes, the sidebar and footnote writer for every
// image of a body. Some of its messages are printed in the scanner's first pass only (the error still counts
// in every pass); the header reader's messages are printed each time.
#pragma once

#include "markup/png_header.h"

#include <optional>
#include <string>
#include <string_view>

namespace quillery {

// Whether the messages that the scanner prints in its first pass only are printed by this run of the check.
enum class FirstPassMessages { Print, Skip };

struct ImageFileCheck {
    bool failed = false;  // an error was found: the caller's error flag must be set
    bool pngName = false; // a ".png" name inside the image folder: fullPath is its path, and the size was set
    std::string fullPath; // image folder, '/', name (empty when pngName is false)
    bool missing = false; // a PNG name whose file does not exist
};

// True when the part of `name` after its last dot is "png", compared without case (a name without a dot
// is not a PNG name).
bool hasPngExtension(std::string_view name);

// True when `name` is absolute or has a ".." component: it could name a file outside the image folder.
bool leavesImageFolder(std::string_view name);

// Checks the image `name` in `imageFolder`:
// - a name not ending in ".png" fails with "Image file \"%s\" doesn't end with .png!" (first-pass message)
//   and leaves `size` untouched;
// - so does a name that leaves the image folder, with "Image name \"%s\" must name a file inside the image
//   folder." (first-pass message): it is neither looked up nor given a table entry;
// - otherwise `size` becomes 16 by 16 and the full path is built; when nothing exists there the check fails
//   with "Image \"%s\" doesn't exist!" (first-pass message, the name) and the size stays 16 by 16;
// - otherwise the PNG header is read into `size` (readPngHeader; its failures fail the check).
// `tag`, when given, is the text position of the tag that names the image; the errors are placed there.
ImageFileCheck checkImageFile(std::string_view name, std::string_view imageFolder, ImageSize& size,
                              FirstPassMessages firstPassMessages, std::optional<size_t> tag = std::nullopt);

} // namespace quillery
