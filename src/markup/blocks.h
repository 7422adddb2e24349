// Sidebar and footnote bodies: resolving the references to their definitions and storing the bodies.
#pragma once

#include "framework/file_service.h"
#include "framework/record_buffer.h"
#include "framework/verdict.h"
#include "markup/book_tables.h"

#include <string>
#include <string_view>

namespace quillery {

enum class BlockKind { Sidebar, Footnote };

// Finds the definition of every referenced name in the block section (the first opening tag that matches,
// ASCII letters compared without case) and stores where its body starts: after the tag and the line feeds
// that follow it. Returns Failed when a name has no definition (each one reported).
Verdict resolveBlockReferences(std::string_view blockSection, RefTable& sidebars, RefTable& footnotes);

// Stores the bodies of one kind as compressed text records in `temp` (a new file, open for reading and
// writing; the caller makes it only when `references` is not empty), appending a 0 and then each record's
// compressed size to `recordSizes` and setting each entry's record count. Does nothing when `references` is
// empty. A body without its end tag is reported and stored empty without failing;
// illegal tags are warnings. Fails when the file cannot be written, or when an image of a body is
// unusable (then after every body has been checked; images join `images` and the table is converted again).
// `sectionStart` is where the block section begins in the text that report positions refer to (the length
// of the main text), so that the problems of a body name their place in the source.
Verdict writeBlocks(BlockKind kind, std::string_view blockSection, size_t sectionStart, RefTable& references,
                    RecordBuffer& recordSizes, ImageTable& images, const std::string& imageFolder,
                    FileService* temp);

} // namespace quillery
