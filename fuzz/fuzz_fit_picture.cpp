// Fuzzes picture fitting: arbitrary bytes as a JPEG, PNG or GIF file. Every input must end in a clean
// result: a refusal with a one-line reason, or a PNG stream of a size that fits the page.
#include "pictures/picture_fitting.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // The last byte picks the colours, so that both encoders see every picture the decoders let through.
    auto colors = size > 0 && (data[size - 1] & 1) != 0 ? quillery::pictures::PictureColors::Palette
                                                        : quillery::pictures::PictureColors::Grey;
    quillery::pictures::FittedPicture picture;
    std::string error;
    if (failed(quillery::pictures::fitPicture(bytes, colors, picture, error))) {
        if (error.empty() || error.find('\n') != std::string::npos || !picture.png.empty()) {
            std::abort();
        }
        return 0;
    }
    if (picture.png.size() < 8 || picture.width < 1 || picture.height < 1 ||
        picture.width > quillery::pictures::kMaxPictureWidth ||
        picture.height > quillery::pictures::kMaxPictureHeight) {
        std::abort();
    }
    return 0;
}
