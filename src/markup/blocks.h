// Sidebar and footnote bodies: resolving the references to their definitions and storing the bodies.
#pragma once

#include "framework/record_buffer.h"
#include "framework/verdict.h"
#include "markup/book_tables.h"

#include <string>
#include <string_view>

namespace quillery {

enum class BlockKind { Sidebar, Footnote };

// Finds the definition of every referenced name in the block section and stores its body start.
// Returns Failed when a name has no definition (each one reported).
Verdict resolveBlockReferences(std::string_view blockSection, RefTable& sidebars, RefTable& footnotes);

// Stores the bodies of one kind as compressed text records in `tempPath`, filling `recordSizes` and the
// record counts. Creates no file when `references` is empty.
Verdict writeBlocks(BlockKind kind, std::string_view blockSection, RefTable& references,
                    RecordBuffer& recordSizes, ImageTable& images, const std::string& imageFolder,
                    const std::string& tempPath);

} // namespace quillery
