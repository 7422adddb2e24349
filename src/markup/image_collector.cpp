#include "markup/image_collector.h"

#include "framework/byte_order.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace quillery {
namespace {

constexpr size_t kImageNameLimit = 31;
constexpr uint32_t kFallbackSize = 16;
constexpr uint32_t kLineWidth = 158;
constexpr uint32_t kPageHeight = 148;
constexpr size_t kHeaderBytes = 26;
constexpr uint8_t kPngSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

struct HeaderSize {
    uint16_t width = 0;
    uint16_t height = 0;
};

bool endsWithPng(const std::string& name) {
    size_t dot = name.rfind('.');
    if (dot == std::string::npos) {
        return false;
    }
    std::string extension = name.substr(dot + 1);
    if (extension.size() != 3) {
        return false;
    }
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return extension == "png";
}

bool signedLess(const std::string& a, const std::string& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        auto x = static_cast<signed char>(a[i]);
        auto y = static_cast<signed char>(b[i]);
        if (x != y) {
            return x < y;
        }
    }
    return a.size() < b.size();
}

// Reads width and height from the PNG header at `path` (Part 2.6), reporting its plain errors at `tag`.
// Leaves 0 by 0 when the header cannot be used.
void readPngHeader(ScanReporter& report, size_t tag, const std::string& path, HeaderSize& size) {
    size = {0, 0};
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        report.error(tag, "Failed to open PNG file %s\n", path.c_str());
        return;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        report.error(tag, "Failed to open PNG file %s\n", path.c_str());
        return;
    }
    uint8_t header[kHeaderBytes] = {};
    size_t got = std::fread(header, 1, kHeaderBytes, file);
    bool readError = std::ferror(file) != 0;
    std::fclose(file);
    if (readError) {
        report.error(tag, "Failed to read PNG file %s\n", path.c_str());
        return;
    }
    if (got == 0) {
        report.error(tag, "PNG file %s appears to be empty\n", path.c_str());
        return;
    }
    if (std::memcmp(header, kPngSignature, sizeof kPngSignature) != 0) {
        report.error(tag, "Bad PNG signature for %s", path.c_str());
        return;
    }
    if (std::memcmp(header + 12, "IHDR", 4) != 0) {
        report.error(tag, "Couldn't find PNG header for %s", path.c_str());
        return;
    }
    if (header[25] != 0 && header[25] != 3) {
        report.error(tag, "Unrecognized PNG color type for %s", path.c_str());
        return;
    }
    size.width = static_cast<uint16_t>(readU32BE(header + 16));
    size.height = static_cast<uint16_t>(readU32BE(header + 20));
}

// The .png rule, the existence test and the header; false when the name fails the .png rule (the size is then
// left alone).
bool checkFile(ScanContext& context, const std::string& folder, size_t tag, const std::string& name,
               HeaderSize& size, std::string& path) {
    if (!endsWithPng(name)) {
        context.report.errorFirstPass(tag, "Image file \"%s\" doesn't end with .png!", name.c_str());
        return false;
    }
    size = {static_cast<uint16_t>(kFallbackSize), static_cast<uint16_t>(kFallbackSize)};
    path = folder + "/" + name;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        context.report.errorFirstPass(tag, "Image \"%s\" doesn't exist!", name.c_str());
        return true;
    }
    readPngHeader(context.report, tag, path, size);
    return true;
}

} // namespace

ImagePlacement ImageCollector::image(size_t tag, uint32_t blockIndent) {
    size_t after = tag + 2;
    if (!context_.holds(after, "=\"")) {
        context_.report.excerptError(tag, "Image syntax incorrect.  You have '%s' and it should be \\m=\"",
                                     static_cast<int64_t>(after) - 10, 20);
        return {context_.clip(after), 0, 0};
    }
    size_t nameStart = after + 2;
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
    if (name.size() > kImageNameLimit) {
        context_.report.error(tag, "Image name \"%s\" is longer than 31 characters! Please rename the image.",
                              name.c_str());
    }
    HeaderSize size;
    std::string path;
    if (checkFile(context_, imageFolder_, tag, name, size, path) && context_.firstPass &&
        paths_.insert(path).second) {
        ImageEntry entry;
        entry.path = path;
        entry.width = size.width;
        entry.height = size.height;
        table_.entries.push_back(std::move(entry));
    }
    placement.width = size.width;
    placement.height = size.height;
    if (placement.width + blockIndent > kLineWidth || placement.height > kPageHeight) {
        placement.width = kFallbackSize;
        placement.height = kFallbackSize;
    }
    return placement;
}

void ImageCollector::finish() {
    std::stable_sort(table_.entries.begin(), table_.entries.end(),
                     [](const ImageEntry& a, const ImageEntry& b) { return signedLess(a.path, b.path); });
}

} // namespace quillery
