// What the reading order of an EPUB holds before any text is written: its documents, the ids in them, which
// links lead to footnotes and which to anchors (and the anchor names), and where headings stand.
#pragma once

#include "convert/slugs.h"
#include "epub/navigation.h"
#include "epub/xml_tree.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace quillery::epub {

struct ContentPart {
    std::string path;
    XmlDocument document;
    const XmlNode* body = nullptr; // where its text starts (body, else the root)
    std::unordered_map<std::string, const XmlNode*> ids;
};

struct InsertedHeading {
    int level = 1;
    std::string title;
};

// Where a link leads inside the reading order.
struct LinkTarget {
    uint32_t part = 0;
    const XmlNode* node = nullptr; // null: nowhere in the reading order
};

struct BookMap {
    std::vector<ContentPart> parts;
    std::unordered_map<std::string, uint32_t> partOf; // entry name -> part

    std::unordered_map<const XmlNode*, std::string> anchors;      // link target -> anchor name
    std::unordered_map<const XmlNode*, LinkTarget> footnoteLinks; // reference -> footnote body
    std::unordered_set<const XmlNode*> footnoteBodies;            // not shown in the main text
    std::unordered_set<const XmlNode*> footnoteContainers;        // sections that only hold footnotes
    std::unordered_set<const XmlNode*> backLinks;                 // links from a footnote to its reference
    std::unordered_map<const XmlNode*, int> headingLevels;        // heading elements the navigation names
    std::unordered_map<const XmlNode*, InsertedHeading> inserted; // places it names that hold no heading
    std::unordered_set<uint32_t> navigatedParts;                  // parts the navigation names a place in

    // The place `href`, written in part `from`, leads to.
    LinkTarget resolve(uint32_t from, std::string_view href) const;
};

// Fills in everything but the parts themselves, which the caller has read.
void mapBook(BookMap& map, const std::vector<NavEntry>& navigation);

// Whether the element is a heading (h1 to h6); its level, else 0.
int headingRank(const XmlNode* node);

} // namespace quillery::epub
