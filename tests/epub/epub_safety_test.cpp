// The EPUB importer facing hostile files.
#include "epub_support.h"

#include <gtest/gtest.h>

namespace quillery {
namespace {} // namespace
} // namespace quillery
