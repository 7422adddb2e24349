#include "markup/reference_collector.h"

#include "tdb/signed_byte_order.h"

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
        (kind == ReferenceKind::Sidebar ? sidebarNames_ : footnoteNames_)
            .push_back(static_cast<uint32_t>(nameStart));
    }
    size_t backslash = close < context_.size() ? context_.find('\\', close) : context_.size();
    if (backslash < context_.size() && !context_.holds(backslash, messages.closing)) {
        context_.report.error(tag, messages.tags, name.c_str());
    }
    return context_.clip(close + 1);
}

std::string_view ReferenceCollector::storedName(uint32_t nameStart) const {
    std::string_view name = context_.text.substr(nameStart, kMaxBlockNameLength);
    return name.substr(0, name.find('"'));
}

void ReferenceCollector::finishTable(std::vector<uint32_t>& names, RefTable& table) const {
    auto compare = [&](uint32_t a, uint32_t b) { return compareLoweredSigned(storedName(a), storedName(b)); };
    std::sort(names.begin(), names.end(), [&](uint32_t a, uint32_t b) { return compare(a, b) < 0; });
    size_t distinct = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        if (!storedName(names[i]).empty() && (i == 0 || compare(names[i - 1], names[i]) != 0)) {
            names[distinct++] = names[i];
        }
    }
    names.resize(distinct);
    table.clear();
    table.reserve(distinct);
    std::string name;
    for (uint32_t nameStart : names) {
        name = storedName(nameStart);
        for (char& c : name) {
            c = lowerAscii(c);
        }
        table.add(name);
    }
    names.clear();
    names.shrink_to_fit();
}

void ReferenceCollector::finish() {
    finishTable(sidebarNames_, sidebars_);
    finishTable(footnoteNames_, footnotes_);
}

} // namespace quillery
