#include "markup/reference_collector.h"

#include "markup/signed_byte_order.h"
#include "tdb/book_format.h"

#include <algorithm>
#include <string>

namespace quillery {
namespace {

struct KindMessages {
    const char* syntax;
    const char* returns;
    const char* tags;
    const char* closing;
};

const KindMessages kSidebar = {
    "Sidebar syntax incorrect.  You have '%s' and it should be \\Sd=\"",
    "Returns are not permitted in sidebar references.  See '%s'.",
    "Tags are not permitted within sidebar references, see reference to %s",
    "\\Sd",
};

const KindMessages kFootnote = {
    "Footnote syntax incorrect.  You have '%s' and it should be \\Fn=\"",
    "Returns are not permitted in footnote references.  See '%s'.",
    "Tags are not permitted within footnote references, see reference to %s",
    "\\Fn",
};

} // namespace

size_t ReferenceCollector::open(size_t tag, ReferenceKind kind) {
    const KindMessages& messages = kind == ReferenceKind::Sidebar ? kSidebar : kFootnote;
    size_t after = context_.afterBareTag(tag);
    if (!context_.holds(after, kArgumentOpener)) {
        context_.report.excerptError(tag, messages.syntax, static_cast<int64_t>(after) - 10, 20);
        return context_.clip(after);
    }
    size_t nameStart = after + kArgumentOpener.size();
    size_t close = context_.find('"', nameStart);
    for (size_t at = nameStart; at < close; ++at) {
        if (isLineEnd(context_.text[at])) {
            context_.report.excerptError(tag, messages.returns, static_cast<int64_t>(at) - 9, 20);
        }
    }
    std::string name(context_.text.substr(nameStart, close - nameStart));
    if (context_.firstPass) {
        RefEntry entry;
        entry.name = name.substr(0, kMaxBlockNameLength);
        for (char& c : entry.name) {
            if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c - 'A' + 'a');
            }
        }
        (kind == ReferenceKind::Sidebar ? sidebars_ : footnotes_).push_back(std::move(entry));
    }
    size_t backslash = close < context_.size() ? context_.find('\\', close) : context_.size();
    if (backslash < context_.size() && !context_.holds(backslash, messages.closing)) {
        context_.report.error(tag, messages.tags, name.c_str());
    }
    return context_.clip(close + 1);
}

void finishReferenceTable(RefTable& table) {
    std::stable_sort(table.begin(), table.end(),
                     [](const RefEntry& a, const RefEntry& b) { return signedByteLess(a.name, b.name); });
    RefTable finished;
    for (auto& entry : table) {
        if (entry.name.empty() || (!finished.empty() && finished.back().name == entry.name)) {
            continue;
        }
        finished.push_back(std::move(entry));
    }
    table = std::move(finished);
}

void ReferenceCollector::finish() {
    finishReferenceTable(sidebars_);
    finishReferenceTable(footnotes_);
}

} // namespace quillery
