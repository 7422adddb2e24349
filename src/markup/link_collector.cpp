#include "markup/link_collector.h"

#include "build/diagnostics.h"
#include "markup/signed_byte_order.h"
#include "tdb/book_format.h"
#include "tdb/tag_table.h"

#include <zlib.h>

#include <algorithm>

namespace quillery {
namespace {

constexpr size_t kStoredWhenTooLong = 79;

std::string lowered(std::string name) {
    for (char& c : name) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return name;
}

} // namespace

void LinkCollector::checkLineEnds(size_t tag, size_t from, size_t to, const char* message) {
    for (size_t at = from; at < to; ++at) {
        if (isLineEnd(context_.text[at])) {
            context_.report.excerptError(tag, message, static_cast<int64_t>(at) - 9, 20);
        }
    }
}

size_t LinkCollector::reference(size_t tag) {
    size_t after = context_.afterBareTag(tag);
    if (!context_.holds(after, kLinkArgumentOpener)) {
        context_.report.excerptError(tag, "Link syntax incorrect.  You have '%s' and it should be \\q=\"#",
                                     static_cast<int64_t>(after) - 10, 20);
        return context_.clip(after);
    }
    size_t nameStart = after + kLinkArgumentOpener.size();
    size_t close = context_.find('"', nameStart);
    checkLineEnds(tag, nameStart, close, "Returns are not permitted in link references.  See '%s'.");
    size_t resume = context_.clip(close + 1);
    if (!context_.firstPass) {
        return resume;
    }
    std::string name(context_.text.substr(nameStart, close - nameStart));
    std::string stored = name;
    if (name.size() > kMaxLinkNameLength) {
        context_.report.excerptError(tag, "Link reference is longer than 80 characters: \"%s\"",
                                     static_cast<int64_t>(tag), 40);
        stored.resize(kStoredWhenTooLong);
    }
    // Only the first tag after the start of the name is inspected.
    size_t backslash = context_.find('\\', nameStart);
    if (backslash + 1 < context_.size()) {
        char letter = context_.text[backslash + 1];
        const TagSpec& spec = letterTag(letter);
        if (!(spec.places & kTagInLinkNames)) {
            context_.report.error(backslash, "Illegal tag \"\\%c\" in link reference to \"%s\"", letter,
                                  name.c_str());
        } else if (spec.selects && backslash + 2 < context_.size()) {
            char selector = context_.text[backslash + 2];
            if (!(selectedTag(letter, selector, true).places & kTagInLinkNames)) {
                context_.report.error(backslash, "Illegal tag \"\\%c%c\" in link reference to \"%s\"", letter,
                                      selector, name.c_str());
            }
        }
    }
    note(tag, -1, stored);
    return resume;
}

size_t LinkCollector::anchor(size_t tag) {
    size_t after = context_.afterBareTag(tag);
    if (!context_.holds(after, kArgumentOpener)) {
        context_.report.excerptError(tag, "Link syntax incorrect.  You have '%s' and it should be \\Q=\"",
                                     static_cast<int64_t>(after) - 10, 20);
        return context_.clip(after);
    }
    size_t nameStart = after + kArgumentOpener.size();
    size_t close = context_.find('"', nameStart);
    checkLineEnds(tag, nameStart, close, "Returns are not permitted in link anchors.  See '%s'.");
    size_t resume = context_.clip(close + 1);
    if (!context_.firstPass) {
        return resume;
    }
    std::string name(context_.text.substr(nameStart, close - nameStart));
    std::string stored = name;
    if (name.size() > kMaxLinkNameLength) {
        context_.report.excerptError(tag, "Link is longer than 80 characters: \"%s\"",
                                     static_cast<int64_t>(tag) - 1, 40);
        stored.resize(kStoredWhenTooLong);
    }
    // The closing quote plus 2 (the end of the text stands for a missing quote), never past the end of the
    // text: the reader takes the position as a place in the text.
    size_t position = std::min(close + 2, context_.size());
    note(tag, static_cast<int32_t>(position), stored);
    return resume;
}

void LinkCollector::note(size_t tag, int32_t position, const std::string& stored) {
    std::string name = lowered(stored);
    auto found = byName_.find(name);
    if (found == byName_.end()) {
        LinkEntry entry;
        entry.position = position;
        entry.key =
            static_cast<uint32_t>(crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(name.data()),
                                        static_cast<uInt>(name.size())));
        entry.name = name;
        entry.referenced = position == -1;
        byName_.emplace(std::move(name), table_.size());
        table_.push_back(std::move(entry));
        return;
    }
    LinkEntry& entry = table_[found->second];
    if (entry.position == -1) {
        if (position != -1) {
            entry.position = position;
        }
        return;
    }
    if (position != -1) {
        if (position != entry.position) {
            // The name as stored (cut to 79 bytes when too long), in the case written in the tag.
            context_.report.warning(tag, "Link \"%s\" defined more than once", stored.c_str());
        }
        return;
    }
    entry.referenced = true;
}

void LinkCollector::finish() {
    std::stable_sort(table_.begin(), table_.end(), [](const LinkEntry& a, const LinkEntry& b) {
        if (a.referenced != b.referenced) {
            return a.referenced;
        }
        return signedByteLess(a.name, b.name);
    });
    LinkTable finished;
    bool anyReferenced = false;
    for (const auto& entry : table_) {
        anyReferenced = anyReferenced || entry.referenced;
    }
    for (auto& entry : table_) {
        if (anyReferenced && !entry.referenced) {
            break; // referenced entries sort first: the rest are anchors nobody links to
        }
        if (!finished.empty() && finished.back().name == entry.name) {
            continue;
        }
        finished.push_back(std::move(entry));
    }
    table_ = std::move(finished);
    byName_.clear();
    for (const auto& entry : table_) {
        if (entry.position == -1) {
            reportWarning("Link \"%.79s\" has not been defined", entry.name.c_str());
        }
    }
}

} // namespace quillery
