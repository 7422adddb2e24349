#include "pictures/palette_quantiser.h"

#include <algorithm>
#include <cstdlib>

namespace quillery::pictures {
namespace {

constexpr size_t kMaxColours = 256;

struct CountedColour {
    uint32_t rgb = 0; // 0xRRGGBB
    uint32_t count = 0;
};

int channelOf(uint32_t rgb, int channel) {
    return static_cast<int>((rgb >> (16 - 8 * channel)) & 0xFF);
}

uint32_t packed(const uint8_t* pixel) {
    return uint32_t{pixel[0]} << 16 | uint32_t{pixel[1]} << 8 | pixel[2];
}

// The distinct colours of the raster, sorted, each with the number of its pixels.
std::vector<CountedColour> histogram(const Raster& raster) {
    std::vector<uint32_t> all;
    all.reserve(static_cast<size_t>(raster.width()) * static_cast<size_t>(raster.height()));
    for (int y = 0; y < raster.height(); ++y) {
        for (int x = 0; x < raster.width(); ++x) {
            all.push_back(packed(raster.row(y) + static_cast<size_t>(x) * 3));
        }
    }
    std::sort(all.begin(), all.end());
    std::vector<CountedColour> colours;
    for (uint32_t rgb : all) {
        if (colours.empty() || colours.back().rgb != rgb) {
            colours.push_back({rgb, 0});
        }
        ++colours.back().count;
    }
    return colours;
}

// A box of median cut: a run of the colour list.
struct Box {
    size_t begin = 0;
    size_t end = 0;
    uint64_t pixels = 0;
    int widestChannel = 0;
    int widestRange = 0;
};

Box measured(const std::vector<CountedColour>& colours, size_t begin, size_t end) {
    Box box{begin, end, 0, 0, 0};
    int low[3] = {255, 255, 255}, high[3] = {0, 0, 0};
    for (size_t i = begin; i < end; ++i) {
        box.pixels += colours[i].count;
        for (int channel = 0; channel < 3; ++channel) {
            low[channel] = std::min(low[channel], channelOf(colours[i].rgb, channel));
            high[channel] = std::max(high[channel], channelOf(colours[i].rgb, channel));
        }
    }
    for (int channel = 0; channel < 3; ++channel) {
        if (high[channel] - low[channel] > box.widestRange) {
            box.widestRange = high[channel] - low[channel];
            box.widestChannel = channel;
        }
    }
    return box;
}

std::vector<PaletteColour> medianCut(std::vector<CountedColour>& colours) {
    std::vector<Box> boxes{measured(colours, 0, colours.size())};
    while (boxes.size() < kMaxColours) {
        // The box to split: most pixels times widest side; the first such box on a tie.
        size_t chosen = boxes.size();
        uint64_t best = 0;
        for (size_t k = 0; k < boxes.size(); ++k) {
            uint64_t score = boxes[k].pixels * static_cast<uint64_t>(boxes[k].widestRange);
            if (boxes[k].end - boxes[k].begin > 1 && score > best) {
                best = score;
                chosen = k;
            }
        }
        if (chosen == boxes.size()) {
            break; // every box holds one colour
        }
        Box box = boxes[chosen];
        int channel = box.widestChannel;
        // A total order (the channel, then the whole colour), so that the cut never depends on the sort.
        std::sort(colours.begin() + static_cast<ptrdiff_t>(box.begin),
                  colours.begin() + static_cast<ptrdiff_t>(box.end),
                  [channel](const CountedColour& a, const CountedColour& b) {
                      int ca = channelOf(a.rgb, channel), cb = channelOf(b.rgb, channel);
                      return ca != cb ? ca < cb : a.rgb < b.rgb;
                  });
        uint64_t half = box.pixels / 2;
        uint64_t seen = 0;
        size_t cut = box.begin + 1;
        for (size_t i = box.begin; i + 1 < box.end; ++i) {
            seen += colours[i].count;
            cut = i + 1;
            if (seen >= half) {
                break;
            }
        }
        boxes[chosen] = measured(colours, box.begin, cut);
        boxes.push_back(measured(colours, cut, box.end));
    }
    std::vector<PaletteColour> palette;
    for (const Box& box : boxes) {
        uint64_t sum[3] = {0, 0, 0};
        for (size_t i = box.begin; i < box.end; ++i) {
            for (int channel = 0; channel < 3; ++channel) {
                sum[channel] += uint64_t(channelOf(colours[i].rgb, channel)) * colours[i].count;
            }
        }
        PaletteColour colour;
        for (int channel = 0; channel < 3; ++channel) {
            colour[static_cast<size_t>(channel)] =
                static_cast<uint8_t>((sum[channel] + box.pixels / 2) / box.pixels);
        }
        palette.push_back(colour);
    }
    return palette;
}

uint8_t nearest(const std::vector<PaletteColour>& palette, int r, int g, int b) {
    size_t best = 0;
    int bestDistance = 1 << 30;
    for (size_t k = 0; k < palette.size(); ++k) {
        int dr = r - palette[k][0], dg = g - palette[k][1], db = b - palette[k][2];
        int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = k;
        }
    }
    return static_cast<uint8_t>(best);
}

// `value` / 16 rounded to nearest, halves away from zero.
int sixteenthsRounded(int value) {
    return value >= 0 ? (value + 8) / 16 : -((8 - value) / 16);
}

// Floyd-Steinberg, left to right on every row: 7/16 of a pixel's error to the right, 3/16 below left, 5/16
// below, 1/16 below right. Errors are kept in sixteenths.
std::vector<uint8_t> dithered(const Raster& raster, const std::vector<PaletteColour>& palette) {
    int width = raster.width();
    std::vector<uint8_t> indices;
    indices.reserve(static_cast<size_t>(width) * static_cast<size_t>(raster.height()));
    // One spare entry at each end so that the neighbours of the edge pixels need no test.
    std::vector<int> current((static_cast<size_t>(width) + 2) * 3, 0), next(current.size(), 0);
    for (int y = 0; y < raster.height(); ++y) {
        std::fill(next.begin(), next.end(), 0);
        const uint8_t* pixel = raster.row(y);
        for (int x = 0; x < width; ++x, pixel += 3) {
            size_t at = (static_cast<size_t>(x) + 1) * 3;
            int wanted[3];
            for (int c = 0; c < 3; ++c) {
                wanted[c] =
                    std::clamp(pixel[c] + sixteenthsRounded(current[at + static_cast<size_t>(c)]), 0, 255);
            }
            uint8_t index = nearest(palette, wanted[0], wanted[1], wanted[2]);
            indices.push_back(index);
            for (int c = 0; c < 3; ++c) {
                int error = wanted[c] - palette[index][static_cast<size_t>(c)];
                size_t k = static_cast<size_t>(c);
                current[at + 3 + k] += error * 7;
                next[at - 3 + k] += error * 3;
                next[at + k] += error * 5;
                next[at + 3 + k] += error;
            }
        }
        std::swap(current, next);
    }
    return indices;
}

} // namespace

IndexedPicture quantise(const Raster& raster) {
    IndexedPicture picture;
    std::vector<CountedColour> colours = histogram(raster);
    if (colours.size() <= kMaxColours) {
        for (const CountedColour& colour : colours) {
            picture.palette.push_back({static_cast<uint8_t>(channelOf(colour.rgb, 0)),
                                       static_cast<uint8_t>(channelOf(colour.rgb, 1)),
                                       static_cast<uint8_t>(channelOf(colour.rgb, 2))});
        }
        for (int y = 0; y < raster.height(); ++y) {
            for (int x = 0; x < raster.width(); ++x) {
                uint32_t rgb = packed(raster.row(y) + static_cast<size_t>(x) * 3);
                auto found =
                    std::lower_bound(colours.begin(), colours.end(), rgb,
                                     [](const CountedColour& c, uint32_t value) { return c.rgb < value; });
                picture.indices.push_back(static_cast<uint8_t>(found - colours.begin()));
            }
        }
        return picture;
    }
    picture.palette = medianCut(colours);
    picture.indices = dithered(raster, picture.palette);
    return picture;
}

} // namespace quillery::pictures
