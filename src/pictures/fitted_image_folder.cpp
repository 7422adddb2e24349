#include "pictures/fitted_image_folder.h"

#include "framework/diagnostics.h"
#include "markup/image_file_check.h"
#include "pictures/picture_as_is.h"
#include "pictures/picture_file.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

namespace quillery::pictures {
namespace {

namespace fs = std::filesystem;

bool writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return !out.fail();
}

// The fitted picture of the file at `from` written to `to`; a file that is taken as it is, or that is not a
// picture fitPicture reads, is copied.
bool placePicture(const std::string& from, const std::string& to, PictureColors colors) {
    std::string bytes, error;
    FittedPicture picture;
    if (!takenAsIs(from) && !failed(readPictureFile(from, bytes, error)) &&
        !failed(fitPicture(bytes, colors, picture, error))) {
        return writeFile(to, picture.png);
    }
    std::error_code failure;
    return fs::copy_file(from, to, fs::copy_options::overwrite_existing, failure) && !failure;
}

} // namespace

Verdict FittedImageFolder::prepare(const std::string& imageFolder, PictureColors colors) {
    std::error_code failure;
    if (!fs::is_directory(imageFolder, failure)) {
        return Verdict::Ok;
    }
    if (!scratch_.make("images")) {
        reportError("Could not create a scratch folder for the images of the book.");
        return Verdict::Failed;
    }
    std::string images = scratch_.path() + "/images";
    if (!fs::create_directory(images, failure)) {
        reportError("Could not create file %s.", images.c_str());
        return Verdict::Failed;
    }
    // In name order, so that the same folder is always fitted the same way.
    std::vector<fs::path> files;
    for (fs::recursive_directory_iterator
             walk(imageFolder, fs::directory_options::skip_permission_denied, failure),
         end;
         !failure && walk != end; walk.increment(failure)) {
        std::error_code ignored;
        if (walk->is_regular_file(ignored) && hasPngExtension(walk->path().filename().string())) {
            files.push_back(walk->path());
        }
    }
    if (failure) {
        reportError("The image folder %s could not be read.", imageFolder.c_str());
        return Verdict::Failed;
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        fs::path relative = file.lexically_relative(imageFolder);
        fs::path target = fs::path(images) / relative;
        std::error_code ignored;
        fs::create_directories(target.parent_path(), ignored);
        if (!placePicture(file.string(), target.string(), colors)) {
            reportError("An error occurred writing the file %s.", target.string().c_str());
            return Verdict::Failed;
        }
    }
    images_ = images;
    return Verdict::Ok;
}

} // namespace quillery::pictures
