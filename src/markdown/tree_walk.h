// The walk over a parsed Markdown document that writes its markup text. Blocks are handled in block_walk.cpp,
// inlines in inline_walk.cpp. The walk is an iteration, not a recursion: no depth of nesting can exhaust the
// stack.
#pragma once

#include "convert/markup_writer.h"
#include "convert/slugs.h"
#include "markdown/image_import.h"

#include <string>
#include <vector>

struct cmark_node;
struct cmark_iter;

namespace quillery::markdown {

class TreeWalk {
  public:
    // `headingAnchors`: the anchor name of every heading outside footnotes, in document order.
    TreeWalk(MarkupWriter& writer, ImageImporter& images, std::vector<std::string> headingAnchors,
             const SlugSet& anchors)
        : writer_(writer), images_(images), headingAnchors_(std::move(headingAnchors)), anchors_(anchors) {}

    void run(cmark_node* document);

  private:
    struct List {
        bool ordered = false;
        bool tight = true;
        int number = 1;
        char delimiter = '.';
    };
    enum class Heading { None, Chapter, Level2, Level3, BoldLine };

    // Each returns true when the node's children are to be skipped (its exit is then not seen either).
    bool enterBlock(cmark_node* node);
    void exitBlock(cmark_node* node);
    bool enterInline(cmark_node* node);
    void exitInline(cmark_node* node);

    void enterHeading(cmark_node* node);
    void exitHeading();
    void enterItem(cmark_node* node);
    void codeBlock(cmark_node* node);
    void htmlBlock(cmark_node* node);
    void enterFootnote();
    void enterTablePart(const std::string& kind);
    void exitTablePart(const std::string& kind);
    void enterLink(cmark_node* node);
    void exitLink();
    bool image(cmark_node* node);
    void footnoteReference(cmark_node* node);
    // Writes `tags` here, or keeps them for after the open link reference or heading that cannot hold them.
    void place(const std::string& tags);
    void flushDeferred();

    TextMode textMode() const { return heading_ != Heading::None ? TextMode::Heading : TextMode::Body; }
    void at(cmark_node* node);

    MarkupWriter& writer_;
    ImageImporter& images_;
    std::vector<std::string> headingAnchors_;
    const SlugSet& anchors_;
    size_t nextHeading_ = 0;
    size_t footnotes_ = 0;
    bool inFootnote_ = false;
    Heading heading_ = Heading::None;
    std::vector<List> lists_;
    std::vector<bool> links_; // per open link: whether it is written as a link reference
    int openReferences_ = 0;  // link references open now
    std::string deferred_;
    bool firstCell_ = true;
};

// The heading anchors of `document` in document order (headings inside footnotes get none), claimed in
// `anchors`.
std::vector<std::string> claimHeadingAnchors(cmark_node* document, SlugSet& anchors);

} // namespace quillery::markdown
