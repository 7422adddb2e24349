#include "tdb/image_conversion.h"

#include "framework/diagnostics.h"
#include "tdb/image_table.h"

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <png.h>

namespace quillery {

namespace {

void* allocateWithMalloc(size_t bytes) {
    return std::malloc(bytes);
}

// Per thread, so that a test's replacement never reaches a build running on another thread.
thread_local PixelAllocator pixelAllocator = allocateWithMalloc;

// Everything a conversion holds while libpng runs. libpng reports errors by a longjmp out of its callbacks,
// so this is plain data that outlives the jump: the caller frees whatever it finds here afterwards.
struct Conversion {
    std::jmp_buf jump;
    FileService* file = nullptr;
    RecordBuffer* data = nullptr;
    png_structp reader = nullptr;
    png_infop readerInfo = nullptr;
    png_structp writer = nullptr;
    png_infop writerInfo = nullptr;
    png_bytep pixels = nullptr;
    png_bytepp rows = nullptr;
    // The first chunk's header, read ahead to see that it is IHDR, and handed to libpng before the file.
    uint8_t firstChunk[kPngChunkHeaderSize] = {};
    size_t firstChunkTaken = kPngChunkHeaderSize;
};

// Errors and warnings are silent: the conversion reports one message of its own.
[[noreturn]] void onPngError(png_structp png, png_const_charp) {
    auto* conversion = static_cast<Conversion*>(png_get_error_ptr(png));
    std::longjmp(conversion->jump, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

void readFromFile(png_structp png, png_bytep out, size_t length) {
    auto* conversion = static_cast<Conversion*>(png_get_io_ptr(png));
    size_t ahead = std::min(length, kPngChunkHeaderSize - conversion->firstChunkTaken);
    std::memcpy(out, conversion->firstChunk + conversion->firstChunkTaken, ahead);
    conversion->firstChunkTaken += ahead;
    out += ahead;
    length -= ahead;
    size_t got = 0;
    if (length != 0 && (conversion->file->read(out, length, &got) != 0 || got != length)) {
        png_error(png, "Read Error!");
    }
}

void appendToBuffer(png_structp png, png_bytep bytes, size_t length) {
    auto* conversion = static_cast<Conversion*>(png_get_io_ptr(png));
    if (!conversion->data->appendBytes(bytes, length)) {
        png_error(png, "Write Error!");
    }
}

// The stream goes to memory: there is nothing to flush.
void flushNothing(png_structp) {}

bool tooLarge(png_uint_32 width, png_uint_32 height, int bitDepth) {
    if (width > kMaxImageSide || height > kMaxImageSide) {
        return true;
    }
    // One sample per pixel for grey scale and palette images.
    uint64_t rowBytes = (uint64_t{width} * static_cast<uint64_t>(bitDepth) + 7) / 8;
    return uint64_t{height} * (rowBytes + 1) > kMaxRawImageBytes;
}

// The conversion proper, once the signature has been read and both libpng objects exist. A libpng error
// leaves it by longjmp to runConversion: it must own nothing that needs a destructor.
ImageConversionResult convertRows(Conversion* c) {
    png_set_read_fn(c->reader, c, readFromFile);
    png_set_write_fn(c->writer, c, appendToBuffer, flushNothing);
    png_set_sig_bytes(c->reader, static_cast<int>(kPngSignature.size()));
    // The side limit is ours to enforce (with its own message), so libpng takes every size PNG allows.
    png_set_user_limits(c->reader, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    // Ancillary chunks are dropped anyway: libpng need not even decode them.
    png_set_keep_unknown_chunks(c->reader, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);

    png_read_info(c->reader, c->readerInfo);
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colourType = 0;
    int interlace = 0;
    int compression = 0;
    int filter = 0;
    if (png_get_IHDR(c->reader, c->readerInfo, &width, &height, &bitDepth, &colourType, &interlace,
                     &compression, &filter) == 0) {
        return ImageConversionResult::Unreadable;
    }
    if (colourType != PNG_COLOR_TYPE_GRAY && colourType != PNG_COLOR_TYPE_PALETTE) {
        return ImageConversionResult::WrongColourType;
    }
    if (tooLarge(width, height, bitDepth)) {
        return ImageConversionResult::TooLarge;
    }

    png_set_IHDR(c->writer, c->writerInfo, width, height, bitDepth, colourType, PNG_INTERLACE_NONE,
                 compression, filter);
    png_set_filter(c->writer, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_colorp palette = nullptr;
    int paletteSize = 0;
    if (png_get_PLTE(c->reader, c->readerInfo, &palette, &paletteSize) != 0) {
        png_set_PLTE(c->writer, c->writerInfo, palette, paletteSize);
    }
    png_write_info(c->writer, c->writerInfo);

    // Interlaced input is read through all its passes into whole rows.
    if (interlace != PNG_INTERLACE_NONE) {
        (void)png_set_interlace_handling(c->reader);
    }
    png_read_update_info(c->reader, c->readerInfo);
    size_t rowBytes = png_get_rowbytes(c->reader, c->readerInfo);
    if (rowBytes == 0 || rowBytes != (uint64_t{width} * static_cast<uint64_t>(bitDepth) + 7) / 8) {
        return ImageConversionResult::Unreadable;
    }
    const size_t pixelBytes = size_t{height} * rowBytes;
    c->pixels = static_cast<png_bytep>(pixelAllocator(pixelBytes));
    c->rows = static_cast<png_bytepp>(std::malloc(size_t{height} * sizeof(png_bytep)));
    if (c->pixels == nullptr || c->rows == nullptr) {
        return ImageConversionResult::Unreadable;
    }
    // libpng leaves the bits after a row's last pixel as it finds them, and writes them out again: cleared,
    // they make the same image give the same stream in every build.
    std::memset(c->pixels, 0, pixelBytes);
    for (png_uint_32 y = 0; y < height; ++y) {
        c->rows[y] = c->pixels + size_t{y} * rowBytes;
    }
    png_read_image(c->reader, c->rows);
    png_write_image(c->writer, c->rows);
    png_write_end(c->writer, nullptr);
    return ImageConversionResult::Converted;
}

// The only frame that calls setjmp; nothing in it has a destructor, and nothing it reads after the jump
// lives in a local variable.
ImageConversionResult runConversion(Conversion* c) {
    c->reader = png_create_read_struct(PNG_LIBPNG_VER_STRING, c, onPngError, onPngWarning);
    c->writer = png_create_write_struct(PNG_LIBPNG_VER_STRING, c, onPngError, onPngWarning);
    if (c->reader == nullptr || c->writer == nullptr) {
        return ImageConversionResult::Unreadable;
    }
    c->readerInfo = png_create_info_struct(c->reader);
    c->writerInfo = png_create_info_struct(c->writer);
    if (c->readerInfo == nullptr || c->writerInfo == nullptr) {
        return ImageConversionResult::Unreadable;
    }
    if (setjmp(c->jump) != 0) {
        return ImageConversionResult::Unreadable;
    }
    return convertRows(c);
}

void release(Conversion& c) {
    std::free(c.rows);
    std::free(c.pixels);
    if (c.reader != nullptr) {
        png_destroy_read_struct(&c.reader, c.readerInfo != nullptr ? &c.readerInfo : nullptr, nullptr);
    }
    if (c.writer != nullptr) {
        png_destroy_write_struct(&c.writer, c.writerInfo != nullptr ? &c.writerInfo : nullptr);
    }
}

// The signature, then a first chunk that is IHDR (libpng would take ancillary chunks before it, since it
// skips them unread). Keeps the chunk's header for libpng.
bool startsLikeAPng(FileService& file, Conversion& conversion) {
    uint8_t start[kPngSignature.size() + kPngChunkHeaderSize] = {};
    size_t got = 0;
    if (file.read(start, sizeof start, &got) != 0 || got != sizeof start ||
        std::memcmp(start, kPngSignature.data(), kPngSignature.size()) != 0 ||
        std::memcmp(start + kPngSignature.size() + kPngChunkTypeOffset, kPngHeaderChunk.data(),
                    kPngHeaderChunk.size()) != 0) {
        return false;
    }
    std::memcpy(conversion.firstChunk, start + kPngSignature.size(), kPngChunkHeaderSize);
    conversion.firstChunkTaken = 0;
    return true;
}

void reportFailure(ImageConversionResult result, const FileService& file) {
    switch (result) {
    case ImageConversionResult::Converted:
        return;
    case ImageConversionResult::Unreadable:
        reportError("Could not read the file \"%s\"", file.fileName().c_str());
        return;
    case ImageConversionResult::WrongColourType:
        reportError("The file \"%s\" must be an 8-bit color image or a grayscale image.",
                    file.fileName().c_str());
        return;
    case ImageConversionResult::TooLarge:
        reportError("Image \"%s\" is too large", file.path().c_str());
        return;
    }
}

} // namespace

void setPixelAllocatorForTesting(PixelAllocator allocator) {
    pixelAllocator = allocator != nullptr ? allocator : allocateWithMalloc;
}

ImageConversion convertImage(FileService& file, RecordBuffer& data) {
    const size_t startLength = data.byteLength();
    ImageConversionResult result = ImageConversionResult::Unreadable;
    Conversion conversion;
    if (startsLikeAPng(file, conversion)) {
        conversion.file = &file;
        conversion.data = &data;
        result = runConversion(&conversion);
        release(conversion);
    }
    if (result == ImageConversionResult::Converted) {
        return {result, data.byteLength() - startLength};
    }
    (void)data.setByteLength(startLength); // shrinking cannot fail
    (void)file.close();
    reportFailure(result, file);
    return {result, 0};
}

Verdict convertImageTable(ImageTable& table) {
    sortImageTable(table);
    // One stream at a time is held here; each goes to the table's streams as soon as it is made.
    RecordBuffer stream{1, 32768, 32768};
    for (ImageEntry& entry : table.entries) {
        // Converted by an earlier run: the same file gives the same stream, which is kept once.
        if (entry.dataSize != 0) {
            continue;
        }
        // A missing file stops the conversion where its entry would have stood, silently.
        if (table.anyMissing && !imagePathLess(entry.path, table.leastMissingPath)) {
            return Verdict::Failed;
        }
        FileService file(entry.path);
        if (!file.exists()) {
            return Verdict::Failed;
        }
        if (file.open(FileService::Mode::Read) != 0) {
            reportError("Could not read the file \"%s\"", file.fileName().c_str());
            return Verdict::Failed;
        }
        stream.clear();
        ImageConversion conversion = convertImage(file, stream);
        if (conversion.result != ImageConversionResult::Converted) {
            return Verdict::Failed;
        }
        // Offsets are 32-bit in the table; streams that outgrew them cannot be addressed either.
        const uint64_t offset = table.streams.length();
        if (conversion.appendedBytes > kMaxImageDataSize ||
            offset + conversion.appendedBytes > std::numeric_limits<uint32_t>::max()) {
            reportError("Image \"%s\" is too large", entry.path.c_str());
            return Verdict::Failed;
        }
        if (failed(table.streams.append(stream.data(), stream.byteLength()))) {
            return Verdict::Failed;
        }
        entry.dataOffset = static_cast<uint32_t>(offset);
        entry.dataSize = static_cast<uint32_t>(conversion.appendedBytes);
    }
    return table.anyMissing ? Verdict::Failed : Verdict::Ok;
}

} // namespace quillery
