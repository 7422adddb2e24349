// Pictures that need no fitting: a PNG the build already takes and that already fits the page is used
// unchanged, so that a book whose pictures were made for the device keeps its bytes.
#pragma once

#include <string>

namespace quillery::pictures {

// True when the file at `path` is a grey or palette PNG whose converted stream fits in an image record and
// whose size is at most kMaxPictureWidth x kMaxPictureHeight. Reports nothing.
bool takenAsIs(const std::string& path);

} // namespace quillery::pictures
