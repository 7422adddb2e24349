// The tag language of the markup: one description of every tag, shared by everything that reads tags (the
// record splitter, the markup scanner, title collection, the checks of link names and of sidebar and footnote
// bodies, and the page preview of the front end).
//
// A tag is a backslash and the byte after it, the tag letter. For `\S` and `\F` the byte after the letter
// selects the tag (`\Sp`, `\Sb`, `\Sd`, `\Fn`); any other byte there selects the letter's fallback. Each tag
// says how many bytes it takes from its backslash when it stands bare, whether an argument may follow (an
// equals sign, a double quote, the argument and a closing double quote), whether it records a break point,
// and what it opens. The context rules (the reference bit, dictionary builds, syntax errors of the arguments)
// belong to the scanner; what the tags are and how long they are belongs here.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quillery {

enum class TagKind : uint8_t {
    Illegal,           // no tag: the letter is not in the table
    IllegalSelection,  // `\S` followed by a byte other than p, b, d
    NoEffect,          // `\F` followed by a byte other than n
    LiteralBackslash,  // `\\`
    SoftHyphen,        // `\-`
    DecimalCharacter,  // `\a` and three decimal digits
    UnicodeCharacter,  // `\U` and four hexadecimal digits
    NormalFont,        // `\n`
    SmallFont,         // `\s`
    BoldFont,          // `\b`
    LargeFont,         // `\l`
    BoldWeight,        // `\B`
    Italic,            // `\i`
    Underline,         // `\u`
    Overstrike,        // `\o`
    Invisible,         // `\v`
    IndentedBlock,     // `\t`
    Centre,            // `\c`
    Right,             // `\r`
    PageBreak,         // `\p`
    MoveDown,          // `\d`
    Heading,           // `\x`
    LevelHeading,      // `\X` and the level digit
    Chapter,           // `\C`, the level digit and the title
    IndexItem,         // `\I`
    LinkReference,     // `\q`: with `="#name"` opens, bare closes
    Anchor,            // `\Q="name"`
    FootnoteReference, // `\Fn`: with `="name"` opens, bare closes
    Superscript,       // `\Sp`
    Subscript,         // `\Sb`
    SidebarReference,  // `\Sd`: with `="name"` opens, bare closes
    Image,             // `\m="file.png"`
    Rule,              // `\w="xx%"`
    Indent,            // `\T="xx%"`
};

enum class TagArgument : uint8_t {
    None,
    Required, // the tag is written with its argument
    Opening,  // with its argument the tag opens a reference, bare it closes the open one
};

enum class TagBreak : uint8_t {
    None,
    Before,            // a break point at the backslash before the tag acts
    BeforeAndAfter,    // and another right after the tag
    BeforeWhenOpening, // a break point at the backslash when the tag opens its reference
};

enum class TagOpens : uint8_t {
    Nothing,
    HeadingSpan, // closed by the same letter
    IndexItem,   // closed by the next `\I`
    Reference,   // a link, footnote or sidebar reference, closed by any of the three
};

// Where a tag may stand besides the main text.
enum TagPlaces : uint8_t {
    kTagInMainTextOnly = 0,
    kTagInBodies = 1,    // allowed in sidebar and footnote bodies
    kTagInLinkNames = 2, // accepted as the first tag after the start of a link reference's name
    kTagAnywhere = kTagInBodies | kTagInLinkNames,
};

struct TagSpec {
    TagKind kind = TagKind::Illegal;
    // Bytes the bare tag takes from its backslash.
    uint8_t length = 2;
    TagArgument argument = TagArgument::None;
    TagBreak breaks = TagBreak::None;
    TagOpens opens = TagOpens::Nothing;
    uint8_t places = kTagAnywhere;
    // The byte after the letter selects the tag: `\S` and `\F`. Such an entry describes the letter alone; the
    // selected tag is found with selectedTag.
    bool selects = false;
};

// What opens an argument, after the bare tag.
constexpr std::string_view kArgumentOpener = "=\"";
// A link reference's argument opens with a mark before the name.
constexpr std::string_view kLinkArgumentOpener = "=\"#";
constexpr char kArgumentCloser = '"';

namespace detail {
// Indexed by the tag letter as an unsigned byte.
extern const std::array<TagSpec, 256> kTagLetters;
} // namespace detail

// The entry of a tag letter (the byte after the backslash).
inline const TagSpec& letterTag(char letter) {
    return detail::kTagLetters[static_cast<uint8_t>(letter)];
}

// The tag selected by `selector` after a letter whose entry selects (`\S`, `\F`); `present` false when the
// text ends after the letter, which selects the fallback.
const TagSpec& selectedTag(char letter, char selector, bool present);

// The tag whose backslash is at `start` (start + 1 < text.size()), its selector resolved.
inline const TagSpec& tagAt(std::string_view text, size_t start) {
    const TagSpec& tagSpec = letterTag(text[start + 1]);
    if (!tagSpec.selects) {
        return tagSpec;
    }
    bool present = start + 2 < text.size();
    return selectedTag(text[start + 1], present ? text[start + 2] : '\0', present);
}

// Whether titles (headings and index items) skip the tag up to the second double quote after it: the tags
// whose argument follows the letter at once.
inline bool argumentFollowsLetter(const TagSpec& tagSpec) {
    return tagSpec.argument != TagArgument::None && tagSpec.length == 2;
}

// A tag measured from its bytes alone, whatever came before it.
struct TagExtent {
    const TagSpec* tagSpec = nullptr; // null when the backslash is the last byte of the text
    size_t length = 0;                // bytes from the backslash, never past the end of the text
    bool hasArgument = false;
    size_t argumentStart = 0; // after the opener
    size_t argumentEnd = 0;   // the closing quote, or the end of the text
};

// The tag whose backslash is at `start`: the bare tag's length, and for a tag that can take an argument and
// is followed by `="`, on through the next double quote (or to the end of the text). A link reference's `#`
// is part of its argument here. Never past the end of `text`.
TagExtent measureTag(std::string_view text, size_t start);

// Bytes taken by the tag whose backslash is at `start`, as measureTag gives them.
inline size_t textTagExtent(std::string_view text, size_t start) {
    return measureTag(text, start).length;
}

} // namespace quillery
