#include "markup/image_file_check.h"

#include "framework/diagnostics.h"
#include "framework/file_service.h"
#include "tdb/book_format.h"

namespace quillery {

namespace {

constexpr ImageSize kDefaultImageSize{kImagePlaceholderSize, kImagePlaceholderSize};

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

bool leavesImageFolder(std::string_view name) {
    if (!name.empty() && name.front() == '/') {
        return true;
    }
    for (size_t start = 0; start <= name.size();) {
        size_t end = name.find('/', start);
        if (end == std::string_view::npos) {
            end = name.size();
        }
        if (name.substr(start, end - start) == "..") {
            return true;
        }
        start = end + 1;
    }
    return false;
}

bool hasPngExtension(std::string_view name) {
    size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) {
        return false;
    }
    std::string_view extension = name.substr(dot + 1);
    return extension.size() == 3 && asciiLower(extension[0]) == 'p' && asciiLower(extension[1]) == 'n' &&
           asciiLower(extension[2]) == 'g';
}

ImageFileCheck checkImageFile(std::string_view name, std::string_view imageFolder, ImageSize& size,
                              FirstPassMessages firstPassMessages, std::optional<size_t> tag) {
    ImageFileCheck check;
    // The name is printed as a C string below, so it needs a terminator of its own.
    std::string printable(name);
    bool print = firstPassMessages == FirstPassMessages::Print;
    if (!hasPngExtension(name)) {
        check.failed = true;
        if (print) {
            reportImageError(tag, "Image file \"%s\" doesn't end with .png!", printable.c_str());
        }
        return check;
    }
    // A book is shared: it may only show images from the source's own image folder.
    if (leavesImageFolder(name)) {
        check.failed = true;
        if (print) {
            reportImageError(tag, "Image name \"%s\" must name a file inside the image folder.",
                             printable.c_str());
        }
        return check;
    }
    check.pngName = true;
    size = kDefaultImageSize;
    check.fullPath.reserve(imageFolder.size() + 1 + name.size());
    check.fullPath.append(imageFolder).append("/").append(name);
    if (!FileService(check.fullPath).exists()) {
        check.failed = true;
        check.missing = true;
        if (print) {
            reportImageError(tag, "Image \"%s\" doesn't exist!", printable.c_str());
        }
        return check;
    }
    check.failed = failed(readPngHeader(check.fullPath, size, tag));
    return check;
}

} // namespace quillery
