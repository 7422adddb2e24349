// Pictures of any common kind fitted to the device page: decoded, scaled down, and encoded as a PNG stream
// the build takes.
#pragma once

#include "framework/verdict.h"

#include <string>
#include <string_view>

namespace quillery::pictures {

enum class PictureColors { Grey, Palette };

constexpr int kMaxPictureWidth = 150; // fits inside an indented block too
constexpr int kMaxPictureHeight = 148;

struct FittedPicture {
    std::string png; // an 8-bit grey or palette PNG that the build takes
    int width = 0;
    int height = 0;
};

// Decodes `bytes` (JPEG, PNG of any colour type and depth, GIF: its first frame), scales it down to fit the
// page (never up), and encodes it. On failure, returns a failed Verdict and a one-line reason in `error`
// (e.g. "not a JPEG, PNG or GIF picture", "the picture is damaged: ...", "the picture is too large: W x H").
// Transparency is laid over white. The same bytes always give the same stream.
Verdict fitPicture(std::string_view bytes, PictureColors colors, FittedPicture& picture, std::string& error);

} // namespace quillery::pictures
