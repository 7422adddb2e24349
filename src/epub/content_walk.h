// The walk over the content documents of an EPUB that writes the book's markup text: blocks, inline styles,
// headings, anchors, link references, footnotes and images. The walk is an iteration over the tree, not a
// recursion: no depth of nesting can exhaust the stack.
#pragma once

#include "convert/markup_writer.h"
#include "epub/book_images.h"
#include "epub/book_map.h"

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace quillery::epub {

using convert::MarkupWriter;
using convert::Separation;
using convert::Style;
using convert::TextMode;

class ContentWalk {
  public:
    // `images`: null for a trial walk that only learns where anchors land. `placeable`: the anchors a link
    // may refer to (null: every anchor of the map).
    ContentWalk(MarkupWriter& writer, const BookMap& map, BookImages* images,
                const std::unordered_set<const XmlNode*>* placeable)
        : writer_(writer), map_(map), images_(images), placeable_(placeable) {}

    // Writes the main text of every part, then the footnote bodies.
    void run(const std::vector<std::string>& partNames);

    // The anchors that were written.
    const std::unordered_set<const XmlNode*>& placed() const { return placed_; }

  private:
    enum class Heading { None, Chapter, Level2, Level3, BoldLine };
    enum class Align { None, Centre, Right };
    struct List {
        bool ordered = false;
        int number = 1;
    };
    // What an element opened, to be closed when it ends.
    struct Open {
        const XmlNode* node = nullptr;
        Heading heading = Heading::None;
        bool block = false;
        bool list = false;
        bool item = false;
        bool quote = false;
        bool pre = false;
        bool link = false;
        bool tableRow = false;
        bool breakAfter = false;
        Align align = Align::None;
        std::vector<Style> styles;
    };

    void walk(const XmlNode* top, uint32_t part);
    // False when the node's children are to be skipped (its end is then not seen either).
    bool enter(const XmlNode* node, Open& open);
    void exit(const Open& open);
    void text(std::string_view utf8);
    void preText(std::string_view utf8);
    // Writes the space that whitespace before an opening tag stands for.
    void flushSpace();
    void entity(const XmlNode* node);

    bool enterSkipped(const XmlNode* node, const std::string& name);
    void enterBlock(const XmlNode* node, const std::string& name, Open& open);
    void enterHeading(const XmlNode* node, Heading heading, Open& open);
    void enterItem();
    void enterLink(const XmlNode* node, Open& open);
    void image(const XmlNode* node);
    void footnoteReference(const LinkTarget& target);
    void anchor(const XmlNode* node);
    void inlineStyles(const XmlNode* node, const std::string& name, Open& open);

    // Starts a new block: what follows is separated by `separation` from what came before.
    void separate(Separation separation);
    // Writes `tags` here, or keeps them for after the open link reference or heading that cannot hold them.
    void place(const std::string& tags);
    void flushDeferred();
    void emitAnchors();
    void at(const XmlNode* node);
    TextMode textMode() const { return heading_ != Heading::None ? TextMode::Heading : TextMode::Body; }

    MarkupWriter& writer_;
    const BookMap& map_;
    BookImages* images_;
    const std::unordered_set<const XmlNode*>* placeable_;
    std::unordered_set<const XmlNode*> placed_;
    std::unordered_map<const XmlNode*, size_t> footnoteNumbers_;
    std::vector<LinkTarget> footnotes_;
    const std::vector<std::string>* partNames_ = nullptr;

    size_t headerEnd_ = 0;
    uint32_t part_ = 0;
    bool inFootnote_ = false;
    Heading heading_ = Heading::None;
    Align align_ = Align::None;
    std::vector<List> lists_;
    int openReferences_ = 0;
    const XmlNode* activeLink_ = nullptr; // the link whose reference is open
    int pre_ = 0;
    int superscript_ = 0;
    int subscript_ = 0;
    bool lineHasText_ = false;
    bool pendingSpace_ = false;
    bool firstCell_ = true;
    std::string deferred_;
    std::string pendingAnchors_;
};

} // namespace quillery::epub
