// ImageStreams: where the converted image streams of a build wait for the book writer, back to back.
//
// A build keeps them in a temporary file of its own, written as each image is converted, so that memory
// never holds more than the image at hand however many images the book shows. The file is made by the first
// stream stored (a build without images makes none) through the build's file system, and then used through
// that object only, never opened again by name. Without a file system given the streams are kept in memory
// (for tools and tests that convert without a build).
#pragma once

#include "framework/file_system.h"
#include "framework/verdict.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace quillery {

class ImageStreams {
  public:
    // Keep the streams in a file made at `path` through `files` (which must outlive this object).
    void placeIn(FileSystem& files, std::string path);

    // Appends `size` bytes. A file that cannot be made is reported as "Could not create file %s.", a failed
    // write as "An error occurred writing the file %s." (with the file's path); nothing is appended then.
    [[nodiscard]] Verdict append(const void* data, size_t size);
    // The bytes appended so far.
    uint64_t length() const { return length_; }
    // Reads the `size` bytes at `offset`; false when they cannot be read whole.
    [[nodiscard]] bool read(uint64_t offset, void* out, size_t size) const;

  private:
    FileSystem* files_ = nullptr;
    std::string path_;
    std::unique_ptr<FileService> file_;
    std::string memory_;
    uint64_t length_ = 0;
};

} // namespace quillery
