#include "markdown/tree_walk.h"

#include <cmark-gfm-core-extensions.h>
#include <cmark-gfm.h>
#include <cstring>

namespace quillery::markdown {
namespace {

constexpr std::string_view kPageBreakComment = "<!-- pagebreak -->";
constexpr size_t kCodeTabWidth = 4;

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n')) {
        text.remove_suffix(1);
    }
    return text;
}

std::string_view literalOf(cmark_node* node) {
    const char* literal = cmark_node_get_literal(node);
    return literal != nullptr ? std::string_view(literal) : std::string_view();
}

// Whether `block` stands directly in an item of a tight list.
bool isTightItemParagraph(cmark_node* block) {
    cmark_node* item = cmark_node_parent(block);
    if (item == nullptr || cmark_node_get_type(item) != CMARK_NODE_ITEM) {
        return false;
    }
    cmark_node* list = cmark_node_parent(item);
    return list != nullptr && cmark_node_get_list_tight(list) != 0;
}

// A code line with its tabs made spaces (the device shows no tab stops).
std::string expandTabs(std::string_view line) {
    std::string result;
    for (char c : line) {
        if (c == '\t') {
            result.append(kCodeTabWidth - result.size() % kCodeTabWidth, ' ');
        } else {
            result += c;
        }
    }
    return result;
}

// The plain text of a heading: what its text and code spans say (not the descriptions of its images).
void appendPlainText(cmark_node* node, std::string& text) {
    cmark_iter* iter = cmark_iter_new(node);
    for (cmark_event_type event; (event = cmark_iter_next(iter)) != CMARK_EVENT_DONE;) {
        cmark_node* current = cmark_iter_get_node(iter);
        cmark_node_type type = cmark_node_get_type(current);
        if (event == CMARK_EVENT_ENTER && type == CMARK_NODE_IMAGE) {
            cmark_iter_reset(iter, current, CMARK_EVENT_EXIT); // an image leaves the heading's text
        } else if (event == CMARK_EVENT_ENTER && (type == CMARK_NODE_TEXT || type == CMARK_NODE_CODE)) {
            text += literalOf(current);
        }
    }
    cmark_iter_free(iter);
}

bool insideFootnote(cmark_node* node) {
    for (cmark_node* up = cmark_node_parent(node); up != nullptr; up = cmark_node_parent(up)) {
        if (cmark_node_get_type(up) == CMARK_NODE_FOOTNOTE_DEFINITION) {
            return true;
        }
    }
    return false;
}

} // namespace

std::vector<std::string> claimHeadingAnchors(cmark_node* document, SlugSet& anchors) {
    std::vector<std::string> names;
    for (cmark_node* block = cmark_node_first_child(document); block != nullptr;) {
        // Headings are blocks: walk the block tree only, depth first, without recursion.
        if (cmark_node_get_type(block) == CMARK_NODE_HEADING && !insideFootnote(block)) {
            std::string text;
            appendPlainText(block, text);
            names.push_back(anchors.claim(slugOf(trimmed(text))));
        }
        cmark_node* child = cmark_node_first_child(block);
        if (child != nullptr &&
            (cmark_node_get_type(child) & CMARK_NODE_TYPE_MASK) == CMARK_NODE_TYPE_BLOCK) {
            block = child;
            continue;
        }
        while (block != nullptr && cmark_node_next(block) == nullptr) {
            block = cmark_node_parent(block);
            if (block == document) {
                return names;
            }
        }
        block = block != nullptr ? cmark_node_next(block) : nullptr;
    }
    return names;
}

void TreeWalk::at(cmark_node* node) {
    writer_.at({static_cast<uint32_t>(std::max(0, cmark_node_get_start_line(node))),
                static_cast<uint32_t>(std::max(0, cmark_node_get_start_column(node)))});
}

void TreeWalk::run(cmark_node* document) {
    cmark_iter* iter = cmark_iter_new(document);
    for (cmark_event_type event; (event = cmark_iter_next(iter)) != CMARK_EVENT_DONE;) {
        cmark_node* node = cmark_iter_get_node(iter);
        bool block = (cmark_node_get_type(node) & CMARK_NODE_TYPE_MASK) == CMARK_NODE_TYPE_BLOCK;
        if (event == CMARK_EVENT_ENTER) {
            at(node);
            bool skip = block ? enterBlock(node) : enterInline(node);
            // Skipping jumps to the node's exit, which then goes unseen; a node without children has nothing
            // to skip, and the exit of any node skipped here does nothing.
            if (skip && cmark_node_first_child(node) != nullptr) {
                cmark_iter_reset(iter, node, CMARK_EVENT_EXIT);
            }
        } else if (event == CMARK_EVENT_EXIT) {
            if (block) {
                exitBlock(node);
            } else {
                exitInline(node);
            }
        }
    }
    cmark_iter_free(iter);
}

bool TreeWalk::enterBlock(cmark_node* node) {
    switch (cmark_node_get_type(node)) {
    case CMARK_NODE_HEADING:
        enterHeading(node);
        return false;
    case CMARK_NODE_BLOCK_QUOTE:
        writer_.indent(true);
        return false;
    case CMARK_NODE_LIST:
        lists_.push_back({cmark_node_get_list_type(node) == CMARK_ORDERED_LIST,
                          cmark_node_get_list_tight(node) != 0, cmark_node_get_list_start(node),
                          cmark_node_get_list_delim(node) == CMARK_PAREN_DELIM ? ')' : '.'});
        return false;
    case CMARK_NODE_ITEM:
        enterItem(node);
        return false;
    case CMARK_NODE_CODE_BLOCK:
        codeBlock(node);
        return true;
    case CMARK_NODE_HTML_BLOCK:
        htmlBlock(node);
        return true;
    case CMARK_NODE_THEMATIC_BREAK:
        writer_.markup("\\w=\"50%\"");
        writer_.endBlock(Separation::BlankLine);
        return true;
    case CMARK_NODE_FOOTNOTE_DEFINITION:
        enterFootnote();
        return false;
    case CMARK_NODE_DOCUMENT:
    case CMARK_NODE_PARAGRAPH:
        return false;
    default:
        enterTablePart(cmark_node_get_type_string(node));
        return false;
    }
}

void TreeWalk::exitBlock(cmark_node* node) {
    switch (cmark_node_get_type(node)) {
    case CMARK_NODE_PARAGRAPH:
        writer_.endBlock(isTightItemParagraph(node) ? Separation::Line : Separation::BlankLine);
        return;
    case CMARK_NODE_HEADING:
        exitHeading();
        return;
    case CMARK_NODE_BLOCK_QUOTE:
        writer_.indent(false);
        writer_.endBlock(Separation::BlankLine);
        return;
    case CMARK_NODE_LIST:
        lists_.pop_back();
        // A list inside an item of a tight list ends like that item's paragraphs.
        writer_.endBlock(isTightItemParagraph(node) ? Separation::Line : Separation::BlankLine);
        return;
    case CMARK_NODE_ITEM: {
        cmark_node* list = cmark_node_parent(node);
        writer_.endBlock(list != nullptr && cmark_node_get_list_tight(list) ? Separation::Line
                                                                            : Separation::BlankLine);
        return;
    }
    case CMARK_NODE_FOOTNOTE_DEFINITION:
        writer_.dropSeparation();
        writer_.markup("\n</footnote>\n");
        return;
    case CMARK_NODE_DOCUMENT:
        return;
    default:
        exitTablePart(cmark_node_get_type_string(node));
    }
}

void TreeWalk::enterHeading(cmark_node* node) {
    int level = cmark_node_get_heading_level(node);
    std::string anchor;
    if (!inFootnote_ && nextHeading_ < headingAnchors_.size()) {
        anchor = "\\Q=\"" + headingAnchors_[nextHeading_++] + "\"";
    }
    if (inFootnote_ || level >= 4) {
        heading_ = Heading::BoldLine;
        writer_.markup(anchor);
        writer_.style(Style::Bold, true);
        return;
    }
    heading_ = level == 1 ? Heading::Chapter : level == 2 ? Heading::Level2 : Heading::Level3;
    writer_.markup((level == 1 ? "\\x" : level == 2 ? "\\X1" : "\\X2") + anchor);
}

void TreeWalk::exitHeading() {
    switch (heading_) {
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
}

void TreeWalk::enterItem(cmark_node* node) {
    std::string prefix(lists_.empty() ? 0 : 2 * (lists_.size() - 1), ' ');
    if (!lists_.empty() && lists_.back().ordered) {
        prefix += std::to_string(lists_.back().number++) + lists_.back().delimiter + " ";
    } else {
        prefix += "\\a149 "; // the bullet, as a tag: the text stays ASCII
    }
    if (std::strcmp(cmark_node_get_type_string(node), "tasklist") == 0) {
        prefix += cmark_gfm_extensions_get_tasklist_item_checked(node) ? "[x] " : "[ ] ";
        writer_.notices().add(Notice::TaskList, writer_.place());
    }
    writer_.markup(prefix);
}

void TreeWalk::codeBlock(cmark_node* node) {
    std::string_view code = literalOf(node);
    while (!code.empty() && code.back() == '\n') {
        code.remove_suffix(1);
    }
    int fenceLength = 0, fenceOffset = 0;
    char fence = 0;
    uint32_t line = static_cast<uint32_t>(std::max(1, cmark_node_get_start_line(node)));
    uint32_t column = static_cast<uint32_t>(std::max(1, cmark_node_get_start_column(node)));
    if (cmark_node_get_fenced(node, &fenceLength, &fenceOffset, &fence) != 0) {
        ++line;
    }
    writer_.indent(true);
    for (bool first = true;; first = false) {
        size_t end = code.find('\n');
        if (!first) {
            writer_.lineEnd();
        }
        writer_.at({line++, column});
        writer_.text(expandTabs(code.substr(0, end)));
        if (end == std::string_view::npos) {
            break;
        }
        code.remove_prefix(end + 1);
    }
    writer_.indent(false);
    writer_.endBlock(Separation::BlankLine);
}

void TreeWalk::htmlBlock(cmark_node* node) {
    if (trimmed(literalOf(node)) != kPageBreakComment) {
        writer_.notices().add(Notice::RawHtml, writer_.place());
        return;
    }
    if (!inFootnote_) {
        writer_.markup("\\p");
        writer_.dropSeparation();
    }
}

void TreeWalk::enterFootnote() {
    // The definitions follow the main text (the parser puts them last), each after a line end.
    writer_.dropSeparation();
    if (!writer_.out().empty() && writer_.out().back() != '\n') {
        writer_.lineEnd();
    }
    inFootnote_ = true;
    writer_.markup("<footnote id=\"" + std::to_string(++footnotes_) + "\">\n");
}

void TreeWalk::enterTablePart(const std::string& kind) {
    if (kind == "table") {
        writer_.notices().add(Notice::Table, writer_.place());
    } else if (kind == "table_header" || kind == "table_row") {
        firstCell_ = true;
    } else if (kind == "table_cell") {
        if (!firstCell_) {
            writer_.markup(" | ");
        }
        firstCell_ = false;
    }
}

void TreeWalk::exitTablePart(const std::string& kind) {
    if (kind == "table_header" || kind == "table_row") {
        writer_.endBlock(Separation::Line);
    } else if (kind == "table") {
        writer_.endBlock(Separation::BlankLine);
    }
}

} // namespace quillery::markdown
