#include "markup/blocks.h"

#include "framework/diagnostics.h"
#include "markup/end_tag_search.h"
#include "markup/image_file_check.h"
#include "tdb/book_format.h"
#include "tdb/image_table.h"
#include "tdb/tag_table.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace quillery {
namespace {

struct BlockTags {
    const char* open; // followed by the name, a double quote and '>'
    const char* close;
    const char* missing;
};

const BlockTags& tagsOf(BlockKind kind) {
    static const BlockTags kSidebar{"<sidebar id=\"", "</sidebar>", "No sidebar named \"%s\" was found."};
    static const BlockTags kFootnote{"<footnote id=\"", "</footnote>", "No footnote named \"%s\" was found."};
    return kind == BlockKind::Sidebar ? kSidebar : kFootnote;
}

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

// Whether `text` holds `prefix` at `at`, ASCII letters compared without case.
bool startsIgnoringCase(std::string_view text, size_t at, std::string_view prefix) {
    if (at + prefix.size() > text.size()) {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (lowerAscii(text[at + i]) != lowerAscii(prefix[i])) {
            return false;
        }
    }
    return true;
}

// Where the first opening tag of each name begins: name (letters lowered) -> position of its '<'.
//
// A reference name holds no double quote, so the opening tag of a name N (the tag text, N, a double quote and
// '>') matches at a position exactly when the tag text does and the bytes up to the next double quote are N,
// followed by '>'. One walk over the section therefore finds every name's first tag, instead of one search of
// the whole section per name, which a book with thousands of footnotes could not afford.
std::unordered_map<std::string, size_t> firstOpeningTags(std::string_view section, std::string_view open) {
    std::unordered_map<std::string, size_t> first;
    for (size_t at = section.find('<'); at != std::string_view::npos; at = section.find('<', at + 1)) {
        if (!startsIgnoringCase(section, at, open)) {
            continue;
        }
        size_t nameStart = at + open.size();
        size_t quote = section.find('"', nameStart);
        if (quote == std::string_view::npos || quote + 1 >= section.size() || section[quote + 1] != '>') {
            continue;
        }
        std::string name(section.substr(nameStart, quote - nameStart));
        for (char& c : name) {
            c = lowerAscii(c);
        }
        first.emplace(std::move(name), at);
    }
    return first;
}

bool resolve(BlockKind kind, std::string_view blockSection, RefTable& references) {
    if (references.empty()) {
        return true;
    }
    const BlockTags& tags = tagsOf(kind);
    bool allFound = true;
    std::string_view open = tags.open;
    std::unordered_map<std::string, size_t> definitions = firstOpeningTags(blockSection, open);
    for (RefEntry& entry : references) {
        auto found = definitions.find(entry.name);
        if (found == definitions.end()) {
            reportError(tags.missing, entry.name.c_str());
            allFound = false;
            continue;
        }
        // After the tag text, the name, the double quote and '>', and the line ends that follow.
        size_t body = found->second + open.size() + entry.name.size() + 2;
        while (body < blockSection.size() && blockSection[body] == '\n') {
            ++body;
        }
        entry.bodyStart = static_cast<uint32_t>(body);
    }
    return allFound;
}

// Warnings for the tags a body may not hold: chapters, index items, links, anchors and references.
// `place` is the body's position in the text that report positions refer to. Each tag letter is looked at
// and stepped over; so is the byte that selects the tag after a letter such as `\S`.
void checkBodyTags(std::string_view body, size_t place, const std::string& name) {
    constexpr const char* kIllegalTag = "Illegal tag \"\\%c\" in sidebar or footnote \"%s\"";
    for (size_t at = 0; at + 1 < body.size(); ++at) {
        if (body[at] != '\\') {
            continue;
        }
        char letter = body[++at];
        const TagSpec& tagSpec = letterTag(letter);
        if (!(tagSpec.places & kTagInBodies)) {
            reportWarningAt(place + at - 1, kIllegalTag, letter, name.c_str());
        } else if (tagSpec.selects) {
            // A letter cut off from its selecting byte by the end of the body is no tag a body may hold.
            if (at + 1 >= body.size()) {
                reportWarningAt(place + at - 1, kIllegalTag, letter, name.c_str());
                continue;
            }
            char selector = body[++at];
            if (!(selectedTag(letter, selector, true).places & kTagInBodies)) {
                reportWarningAt(place + at - 2, kIllegalTag, selector, name.c_str());
            }
        }
    }
}

// A body's image goes through the file check with every message printed, and into the image table when its
// name is a PNG name. Returns false when the check failed.
bool checkBlockImage(const std::string& name, const std::string& imageFolder, ImageTable& images) {
    ImageSize size;
    ImageFileCheck check = checkImageFile(name, imageFolder, size, FirstPassMessages::Print);
    if (check.missing) {
        noteMissingImage(images, check.fullPath);
    } else if (check.pngName) {
        addImage(images, check.fullPath, size);
    }
    return !check.failed;
}

// The images a body shows: each goes through the file check and into the image table. Returns false when an
// image is unusable (each problem reported); sets `referencedImage` when the body names any image.
bool collectBodyImages(std::string_view body, size_t place, ImageTable& images,
                       const std::string& imageFolder, bool& referencedImage) {
    bool ok = true;
    for (size_t at = 0; at + 1 < body.size(); ++at) {
        if (body[at] != '\\') {
            continue;
        }
        if (letterTag(body[++at]).kind != TagKind::Image) {
            continue;
        }
        if (body.substr(at + 1, kArgumentOpener.size()) != kArgumentOpener) {
            reportWarningAt(place + at - 1, "Image syntax incorrect.  It should be \\m=\"");
            continue;
        }
        size_t nameStart = at + 1 + kArgumentOpener.size();
        size_t close = body.find(kArgumentCloser, nameStart);
        size_t nameEnd = close == std::string_view::npos ? body.size() : close;
        std::string name(body.substr(nameStart, nameEnd - nameStart));
        at = close == std::string_view::npos ? body.size() : close;
        referencedImage = true;
        // The record's name field holds the name and its terminator.
        if (name.size() > kMaxImageNameLength) {
            reportErrorAt(place + at - 1, kImageNameTooLongMessage, name.c_str());
            ok = false;
        }
        if (!checkBlockImage(name, imageFolder, images)) {
            ok = false;
        }
    }
    return ok;
}

} // namespace

Verdict resolveBlockReferences(std::string_view blockSection, RefTable& sidebars, RefTable& footnotes) {
    bool sidebarsFound = resolve(BlockKind::Sidebar, blockSection, sidebars);
    bool footnotesFound = resolve(BlockKind::Footnote, blockSection, footnotes);
    return sidebarsFound && footnotesFound ? Verdict::Ok : Verdict::Failed;
}

std::vector<BlockBody> findBlockBodies(BlockKind kind, std::string_view blockSection, size_t sectionStart,
                                       const RefTable& references) {
    std::vector<size_t> starts;
    starts.reserve(references.size());
    for (const RefEntry& entry : references) {
        starts.push_back(entry.bodyStart);
    }
    std::vector<size_t> ends = firstEndTagsAfter(blockSection, tagsOf(kind).close, starts);
    std::vector<BlockBody> bodies(references.size());
    for (size_t k = 0; k < references.size(); ++k) {
        BlockBody& body = bodies[k];
        body.place = sectionStart + starts[k];
        body.ended = ends[k] != std::string_view::npos;
        if (body.ended) {
            body.text = blockSection.substr(starts[k], ends[k] - starts[k]);
        }
    }
    return bodies;
}

bool checkBlockBody(const BlockBody& body, const std::string& name, ImageTable& images,
                    const std::string& imageFolder, bool& referencedImage) {
    if (!body.ended) {
        // The book is still written; this body has no records.
        reportErrorAt(body.place, "No end tag for sidebar or footnote named %s was found.", name.c_str());
    }
    checkBodyTags(body.text, body.place, name);
    return collectBodyImages(body.text, body.place, images, imageFolder, referencedImage);
}

} // namespace quillery
