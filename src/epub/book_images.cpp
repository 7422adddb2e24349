#include "epub/book_images.h"

#include "framework/diagnostics.h"
#include "tdb/book_format.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace quillery::epub {
namespace {

constexpr size_t kNameStemLength = 20;
constexpr std::string_view kPngSignature = "\x89PNG\r\n\x1A\n";

std::string lowered(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

uint32_t bigEndian(std::string_view bytes, size_t at) {
    return (uint32_t{static_cast<uint8_t>(bytes[at])} << 24) |
           (uint32_t{static_cast<uint8_t>(bytes[at + 1])} << 16) |
           (uint32_t{static_cast<uint8_t>(bytes[at + 2])} << 8) |
           uint32_t{static_cast<uint8_t>(bytes[at + 3])};
}

// Makes `bytes` into a picture the build takes. For now only a grey or palette PNG that fits an image record
// goes through, as it is; every picture of the book passes here, so that a fitter of any picture can take
// its place.
bool fitPicture(std::string_view bytes, ImageColors colors, std::string& png, std::string& error) {
    (void)colors;
    if (bytes.size() < 33 || bytes.substr(0, 8) != kPngSignature || bytes.substr(12, 4) != "IHDR") {
        error = "it is not a PNG picture; only grey or palette PNG pictures can go into a book";
        return false;
    }
    auto colourType = static_cast<uint8_t>(bytes[25]);
    if (colourType != 0 && colourType != 3) {
        error = "it is a colour PNG picture; only grey or palette PNG pictures can go into a book";
        return false;
    }
    if (bigEndian(bytes, 16) == 0 || bigEndian(bytes, 20) == 0 || bytes.size() > kMaxImageDataSize) {
        error = "the picture is too large for a book";
        return false;
    }
    png.assign(bytes);
    return true;
}

} // namespace

std::optional<std::string> BookImages::import(const std::string& path, std::string& problem) {
    if (auto known = byPath_.find(path); known != byPath_.end()) {
        problem = problems_[path];
        return known->second;
    }
    std::string bytes;
    std::string png;
    std::optional<std::string> name;
    switch (archive_.read(path, bytes)) {
    case EntryRead::Ok:
        if (fitPicture(bytes, colors_, png, problem)) {
            name = uniqueName(path);
            images_.push_back({*name, std::move(png)});
        }
        break;
    case EntryRead::Missing:
        problem = "it is not in the EPUB";
        break;
    case EntryRead::TooLarge:
        problem = "it inflates past the size limit";
        refused_ = true;
        break;
    case EntryRead::Broken:
        problem = "it cannot be read from the EPUB";
        break;
    }
    byPath_[path] = name;
    problems_[path] = problem;
    return name;
}

std::string BookImages::uniqueName(const std::string& path) {
    std::string_view leaf = path;
    if (size_t slash = leaf.rfind('/'); slash != std::string_view::npos) {
        leaf.remove_prefix(slash + 1);
    }
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

Verdict writeImages(const std::vector<BookImage>& images, const std::string& folder, bool replace) {
    if (images.empty()) {
        return Verdict::Ok;
    }
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder)) {
        reportError("Could not create file %s.", folder.c_str());
        return Verdict::Failed;
    }
    for (const BookImage& image : images) {
        std::string target = folder + "/" + image.name;
        if (!replace && std::filesystem::exists(target, error)) {
            reportError("An error occurred writing the file %s.", target.c_str());
            return Verdict::Failed;
        }
        std::ofstream out(target, std::ios::binary | std::ios::trunc);
        out.write(image.png.data(), static_cast<std::streamsize>(image.png.size()));
        out.close();
        if (!out) {
            reportError("An error occurred writing the file %s.", target.c_str());
            (void)std::filesystem::remove(target, error);
            return Verdict::Failed;
        }
    }
    return Verdict::Ok;
}

} // namespace quillery::epub
