#include "markup/image_collector.h"

#include "markup/image_file_check.h"
#include "markup/image_table.h"
#include "tdb/book_format.h"
#include "tdb/image_conversion.h"

namespace quillery {
namespace {

// The room an image of `size` takes: 16 by 16 when it does not fit the page.
ImagePlacement placed(ImagePlacement placement, ImageSize size, uint32_t blockIndent) {
    placement.width = size.width;
    placement.height = size.height;
    if (placement.width + blockIndent > kPageWidth || placement.height > kPageHeight) {
        placement.width = kImagePlaceholderSize;
        placement.height = kImagePlaceholderSize;
    }
    return placement;
}

} // namespace

ImagePlacement ImageCollector::image(size_t tag, uint32_t blockIndent) {
    size_t after = context_.afterBareTag(tag);
    if (!context_.holds(after, kArgumentOpener)) {
        context_.report.excerptError(tag, "Image syntax incorrect.  You have '%s' and it should be \\m=\"",
                                     static_cast<int64_t>(after) - 10, 20);
        return {context_.clip(after), 0, 0};
    }
    size_t nameStart = after + kArgumentOpener.size();
    size_t close = context_.find('"', nameStart);
    for (size_t at = nameStart; at < close; ++at) {
        if (isLineEnd(context_.text[at])) {
            context_.report.excerptError(tag, "Returns are not permitted in image references.  See '%s'.",
                                         static_cast<int64_t>(at) - 9, 20);
        }
    }
    ImagePlacement placement;
    placement.resume = context_.clip(close + 1);
    std::string name(context_.text.substr(nameStart, close - nameStart));
    if (name.size() > kMaxImageNameLength) {
        context_.report.error(tag, kImageNameTooLongMessage, name.c_str());
    }
    // A name that fails the .png rule takes no room and gets no entry.
    ImageSize size;
    if (sizes_ != nullptr) {
        (void)sizes_->sizeOf(name, size);
        return placed(placement, size, blockIndent);
    }
    ImageFileCheck check =
        checkImageFile(name, imageFolder_, size,
                       context_.firstPass ? FirstPassMessages::Print : FirstPassMessages::Skip, tag);
    if (check.failed) {
        context_.report.markError();
    }
    if (check.missing && context_.firstPass) {
        noteMissingImage(table_, check.fullPath);
    } else if (check.pngName && context_.firstPass) {
        (void)addImage(table_, check.fullPath, size);
    }
    return placed(placement, size, blockIndent);
}

void ImageCollector::finish() {
    // Sorted by path, then every image converted and its converted size checked.
    if (failed(convertImageTable(table_))) {
        context_.report.markError();
    }
}

} // namespace quillery
