// The names a build derives from its source and title.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quillery {

constexpr size_t kOutputBaseLength = 251; // output names are at most 251 bytes plus ".tdb"

// The database name for a title in Windows-1252: cut to 255 bytes, then the first 13 bytes, "..." and the
// last 13 when longer than 29, colons turned into hyphens. Gives the truncation and colon warnings.
std::string bookNameFromTitle(std::string_view ansiTitle);

// The source path without a final ".txt" or ".tml" (case included), plus "_img".
std::string imageFolderPath(std::string_view sourcePath);

// The temporary files of a build: the full source path with ".tmp", ".sid", ".ftn" or ".img" appended.
struct TempPaths {
    std::string text;
    std::string sidebars;
    std::string footnotes;
    std::string images; // the converted image streams
};
TempPaths tempPathsFor(const std::string& sourceFullPath);

// `text` cut to at most `bytes` bytes, never inside a UTF-8 sequence.
std::string_view cutUtf8(std::string_view text, size_t bytes);

constexpr unsigned kMaxOutputNumber = 100000; // the last NAME.N.tdb tried before giving up

// The output beside a source: its name without the last ".xxx", cut to 251 bytes, plus ".tdb", in the
// source's folder. With `keepExisting`, an existing file is avoided with NAME.1.tdb, NAME.2.tdb, ... up to
// NAME.<maxNumber>.tdb; empty when every one of those exists.
std::string outputPathFor(const std::string& sourcePath, bool keepExisting,
                          unsigned maxNumber = kMaxOutputNumber);

} // namespace quillery
