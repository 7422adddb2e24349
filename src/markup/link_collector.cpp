#include "markup/link_collector.h"

#include "framework/diagnostics.h"
#include "tdb/book_format.h"
#include "tdb/signed_byte_order.h"
#include "tdb/tag_table.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <optional>

namespace quillery {
namespace {

constexpr size_t kStoredWhenTooLong = 79;

std::string lowered(std::string_view name) {
    std::string result(name);
    for (char& c : result) {
        c = lowerAscii(c);
    }
    return result;
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
    if (name.size() > kMaxLinkNameLength) {
        context_.report.excerptError(tag, "Link reference is longer than 80 characters: \"%s\"",
                                     static_cast<int64_t>(tag), 40);
    }
    // Only the first tag after the start of the name is inspected.
    size_t backslash = context_.find('\\', nameStart);
    if (backslash + 1 < context_.size()) {
        char letter = context_.text[backslash + 1];
        const TagSpec& tagSpec = letterTag(letter);
        if (!(tagSpec.places & kTagInLinkNames)) {
            context_.report.error(backslash, "Illegal tag \"\\%c\" in link reference to \"%s\"", letter,
                                  name.c_str());
        } else if (tagSpec.selects && backslash + 2 < context_.size()) {
            char selector = context_.text[backslash + 2];
            if (!(selectedTag(letter, selector, true).places & kTagInLinkNames)) {
                context_.report.error(backslash, "Illegal tag \"\\%c%c\" in link reference to \"%s\"", letter,
                                      selector, name.c_str());
            }
        }
    }
    references_.push_back(static_cast<uint32_t>(nameStart));
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
    if (close - nameStart > kMaxLinkNameLength) {
        context_.report.excerptError(tag, "Link is longer than 80 characters: \"%s\"",
                                     static_cast<int64_t>(tag) - 1, 40);
    }
    auto start = static_cast<uint32_t>(nameStart);
    std::optional<uint32_t> first = anchors_.findOrAdd(
        start, [this](uint32_t at) { return nameHash(at); },
        [this](uint32_t a, uint32_t b) { return sameName(a, b); });
    if (first && anchorPosition(*first) != anchorPosition(start)) {
        // The name as stored (cut to 79 bytes when too long), in the case written in the tag.
        context_.report.warning(tag, "Link \"%s\" defined more than once",
                                std::string(storedName(start)).c_str());
    }
    return resume;
}

std::string_view LinkCollector::storedName(uint32_t nameStart) const {
    // Only whether the name is longer than 80 bytes matters past its 80th byte.
    std::string_view rest = context_.text.substr(nameStart, kMaxLinkNameLength + 1);
    size_t length = std::min(rest.find('"'), rest.size());
    return rest.substr(0, length > kMaxLinkNameLength ? kStoredWhenTooLong : length);
}

int32_t LinkCollector::anchorPosition(uint32_t nameStart) const {
    // The closing quote plus 2 (the end of the text stands for a missing quote), never past the end of the
    // text: the reader takes the position as a place in the text.
    return static_cast<int32_t>(std::min(context_.find('"', nameStart) + 2, context_.size()));
}

bool LinkCollector::sameName(uint32_t a, uint32_t b) const {
    std::string_view left = storedName(a);
    std::string_view right = storedName(b);
    if (left.size() != right.size()) {
        return false;
    }
    for (size_t i = 0; i < left.size(); ++i) {
        if (lowerAscii(left[i]) != lowerAscii(right[i])) {
            return false;
        }
    }
    return true;
}

bool LinkCollector::nameLess(uint32_t a, uint32_t b) const {
    return compareLoweredSigned(storedName(a), storedName(b)) < 0;
}

size_t LinkCollector::nameHash(uint32_t nameStart) const {
    uint64_t hash = 14695981039346656037ull;
    for (char c : storedName(nameStart)) {
        hash = (hash ^ static_cast<uint8_t>(lowerAscii(c))) * 1099511628211ull;
    }
    // The set takes the low bits: mix the high ones in.
    hash ^= hash >> 32;
    hash *= 0x9E3779B97F4A7C15ull;
    return static_cast<size_t>(hash ^ (hash >> 29));
}

void LinkCollector::finish() {
    // One entry per name: its first anchor, if any, and whether any reference names it. Both lists sorted
    // by name are walked together.
    std::vector<uint32_t> anchors = anchors_.take();
    auto less = [this](uint32_t a, uint32_t b) { return nameLess(a, b); };
    std::sort(anchors.begin(), anchors.end(), less);
    std::sort(references_.begin(), references_.end(), less);
    bool anyReferenced = !references_.empty();
    table_.clear();
    notKept_ = 0;
    auto keep = [&](uint32_t nameStart, int32_t position, bool referenced) {
        std::string name = lowered(storedName(nameStart));
        if (position == -1) {
            reportWarning("Link \"%.79s\" has not been defined", name.c_str());
        }
        if (table_.size() >= kMaxRecords) {
            ++notKept_;
            return;
        }
        LinkEntry entry;
        entry.position = position;
        entry.key =
            static_cast<uint32_t>(crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(name.data()),
                                        static_cast<uInt>(name.size())));
        entry.name = std::move(name);
        entry.referenced = referenced;
        table_.push_back(std::move(entry));
    };
    size_t a = 0;
    size_t r = 0;
    while (a < anchors.size() || r < references_.size()) {
        bool takeAnchor =
            r == references_.size() || (a < anchors.size() && !nameLess(references_[r], anchors[a]));
        uint32_t name = takeAnchor ? anchors[a] : references_[r];
        bool referenced = false;
        while (r < references_.size() && sameName(references_[r], name)) {
            referenced = true;
            ++r;
        }
        if (takeAnchor) {
            ++a;
        }
        // Anchors nobody links to are dropped, unless no name is referenced at all.
        if (referenced || !anyReferenced) {
            keep(name, takeAnchor ? anchorPosition(name) : -1, referenced);
        }
    }
    references_.clear();
    references_.shrink_to_fit();
}

} // namespace quillery
