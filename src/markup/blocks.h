// Sidebar and footnote bodies: resolving the references to their definitions, finding each body and checking
// what it holds. The build stores the bodies.
#pragma once

#include "framework/verdict.h"
#include "tdb/book_tables.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quillery {

enum class BlockKind { Sidebar, Footnote };

// Finds the definition of every referenced name in the block section (the first opening tag that matches,
// ASCII letters compared without case) and stores where its body starts: after the tag and the line feeds
// that follow it. Returns Failed when a name has no definition (each one reported).
Verdict resolveBlockReferences(std::string_view blockSection, RefTable& sidebars, RefTable& footnotes);

// The body of one referenced name: from its start to the first end tag of its kind after it. Bodies without
// their end tag run on into the definitions after them, so bodies may overlap.
struct BlockBody {
    std::string_view text; // empty when the end tag is missing
    size_t place = 0;      // where the body starts in the text that report positions refer to
    bool ended = false;    // whether its end tag was found
};

// The body of every entry of `references` (resolved), in table order. `sectionStart` is where the block
// section begins in the text that report positions refer to (the length of the main text), so that the
// problems of a body name their place in the source.
std::vector<BlockBody> findBlockBodies(BlockKind kind, std::string_view blockSection, size_t sectionStart,
                                       const RefTable& references);

// Checks the body of the entry `name`: a body without its end tag is reported (it is stored empty and the
// book is still written); the tags a body may not hold are warnings; each image it shows goes through the
// file check with every message printed and into `images`, and sets `referencedImage`. Returns false when an
// image is unusable.
bool checkBlockBody(const BlockBody& body, const std::string& name, ImageTable& images,
                    const std::string& imageFolder, bool& referencedImage);

} // namespace quillery
