// PNG fixtures for the tests: images written and read back through libpng, and a chunk walker that checks
// a stream without libpng.
#pragma once

#include <csetjmp>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <png.h>
#include <string>
#include <string_view>
#include <vector>
#include <zlib.h>

namespace quillery::test {

struct PngImage {
    uint32_t width = 0;
    uint32_t height = 0;
    int bitDepth = 8;
    int colourType = PNG_COLOR_TYPE_GRAY;
    bool interlaced = false;
    std::vector<png_color> palette;
    std::vector<uint8_t> transparency;      // tRNS alphas of palette entries
    std::vector<std::string> comments;      // one tEXt chunk each
    std::vector<std::vector<uint8_t>> rows; // as PNG packs them: (width x bits per pixel + 7) / 8 bytes
};

inline size_t pngRowBytes(const PngImage& image) {
    int channels = image.colourType == PNG_COLOR_TYPE_RGB          ? 3
                   : image.colourType == PNG_COLOR_TYPE_RGB_ALPHA  ? 4
                   : image.colourType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                                   : 1;
    return (size_t{image.width} * static_cast<size_t>(channels * image.bitDepth) + 7) / 8;
}

// Rows of pseudo-random bytes (a fixed linear congruential sequence): deflate cannot shrink them.
inline std::vector<std::vector<uint8_t>> noiseRows(const PngImage& image, uint32_t seed = 1) {
    std::vector<std::vector<uint8_t>> rows(image.height, std::vector<uint8_t>(pngRowBytes(image)));
    for (auto& row : rows) {
        for (auto& byte : row) {
            seed = seed * 1664525u + 1013904223u;
            byte = static_cast<uint8_t>(seed >> 24);
        }
    }
    return rows;
}

namespace png_detail {

struct Memory {
    std::jmp_buf jump;
    const uint8_t* in = nullptr;
    size_t inSize = 0;
    size_t inPos = 0;
    std::string* out = nullptr;
};

[[noreturn]] inline void onError(png_structp png, png_const_charp) {
    std::longjmp(static_cast<Memory*>(png_get_error_ptr(png))->jump, 1);
}
inline void onWarning(png_structp, png_const_charp) {}
inline void write(png_structp png, png_bytep bytes, size_t length) {
    static_cast<Memory*>(png_get_io_ptr(png))->out->append(reinterpret_cast<const char*>(bytes), length);
}
inline void flush(png_structp) {}
inline void read(png_structp png, png_bytep bytes, size_t length) {
    auto* memory = static_cast<Memory*>(png_get_io_ptr(png));
    if (memory->inSize - memory->inPos < length) {
        png_error(png, "short");
    }
    std::memcpy(bytes, memory->in + memory->inPos, length);
    memory->inPos += length;
}

// The setjmp frames hold nothing with a destructor.
inline bool encode(Memory* memory, const PngImage* image, png_bytepp rows, png_textp texts, int textCount) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, memory, onError, onWarning);
    png_infop info = png_create_info_struct(png);
    if (setjmp(memory->jump) != 0) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, memory, write, flush);
    // Fixtures may be broken on purpose.
    png_set_check_for_invalid_index(png, 0);
    png_set_IHDR(png, info, image->width, image->height, image->bitDepth, image->colourType,
                 image->interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!image->palette.empty()) {
        png_set_PLTE(png, info, image->palette.data(), static_cast<int>(image->palette.size()));
    }
    if (!image->transparency.empty()) {
        png_set_tRNS(png, info, image->transparency.data(), static_cast<int>(image->transparency.size()),
                     nullptr);
    }
    if (textCount > 0) {
        png_set_text(png, info, texts, textCount);
    }
    png_write_info(png, info);
    if (image->interlaced) {
        (void)png_set_interlace_handling(png);
    }
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

struct Decoded {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colourType = 0;
    int interlace = 0;
    png_colorp palette = nullptr;
    int paletteSize = 0;
    size_t rowBytes = 0;
    png_bytep pixels = nullptr; // malloc'd, freed by the caller
    png_bytepp rows = nullptr;  // malloc'd, freed by the caller
    std::vector<png_color>* paletteOut = nullptr;
};

inline bool decode(Memory* memory, Decoded* d) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, memory, onError, onWarning);
    png_infop info = png_create_info_struct(png);
    if (setjmp(memory->jump) != 0) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, memory, read);
    png_read_info(png, info);
    png_get_IHDR(png, info, &d->width, &d->height, &d->bitDepth, &d->colourType, &d->interlace, nullptr,
                 nullptr);
    if (png_get_PLTE(png, info, &d->palette, &d->paletteSize) != 0) {
        d->paletteOut->assign(d->palette, d->palette + d->paletteSize);
    }
    (void)png_set_interlace_handling(png);
    png_read_update_info(png, info);
    d->rowBytes = png_get_rowbytes(png, info);
    d->pixels = static_cast<png_bytep>(std::malloc(d->rowBytes * d->height + 1));
    d->rows = static_cast<png_bytepp>(std::malloc(sizeof(png_bytep) * d->height + 1));
    for (png_uint_32 y = 0; y < d->height; ++y) {
        d->rows[y] = d->pixels + y * d->rowBytes;
    }
    png_read_image(png, d->rows);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

} // namespace png_detail

// The image as a PNG stream (empty when libpng refuses it).
inline std::string encodePng(const PngImage& image) {
    std::string out;
    png_detail::Memory memory;
    memory.out = &out;
    std::vector<png_bytep> rows;
    for (const auto& row : image.rows) {
        rows.push_back(const_cast<png_bytep>(row.data()));
    }
    std::vector<png_text> texts(image.comments.size());
    for (size_t i = 0; i < texts.size(); ++i) {
        texts[i].compression = PNG_TEXT_COMPRESSION_NONE;
        texts[i].key = const_cast<char*>("Comment");
        texts[i].text = const_cast<char*>(image.comments[i].c_str());
    }
    if (!png_detail::encode(&memory, &image, rows.data(), texts.data(), static_cast<int>(texts.size()))) {
        return {};
    }
    return out;
}

// The image a PNG stream holds, read in full (interlaced streams through all passes), or nothing when libpng
// refuses it. Ancillary chunks are not kept.
inline std::optional<PngImage> decodePng(std::string_view stream) {
    png_detail::Memory memory;
    memory.in = reinterpret_cast<const uint8_t*>(stream.data());
    memory.inSize = stream.size();
    PngImage image;
    png_detail::Decoded decoded;
    decoded.paletteOut = &image.palette;
    bool ok = png_detail::decode(&memory, &decoded);
    if (ok) {
        image.width = decoded.width;
        image.height = decoded.height;
        image.bitDepth = decoded.bitDepth;
        image.colourType = decoded.colourType;
        image.interlaced = decoded.interlace != PNG_INTERLACE_NONE;
        for (png_uint_32 y = 0; y < decoded.height; ++y) {
            image.rows.emplace_back(decoded.rows[y], decoded.rows[y] + decoded.rowBytes);
        }
    }
    std::free(decoded.rows);
    std::free(decoded.pixels);
    if (!ok) {
        return std::nullopt;
    }
    return image;
}

struct PngChunk {
    std::string type;
    std::string data;
    bool crcMatches = false;
};

// The chunks of a stream, read without libpng; nothing when the signature or a chunk's length is wrong.
inline std::optional<std::vector<PngChunk>> pngChunks(std::string_view stream) {
    static const char signature[] = "\x89PNG\r\n\x1a\n";
    if (stream.size() < 8 || stream.substr(0, 8) != std::string_view(signature, 8)) {
        return std::nullopt;
    }
    std::vector<PngChunk> chunks;
    size_t pos = 8;
    while (pos < stream.size()) {
        if (stream.size() - pos < 12) {
            return std::nullopt;
        }
        auto byte = [&](size_t i) { return uint32_t{static_cast<uint8_t>(stream[i])}; };
        uint32_t length = byte(pos) << 24 | byte(pos + 1) << 16 | byte(pos + 2) << 8 | byte(pos + 3);
        if (stream.size() - pos - 12 < length) {
            return std::nullopt;
        }
        PngChunk chunk;
        chunk.type = std::string(stream.substr(pos + 4, 4));
        chunk.data = std::string(stream.substr(pos + 8, length));
        size_t crcAt = pos + 8 + length;
        uint32_t crc = byte(crcAt) << 24 | byte(crcAt + 1) << 16 | byte(crcAt + 2) << 8 | byte(crcAt + 3);
        uint32_t computed = static_cast<uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(stream.data() + pos + 4), static_cast<uInt>(length + 4)));
        chunk.crcMatches = crc == computed;
        chunks.push_back(std::move(chunk));
        pos = crcAt + 4;
    }
    return chunks;
}

// A stream made of the signature and the given chunks, each with its correct CRC.
inline std::string pngFromChunks(const std::vector<std::pair<std::string, std::string>>& chunks) {
    std::string out("\x89PNG\r\n\x1a\n", 8);
    for (const auto& [type, data] : chunks) {
        uint32_t length = static_cast<uint32_t>(data.size());
        for (int shift = 24; shift >= 0; shift -= 8) {
            out.push_back(static_cast<char>(length >> shift));
        }
        std::string body = type + data;
        out += body;
        uint32_t crc = static_cast<uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size())));
        for (int shift = 24; shift >= 0; shift -= 8) {
            out.push_back(static_cast<char>(crc >> shift));
        }
    }
    return out;
}

// The 13 data bytes of an IHDR chunk.
inline std::string ihdrData(uint32_t width, uint32_t height, int bitDepth, int colourType,
                            int interlace = 0) {
    std::string data;
    for (uint32_t value : {width, height}) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            data.push_back(static_cast<char>(value >> shift));
        }
    }
    data.push_back(static_cast<char>(bitDepth));
    data.push_back(static_cast<char>(colourType));
    data.push_back(0);
    data.push_back(0);
    data.push_back(static_cast<char>(interlace));
    return data;
}

} // namespace quillery::test
