#include "epub/book_map.h"

#include "convert/utf8_input.h"
#include "epub/package_document.h"

#include <libxml/tree.h>

namespace quillery::epub {
namespace {

constexpr size_t kShortFootnote = 2000; // bytes of text a common-pattern footnote body holds at most

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (size_t k = 0; k < prefix.size(); ++k) {
        char c = text[k] >= 'A' && text[k] <= 'Z' ? static_cast<char>(text[k] - 'A' + 'a') : text[k];
        if (c != prefix[k]) {
            return false;
        }
    }
    return true;
}

bool namedLikeNote(std::string_view name) {
    for (std::string_view prefix : {"fn", "footnote", "note", "endnote"}) {
        if (startsWithIgnoringCase(name, prefix)) {
            return true;
        }
    }
    return false;
}

bool isWhitespace(std::string_view text) {
    return text.find_first_not_of(" \t\r\n\f") == std::string_view::npos;
}

// Whether `ancestor` holds `node`.
bool holds(const XmlNode* ancestor, const XmlNode* node) {
    for (const XmlNode* up = node; up != nullptr; up = up->parent) {
        if (up == ancestor) {
            return true;
        }
    }
    return false;
}

// A short block with no heading: what the common EPUB 2 footnote patterns point at.
bool isShortBlock(const XmlNode* node) {
    size_t text = 0;
    size_t nodes = 0;
    for (const XmlNode* at = node; at != nullptr; at = nextInTree(at, node)) {
        if (headingRank(at) > 0 || ++nodes > kShortFootnote) {
            return false;
        }
        if (at->type == XML_TEXT_NODE && at->content != nullptr) {
            text += std::string_view(reinterpret_cast<const char*>(at->content)).size();
            if (text > kShortFootnote) {
                return false;
            }
        }
    }
    return true;
}

bool isLink(const XmlNode* node) {
    return isElement(node) && localName(node) == "a" && !attribute(node, "href").empty();
}

// The footnote body a link leads to, or null.
const XmlNode* footnoteOf(const XmlNode* link, const LinkTarget& target, const ContentPart& part) {
    const XmlNode* body = target.node;
    if (body == nullptr || body == part.body || isLink(body) || holds(body, link)) {
        return nullptr;
    }
    if (hasWord(epubType(link), "noteref")) {
        return body;
    }
    std::string id = attribute(body, "id");
    std::string classes = attribute(body, "class");
    bool named = namedLikeNote(id);
    for (size_t at = 0; !named && at < classes.size();) {
        size_t end = classes.find(' ', at);
        named = namedLikeNote(std::string_view(classes).substr(at, end - at));
        at = end == std::string::npos ? classes.size() : end + 1;
    }
    if (!named) {
        for (std::string_view kind : {"footnote", "endnote", "rearnote", "note"}) {
            named = named || hasWord(epubType(body), kind);
        }
    }
    return named && isShortBlock(body) ? body : nullptr;
}

// The heading element that opens the place `node`: itself, or the first heading inside it that no text
// comes before.
const XmlNode* headingAt(const XmlNode* node) {
    for (const XmlNode* at = node; at != nullptr; at = nextInTree(at, node)) {
        if (headingRank(at) > 0) {
            return isWhitespace(textOf(at)) ? nullptr : at;
        }
        if ((at->type == XML_TEXT_NODE && at->content != nullptr &&
             !isWhitespace(reinterpret_cast<const char*>(at->content))) ||
            (isElement(at) && localName(at) == "img")) {
            return nullptr;
        }
    }
    return nullptr;
}

std::string anchorSlug(std::string_view id, std::string_view path) {
    std::string text(id);
    if (text.empty()) {
        // The start of a document: named after its file.
        std::string_view leaf =
            path.substr(path.rfind('/') == std::string_view::npos ? 0 : path.rfind('/') + 1);
        text = std::string(leaf.substr(0, leaf.rfind('.')));
    }
    convert::repairUtf8(text);
    return convert::slugOf(text);
}

} // namespace

int headingRank(const XmlNode* node) {
    if (!isElement(node)) {
        return 0;
    }
    std::string name = localName(node);
    return name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6' ? name[1] - '0' : 0;
}

LinkTarget BookMap::resolve(uint32_t from, std::string_view href) const {
    Href target = resolveHref(parts[from].path, href);
    if (target.kind != Href::Kind::Internal) {
        return {};
    }
    auto part = partOf.find(target.path);
    if (part == partOf.end()) {
        return {};
    }
    const ContentPart& to = parts[part->second];
    if (target.fragment.empty()) {
        return {part->second, to.body};
    }
    auto id = to.ids.find(target.fragment);
    return id == to.ids.end() ? LinkTarget{} : LinkTarget{part->second, id->second};
}

void mapBook(BookMap& map, const std::vector<NavEntry>& navigation) {
    // Ids first: a link may lead forward.
    std::vector<std::pair<uint32_t, const XmlNode*>> links;
    for (uint32_t k = 0; k < map.parts.size(); ++k) {
        ContentPart& part = map.parts[k];
        map.partOf.emplace(part.path, k);
        const XmlNode* root = rootOf(part.document);
        for (const XmlNode* node = root; node != nullptr; node = nextInTree(node, root)) {
            if (!isElement(node)) {
                continue;
            }
            std::string id = attribute(node, "id");
            if (id.empty() && localName(node) == "a") {
                id = attribute(node, "name");
            }
            if (!id.empty()) {
                part.ids.emplace(id, node);
            }
            if (isLink(node)) {
                links.emplace_back(k, node);
            }
            if (localName(node) == "body" && part.body == nullptr) {
                part.body = node;
            }
        }
        if (part.body == nullptr) {
            part.body = root;
        }
    }
    std::vector<std::pair<const XmlNode*, LinkTarget>> anchorLinks;
    for (const auto& [k, link] : links) {
        LinkTarget target = map.resolve(k, attribute(link, "href"));
        if (target.node == nullptr) {
            continue;
        }
        if (const XmlNode* body = footnoteOf(link, target, map.parts[k])) {
            map.footnoteLinks.emplace(link, LinkTarget{target.part, body});
            map.footnoteBodies.insert(body);
        } else {
            anchorLinks.emplace_back(link, target);
        }
    }
    convert::SlugSet names;
    for (const auto& [link, target] : anchorLinks) {
        if (map.footnoteLinks.count(target.node) != 0) {
            map.backLinks.insert(link); // from a footnote back to its reference
            continue;
        }
        if (map.anchors.count(target.node) == 0) {
            std::string id =
                target.node == map.parts[target.part].body ? std::string() : attribute(target.node, "id");
            if (id.empty() && target.node != map.parts[target.part].body) {
                id = attribute(target.node, "name");
            }
            map.anchors.emplace(target.node, names.claim(anchorSlug(id, map.parts[target.part].path)));
        }
    }
    // Sections that hold footnotes (the usual "footnotes" section with its rule and list) leave the main
    // text.
    for (const XmlNode* body : map.footnoteBodies) {
        for (const XmlNode* up = body->parent; up != nullptr && isElement(up); up = up->parent) {
            std::string type = epubType(up);
            std::string classes = attribute(up, "class");
            if (hasWord(type, "footnotes") || hasWord(type, "endnotes") || hasWord(type, "rearnotes") ||
                hasWord(classes, "footnotes") || hasWord(classes, "endnotes")) {
                map.footnoteContainers.insert(up);
                break;
            }
        }
    }
    for (const NavEntry& entry : navigation) {
        auto part = map.partOf.find(entry.path);
        if (part == map.partOf.end()) {
            continue;
        }
        const ContentPart& content = map.parts[part->second];
        const XmlNode* node = content.body;
        if (!entry.fragment.empty()) {
            auto id = content.ids.find(entry.fragment);
            if (id == content.ids.end()) {
                continue;
            }
            node = id->second;
        }
        if (node == nullptr || map.footnoteBodies.count(node) != 0) {
            continue;
        }
        map.navigatedParts.insert(part->second);
        if (const XmlNode* heading = headingAt(node)) {
            map.headingLevels.emplace(heading, entry.level);
        } else if (!isWhitespace(entry.title)) {
            map.inserted.emplace(node, InsertedHeading{entry.level, entry.title});
        }
    }
}

} // namespace quillery::epub
