#include "markup/scanner.h"

#include "markup/rule_indent.h"
#include "markup/title_text.h"

#include <array>

namespace quillery {
namespace {

enum ByteClass : uint8_t { Ordinary, LineEnd, BreakCharacter, Backslash };

constexpr std::array<uint8_t, 256> kByteClasses = [] {
    std::array<uint8_t, 256> classes{};
    classes['\n'] = LineEnd;
    classes['\r'] = LineEnd;
    classes[' '] = BreakCharacter;
    classes['-'] = BreakCharacter;
    classes['_'] = BreakCharacter;
    classes['\\'] = Backslash;
    return classes;
}();

constexpr const char* kIllegalControlCode = "Illegal control code starting at \"\\%s\"";

} // namespace

Scanner::Scanner(std::string_view text, const std::string& imageFolder, const RecordBuffer& textRecordStarts,
                 BookTables& tables, uint32_t flags)
    : text_(text), tables_(tables), dictionary_((flags & 2) != 0), recordPages_((flags & 3) == 0),
      report_(text), context_{text, textRecordStarts, report_}, layout_(text, textRecordStarts),
      chapters_(context_, tables.chapters, tables.chaptersNotKept), index_(context_, tables.index),
      links_(context_, tables.links, tables.linksNotKept), references_(context_, tables.sidebars, tables.footnotes),
      images_(context_, tables.images, imageFolder) {
    context_.dictionary = dictionary_;
}

Verdict Scanner::run() {
    runPass(true);
    if (!dictionary_) {
        runPass(false);
    }
    finish();
    return report_.errorSeen() ? Verdict::Failed : Verdict::Ok;
}

size_t Scanner::scanFirstTag() {
    startPass(true);
    ScanStyle before = style_;
    return layout_.step(scanTag(0), 0, before);
}

void Scanner::startPass(bool firstPass) {
    report_.setFirstPass(firstPass);
    context_.firstPass = firstPass;
    normalFont_ = firstPass ? kFontSmall : kFontLarge;
    report_.note(firstPass ? "Generating page tables for the small font..."
                           : "Generating page tables for the large font...");
    style_ = ScanStyle{};
    style_.font = normalFont_;
    chapters_.startPass();
    PageTable* pages = nullptr;
    if (recordPages_) {
        pages = firstPass ? &tables_.smallPages : &tables_.largePages;
    }
    layout_.startPass(&style_, pages, &chapters_);
}

void Scanner::runPass(bool firstPass) {
    startPass(firstPass);

    const auto* bytes = reinterpret_cast<const uint8_t*>(text_.data());
    const size_t end = text_.size();
    auto isOrdinary = [](uint8_t byte) { return kByteClasses[byte] == Ordinary; };
    size_t pos = 0;
    while (pos < end) {
        size_t start = pos;
        ScanStyle before = style_;
        switch (kByteClasses[bytes[pos]]) {
        case Ordinary:
            if (invisible()) {
                ++pos;
            } else if (pos + 1 < end) {
                pos = layout_.measureText(pos);
                start = pos - 1;
            } else {
                layout_.measureCharacter(bytes[pos]);
                ++pos;
            }
            break;
        case LineEnd:
            if (!invisible()) {
                layout_.lineEnd();
            }
            ++pos;
            break;
        case BreakCharacter:
            if (invisible()) {
                ++pos;
            } else if (bytes[pos] == ' ' && !layout_.spaceRunOpen() && pos + 1 < end &&
                       isOrdinary(bytes[pos + 1])) {
                pos = layout_.measureText(pos);
                start = pos - 1;
            } else {
                layout_.breakCharacter(pos);
                ++pos;
            }
            break;
        default:
            pos = scanTag(pos);
            break;
        }
        pos = layout_.step(pos, start, before);
    }
    if (recordPages_) {
        (firstPass ? tables_.smallPagesNotKept : tables_.largePagesNotKept) = layout_.pagesNotKept();
    }
    if (style_.font != normalFont_) {
        report_.error(end, "This file does not end in the normal font!");
    }
}

void Scanner::align(size_t tag, uint16_t alignment) {
    if (style_.alignment == alignment) {
        style_.alignment = 0;
        return;
    }
    if (style_.alignment != 0) {
        report_.excerptWarning(tag, "Should close alignment tag before switching to another, before \"%s\"",
                               static_cast<int64_t>(tag), 30);
    }
    style_.alignment = alignment;
}

size_t Scanner::heading(size_t tag, char letter) {
    layout_.recordBreakPoint(tag);
    if (style_.inHeading) {
        style_.inHeading = false;
        return context_.clip(tag + (letter == 'X' ? 3 : 2));
    }
    if (letter == 'x') {
        layout_.pageBreak();
    }
    size_t tagLength = chapters_.openHeading(tag, letter);
    style_.inHeading = true;
    if (letter == 'X') {
        layout_.markChapterOnLine();
    }
    // The step appends the page entry at the tag itself, then resumes right after it.
    layout_.markHeadingOpened(tagLength);
    return tag;
}

size_t Scanner::scanTag(size_t tag) {
    const size_t end = text_.size();
    if (tag + 1 >= end) {
        report_.excerptError(tag, kIllegalControlCode, static_cast<int64_t>(tag) + 1, 40);
        return end;
    }
    char letter = text_[tag + 1];
    switch (letter) {
    case '\\':
        if (!invisible()) {
            layout_.measureCharacter('\\');
        }
        return tag + 2;
    case '-':
        layout_.softHyphen(tag + 2);
        return tag + 2;
    case 'a': {
        uint8_t code = decimalCharacter(context_, tag);
        if (!invisible()) {
            layout_.measureCharacter(code);
        }
        return context_.clip(tag + 5);
    }
    case 'U':
        readUnicodeDigits(context_, tag);
        if (!invisible()) {
            layout_.closeSpaceRun();
            layout_.addBox(Layout::kUnicodeWidth, Layout::kUnicodeHeight);
        }
        return context_.clip(tag + 6);
    case 'n':
        style_.font = normalFont_;
        return tag + 2;
    case 's':
        setFont(kFontSmall);
        return tag + 2;
    case 'b':
        if (seenBigB_ && !seenSmallB_) {
            report_.error(tag, "You can't use \\b and \\B in the same file.");
        }
        seenSmallB_ = true;
        setFont(kFontBold);
        return tag + 2;
    case 'l':
        setFont(kFontLarge);
        return tag + 2;
    case 'B':
        if (seenSmallB_ && !seenBigB_) {
            report_.error(tag, "You can't use \\b and \\B in the same file.");
        }
        seenBigB_ = true;
        toggle(kStyleBoldWeight);
        return tag + 2;
    case 'i':
        toggle(kStyleItalic);
        return tag + 2;
    case 'u':
        toggle(kStyleUnderline);
        return tag + 2;
    case 'o':
        toggle(kStyleOverstrike);
        return tag + 2;
    case 'v':
        toggle(kStyleInvisible);
        return tag + 2;
    case 't':
        toggle(kStyleIndent);
        layout_.indentChanged((style_.style & kStyleIndent) != 0);
        return tag + 2;
    case 'c':
        align(tag, 1);
        return tag + 2;
    case 'r':
        align(tag, 2);
        return tag + 2;
    case 'p':
        layout_.pageBreak();
        return tag + 2;
    case 'd':
        layout_.moveDown();
        return tag + 2;
    case 'x':
    case 'X':
        return heading(tag, letter);
    case 'C': {
        uint32_t before = chapters_.count();
        size_t resume = chapters_.chapterTag(tag);
        if (chapters_.count() > before) {
            layout_.markChapterOnLine();
        }
        return resume;
    }
    case 'I':
        if (!dictionary_) {
            report_.excerptError(tag, kIllegalControlCode, static_cast<int64_t>(tag) + 1, 40);
            return tag + 2;
        }
        if (style_.inIndex) {
            style_.inIndex = false;
            return tag + 2;
        }
        if (style_.alignment != 0 || style_.style != 0) {
            report_.excerptError(tag, "No styles permitted before \"%s\"", static_cast<int64_t>(tag), 20);
            style_.alignment = 0;
            style_.style = 0;
        }
        style_.inIndex = true;
        return index_.openItem(tag);
    case 'q': {
        size_t resume = tag + 2;
        if (!(style_.style & kStyleReference)) {
            resume = links_.reference(tag);
        }
        toggle(kStyleReference);
        return resume;
    }
    case 'Q':
        return links_.anchor(tag);
    case 'F': {
        if (tag + 2 >= end || text_[tag + 2] != 'n') {
            return tag + 2;
        }
        size_t resume = tag + 3;
        if (!(style_.style & kStyleReference)) {
            resume = references_.open(tag, ReferenceKind::Footnote);
        }
        toggle(kStyleReference);
        return resume;
    }
    case 'S': {
        if (tag + 2 >= end) {
            report_.excerptError(tag, "Illegal control code: \\%s", static_cast<int64_t>(tag) + 1, 2);
            return end;
        }
        switch (text_[tag + 2]) {
        case 'p':
            if ((style_.style & kStyleSubscript) && !(style_.style & kStyleSuperscript)) {
                report_.error(tag, "Can't have superscript and subscript at the same time!");
            }
            toggle(kStyleSuperscript);
            return tag + 3;
        case 'b':
            if ((style_.style & kStyleSuperscript) && !(style_.style & kStyleSubscript)) {
                report_.error(tag, "Can't have superscript and subscript at the same time!");
            }
            toggle(kStyleSubscript);
            return tag + 3;
        case 'd': {
            if (style_.style & kStyleReference) {
                toggle(kStyleReference);
                return tag + 3;
            }
            layout_.recordBreakPoint(tag);
            size_t resume = references_.open(tag, ReferenceKind::Sidebar);
            toggle(kStyleReference);
            layout_.addBox(Layout::kReferenceIcon, Layout::kReferenceIcon);
            layout_.measure(' ');
            return resume;
        }
        default:
            report_.excerptError(tag, "Illegal control code: \\%s", static_cast<int64_t>(tag) + 1, 2);
            return tag + 3;
        }
    }
    case 'm': {
        layout_.recordBreakPoint(tag);
        ImagePlacement placement = images_.image(tag, layout_.lineStartX());
        layout_.addBox(placement.width, placement.height);
        return placement.resume;
    }
    case 'w': {
        layout_.recordBreakPoint(tag);
        PercentArgument rule = readRule(context_, tag);
        if (rule.acts) {
            layout_.setX(xAfterRule(layout_.x()));
        }
        return rule.resume;
    }
    case 'T': {
        layout_.recordBreakPoint(tag);
        PercentArgument indent = readIndent(context_, tag);
        if (indent.acts) {
            layout_.setX(xAfterIndent(context_, tag, indent.value, layout_.x()));
        }
        layout_.recordBreakPoint(indent.resume);
        return indent.resume;
    }
    default:
        report_.excerptError(tag, kIllegalControlCode, static_cast<int64_t>(tag) + 1, 40);
        return tag + 2;
    }
}

void Scanner::finish() {
    // In this order: images, links, chapters, sidebar then footnote references, index.
    images_.finish();
    links_.finish();
    chapters_.finish();
    references_.finish();
    index_.finish();
}

} // namespace quillery
