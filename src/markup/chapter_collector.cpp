#include "markup/chapter_collector.h"

#include "markup/text_positions.h"
#include "markup/title_text.h"
#include "tdb/book_format.h"
#include "tdb/tag_table.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace quillery {
namespace {

bool isLevel(char c) {
    return c >= '0' && c <= '4';
}

std::string indentation(char level) {
    return std::string(static_cast<size_t>(level - '0') * 4, ' ');
}

} // namespace

bool ChapterCollector::isKeptPosition(size_t position) const {
    size_t word = position / 64;
    return word < keptPositions_.size() && ((keptPositions_[word] >> (position % 64)) & 1) != 0;
}

void ChapterCollector::setKeptPosition(size_t position, bool kept) {
    size_t word = position / 64;
    if (word >= keptPositions_.size()) {
        keptPositions_.resize(context_.size() / 64 + 1);
    }
    uint64_t bit = uint64_t{1} << (position % 64);
    keptPositions_[word] = kept ? keptPositions_[word] | bit : keptPositions_[word] & ~bit;
}

void ChapterCollector::add(size_t tag, std::string title) {
    ++count_;
    if (!context_.firstPass) {
        return;
    }
    bool ghost = title.empty() || isKeptPosition(tag);
    if (entriesPastLimit_ == 0 && (ghost || table_.size() < kMaxChapters)) {
        if (ghost) {
            ++ghostsAfter_.back();
        } else {
            setKeptPosition(tag, true);
            table_.push_back({static_cast<uint32_t>(tag), std::move(title)});
            ghostsAfter_.push_back(0);
        }
        return;
    }
    ++entriesPastLimit_;
    if (!ghost) {
        setKeptPosition(tag, true);
        ++notKept_;
    }
}

void ChapterCollector::warnTooLong(size_t tag, const std::string& title) {
    context_.report.warningFirstPass(
        tag, "Chapter name is > 80 characters; mismatched chapter markers? Begins with \"%s\"",
        title.substr(0, 40).c_str());
}

size_t ChapterCollector::chapterTag(size_t tag) {
    size_t levelAt = tag + 2;
    char level = context_.at(levelAt);
    std::string prefix;
    if (levelAt < context_.size() && isLevel(level)) {
        prefix = indentation(level);
    } else {
        context_.report.excerptError(tag, "Chapter syntax is \\Cn (0 <= n <= 4); you have \"%s\"",
                                     static_cast<int64_t>(tag) + 1, 5);
    }
    size_t after = context_.afterBareTag(tag);
    if (!context_.holds(after, kArgumentOpener)) {
        context_.report.excerptError(tag, "Chapter syntax is \\Cx=\"chapter title\"; you have \"%s\"",
                                     static_cast<int64_t>(tag) + 1, 5);
        return context_.clip(after);
    }
    size_t from = after + kArgumentOpener.size();
    CollectedTitle title = collectTitle(context_, TitleKind::Chapter, 'C', from, std::move(prefix), tag);
    size_t resume = context_.clip(title.stop + 1);
    if (title.tooLong) {
        size_t quote = context_.find('"', title.stop);
        resume = context_.clip(quote + 1);
        RecordPlace first = recordPlaceOf(context_.recordStarts, static_cast<uint32_t>(from));
        RecordPlace after = recordPlaceOf(context_.recordStarts, static_cast<uint32_t>(quote + 1));
        if (first.record != after.record) {
            context_.report.excerptError(
                tag, "Chapter tag spans text records -- reduce chapter to 80 characters. \"%s\"",
                static_cast<int64_t>(from), 40);
        }
        warnTooLong(tag, title.text);
    }
    add(tag, std::move(title.text));
    return resume;
}

size_t ChapterCollector::openHeading(size_t tag, char letter) {
    size_t tagLength = std::min<size_t>(letterTag(letter).length, context_.size() - tag);
    std::string prefix;
    char level = context_.at(tag + 2);
    if (letter == 'X') {
        if (tag + 2 < context_.size() && isLevel(level)) {
            prefix = indentation(level);
        } else {
            context_.report.excerptError(tag, "Chapter syntax is \\Xn (0 <= n <= 4); you have \"%s\"",
                                         static_cast<int64_t>(tag) + 1, 5);
        }
    }
    CollectedTitle title =
        collectTitle(context_, TitleKind::Heading, letter, tag + tagLength, std::move(prefix), tag);
    if (letter == 'X' && title.closed) {
        size_t closingLevel = title.stop + 2;
        if (closingLevel >= context_.size() || context_.at(closingLevel) != level) {
            context_.report.excerptError(title.stop, "\"\\X%s\" does not match closing \\X",
                                         static_cast<int64_t>(closingLevel), 10);
        }
    }
    if (title.tooLong) {
        warnTooLong(tag, title.text);
    }
    add(tag, std::move(title.text));
    return tagLength;
}

void ChapterCollector::lineMovedToNextPage() {
    if (count_ > 0) {
        --count_;
    }
    if (!context_.firstPass) {
        return;
    }
    if (entriesPastLimit_ > 0) {
        --entriesPastLimit_;
    } else if (ghostsAfter_.back() > 0) {
        --ghostsAfter_.back();
    } else if (!table_.empty()) {
        setKeptPosition(table_.back().position, false);
        table_.pop_back();
        ghostsAfter_.pop_back();
    }
}

void ChapterCollector::finish() {
    // Filled by the scan, the table is finished already; one filled some other way is finished here by the
    // same rule: the first entry of each title and position stays, and no entry with an empty title.
    std::vector<uint32_t> order(table_.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        const ChapterEntry& left = table_[a];
        const ChapterEntry& right = table_[b];
        return left.position != right.position ? left.position < right.position : left.title < right.title;
    });
    std::vector<bool> dropped(table_.size(), false);
    for (size_t k = 0; k < order.size(); ++k) {
        const ChapterEntry& entry = table_[order[k]];
        dropped[order[k]] =
            entry.title.empty() || (k > 0 && table_[order[k - 1]].position == entry.position &&
                                    table_[order[k - 1]].title == entry.title);
    }
    size_t kept = 0;
    for (size_t k = 0; k < table_.size(); ++k) {
        if (!dropped[k]) {
            if (kept != k) {
                table_[kept] = std::move(table_[k]);
            }
            ++kept;
        }
    }
    table_.resize(kept);
    keptPositions_ = {};
    ghostsAfter_ = {0};
    entriesPastLimit_ = 0;
}

} // namespace quillery
