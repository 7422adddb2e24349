#include "epub/navigation.h"

#include "epub/xml_tree.h"

#include <libxml/tree.h>

namespace quillery::epub {
namespace {

std::string collapsed(std::string_view text) {
    std::string out;
    bool space = false;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f') {
            space = !out.empty();
            continue;
        }
        if (space) {
            out += ' ';
            space = false;
        }
        out += c;
    }
    return out;
}

// How many `name` elements hold `node`, up to `top`.
int depthIn(const XmlNode* node, const XmlNode* top, std::string_view name) {
    int depth = 0;
    int steps = 0;
    // Levels past a few are all shown alike: a hostile nesting need not be climbed whole.
    for (const XmlNode* up = node->parent; up != nullptr && up != top && ++steps < 256; up = up->parent) {
        depth += isElement(up) && localName(up) == name ? 1 : 0;
    }
    return depth;
}

void add(std::vector<NavEntry>& entries, const std::string& base, std::string_view href, std::string title,
         int level) {
    Href target = resolveHref(base, href);
    if (target.kind != Href::Kind::Internal) {
        return;
    }
    entries.push_back({target.path, target.fragment, collapsed(title), std::max(1, level)});
}

std::vector<NavEntry> fromNavDocument(const XmlDocument& document, const std::string& base) {
    std::vector<NavEntry> entries;
    const XmlNode* root = rootOf(document);
    const XmlNode* toc = nullptr;
    for (const XmlNode* node = root; node != nullptr && toc == nullptr; node = nextInTree(node, root)) {
        if (isElement(node) && localName(node) == "nav" && hasWord(epubType(node), "toc")) {
            toc = node;
        }
    }
    for (const XmlNode* node = toc; node != nullptr; node = nextInTree(node, toc)) {
        if (isElement(node) && localName(node) == "a") {
            std::string href = attribute(node, "href");
            if (!href.empty()) {
                add(entries, base, href, textOf(node), depthIn(node, toc, "ol") + depthIn(node, toc, "ul"));
            }
        }
    }
    return entries;
}

std::vector<NavEntry> fromNcx(const XmlDocument& document, const std::string& base) {
    std::vector<NavEntry> entries;
    const XmlNode* root = rootOf(document);
    for (const XmlNode* node = root; node != nullptr; node = nextInTree(node, root)) {
        if (!isElement(node) || localName(node) != "navpoint") {
            continue;
        }
        std::string title;
        std::string source;
        for (const XmlNode* child = node->children; child != nullptr; child = child->next) {
            if (isElement(child) && localName(child) == "navlabel" && title.empty()) {
                title = textOf(child);
            } else if (isElement(child) && localName(child) == "content" && source.empty()) {
                source = attribute(child, "src");
            }
        }
        if (!source.empty()) {
            add(entries, base, source, title, depthIn(node, root, "navpoint") + 1);
        }
    }
    return entries;
}

} // namespace

std::vector<NavEntry> readNavigation(EpubArchive& archive, const Package& package) {
    std::string bytes;
    if (!package.navPath.empty() && archive.read(package.navPath, bytes) == EntryRead::Ok) {
        std::vector<NavEntry> entries = fromNavDocument(parseContent(bytes), package.navPath);
        if (!entries.empty()) {
            return entries;
        }
    }
    if (!package.ncxPath.empty() && archive.read(package.ncxPath, bytes) == EntryRead::Ok) {
        return fromNcx(parseXml(bytes), package.ncxPath);
    }
    return {};
}

} // namespace quillery::epub
