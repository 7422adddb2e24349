// Images in the main text: \m="name.png" is validated, the file checked and its size read from the
// PNG header, the path collected into the image table, and the room it takes in the line returned to the
// layout.
//
// The file check and the header reader are the image issue's (also used for sidebar and footnote bodies).
#pragma once

#include "markup/book_tables.h"
#include "markup/png_header.h"
#include "markup/scan_context.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillery {

struct ImagePlacement {
    size_t resume = 0;
    uint32_t width = 0; // room in the line: 16 by 16 when the image does not fit the page
    uint32_t height = 0;
};

// Image sizes known without the image folder (a built book's image records), by the name a \m tag gives.
class ImageSizeSource {
  public:
    virtual ~ImageSizeSource() = default;
    // False (and `size` left 0 by 0) for a name it does not know.
    virtual bool sizeOf(std::string_view name, ImageSize& size) const = 0;
};

class ImageCollector {
  public:
    ImageCollector(ScanContext& context, ImageTable& table, std::string imageFolder)
        : context_(context), table_(table), imageFolder_(std::move(imageFolder)) {}

    // \m at `tag` with the block indent in force (8 while \t is on, else 0).
    ImagePlacement image(size_t tag, uint32_t blockIndent);

    // Sizes from `sizes` instead of the image folder, with no file check and no table entry; null: the
    // folder.
    void useSizes(const ImageSizeSource* sizes) { sizes_ = sizes; }

    // After the last pass: the table sorted by path, every image converted and its converted size checked;
    // a failure is an error of the scan.
    void finish();

  private:
    ScanContext& context_;
    ImageTable& table_;
    std::string imageFolder_;
    const ImageSizeSource* sizes_ = nullptr;
};

} // namespace quillery
