// Images in the main text: \m="name.png" is validated, the file checked and its size read from the
// PNG header, the path collected into the image table, and the room it takes in the line returned to the
// layout.
//
// The file check and the header reader are the image issue's (also used for sidebar and footnote bodies).
#pragma once

#include "markup/image_converter.h"
#include "markup/scan_context.h"
#include "tdb/book_tables.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillery {

struct ImagePlacement {
    size_t resume = 0;
    uint32_t width = 0; // room in the line: 16 by 16 when the image does not fit the page
    uint32_t height = 0;
};

class ImageCollector {
  public:
    ImageCollector(ScanContext& context, ImageTable& table, std::string imageFolder, ImageConverter convert)
        : context_(context), table_(table), imageFolder_(std::move(imageFolder)),
          convert_(std::move(convert)) {}

    // \m at `tag` with the block indent in force (8 while \t is on, else 0).
    ImagePlacement image(size_t tag, uint32_t blockIndent);

    // After the last pass: the table sorted by path, then every image converted and its converted size
    // checked by the converter given (if any); a failure is an error of the scan.
    void finish();

  private:
    ScanContext& context_;
    ImageTable& table_;
    std::string imageFolder_;
    ImageConverter convert_;
};

} // namespace quillery
