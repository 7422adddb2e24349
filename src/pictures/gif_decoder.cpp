#include "pictures/gif_decoder.h"

#include <cstring>
#include <gif_lib.h>
#include <memory>
#include <vector>

namespace quillery::pictures {
namespace {

struct GifInput {
    std::string_view bytes;
    size_t position = 0;
};

int readBytes(GifFileType* gif, GifByteType* out, int length) {
    auto* input = static_cast<GifInput*>(gif->UserData);
    size_t wanted = length > 0 ? static_cast<size_t>(length) : 0;
    size_t given = std::min(wanted, input->bytes.size() - input->position);
    std::memcpy(out, input->bytes.data() + input->position, given);
    input->position += given;
    return static_cast<int>(given);
}

struct CloseGif {
    void operator()(GifFileType* gif) const {
        int ignored = 0;
        (void)DGifCloseFile(gif, &ignored);
    }
};

std::string giflibReason(int code) {
    const char* text = GifErrorString(code);
    return damagedReason(text != nullptr ? text : "GIF decoding failed");
}

// Where the rows of an interlaced frame go: four passes, every 8th row from 0, every 8th from 4, every 4th
// from 2, every 2nd from 1.
std::vector<int> rowOrder(int height, bool interlaced) {
    std::vector<int> order;
    order.reserve(static_cast<size_t>(height));
    if (!interlaced) {
        for (int y = 0; y < height; ++y) {
            order.push_back(y);
        }
        return order;
    }
    static constexpr int kStart[] = {0, 4, 2, 1};
    static constexpr int kStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        for (int y = kStart[pass]; y < height; y += kStep[pass]) {
            order.push_back(y);
        }
    }
    return order;
}

} // namespace

bool looksLikeGif(std::string_view bytes) {
    return bytes.size() >= 6 && (bytes.substr(0, 6) == "GIF87a" || bytes.substr(0, 6) == "GIF89a");
}

Verdict decodeGif(std::string_view bytes, Raster& raster, std::string& error) {
    GifInput input{bytes};
    int code = 0;
    std::unique_ptr<GifFileType, CloseGif> gif(DGifOpen(&input, readBytes, &code));
    if (!gif) {
        error = giflibReason(code);
        return Verdict::Failed;
    }
    int transparent = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &type) != GIF_OK) {
            error = giflibReason(gif->Error);
            return Verdict::Failed;
        }
        if (type == TERMINATE_RECORD_TYPE) {
            error = damagedReason("it holds no picture");
            return Verdict::Failed;
        }
        if (type == EXTENSION_RECORD_TYPE) {
            int function = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif.get(), &function, &block) != GIF_OK) {
                error = giflibReason(gif->Error);
                return Verdict::Failed;
            }
            if (function == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4) {
                GraphicsControlBlock control;
                if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK) {
                    transparent = control.TransparentColor;
                }
            }
            while (block != nullptr) {
                if (DGifGetExtensionNext(gif.get(), &block) != GIF_OK) {
                    error = giflibReason(gif->Error);
                    return Verdict::Failed;
                }
            }
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE) {
            continue;
        }
        if (DGifGetImageDesc(gif.get()) != GIF_OK) {
            error = giflibReason(gif->Error);
            return Verdict::Failed;
        }
        break;
    }
    const GifImageDesc& frame = gif->Image;
    const ColorMapObject* colours = frame.ColorMap != nullptr ? frame.ColorMap : gif->SColorMap;
    if (frame.Width <= 0 || frame.Height <= 0) {
        error = damagedReason("the picture has no size");
        return Verdict::Failed;
    }
    if (colours == nullptr || colours->Colors == nullptr) {
        error = damagedReason("it has no colour table");
        return Verdict::Failed;
    }
    int64_t right = int64_t{frame.Left} + frame.Width;
    int64_t bottom = int64_t{frame.Top} + frame.Height;
    bool onScreen = frame.Left >= 0 && frame.Top >= 0 && right <= gif->SWidth && bottom <= gif->SHeight;
    int width = onScreen ? gif->SWidth : frame.Width;
    int height = onScreen ? gif->SHeight : frame.Height;
    int left = onScreen ? frame.Left : 0;
    int top = onScreen ? frame.Top : 0;
    if (!decodableSize(width, height) || !decodableSize(frame.Width, frame.Height)) {
        error = tooLargeReason(width, height);
        return Verdict::Failed;
    }
    if (!raster.allocate(width, height)) {
        error = damagedReason("out of memory");
        return Verdict::Failed;
    }
    std::vector<GifPixelType> line(static_cast<size_t>(frame.Width));
    for (int y : rowOrder(frame.Height, frame.Interlace)) {
        if (DGifGetLine(gif.get(), line.data(), frame.Width) != GIF_OK) {
            raster = Raster();
            error = giflibReason(gif->Error);
            return Verdict::Failed;
        }
        uint8_t* out = raster.row(top + y) + static_cast<size_t>(left) * 3;
        for (int x = 0; x < frame.Width; ++x, out += 3) {
            int index = line[static_cast<size_t>(x)];
            if (index == transparent) {
                continue; // the white the raster starts with
            }
            if (index >= colours->ColorCount) {
                out[0] = out[1] = out[2] = 0;
                continue;
            }
            const GifColorType& colour = colours->Colors[index];
            out[0] = colour.Red;
            out[1] = colour.Green;
            out[2] = colour.Blue;
        }
    }
    return Verdict::Ok;
}

} // namespace quillery::pictures
