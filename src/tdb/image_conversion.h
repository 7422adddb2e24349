// Image conversion: every image of a book is re-encoded into a lean PNG stream that the device can show.
//
// The converted stream holds the PNG signature, IHDR (the input's width, height, bit depth, colour type,
// compression and filter methods; no interlacing), PLTE when the input has a palette, IDAT chunks with the
// unchanged pixel rows, every row filtered with None, and IEND. Every other chunk is dropped and interlaced
// input is written non-interlaced. Only grey scale (colour type 0) and palette (3) images are taken, at any
// bit depth PNG allows for them. The streams of a build are kept back to back in ImageTable::streams.
#pragma once

#include "framework/file_service.h"
#include "framework/record_buffer.h"
#include "framework/verdict.h"
#include "tdb/book_format.h"
#include "tdb/book_tables.h"

#include <cstddef>
#include <cstdint>

namespace quillery {

// A converted stream above kMaxImageDataSize does not fit in an image record.
// Images larger than these are refused before any pixel memory is allocated. No image whose raw rows
// (height x (row bytes + 1)) exceed 1032 times the stream limit can deflate into the limit, since deflate
// never compresses better than about 1032 to 1.
constexpr uint32_t kMaxImageSide = 65535;
constexpr uint64_t kMaxRawImageBytes = 1032 * uint64_t{kMaxImageDataSize};

enum class ImageConversionResult : int {
    Converted = 0,
    Unreadable = 1,      // not a PNG, a read error, or any decoding or encoding error
    WrongColourType = 2, // neither grey scale nor palette
    TooLarge = 3,        // above the side or raw size limits above
};

struct ImageConversion {
    ImageConversionResult result = ImageConversionResult::Unreadable;
    size_t appendedBytes = 0; // 0 unless converted
};

// Converts the PNG in `file` (open for reading, at its start) and appends the stream to `data`. On failure
// `data` is cut back to its length before the call, `file` is closed and the failure is reported:
//   Unreadable:      "Could not read the file \"%s\""                                          (leaf name)
//   WrongColourType: "The file \"%s\" must be an 8-bit color image or a grayscale image."     (leaf name)
//   TooLarge:        "Image \"%s\" is too large"                                               (file.path())
// The stream limit kMaxImageDataSize is not tested here; convertImageTable does that.
ImageConversion convertImage(FileService& file, RecordBuffer& data);

// Where a conversion reads the pixel rows into: std::malloc unless a test replaces it for the conversions of
// its own thread (nullptr puts it back), for instance to hand out memory full of garbage; what it returns is
// released with std::free. The stream never depends on what that memory held.
using PixelAllocator = void* (*)(size_t bytes);
void setPixelAllocatorForTesting(PixelAllocator allocator);

// Sorts the table by path, then converts every entry that has no stream yet, in order, appending each
// stream to table.streams as soon as it is made and storing the entry's offset and size there. An entry
// converted by an earlier run keeps its stream (the same file converts to the same bytes), so a second run
// after more entries were added converts only those. Stops at the first failure (that entry and the later
// ones keep their previous offset and size) and returns Failed. A file that does not exist fails without a
// message (the file check has reported it); one that exists but cannot be opened is reported as unreadable;
// a stream above kMaxImageDataSize is reported as "Image \"%s\" is too large" with the entry's path; a
// stream that cannot be stored is reported by table.streams.
Verdict convertImageTable(ImageTable& table);

} // namespace quillery
