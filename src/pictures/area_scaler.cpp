#include "pictures/area_scaler.h"

#include <algorithm>
#include <new>
#include <vector>

namespace quillery::pictures {
namespace {

// Along one axis of `source` pixels scaled to `target` pixels, measured in units of 1 / target of a source
// pixel: target pixel i covers [i x source, (i + 1) x source) and source pixel j covers [j x target,
// (j + 1) x target), so every overlap is a whole number and the weights of a target pixel add up to
// `source`.
struct Contribution {
    int first = 0;                 // the first source pixel it covers
    std::vector<uint32_t> weights; // one per source pixel from `first` on
};

std::vector<Contribution> contributions(int source, int target) {
    std::vector<Contribution> result(static_cast<size_t>(target));
    for (int i = 0; i < target; ++i) {
        int64_t begin = int64_t{i} * source;
        int64_t end = begin + source;
        Contribution& c = result[static_cast<size_t>(i)];
        c.first = static_cast<int>(begin / target);
        for (int64_t j = c.first; j * target < end; ++j) {
            int64_t overlap = std::min(end, (j + 1) * target) - std::max(begin, j * target);
            c.weights.push_back(static_cast<uint32_t>(overlap));
        }
    }
    return result;
}

} // namespace

PictureSize fittedSize(int64_t width, int64_t height, int maxWidth, int maxHeight) {
    if (width <= maxWidth && height <= maxHeight) {
        return {static_cast<int>(width), static_cast<int>(height)};
    }
    // Width decides when width / height >= maxWidth / maxHeight; the other side is rounded to nearest.
    if (width * maxHeight >= height * maxWidth) {
        int64_t other = (2 * height * maxWidth + width) / (2 * width);
        return {maxWidth, static_cast<int>(std::clamp<int64_t>(other, 1, maxHeight))};
    }
    int64_t other = (2 * width * maxHeight + height) / (2 * height);
    return {static_cast<int>(std::clamp<int64_t>(other, 1, maxWidth)), maxHeight};
}

bool scaleDown(const Raster& source, int width, int height, Raster& scaled) {
    try {
        std::vector<Contribution> across = contributions(source.width(), width);
        std::vector<Contribution> down = contributions(source.height(), height);
        // First across every source row: sums still to be divided by the source width.
        std::vector<uint32_t> rows(static_cast<size_t>(source.height()) * static_cast<size_t>(width) * 3);
        for (int y = 0; y < source.height(); ++y) {
            const uint8_t* in = source.row(y);
            uint32_t* out = rows.data() + static_cast<size_t>(y) * static_cast<size_t>(width) * 3;
            for (int x = 0; x < width; ++x) {
                const Contribution& c = across[static_cast<size_t>(x)];
                uint32_t sum[3] = {0, 0, 0};
                for (size_t k = 0; k < c.weights.size(); ++k) {
                    const uint8_t* pixel = in + (static_cast<size_t>(c.first) + k) * 3;
                    for (int channel = 0; channel < 3; ++channel) {
                        sum[channel] += c.weights[k] * pixel[channel];
                    }
                }
                std::copy(sum, sum + 3, out + static_cast<size_t>(x) * 3);
            }
        }
        if (!scaled.allocate(width, height)) {
            return false;
        }
        uint64_t area = uint64_t(source.width()) * uint64_t(source.height());
        for (int y = 0; y < height; ++y) {
            const Contribution& c = down[static_cast<size_t>(y)];
            uint8_t* out = scaled.row(y);
            for (int x = 0; x < width * 3; ++x) {
                uint64_t sum = 0;
                for (size_t k = 0; k < c.weights.size(); ++k) {
                    sum += uint64_t{c.weights[k]} *
                           rows[(static_cast<size_t>(c.first) + k) * static_cast<size_t>(width) * 3 +
                                static_cast<size_t>(x)];
                }
                out[x] = static_cast<uint8_t>((sum + area / 2) / area);
            }
        }
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

} // namespace quillery::pictures
