// The Markdown converter writes through the pieces every source converter shares, and names them as its own.
#pragma once

namespace quillery::convert {}

namespace quillery::markdown {
using namespace quillery::convert;
} // namespace quillery::markdown
