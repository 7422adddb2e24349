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

std::string lowered(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

} // namespace

std::optional<std::string> BookImages::import(const std::string& path, std::string& problem) {
    if (auto known = byPath_.find(path); known != byPath_.end()) {
        problem = problems_[path];
        return known->second;
    }
    std::string bytes;
    std::optional<std::string> name;
    switch (archive_.read(path, bytes)) {
    case EntryRead::Ok:
        if (pictures::FittedPicture fitted; !failed(pictures::fitPicture(bytes, colors_, fitted, problem))) {
            name = uniqueName(path);
            images_.push_back({*name, std::move(fitted.png)});
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
        std::string suffix = std::to_string(number).insert(0, 1, '-');
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
