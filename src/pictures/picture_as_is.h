// Pictures that need no fitting: a PNG the build already takes and that already fits the page is used
// unchanged, so that a book whose pictures were made for the device keeps its bytes.
#pragma once

#include <string>

namespace quillery::pictures {

// True when the file at `path` is a grey or palette PNG whose converted stream fits in an image record and
// that fits the page as it is (at most 158 x 148 pixels, the page itself: a picture made that size for the
// device is the author's choice, and books that built with it before stay as they were). Reports nothing.
bool takenAsIs(const std::string& path);

} // namespace quillery::pictures
