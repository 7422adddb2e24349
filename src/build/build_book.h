// buildBook: one source file in, one book database out.
#pragma once

#include "framework/book_info.h"
#include "framework/file_service.h"
#include "framework/file_system.h"
#include "framework/record_buffer.h"
#include "framework/verdict.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quillery {

class DiagnosticSink;
class ThreadPool;

struct BuildSettings {
    // Run every stage and give every message, but write the temporary files and the book into a private
    // scratch folder that is removed afterwards: nothing beside the source changes, and `output` is not used.
    bool checkOnly = false;
    // Whether the finished book may replace a file that appeared at the output path during the build (the old
    // book itself is deleted at its start). False for numbered outputs, which must never replace a file.
    bool replaceOutput = true;
    // Where the temporary files and the book are made; null: the real file system.
    FileSystem* files = nullptr;
    // Where every report of the build goes; null: the sink of the calling thread (the channels unless the
    // caller has named another). Builds on different threads with sinks of their own can run side by side.
    DiagnosticSink* diagnostics = nullptr;
    // Told the mapped main text, its text record start table (big-endian 32-bit values), the image folder and
    // the flags word once the markup has been scanned, whether or not the scan found errors: what a caller
    // needs to lay the text out again (the reader view). They live only during the call. Empty: not told.
    std::function<void(std::string_view mainText, const RecordBuffer& recordStarts,
                       const std::string& imageFolder, uint32_t flags)>
        markupScanned;
    // The source's text when a front end has made it from the file itself (a converted source): used instead
    // of reading the file, which must still exist and be readable, since it names the build and its files.
    std::optional<std::string_view> sourceText;
    // The image folder the book's images are taken from; unset: the one beside the source.
    std::optional<std::string> imageFolder;
    // Threads to compress the text records on (shared with other builds if the caller likes); null: this
    // thread alone. The book and the messages are the same either way.
    ThreadPool* pool = nullptr;
};

// Builds the book of `source` into `output` with the book information `info` (only its title is read here;
// the writer stores all five fields) and the flags word of the build (kFlagDictionary for a dictionary
// build). Every problem is reported to the build's sink (see BuildSettings::diagnostics). Returns Ok exactly
// when the book was written; on failure no output file is left behind, and the build's temporary files are
// always deleted. An output in the source's image folder, or in a folder inside it, is refused by the file
// check before anything is touched. The output path never holds a partial book: the book takes its name only
// when it is complete. A missing source or output builds nothing.
Verdict buildBook(const FileService* source, const FileService* output, const BookInfo& info, uint32_t flags,
                  const BuildSettings& settings = {});

} // namespace quillery
