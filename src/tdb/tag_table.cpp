#include "tdb/tag_table.h"

#include <algorithm>
#include <array>

namespace quillery {
namespace {

using K = TagKind;
using A = TagArgument;
using Br = TagBreak;
using O = TagOpens;

constexpr uint8_t kInBodies = kTagInBodies;
constexpr uint8_t kInLinkNames = kTagInLinkNames;
constexpr uint8_t kNowhereElse = kTagInMainTextOnly;

struct LetterEntry {
    char letter;
    TagSpec tagSpec;
};

// clang-format off
// Every tag letter. Bodies of sidebars and footnotes may not hold chapters, headings, index items, links,
// anchors, references or `\d`; the first tag of a link name may not be a heading, an index item, an image, a
// rule, `\d`, a sidebar reference or any `\F`.
constexpr LetterEntry kLetters[] = {
    {'\\', {K::LiteralBackslash, 2, A::None,     Br::None,           O::Nothing,     kTagAnywhere, false}},
    {'-',  {K::SoftHyphen,       2, A::None,     Br::None,           O::Nothing,     kTagAnywhere, false}},
    {'a',  {K::DecimalCharacter, 5, A::None,     Br::None,           O::Nothing,     kTagAnywhere, false}},
    {'U',  {K::UnicodeCharacter, 6, A::None,     Br::None,           O::Nothing,     kTagAnywhere, false}},
    {'n',  {K::NormalFont,       2, A::None,     Br::None,           O::Nothing,     kTagAnywhere, false}},
    {'s',  {K::SmallFont,        2, A::None,     Br::None,           O::Nothing,     kTagAnywhere, false}},
    {'b',  {K::BoldFont,         2, A::None,     Br::None,           O::Nothing,     kTagAnywhere, false}},
    {'l',  {K::LargeFont,        2, A::None,     Br::None,           O::Nothing,     kTagAnywhere, false}},
    {'B',  {K::BoldWeight,       2, A::None,     Br::None,           O::Nothing,     kTagAnywhere, false}},
    {'i',  {K::Italic,           2, A::None,     Br::None,           O::Nothing,     kTagAnywhere, false}},
    {'u',  {K::Underline,        2, A::None,     Br::None,           O::Nothing,     kTagAnywhere, false}},
    {'o',  {K::Overstrike,       2, A::None,     Br::None,           O::Nothing,     kTagAnywhere, false}},
    {'v',  {K::Invisible,        2, A::None,     Br::None,           O::Nothing,     kTagAnywhere, false}},
    {'t',  {K::IndentedBlock,    2, A::None,     Br::None,           O::Nothing,     kTagAnywhere, false}},
    {'c',  {K::Centre,           2, A::None,     Br::None,           O::Nothing,     kTagAnywhere, false}},
    {'r',  {K::Right,            2, A::None,     Br::None,           O::Nothing,     kTagAnywhere, false}},
    {'p',  {K::PageBreak,        2, A::None,     Br::None,           O::Nothing,     kTagAnywhere, false}},
    {'d',  {K::MoveDown,         2, A::None,     Br::None,           O::Nothing,     kNowhereElse, false}},
    {'x',  {K::Heading,          2, A::None,     Br::Before,         O::HeadingSpan, kNowhereElse, false}},
    {'X',  {K::LevelHeading,     3, A::None,     Br::Before,         O::HeadingSpan, kNowhereElse, false}},
    {'C',  {K::Chapter,          3, A::Required, Br::None,           O::Nothing,     kInLinkNames, false}},
    {'I',  {K::IndexItem,        2, A::None,     Br::None,           O::IndexItem,   kNowhereElse, false}},
    {'q',  {K::LinkReference,    2, A::Opening,  Br::None,           O::Reference,   kInLinkNames, false}},
    {'Q',  {K::Anchor,           2, A::Required, Br::None,           O::Nothing,     kInLinkNames, false}},
    {'F',  {K::NoEffect,         2, A::None,     Br::None,           O::Nothing,     kNowhereElse, true}},
    {'S',  {K::IllegalSelection, 3, A::None,     Br::None,           O::Nothing,     kTagAnywhere, true}},
    {'m',  {K::Image,            2, A::Required, Br::Before,         O::Nothing,     kInBodies,    false}},
    {'w',  {K::Rule,             2, A::Required, Br::Before,         O::Nothing,     kInBodies,    false}},
    {'T',  {K::Indent,           2, A::Required, Br::BeforeAndAfter, O::Nothing,     kTagAnywhere, false}},
};

// The tags selected by the byte after `\S` and `\F`. The letter's own entry above is the fallback.
constexpr LetterEntry kSelectedBySidebarLetter[] = {
    {'p', {K::Superscript,       3, A::None,     Br::None,              O::Nothing,   kTagAnywhere, false}},
    {'b', {K::Subscript,         3, A::None,     Br::None,              O::Nothing,   kTagAnywhere, false}},
    {'d', {K::SidebarReference,  3, A::Opening,  Br::BeforeWhenOpening, O::Reference, kNowhereElse, false}},
};
constexpr LetterEntry kSelectedByFootnoteLetter[] = {
    {'n', {K::FootnoteReference, 3, A::Opening,  Br::None,              O::Reference, kNowhereElse, false}},
};
// clang-format on

template <size_t N>
const TagSpec& selectIn(const LetterEntry (&entries)[N], char selector, const TagSpec& fallback) {
    for (const LetterEntry& entry : entries) {
        if (entry.letter == selector) {
            return entry.tagSpec;
        }
    }
    return fallback;
}

} // namespace

// Declared in the header, so that the letter look-up inlines into the scanner.
constexpr std::array<TagSpec, 256> detail::kTagLetters = [] {
    std::array<TagSpec, 256> table{};
    for (const LetterEntry& entry : kLetters) {
        table[static_cast<uint8_t>(entry.letter)] = entry.tagSpec;
    }
    return table;
}();

const TagSpec& selectedTag(char letter, char selector, bool present) {
    const TagSpec& fallback = letterTag(letter);
    if (!present) {
        return fallback;
    }
    if (letter == 'S') {
        return selectIn(kSelectedBySidebarLetter, selector, fallback);
    }
    if (letter == 'F') {
        return selectIn(kSelectedByFootnoteLetter, selector, fallback);
    }
    return fallback;
}

TagExtent measureTag(std::string_view text, size_t start) {
    TagExtent extent;
    size_t left = text.size() - start;
    if (left < 2) {
        extent.length = left;
        return extent;
    }
    const TagSpec& tagSpec = tagAt(text, start);
    extent.tagSpec = &tagSpec;
    extent.length = std::min<size_t>(tagSpec.length, left);
    if (tagSpec.argument != TagArgument::None && text.substr(start + extent.length, 2) == kArgumentOpener) {
        extent.hasArgument = true;
        extent.argumentStart = start + extent.length + kArgumentOpener.size();
        size_t close = text.find(kArgumentCloser, extent.argumentStart);
        extent.argumentEnd = close == std::string_view::npos ? text.size() : close;
        extent.length = close == std::string_view::npos ? left : close + 1 - start;
    }
    return extent;
}

} // namespace quillery
