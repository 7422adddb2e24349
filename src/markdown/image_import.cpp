#include "markdown/image_import.h"

#include "convert/notices.h"
#include "convert/utf8_input.h"
#include "framework/file_service.h"
#include "framework/record_buffer.h"
#include "framework/windows1252.h"
#include "markup/image_file_check.h"
#include "markup/png_header.h"
#include "tdb/book_format.h"
#include "tdb/image_conversion.h"

#include <filesystem>
#include <string>

namespace quillery::markdown {
namespace {

constexpr size_t kNameStemLength = 20;

// Reports given while it lives, kept to be given again at a Markdown place.
class HeldReports : public DiagnosticSink {
  public:
    struct Held {
        ReportLevel level;
        std::string text;
        std::vector<TextSpan> paths;
    };
    int report(const Report& report) override {
        held.push_back({report.level, std::string(report.text), report.paths});
        return 0;
    }
    std::vector<Held> held;
};

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
        path += (path.empty() ? "" : "/") + std::string(part);
    }
    return path.empty() ? std::nullopt : std::optional<std::string>(path);
}

std::string lowered(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

void giveAgainAt(const HeldReports& reports, SourcePlace place) {
    for (const HeldReports::Held& held : reports.held) {
        Report report{held.level, held.text, place, held.paths};
        currentSink().report(report);
    }
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
    std::optional<std::string> name = check(*relative, folder_ + "/" + *relative, place);
    if (!name) {
        ++errors_;
        return std::nullopt;
    }
    byPath_[*relative] = *name;
    images_.push_back({folder_ + "/" + *relative, *name});
    return name;
}

std::optional<std::string> ImageImporter::check(const std::string& relative, const std::string& path,
                                                SourcePlace place) {
    FileService file(path);
    if (!file.isRegularFile()) {
        reportAt(ReportLevel::Error, place, "The image \"%s\" was not found.", messageText(relative).c_str());
        return std::nullopt;
    }
    if (!hasPngExtension(relative)) {
        reportAt(ReportLevel::Error, place,
                 "The image \"%s\" is not a PNG file; only PNG images can go into a book.",
                 messageText(relative).c_str());
        return std::nullopt;
    }
    // The checks of the build, so that the generated text never names an image the build refuses.
    HeldReports reports;
    bool accepted = false;
    {
        ReportSinkScope hold(&reports);
        ImageSize size;
        if (!failed(readPngHeader(file.fullPath(), size)) && file.open(FileService::Mode::Read) == 0) {
            RecordBuffer data(1);
            ImageConversion conversion = convertImage(file, data);
            (void)file.close();
            accepted = conversion.result == ImageConversionResult::Converted;
            if (accepted && conversion.appendedBytes > kMaxImageDataSize) {
                reportError("Image \"%s\" is too large", file.fullPath().c_str());
                accepted = false;
            }
        } else if (reports.held.empty()) {
            reportError("Could not read the file \"%s\"", file.fileName().c_str());
        }
    }
    giveAgainAt(reports, place);
    if (!accepted) {
        return std::nullopt;
    }
    return uniqueName(relative);
}

std::string ImageImporter::uniqueName(std::string_view relative) {
    std::string_view leaf =
        relative.substr(relative.rfind('/') == std::string_view::npos ? 0 : relative.rfind('/') + 1);
    leaf = leaf.substr(0, leaf.rfind('.'));
    std::string stem;
    for (char c : leaf.substr(0, kNameStemLength)) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                     c == '_';
        stem += plain ? c : '_';
    }
    if (stem.empty()) {
        stem = "image";
    }
    std::string name = stem + ".png";
    for (unsigned number = 2; lowerNames_.count(lowered(name)) != 0; ++number) {
        std::string suffix = "-" + std::to_string(number);
        name = stem.substr(0, kMaxImageNameLength - 4 - suffix.size()) + suffix + ".png";
    }
    lowerNames_[lowered(name)] = true;
    return name;
}

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
        if (!std::filesystem::copy_file(image.sourcePath, target, options, error) || error) {
            reportError("An error occurred writing the file %s.", target.c_str());
            return Verdict::Failed;
        }
    }
    return Verdict::Ok;
}

} // namespace quillery::markdown
