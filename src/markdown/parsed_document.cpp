#include "markdown/parsed_document.h"

#include <cmark-gfm-core-extensions.h>
#include <cmark-gfm-extension_api.h>
#include <cmark-gfm.h>
#include <mutex>

namespace quillery::markdown {
namespace {

constexpr const char* kExtensions[] = {"table", "strikethrough", "tasklist"};

} // namespace

ParsedDocument::ParsedDocument(std::string_view text) {
    static std::once_flag registered;
    std::call_once(registered, [] { cmark_gfm_core_extensions_ensure_registered(); });
    // Footnotes cost the parser two more walks over the whole tree: only a text that can hold one asks for
    // them.
    bool footnotes = text.find("[^") != std::string_view::npos;
    cmark_parser* parser = cmark_parser_new_with_mem(footnotes ? CMARK_OPT_FOOTNOTES : CMARK_OPT_DEFAULT,
                                                     ParserArena::allocator());
    for (const char* name : kExtensions) {
        if (cmark_syntax_extension* extension = cmark_find_syntax_extension(name)) {
            cmark_parser_attach_syntax_extension(parser, extension);
        }
    }
    cmark_parser_feed(parser, text.data(), text.size());
    root_ = cmark_parser_finish(parser);
}

} // namespace quillery::markdown
