#include "markdown/image_import.h"

#include "convert/notices.h"
#include "convert/utf8_input.h"
#include "framework/file_service.h"
#include "framework/windows1252.h"
#include "pictures/picture_as_is.h"
#include "pictures/picture_file.h"
#include "tdb/book_format.h"

#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace quillery::markdown {
namespace {

// Book text in messages is Windows-1252; a path written in the Markdown file is UTF-8.
std::string messageText(std::string_view utf8) {
    std::string repaired(utf8.substr(0, 200));
    repairUtf8(repaired);
    return encodeWindows1252(utf8ToUtf16(repaired));
}

// `url` as a path relative to the Markdown file's folder, or nothing when it could leave the folder.
std::optional<std::string> relativePath(std::string_view url) {
    if (url.empty() || url.front() == '/' || url.find('\\') != std::string_view::npos) {
        return std::nullopt;
    }
    size_t colon = url.find(':');
    if (colon != std::string_view::npos && colon < url.find('/')) {
        return std::nullopt; // a URL with a scheme
    }
    std::vector<std::string_view> parts;
    while (!url.empty()) {
        size_t slash = url.find('/');
        std::string_view part = url.substr(0, slash);
        url = slash == std::string_view::npos ? std::string_view() : url.substr(slash + 1);
        if (part.empty() || part == ".") {
            continue;
        }
        if (part == "..") {
            if (parts.empty()) {
                return std::nullopt;
            }
            parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string path;
    for (std::string_view part : parts) {
        if (!path.empty()) {
            path += '/';
        }
        path += part;
    }
    return path.empty() ? std::nullopt : std::optional<std::string>(path);
}

} // namespace

std::optional<std::string> ImageImporter::import(std::string_view url, SourcePlace place) {
    std::optional<std::string> relative = relativePath(url);
    if (!relative || folder_.empty()) {
        reportAt(ReportLevel::Error, place, "The image \"%s\" lies outside the folder of the Markdown file.",
                 messageText(url).c_str());
        ++errors_;
        return std::nullopt;
    }
    if (auto known = byPath_.find(*relative); known != byPath_.end()) {
        return known->second;
    }
    std::optional<ImportedImage> image = check(*relative, folder_ + "/" + *relative, place);
    if (!image) {
        ++errors_;
        return std::nullopt;
    }
    byPath_[*relative] = image->name;
    images_.push_back(std::move(*image));
    return images_.back().name;
}

std::optional<ImportedImage> ImageImporter::check(const std::string& relative, const std::string& path,
                                                  SourcePlace place) {
    FileService file(path);
    if (!file.isRegularFile()) {
        reportAt(ReportLevel::Error, place, "The image \"%s\" was not found.", messageText(relative).c_str());
        return std::nullopt;
    }
    ImportedImage image{path, std::string(), std::string()};
    // A picture made for the device is kept byte for byte; everything else is fitted.
    if (!pictures::takenAsIs(file.fullPath())) {
        std::string bytes, error;
        pictures::FittedPicture picture;
        if (failed(pictures::readPictureFile(file.fullPath(), bytes, error)) ||
            failed(pictures::fitPicture(bytes, colors_, picture, error))) {
            reportAt(ReportLevel::Error, place, "The image \"%s\" could not be read: %s.",
                     messageText(relative).c_str(), error.c_str());
            return std::nullopt;
        }
        image.fitted = std::move(picture.png);
    }
    image.name = names_.claim(relative);
    return image;
}

namespace {

// `bytes` as a new file at `path` (replacing one only with `replace`); a partial file is removed.
bool writeNewFile(const std::string& path, const std::string& bytes, bool replace) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (replace ? O_TRUNC : O_EXCL), 0666);
    if (fd < 0) {
        return false;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote <= 0) {
            break;
        }
        done += static_cast<size_t>(wrote);
    }
    if (::close(fd) != 0 || done != bytes.size()) {
        (void)::unlink(path.c_str());
        return false;
    }
    return true;
}

} // namespace

Verdict copyImages(const std::vector<ImportedImage>& images, const std::string& folder, bool replace) {
    if (images.empty()) {
        return Verdict::Ok;
    }
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder)) {
        reportError("Could not create file %s.", folder.c_str());
        return Verdict::Failed;
    }
    auto options =
        replace ? std::filesystem::copy_options::overwrite_existing : std::filesystem::copy_options::none;
    for (const ImportedImage& image : images) {
        std::string target = folder + "/" + image.name;
        bool placed = image.fitted.empty()
                          ? std::filesystem::copy_file(image.sourcePath, target, options, error) && !error
                          : writeNewFile(target, image.fitted, replace);
        if (!placed) {
            reportError("An error occurred writing the file %s.", target.c_str());
            return Verdict::Failed;
        }
    }
    return Verdict::Ok;
}

} // namespace quillery::markdown
