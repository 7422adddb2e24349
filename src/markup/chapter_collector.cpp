#include "markup/chapter_collector.h"

#include "markup/text_positions.h"
#include "markup/title_text.h"
#include "tdb/tag_table.h"

#include <algorithm>
#include <set>
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

void ChapterCollector::add(size_t tag, std::string title) {
    if (context_.firstPass) {
        table_.push_back({static_cast<uint32_t>(tag), std::move(title)});
    }
    ++count_;
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
    if (context_.firstPass && !table_.empty()) {
        table_.pop_back();
    }
    if (count_ > 0) {
        --count_;
    }
}

void ChapterCollector::finish() {
    std::set<std::pair<uint32_t, std::string>> kept;
    ChapterTable finished;
    finished.reserve(table_.size());
    for (auto& entry : table_) {
        if (entry.title.empty()) {
            continue;
        }
        if (!kept.insert({entry.position, entry.title}).second) {
            continue;
        }
        finished.push_back(std::move(entry));
    }
    table_ = std::move(finished);
}

} // namespace quillery
