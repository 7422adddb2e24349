#include "build/book_paths.h"

#include "framework/diagnostics.h"
#include "framework/file_service.h"
#include "tdb/book_format.h"

#include <algorithm>

namespace quillery {
namespace {

constexpr size_t kTitleLimit = 255;
constexpr size_t kBookNameEnds = 13;

} // namespace

std::string bookNameFromTitle(std::string_view ansiTitle) {
    std::string_view title = ansiTitle.substr(0, std::min(ansiTitle.size(), kTitleLimit));
    std::string name(title);
    if (title.size() > kMaxBookNameLength) {
        name = std::string(title.substr(0, kBookNameEnds)) + "..." +
               std::string(title.substr(title.size() - kBookNameEnds));
        reportWarning("Book name is greater than 29 characters.  Truncating to \"%s\".", name.c_str());
    }
    if (name.find(':') != std::string::npos) {
        reportWarning("Colons are not currently permitted in the book title. Translating colons to hyphens.");
        std::replace(name.begin(), name.end(), ':', '-');
    }
    return name;
}

std::string imageFolderPath(std::string_view sourcePath) {
    std::string folder(sourcePath);
    size_t dot = folder.rfind('.');
    if (dot != std::string::npos) {
        std::string_view extension = std::string_view(folder).substr(dot);
        if (extension == ".txt" || extension == ".tml") {
            folder.resize(dot);
        }
    }
    return folder + "_img";
}

TempPaths tempPathsFor(const std::string& sourceFullPath) {
    return {sourceFullPath + ".tmp", sourceFullPath + ".sid", sourceFullPath + ".ftn",
            sourceFullPath + ".img"};
}

std::string_view cutUtf8(std::string_view text, size_t bytes) {
    if (text.size() <= bytes) {
        return text;
    }
    size_t cut = bytes;
    // Step back over continuation bytes so that the cut falls before a sequence's lead byte.
    while (cut > 0 && (static_cast<uint8_t>(text[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return text.substr(0, cut);
}

std::string outputPathFor(const std::string& sourcePath, bool keepExisting, unsigned maxNumber) {
    FileService source(sourcePath);
    std::string name = source.fileName();
    size_t dot = name.rfind('.');
    if (dot != std::string::npos) {
        name.resize(dot);
    }
    std::string base(cutUtf8(name, kOutputBaseLength));
    std::string folder = source.parentFolder();
    if (folder.empty() || folder.back() != '/') {
        folder += '/';
    }
    std::string output = folder + base + ".tdb";
    if (!keepExisting || !FileService(output).exists()) {
        return output;
    }
    for (unsigned number = 1; number <= maxNumber; ++number) {
        std::string suffix = ".";
        suffix += std::to_string(number);
        output = folder;
        output += cutUtf8(base, kOutputBaseLength - suffix.size());
        output += suffix;
        output += ".tdb";
        if (!FileService(output).exists()) {
            return output;
        }
    }
    return {};
}

} // namespace quillery
