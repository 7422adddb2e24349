#include "epub/book_images.h"

#include "framework/diagnostics.h"
#include "tdb/book_format.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace quillery::epub {

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
            name = names_.claim(path);
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
