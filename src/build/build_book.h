// buildBook: one source file in, one book database out.
#pragma once

#include "framework/book_info.h"
#include "framework/file_service.h"
#include "framework/verdict.h"

#include <cstdint>

namespace quillery {

struct BuildSettings {
    // Run every stage and give every message, but write the temporary files and the book into a private
    // scratch folder that is removed afterwards: nothing beside the source changes, and `output` is not used.
    bool checkOnly = false;
};

// Builds the book of `source` into `output` with the book information `info` (only its title is read here;
// the writer stores all five fields) and the flags word of the build (kFlagDictionary for a dictionary
// build). Every problem is reported on the diagnostic channels. Returns Ok exactly when the book was written;
// on failure no output file is left behind, and the build's temporary files are always deleted. An output in
// the source's image folder, or in a folder inside it, is refused by the file check before anything is touched.
// A missing source or output builds nothing.
Verdict buildBook(const FileService* source, const FileService* output, const BookInfo& info, uint32_t flags,
                  const BuildSettings& settings = {});

} // namespace quillery
