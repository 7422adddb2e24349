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
    : text_(text), tables_(tables), dictionary_((flags & kFlagDictionary) != 0),
      recordPages_((flags & (kFlagNoPageEntries | kFlagDictionary)) == 0),
      report_(text), context_{text, textRecordStarts, report_}, layout_(text, textRecordStarts),
      chapters_(context_, tables.chapters, tables.chaptersNotKept), index_(context_, tables.index),
      links_(context_, tables.links, tables.linksNotKept),
      references_(context_, tables.sidebars, tables.footnotes),
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
    report_.note(firstPass ? "Generating page tables for the small font..."
                           : "Generating page tables for the large font...");
    PageTable* pages = nullptr;
    if (recordPages_) {
        pages = firstPass ? &tables_.smallPages : &tables_.largePages;
    }
    preparePass(firstPass, firstPass ? kFontSmall : kFontLarge, pages);
}

void Scanner::preparePass(bool firstPass, uint16_t normalFont, PageTable* pages) {
    report_.setFirstPass(firstPass);
    context_.firstPass = firstPass;
    normalFont_ = normalFont;
    style_ = ScanStyle{};
    style_.font = normalFont_;
    chapters_.startPass();
    layout_.startPass(&style_, pages, &chapters_);
}

void Scanner::runPass(bool firstPass) {
    startPass(firstPass);
    scanLoop<false>(0);
    if (recordPages_) {
        (firstPass ? tables_.smallPagesNotKept : tables_.largePagesNotKept) = layout_.pagesNotKept();
    }
    if (style_.font != normalFont_) {
        report_.error(text_.size(), "This file does not end in the normal font!");
    }
}

void Scanner::setObservers(LayoutObserver* pages, LayoutObserver* lines, ScanObserver* items) {
    layout_.setObservers(pages, lines);
    observer_ = items;
}

void Scanner::runViewPass(uint16_t normalFont, PageTable* pages) {
    preparePass(false, normalFont, pages);
    // The build's own loop: the page observer is told each page as it starts.
    scanLoop<false>(0);
}

void Scanner::scanFrom(uint16_t normalFont, const LayoutCheckpoint& checkpoint, size_t resume) {
    report_.setFirstPass(false);
    context_.firstPass = false;
    normalFont_ = normalFont;
    layout_.resume(checkpoint, &style_, &chapters_);
    stopRequested_ = false;
    scanLoop<true>(resume);
}

template <bool kObserved> void Scanner::scanLoop(size_t pos) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text_.data());
    const size_t end = text_.size();
    auto isOrdinary = [](uint8_t byte) { return kByteClasses[byte] == Ordinary; };
    while (pos < end) {
        if constexpr (kObserved) {
            if (stopRequested_) {
                break;
            }
            lastTag_.placed = false;
            lastTag_.code = 0;
            lastTag_.height = 0;
        }
        size_t start = pos;
        [[maybe_unused]] const size_t itemStart = pos;
        [[maybe_unused]] const uint32_t xBefore = layout_.x();
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
        if constexpr (kObserved) {
            observeItem(itemStart, pos, xBefore, before);
        }
        pos = layout_.step<kObserved>(pos, start, before);
    }
}

template void Scanner::scanLoop<false>(size_t);
template void Scanner::scanLoop<true>(size_t);

void Scanner::observeItem(size_t start, size_t end, uint32_t xBefore, const ScanStyle& before) {
    if (observer_ == nullptr || end <= start) {
        return;
    }
    char first = text_[start];
    if (first == '\\') {
        if (start + 1 >= text_.size()) {
            return;
        }
        const TagSpec& tagSpec = tagAt(text_, start);
        lastTag_.kind = closesReference(tagSpec, before) ? TagKind::NoEffect : tagSpec.kind;
        lastTag_.start = start;
        lastTag_.end = end;
        lastTag_.styleBefore = before;
        lastTag_.xBefore = xBefore;
        lastTag_.xAfter = layout_.x();
        observer_->tagScanned(lastTag_);
    } else if (!isLineEnd(first) && (before.style & kStyleInvisible) == 0) {
        observer_->charactersMeasured(start, end, xBefore, before);
    }
}

void Scanner::align(size_t tag, uint16_t alignment) {
    if (style_.alignment == alignment) {
        style_.alignment = kAlignLeft;
        return;
    }
    if (style_.alignment != kAlignLeft) {
        report_.excerptWarning(tag, "Should close alignment tag before switching to another, before \"%s\"",
                               static_cast<int64_t>(tag), 30);
    }
    style_.alignment = alignment;
}

size_t Scanner::heading(size_t tag, const TagSpec& tagSpec) {
    if (style_.inHeading) {
        style_.inHeading = false;
        return context_.clip(tag + tagSpec.length);
    }
    if (tagSpec.kind == TagKind::Heading) {
        layout_.pageBreak();
    }
    size_t tagLength = chapters_.openHeading(tag, text_[tag + 1]);
    style_.inHeading = true;
    if (tagSpec.kind == TagKind::LevelHeading) {
        layout_.markChapterOnLine();
    }
    // The step appends the page entry at the tag itself, then resumes right after it.
    layout_.markHeadingOpened(tagLength);
    return tag;
}

size_t Scanner::indexItem(size_t tag, const TagSpec& tagSpec) {
    if (!dictionary_) {
        report_.excerptError(tag, kIllegalControlCode, static_cast<int64_t>(tag) + 1, 40);
        return tag + tagSpec.length;
    }
    if (style_.inIndex) {
        style_.inIndex = false;
        return tag + tagSpec.length;
    }
    if (style_.alignment != kAlignLeft || style_.style != 0) {
        report_.excerptError(tag, "No styles permitted before \"%s\"", static_cast<int64_t>(tag), 20);
        style_.alignment = kAlignLeft;
        style_.style = 0;
    }
    style_.inIndex = true;
    return index_.openItem(tag);
}

void Scanner::noteBoldTag(size_t tag, bool& seenThis, bool seenOther) {
    if (seenOther && !seenThis) {
        report_.error(tag, "You can't use \\b and \\B in the same file.");
    }
    seenThis = true;
}

void Scanner::toggleScript(size_t tag, uint16_t bit, uint16_t other) {
    if ((style_.style & other) && !(style_.style & bit)) {
        report_.error(tag, "Can't have superscript and subscript at the same time!");
    }
    toggle(bit);
}

size_t Scanner::scanTag(size_t tag) {
    const size_t end = text_.size();
    if (tag + 1 >= end) {
        report_.excerptError(tag, kIllegalControlCode, static_cast<int64_t>(tag) + 1, 40);
        return end;
    }
    const TagSpec& tagSpec = tagAt(text_, tag);
    // While a reference is open, a reference tag closes it bare, whatever follows.
    if (closesReference(tagSpec, style_)) {
        toggle(kStyleReference);
        return tag + tagSpec.length;
    }
    if (tagSpec.breaks != TagBreak::None) {
        layout_.recordBreakPoint(tag);
    }
    size_t resume = tagSpec.opens != TagOpens::Nothing || tagSpec.argument != TagArgument::None
                        ? scanDataTag(tag, tagSpec)
                        : scanStyleTag(tag, tagSpec);
    if (tagSpec.breaks == TagBreak::BeforeAndAfter) {
        layout_.recordBreakPoint(resume);
    }
    return resume;
}

size_t Scanner::scanStyleTag(size_t tag, const TagSpec& tagSpec) {
    const size_t bare = tag + tagSpec.length;
    switch (tagSpec.kind) {
    case TagKind::LiteralBackslash:
        if (!invisible()) {
            layout_.measureCharacter('\\');
            placeCharacter('\\');
        }
        return bare;
    case TagKind::SoftHyphen:
        layout_.softHyphen(bare);
        return bare;
    case TagKind::DecimalCharacter: {
        uint8_t code = decimalCharacter(context_, tag);
        if (!invisible()) {
            layout_.measureCharacter(code);
            placeCharacter(code);
        }
        return context_.clip(bare);
    }
    case TagKind::UnicodeCharacter: {
        uint32_t value = readUnicodeDigits(context_, tag);
        if (!invisible()) {
            layout_.closeSpaceRun();
            layout_.addBox(Layout::kUnicodeWidth, Layout::kUnicodeHeight);
            placeCharacter(static_cast<uint16_t>(value));
        }
        return context_.clip(bare);
    }
    case TagKind::NormalFont:
        style_.font = normalFont_;
        return bare;
    case TagKind::SmallFont:
        setFont(kFontSmall);
        return bare;
    case TagKind::BoldFont:
        noteBoldTag(tag, seenSmallB_, seenBigB_);
        setFont(kFontBold);
        return bare;
    case TagKind::LargeFont:
        setFont(kFontLarge);
        return bare;
    case TagKind::BoldWeight:
        noteBoldTag(tag, seenBigB_, seenSmallB_);
        toggle(kStyleBoldWeight);
        return bare;
    case TagKind::Italic:
        toggle(kStyleItalic);
        return bare;
    case TagKind::Underline:
        toggle(kStyleUnderline);
        return bare;
    case TagKind::Overstrike:
        toggle(kStyleOverstrike);
        return bare;
    case TagKind::Invisible:
        toggle(kStyleInvisible);
        return bare;
    case TagKind::IndentedBlock:
        toggle(kStyleIndent);
        layout_.indentChanged((style_.style & kStyleIndent) != 0);
        return bare;
    case TagKind::Centre:
        align(tag, kAlignCentre);
        return bare;
    case TagKind::Right:
        align(tag, kAlignRight);
        return bare;
    case TagKind::PageBreak:
        layout_.pageBreak();
        return bare;
    case TagKind::MoveDown:
        layout_.moveDown();
        return bare;
    case TagKind::Superscript:
        toggleScript(tag, kStyleSuperscript, kStyleSubscript);
        return bare;
    case TagKind::Subscript:
        toggleScript(tag, kStyleSubscript, kStyleSuperscript);
        return bare;
    case TagKind::NoEffect:
        return bare;
    case TagKind::IllegalSelection:
        report_.excerptError(tag, "Illegal control code: \\%s", static_cast<int64_t>(tag) + 1, 2);
        return context_.clip(bare);
    default:
        report_.excerptError(tag, kIllegalControlCode, static_cast<int64_t>(tag) + 1, 40);
        return bare;
    }
}

// The tags that open something or carry an argument. A reference tag reaches this only to open.
size_t Scanner::scanDataTag(size_t tag, const TagSpec& tagSpec) {
    switch (tagSpec.kind) {
    case TagKind::Heading:
    case TagKind::LevelHeading:
        return heading(tag, tagSpec);
    case TagKind::Chapter: {
        uint32_t before = chapters_.count();
        size_t resume = chapters_.chapterTag(tag);
        if (chapters_.count() > before) {
            layout_.markChapterOnLine();
        }
        return resume;
    }
    case TagKind::IndexItem:
        return indexItem(tag, tagSpec);
    case TagKind::LinkReference: {
        size_t resume = links_.reference(tag);
        toggle(kStyleReference);
        return resume;
    }
    case TagKind::Anchor:
        return links_.anchor(tag);
    case TagKind::FootnoteReference: {
        size_t resume = references_.open(tag, ReferenceKind::Footnote);
        toggle(kStyleReference);
        return resume;
    }
    case TagKind::SidebarReference: {
        size_t resume = references_.open(tag, ReferenceKind::Sidebar);
        toggle(kStyleReference);
        layout_.addBox(Layout::kReferenceIcon, Layout::kReferenceIcon);
        layout_.measure(' ');
        return resume;
    }
    case TagKind::Image: {
        ImagePlacement placement = images_.image(tag, layout_.lineStartX());
        layout_.addBox(placement.width, placement.height);
        lastTag_.placed = true;
        lastTag_.height = placement.height;
        return placement.resume;
    }
    case TagKind::Rule: {
        PercentArgument rule = readRule(context_, tag);
        if (rule.acts) {
            layout_.setX(xAfterRule(layout_.x()));
            lastTag_.placed = true;
        }
        return rule.resume;
    }
    case TagKind::Indent:
    default: {
        PercentArgument indent = readIndent(context_, tag);
        if (indent.acts) {
            layout_.setX(xAfterIndent(context_, tag, indent.value, layout_.x()));
            lastTag_.placed = true;
        }
        return indent.resume;
    }
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
