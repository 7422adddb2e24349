// How the scan has the images it collected converted. The build hands the scan the writer's image conversion,
// so that the markup layer never reaches into the writer; the scan calls it once its passes are done, before
// the other tables are finished, which is where conversion problems are reported. Without a converter the
// images are collected and laid out but not converted (for tools and tests that only lay a text out).
#pragma once

#include "framework/verdict.h"
#include "tdb/book_tables.h"

#include <functional>

namespace quillery {

// Converts every image of the table that has no stream yet (the table sorted by path); Failed when one
// cannot be converted (reported).
using ImageConverter = std::function<Verdict(ImageTable&)>;

} // namespace quillery
