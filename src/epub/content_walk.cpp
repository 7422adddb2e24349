#include "epub/content_walk.h"

#include "convert/notices.h"
#include "convert/utf8_input.h"
#include "epub/package_document.h"
#include "framework/windows1252.h"

#include <libxml/tree.h>

namespace quillery::epub {
namespace {

using convert::Notice;

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

std::string lowerWithoutSpaces(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (!isSpace(c)) {
            out += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        }
    }
    return out;
}

bool styleSays(const std::string& style, std::string_view declaration) {
    return style.find(declaration) != std::string::npos;
}

bool isBlockName(const std::string& name) {
    static const std::unordered_set<std::string> kBlocks = {
        "p",       "div",     "section",    "article",    "header",   "footer",  "main",   "aside",
        "nav",     "figure",  "figcaption", "blockquote", "ul",       "ol",      "li",     "dl",
        "dt",      "dd",      "pre",        "table",      "tr",       "address", "center", "hgroup",
        "details", "summary", "caption",    "form",       "fieldset", "legend",  "body",   "html"};
    return kBlocks.count(name) != 0;
}

void appendUtf8(std::string& out, unsigned codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

// Book text in messages is Windows-1252; a name inside the EPUB is UTF-8.
std::string messageText(std::string_view utf8) {
    std::string repaired(utf8.substr(0, 200));
    convert::repairUtf8(repaired);
    return encodeWindows1252(utf8ToUtf16(repaired));
}

// The alignment the element asks for: the align attribute, a text-align style or a usual class name.
int alignmentOf(const XmlNode* node, const std::string& name, const std::string& style) {
    if (name == "center") {
        return 1;
    }
    std::string align = lowerWithoutSpaces(attribute(node, "align"));
    std::string classes = attribute(node, "class");
    if (align == "center" || styleSays(style, "text-align:center")) {
        return 1;
    }
    if (align == "right" || styleSays(style, "text-align:right")) {
        return 2;
    }
    for (std::string_view word : {"center", "centre", "centered", "centred", "text-center", "align-center"}) {
        if (hasWord(classes, word)) {
            return 1;
        }
    }
    for (std::string_view word : {"right", "text-right", "align-right", "flush-right", "rightalign"}) {
        if (hasWord(classes, word)) {
            return 2;
        }
    }
    return 0;
}

} // namespace

void ContentWalk::at(const XmlNode* node) {
    unsigned line = lineOf(node);
    if (line > 0) {
        writer_.at({line, 1});
    }
}

void ContentWalk::run(const std::vector<std::string>& partNames) {
    partNames_ = &partNames;
    headerEnd_ = writer_.out().size();
    for (uint32_t k = 0; k < map_.parts.size(); ++k) {
        const ContentPart& part = map_.parts[k];
        part_ = k;
        writer_.atPart(k);
        convert::PartScope scope(partNames[k]);
        at(part.body);
        if (map_.anchors.count(part.body) != 0) {
            anchor(part.body);
        }
        walk(part.body, k);
        emitAnchors();
        flushDeferred();
        if (writer_.out().size() > headerEnd_) {
            writer_.endBlock(Separation::BlankLine);
        }
        lineHasText_ = false;
        pendingSpace_ = false;
    }
    inFootnote_ = true;
    for (size_t number = 1; number <= footnotes_.size(); ++number) {
        const LinkTarget& body = footnotes_[number - 1];
        part_ = body.part;
        writer_.atPart(body.part);
        convert::PartScope scope(partNames[body.part]);
        at(body.node);
        writer_.dropSeparation();
        if (!writer_.out().empty() && writer_.out().back() != '\n') {
            writer_.lineEnd();
        }
        writer_.markup("<footnote id=\"" + std::to_string(number) + "\">\n");
        lineHasText_ = false;
        pendingSpace_ = false;
        walk(body.node, body.part);
        flushDeferred();
        writer_.dropSeparation();
        writer_.markup("\n</footnote>\n");
    }
    inFootnote_ = false;
}

void ContentWalk::walk(const XmlNode* top, uint32_t part) {
    part_ = part;
    std::vector<Open> open;
    const XmlNode* node = top->children;
    while (node != nullptr) {
        Open entered;
        entered.node = node;
        bool descend = enter(node, entered);
        if (descend && isElement(node) && node->children != nullptr) {
            open.push_back(std::move(entered));
            node = node->children;
            continue;
        }
        if (descend && isElement(node)) {
            exit(entered);
        }
        while (node != nullptr && node->next == nullptr) {
            node = node->parent;
            if (node == top || node == nullptr || open.empty()) {
                node = nullptr;
                break;
            }
            exit(open.back());
            open.pop_back();
        }
        if (node != nullptr) {
            node = node->next;
        }
    }
    // Whatever is still open (never, for a tree) is closed, so that the markup stays balanced.
    while (!open.empty()) {
        exit(open.back());
        open.pop_back();
    }
}

bool ContentWalk::enter(const XmlNode* node, Open& open) {
    switch (node->type) {
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
        if (node->content != nullptr) {
            at(node);
            std::string_view content(reinterpret_cast<const char*>(node->content));
            if (pre_ > 0) {
                preText(content);
            } else {
                text(content);
            }
        }
        return false;
    case XML_ENTITY_REF_NODE:
        entity(node);
        return false;
    case XML_ELEMENT_NODE:
        break;
    default:
        return false;
    }
    if (map_.footnoteBodies.count(node) != 0 || map_.footnoteContainers.count(node) != 0) {
        return false; // shown as a footnote, not in the text
    }
    std::string name = localName(node);
    at(node);
    if (enterSkipped(node, name)) {
        return false;
    }
    if (map_.anchors.count(node) != 0) {
        anchor(node);
    }
    std::string style = lowerWithoutSpaces(attribute(node, "style"));
    bool breakBefore = styleSays(style, "page-break-before:always") || styleSays(style, "break-before:page");
    open.breakAfter = styleSays(style, "page-break-after:always") || styleSays(style, "break-after:page");
    if (breakBefore && !inFootnote_ && heading_ == Heading::None && writer_.out().size() > headerEnd_) {
        emitAnchors();
        writer_.markup("\\p");
        writer_.dropSeparation();
        lineHasText_ = false;
        pendingSpace_ = false;
    }
    if (auto inserted = map_.inserted.find(node);
        inserted != map_.inserted.end() && !inFootnote_ && heading_ == Heading::None) {
        int level = inserted->second.level;
        Open heading;
        enterHeading(node,
                     level == 1   ? Heading::Chapter
                     : level == 2 ? Heading::Level2
                     : level == 3 ? Heading::Level3
                                  : Heading::BoldLine,
                     heading);
        text(inserted->second.title);
        exit(heading);
    }
    if (int rank = headingRank(node); rank > 0 && heading_ == Heading::None) {
        int level = rank;
        if (auto named = map_.headingLevels.find(node); named != map_.headingLevels.end()) {
            level = named->second;
        } else if (map_.navigatedParts.count(part_) != 0) {
            level = 4; // the navigation names this part's headings; the others are bold lines
        }
        Heading heading = inFootnote_ || level > 3 ? Heading::BoldLine
                          : level == 1             ? Heading::Chapter
                          : level == 2             ? Heading::Level2
                                                   : Heading::Level3;
        enterHeading(node, heading, open);
        return true;
    }
    if (isBlockName(name)) {
        enterBlock(node, name, open);
        return true;
    }
    if (name == "br") {
        if (heading_ != Heading::None) {
            pendingSpace_ = true;
        } else if (pre_ > 0 || lineHasText_) {
            emitAnchors();
            writer_.lineEnd();
            lineHasText_ = false;
            pendingSpace_ = false;
        }
        return false;
    }
    if (name == "hr") {
        separate(Separation::BlankLine);
        emitAnchors();
        writer_.markup("\\w=\"50%\"");
        writer_.endBlock(Separation::BlankLine);
        return false;
    }
    if (name == "img") {
        image(node);
        return false;
    }
    if (name == "a" && !attribute(node, "href").empty()) {
        enterLink(node, open);
        return map_.footnoteLinks.count(node) == 0 && !(inFootnote_ && map_.backLinks.count(node) != 0);
    }
    if (name == "td" || name == "th") {
        if (!firstCell_) {
            text(" | ");
        }
        firstCell_ = false;
    }
    inlineStyles(node, name, open);
    return true;
}

bool ContentWalk::enterSkipped(const XmlNode* node, const std::string& name) {
    (void)node;
    static const std::unordered_set<std::string> kSilent = {
        "head", "title", "style", "template", "link", "meta", "base", "annotation", "annotation-xml", "rp"};
    if (kSilent.count(name) != 0) {
        return true;
    }
    if (name == "script") {
        writer_.notices().add(Notice::BookScript, writer_.place());
        return true;
    }
    if (name == "svg") {
        writer_.notices().add(Notice::BookSvg, writer_.place());
        return true;
    }
    if (name == "audio" || name == "video" || name == "object" || name == "embed" || name == "iframe" ||
        name == "canvas") {
        writer_.notices().add(Notice::BookMedia, writer_.place());
        return true;
    }
    if (name == "input" || name == "select" || name == "textarea" || name == "button") {
        writer_.notices().add(Notice::BookForm, writer_.place());
        return true;
    }
    if (name == "math") {
        writer_.notices().add(Notice::BookMath, writer_.place());
    }
    return false;
}

void ContentWalk::separate(Separation separation) {
    // A link reference ends with its line: one that held a block would span pages and chapters.
    if (activeLink_ != nullptr) {
        writer_.markup("\\q");
        activeLink_ = nullptr;
        openReferences_ = 0;
        flushDeferred();
    }
    if (lineHasText_) {
        writer_.endBlock(separation);
    }
    lineHasText_ = false;
    pendingSpace_ = false;
}

void ContentWalk::enterBlock(const XmlNode* node, const std::string& name, Open& open) {
    bool line = name == "li" || name == "dt" || name == "dd" || name == "tr" ||
                ((name == "ul" || name == "ol") && !lists_.empty());
    separate(line ? Separation::Line : Separation::BlankLine);
    open.block = true;
    if (name == "table") {
        writer_.notices().add(Notice::BookTable, writer_.place());
    } else if (name == "form") {
        writer_.notices().add(Notice::BookForm, writer_.place());
    } else if (name == "tr") {
        open.tableRow = true;
        firstCell_ = true;
    } else if (name == "blockquote") {
        open.quote = true;
        writer_.indent(true);
    } else if (name == "pre") {
        open.pre = true;
        ++pre_;
        writer_.indent(true);
    } else if (name == "ul" || name == "ol") {
        open.list = true;
        List list{name == "ol", 1};
        std::string start = attribute(node, "start");
        if (list.ordered && !start.empty() && start.size() < 9 &&
            start.find_first_not_of("0123456789") == std::string::npos) {
            list.number = std::stoi(start);
        }
        lists_.push_back(list);
    } else if (name == "li") {
        open.item = true;
        enterItem();
    }
    std::string style = lowerWithoutSpaces(attribute(node, "style"));
    int align = alignmentOf(node, name, style);
    if (align != 0 && align_ == Align::None && heading_ == Heading::None && !inFootnote_) {
        open.align = align == 1 ? Align::Centre : Align::Right;
        align_ = open.align;
        writer_.markup(align == 1 ? "\\c" : "\\r");
    }
}

void ContentWalk::enterItem() {
    std::string prefix(lists_.empty() ? 0 : 2 * (lists_.size() - 1), ' ');
    if (!lists_.empty() && lists_.back().ordered) {
        prefix += std::to_string(lists_.back().number++) + ". ";
    } else {
        prefix += "\\a149 "; // the bullet, as a tag: the text stays ASCII
    }
    writer_.markup(prefix);
    emitAnchors();
}

void ContentWalk::enterHeading(const XmlNode* node, Heading heading, Open& open) {
    (void)node;
    separate(Separation::BlankLine);
    open.heading = heading;
    heading_ = heading;
    switch (heading) {
    case Heading::Chapter:
        writer_.markup("\\x");
        break;
    case Heading::Level2:
        writer_.markup("\\X1");
        break;
    case Heading::Level3:
        writer_.markup("\\X2");
        break;
    default:
        emitAnchors();
        writer_.style(Style::Bold, true);
        return;
    }
    emitAnchors();
}

void ContentWalk::exit(const Open& open) {
    for (auto style = open.styles.rbegin(); style != open.styles.rend(); ++style) {
        writer_.style(*style, false);
        superscript_ -= *style == Style::Superscript ? 1 : 0;
        subscript_ -= *style == Style::Subscript ? 1 : 0;
    }
    if (open.link && activeLink_ == open.node) {
        writer_.markup("\\q");
        activeLink_ = nullptr;
        openReferences_ = 0;
        flushDeferred();
    }
    if (open.heading != Heading::None) {
        emitAnchors();
        switch (open.heading) {
        case Heading::Chapter:
            writer_.markup("\\x");
            break;
        case Heading::Level2:
            writer_.markup("\\X1");
            break;
        case Heading::Level3:
            writer_.markup("\\X2");
            break;
        default:
            writer_.style(Style::Bold, false);
        }
        heading_ = Heading::None;
        flushDeferred();
        writer_.endBlock(Separation::BlankLine);
        lineHasText_ = false;
        pendingSpace_ = false;
        return;
    }
    if (!open.block) {
        return;
    }
    if (open.align != Align::None) {
        writer_.closeBlock(open.align == Align::Centre ? "\\c" : "\\r");
        align_ = Align::None;
    }
    if (open.quote || open.pre) {
        writer_.indent(false);
    }
    if (open.pre) {
        --pre_;
    }
    if (open.list && !lists_.empty()) {
        lists_.pop_back();
    }
    std::string name = localName(open.node);
    bool line = open.item || open.tableRow || name == "dt" || name == "dd";
    if (writer_.out().size() > headerEnd_) {
        writer_.endBlock(line ? Separation::Line : Separation::BlankLine);
    }
    lineHasText_ = false;
    pendingSpace_ = false;
    if (open.breakAfter && !inFootnote_) {
        writer_.markup("\\p");
        writer_.dropSeparation();
    }
}

void ContentWalk::flushSpace() {
    if (pendingSpace_ && lineHasText_) {
        emitAnchors();
        writer_.text(" ", textMode());
    }
    pendingSpace_ = false;
}

void ContentWalk::text(std::string_view utf8) {
    if (images_ == nullptr) {
        // The trial walk only learns where anchors land, which no text changes.
        bool hasText = false;
        for (char c : utf8) {
            hasText = hasText || !isSpace(c);
        }
        lineHasText_ = lineHasText_ || hasText;
        return;
    }
    std::string out;
    for (size_t at = 0; at < utf8.size();) {
        if (isSpace(utf8[at])) {
            pendingSpace_ = true;
            ++at;
            continue;
        }
        size_t end = at;
        while (end < utf8.size() && !isSpace(utf8[end])) {
            ++end;
        }
        if (pendingSpace_ && (lineHasText_ || !out.empty())) {
            out += ' ';
        }
        pendingSpace_ = false;
        out.append(utf8.substr(at, end - at));
        at = end;
    }
    if (out.empty()) {
        return;
    }
    emitAnchors();
    convert::Utf8Repair repair = convert::repairUtf8(out);
    if (repair.invalidBytes > 0) {
        writer_.notices().add(Notice::InvalidUtf8, writer_.place(), repair.invalidBytes);
    }
    writer_.text(out, textMode());
    lineHasText_ = true;
}

void ContentWalk::preText(std::string_view utf8) {
    if (images_ == nullptr) {
        lineHasText_ = true; // the trial walk writes no text
        return;
    }
    if (!lineHasText_ && !utf8.empty() && utf8.front() == '\n') {
        utf8.remove_prefix(1); // the line end right after the opening tag
    }
    while (!utf8.empty() && utf8.back() == '\n') {
        utf8.remove_suffix(1);
    }
    emitAnchors();
    for (bool first = true;; first = false) {
        size_t end = utf8.find('\n');
        if (!first) {
            writer_.lineEnd();
        }
        std::string line(utf8.substr(0, end));
        convert::repairUtf8(line);
        if (!line.empty()) {
            writer_.text(line);
        }
        lineHasText_ = true;
        if (end == std::string_view::npos) {
            break;
        }
        utf8.remove_prefix(end + 1);
    }
}

void ContentWalk::entity(const XmlNode* node) {
    if (node->name == nullptr) {
        return;
    }
    unsigned codePoint = htmlEntity(reinterpret_cast<const char*>(node->name));
    if (codePoint == 0) {
        return; // an entity the HTML table does not know: nothing is loaded to learn it
    }
    std::string utf8;
    appendUtf8(utf8, codePoint);
    text(utf8);
}

void ContentWalk::inlineStyles(const XmlNode* node, const std::string& name, Open& open) {
    std::vector<Style> styles;
    if (name == "em" || name == "i" || name == "cite" || name == "dfn" || name == "var") {
        styles.push_back(Style::Italic);
    } else if (name == "strong" || name == "b") {
        styles.push_back(Style::Bold);
    } else if (name == "u" || name == "ins") {
        styles.push_back(Style::Underline);
    } else if (name == "s" || name == "strike" || name == "del") {
        styles.push_back(Style::Overstrike);
    } else if (name == "sup" && subscript_ == 0) {
        styles.push_back(Style::Superscript);
    } else if (name == "sub" && superscript_ == 0) {
        styles.push_back(Style::Subscript);
    }
    std::string style = lowerWithoutSpaces(attribute(node, "style"));
    if (!style.empty() && name != "a") {
        if (styleSays(style, "font-style:italic") || styleSays(style, "font-style:oblique")) {
            styles.push_back(Style::Italic);
        }
        for (std::string_view weight : {"font-weight:bold", "font-weight:bolder", "font-weight:700",
                                        "font-weight:800", "font-weight:900"}) {
            if (styleSays(style, weight)) {
                styles.push_back(Style::Bold);
                break;
            }
        }
        if (styleSays(style, "underline")) {
            styles.push_back(Style::Underline);
        }
        if (styleSays(style, "line-through")) {
            styles.push_back(Style::Overstrike);
        }
    }
    if (name == "span" && hasWord(attribute(node, "class"), "underline")) {
        styles.push_back(Style::Underline);
    }
    for (Style style : styles) {
        flushSpace();
        writer_.style(style, true);
        superscript_ += style == Style::Superscript ? 1 : 0;
        subscript_ += style == Style::Subscript ? 1 : 0;
        open.styles.push_back(style);
    }
}

void ContentWalk::enterLink(const XmlNode* node, Open& open) {
    if (auto footnote = map_.footnoteLinks.find(node); footnote != map_.footnoteLinks.end()) {
        footnoteReference(footnote->second);
        return;
    }
    std::string href = attribute(node, "href");
    if (resolveHref(map_.parts[part_].path, href).kind == Href::Kind::External) {
        writer_.notices().add(Notice::BookExternalLink, writer_.place());
        return;
    }
    if (map_.backLinks.count(node) != 0) {
        return;
    }
    LinkTarget target = map_.resolve(part_, href);
    auto name = map_.anchors.find(target.node);
    if (target.node == nullptr || name == map_.anchors.end()) {
        writer_.notices().add(Notice::BookLostLink, writer_.place());
        return;
    }
    bool placeable = placeable_ == nullptr || placeable_->count(target.node) != 0;
    if (!placeable || inFootnote_ || heading_ != Heading::None || openReferences_ > 0) {
        return; // footnote bodies and chapter titles cannot hold link references
    }
    flushSpace();
    emitAnchors();
    writer_.markup("\\q=\"#" + name->second + "\"");
    ++openReferences_;
    activeLink_ = node;
    open.link = true;
}

void ContentWalk::footnoteReference(const LinkTarget& target) {
    const XmlNode* body = target.node;
    auto known = footnoteNumbers_.find(body);
    if (inFootnote_) {
        // A footnote body cannot refer to another one.
        if (known != footnoteNumbers_.end()) {
            std::string mark = "[";
            mark += std::to_string(known->second);
            mark += ']';
            text(mark);
        }
        return;
    }
    size_t number = 0;
    if (known != footnoteNumbers_.end()) {
        number = known->second;
    } else {
        footnotes_.push_back(target);
        number = footnotes_.size();
        footnoteNumbers_.emplace(body, number);
    }
    flushSpace();
    std::string tag = std::to_string(number);
    place("\\Fn=\"" + tag + "\"[" + tag + "]\\Fn");
    lineHasText_ = true;
}

void ContentWalk::image(const XmlNode* node) {
    if (images_ == nullptr) {
        return;
    }
    std::string source = attribute(node, "src");
    Href href = resolveHref(map_.parts[part_].path, source);
    std::string problem = "it is not inside the EPUB";
    std::optional<std::string> name;
    if (href.kind == Href::Kind::Internal) {
        name = images_->import(href.path, problem);
    }
    if (!name) {
        convert::reportAt(ReportLevel::Warning, {lineOf(node), 0}, "The image \"%s\" was left out: %s.",
                          messageText(source).c_str(), problem.c_str());
        return;
    }
    emitAnchors();
    place("\\m=\"" + *name + "\"");
    lineHasText_ = true;
}

void ContentWalk::anchor(const XmlNode* node) {
    if (inFootnote_) {
        return; // footnote bodies cannot hold anchors
    }
    pendingAnchors_ += "\\Q=\"" + map_.anchors.at(node) + "\"";
    placed_.insert(node);
}

void ContentWalk::emitAnchors() {
    if (!pendingAnchors_.empty()) {
        std::string anchors;
        anchors.swap(pendingAnchors_);
        writer_.markup(anchors);
    }
}

void ContentWalk::place(const std::string& tags) {
    if (openReferences_ > 0 || heading_ != Heading::None) {
        deferred_ += tags;
        return;
    }
    writer_.markup(tags);
}

void ContentWalk::flushDeferred() {
    if (!deferred_.empty() && openReferences_ == 0 && heading_ == Heading::None) {
        writer_.markup(deferred_);
        deferred_.clear();
    }
}

} // namespace quillery::epub
