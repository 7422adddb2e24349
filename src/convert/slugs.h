// Anchor names for headings, by the usual slug rule: the heading's text in lower case, spaces made hyphens,
// other punctuation dropped. Anchor names are ASCII: accented Latin letters give their base letter and any
// other character is dropped. A name is at most 79 bytes and unique in its book ignoring case: a repeat gets
// "-1", "-2", ... like the links that authors write expect.
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>

namespace quillery::convert {

constexpr size_t kMaxAnchorName = 79;

// The slug of `utf8` (valid UTF-8), before it is made unique; "section" when nothing is left.
std::string slugOf(std::string_view utf8);

// The anchor names of one book.
class SlugSet {
  public:
    // A name not given before, made from `slug` (cut to kMaxAnchorName bytes, then numbered when taken).
    std::string claim(const std::string& slug);
    bool contains(const std::string& name) const { return taken_.count(name) != 0; }

  private:
    std::unordered_set<std::string> taken_;
};

// A link target's fragment ("#The-Letter", percent escapes allowed) as the anchor name it means.
std::string anchorNameOfFragment(std::string_view fragment);

} // namespace quillery::convert
