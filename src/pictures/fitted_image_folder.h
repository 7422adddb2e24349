// The image folder of a markup source with its pictures fitted to the page, made in a private scratch folder
// for one build (the author's folder is only read).
//
// Every regular file of the folder and of the folders inside it whose name ends in ".png" (case ignored),
// the only files an image tag can name, is put at the same relative path: a PNG the build already takes and
// that fits the page unchanged, any other picture fitPicture reads as its fitted PNG, and a file it cannot
// read unchanged too, so that the build reports it as before if the text names it (a file no tag names does
// no harm). Other files are left out.
#pragma once

#include "build/scratch_folder.h"
#include "framework/verdict.h"
#include "pictures/picture_fitting.h"

#include <string>

namespace quillery::pictures {

class FittedImageFolder {
  public:
    FittedImageFolder() = default;
    FittedImageFolder(const FittedImageFolder&) = delete;
    FittedImageFolder& operator=(const FittedImageFolder&) = delete;

    // Fits the pictures of `imageFolder`. A folder that does not exist gives nothing to fit, and folder()
    // stays empty. Fails after reporting when the scratch folder or a file in it cannot be made.
    Verdict prepare(const std::string& imageFolder, PictureColors colors);

    // The folder the build is to read its images from, or empty to read them where they are.
    const std::string& folder() const { return images_; }

  private:
    ScratchFolder scratch_; // removed with the object
    std::string images_;
};

} // namespace quillery::pictures
