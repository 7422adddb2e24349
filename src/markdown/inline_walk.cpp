#include "markdown/tree_walk.h"

#include <cmark-gfm.h>
#include <cstring>

namespace quillery::markdown {
namespace {

std::string_view literalOf(cmark_node* node) {
    const char* literal = cmark_node_get_literal(node);
    return literal != nullptr ? std::string_view(literal) : std::string_view();
}

std::string_view urlOf(cmark_node* node) {
    const char* url = cmark_node_get_url(node);
    return url != nullptr ? std::string_view(url) : std::string_view();
}

bool isStrikethrough(cmark_node* node) {
    return std::strcmp(cmark_node_get_type_string(node), "strikethrough") == 0;
}

} // namespace

bool TreeWalk::enterInline(cmark_node* node) {
    switch (cmark_node_get_type(node)) {
    case CMARK_NODE_TEXT:
    case CMARK_NODE_CODE:
        writer_.text(literalOf(node), textMode());
        return true;
    case CMARK_NODE_SOFTBREAK:
        writer_.text(" ");
        return true;
    case CMARK_NODE_LINEBREAK:
        // A chapter title is one line.
        if (heading_ != Heading::None) {
            writer_.text(" ");
        } else {
            writer_.lineEnd();
        }
        return true;
    case CMARK_NODE_HTML_INLINE:
        writer_.notices().add(Notice::RawHtml, writer_.place());
        return true;
    case CMARK_NODE_EMPH:
        writer_.style(Style::Italic, true);
        return false;
    case CMARK_NODE_STRONG:
        writer_.style(Style::Bold, true);
        return false;
    case CMARK_NODE_LINK:
        enterLink(node);
        return false;
    case CMARK_NODE_IMAGE:
        return image(node);
    case CMARK_NODE_FOOTNOTE_REFERENCE:
        footnoteReference(node);
        return true;
    default:
        if (isStrikethrough(node)) {
            writer_.style(Style::Overstrike, true);
        }
        return false;
    }
}

void TreeWalk::exitInline(cmark_node* node) {
    switch (cmark_node_get_type(node)) {
    case CMARK_NODE_EMPH:
        writer_.style(Style::Italic, false);
        return;
    case CMARK_NODE_STRONG:
        writer_.style(Style::Bold, false);
        return;
    case CMARK_NODE_LINK:
        exitLink();
        return;
    case CMARK_NODE_IMAGE:
        return;
    default:
        if (isStrikethrough(node)) {
            writer_.style(Style::Overstrike, false);
        }
    }
}

void TreeWalk::enterLink(cmark_node* node) {
    std::string_view url = urlOf(node);
    bool linked = false;
    if (!url.empty() && url.front() == '#') {
        std::string name = anchorNameOfFragment(url);
        if (!anchors_.contains(name)) {
            reportAt(ReportLevel::Warning, writer_.place(),
                     "No heading has the anchor \"%s\"; the link keeps its text only.", name.c_str());
        } else if (!inFootnote_ && heading_ == Heading::None && openReferences_ == 0) {
            // Sidebar and footnote bodies and chapter titles cannot hold link references.
            writer_.markup("\\q=\"#" + name + "\"");
            linked = true;
            ++openReferences_;
        }
    } else {
        writer_.notices().add(Notice::ExternalLink, writer_.place());
    }
    links_.push_back(linked);
}

void TreeWalk::exitLink() {
    bool linked = !links_.empty() && links_.back();
    if (!links_.empty()) {
        links_.pop_back();
    }
    if (linked) {
        writer_.markup("\\q");
        --openReferences_;
        flushDeferred();
    }
}

bool TreeWalk::image(cmark_node* node) {
    std::optional<std::string> name = images_.import(urlOf(node), writer_.place());
    if (!name) {
        return false; // its description stands in its place
    }
    place("\\m=\"" + *name + "\"");
    return true;
}

void TreeWalk::footnoteReference(cmark_node* node) {
    std::string number(literalOf(node));
    if (inFootnote_) {
        // A footnote body cannot refer to another one.
        writer_.text("[" + number + "]");
        return;
    }
    place("\\Fn=\"" + number + "\"[" + number + "]\\Fn");
}

void TreeWalk::place(const std::string& tags) {
    if (openReferences_ > 0 || heading_ != Heading::None) {
        deferred_ += tags;
        return;
    }
    writer_.markup(tags);
}

void TreeWalk::flushDeferred() {
    if (!deferred_.empty() && openReferences_ == 0 && heading_ == Heading::None) {
        writer_.markup(deferred_);
        deferred_.clear();
    }
}

} // namespace quillery::markdown
