#include "convert/notices.h"

#include <algorithm>
#include <cstdarg>
#include <optional>
#include <vector>

namespace quillery::convert {
namespace {

struct NoticeText {
    ReportLevel level;
    const char* format; // one %zu: how many
};

constexpr std::array<NoticeText, kNoticeKinds> kTexts = {{
    {ReportLevel::Warning, "The text is not valid UTF-8 here; such bytes became \"?\" (%zu in the file)."},
    {ReportLevel::Warning,
     "Characters beyond U+FFFF cannot be shown on the device and became \"?\" (%zu in the file)."},
    {ReportLevel::Warning,
     "Chapter titles cannot hold this character; such heading characters became ASCII letters "
     "or \"?\" (%zu in the file)."},
    {ReportLevel::Warning,
     "Tables cannot be shown on the device and are kept as plain text (%zu in the file)."},
    {ReportLevel::Warning,
     "Raw HTML cannot be shown on the device and was dropped (%zu pieces in the file)."},
    {ReportLevel::Warning,
     "Task lists cannot be shown on the device; their boxes are kept as plain text (%zu items in "
     "the file)."},
    {ReportLevel::Note,
     "Links to other documents cannot be followed on the device; they keep their text only (%zu "
     "in the file)."},
    {ReportLevel::Warning,
     "Tables cannot be shown on the device and are kept as plain text (%zu in the book)."},
    {ReportLevel::Warning, "Forms cannot be used on the device; only their text is kept (%zu in the book)."},
    {ReportLevel::Warning, "Scripts cannot run on the device and were dropped (%zu in the book)."},
    {ReportLevel::Warning, "SVG drawings cannot be shown on the device and were dropped (%zu in the book)."},
    {ReportLevel::Warning,
     "Mathematics (MathML) cannot be shown on the device and is kept as plain text (%zu in the book)."},
    {ReportLevel::Warning,
     "Sound, video and embedded objects cannot be shown on the device and were dropped (%zu in the book)."},
    {ReportLevel::Note,
     "Links out of the book cannot be followed on the device; they keep their text only (%zu in the book)."},
    {ReportLevel::Note,
     "Links to places outside the book's reading order keep their text only (%zu in the book)."},
}};

bool before(SourcePlace a, SourcePlace b) {
    return a.line != b.line ? a.line < b.line : a.column < b.column;
}

bool before(uint32_t partA, SourcePlace a, uint32_t partB, SourcePlace b) {
    return partA != partB ? partA < partB : before(a, b);
}

} // namespace

void Notices::add(Notice kind, SourcePlace place, size_t count) {
    Kind& entry = kinds_[static_cast<size_t>(kind)];
    if (count == 0) {
        return;
    }
    if (entry.count == 0 || before(part_, place, entry.part, entry.first)) {
        entry.first = place;
        entry.part = part_;
    }
    entry.count += count;
}

void Notices::report(const std::vector<std::string>* partNames) const {
    std::vector<size_t> order;
    for (size_t k = 0; k < kNoticeKinds; ++k) {
        if (kinds_[k].count > 0) {
            order.push_back(k);
        }
    }
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return before(kinds_[a].part, kinds_[a].first, kinds_[b].part, kinds_[b].first);
    });
    for (size_t k : order) {
        std::optional<PartScope> part;
        if (partNames != nullptr && kinds_[k].part < partNames->size()) {
            part.emplace((*partNames)[kinds_[k].part]);
        }
        reportAt(kTexts[k].level, kinds_[k].first, kTexts[k].format, kinds_[k].count);
    }
}

int PartScope::report(const Report& given) {
    if (!given.part.empty()) {
        return next_.report(given);
    }
    Report report = given;
    report.part = part_;
    return next_.report(report);
}

void reportAt(ReportLevel level, SourcePlace place, const char* format, ...) {
    va_list args;
    va_start(args, format);
    (void)vreport(level, place, format, args);
    va_end(args);
}

} // namespace quillery::convert
