// A Markdown text parsed into its document tree, with the extensions the converter reads (tables,
// strikethrough, task lists) and footnotes. The tree lives in an arena of its own and goes with this object.
#pragma once

#include "markdown/parser_arena.h"

#include <string_view>

struct cmark_node;

namespace quillery::markdown {

class ParsedDocument {
  public:
    // Parses `text` (valid UTF-8 without NUL bytes). Only one document can be alive on a thread at a time.
    explicit ParsedDocument(std::string_view text);
    ParsedDocument(const ParsedDocument&) = delete;
    ParsedDocument& operator=(const ParsedDocument&) = delete;

    // The document node, or nullptr when the parser gave none.
    cmark_node* root() const { return root_; }

  private:
    ParserArena arena_;
    cmark_node* root_ = nullptr;
};

} // namespace quillery::markdown
