#include "convert/markup_writer.h"

namespace quillery::convert {

void MarkupWriter::at(SourcePlace place) {
    // Places the parser does not know (line 0) keep the last one.
    if (place.line > 0 && place.column > 0) {
        place_ = place;
    }
}

void MarkupWriter::flush() {
    if (pending_ != Separation::None && !out_.empty()) {
        places_.mark(out_.size(), place_, part_);
        out_ += pending_ == Separation::BlankLine ? "\n\n" : "\n";
    }
    pending_ = Separation::None;
}

void MarkupWriter::text(std::string_view utf8, TextMode mode) {
    flush();
    places_.mark(out_.size(), place_, part_);
    appendDeviceText(out_, utf8, mode, notices_, place_);
}

void MarkupWriter::markup(std::string_view tags) {
    flush();
    places_.mark(out_.size(), place_, part_);
    out_ += tags;
}

void MarkupWriter::lineEnd() {
    markup("\n");
}

void MarkupWriter::toggle(int& depth, bool on, std::string_view tag) {
    if (on ? depth++ == 0 : --depth == 0) {
        markup(tag);
    }
}

void MarkupWriter::style(Style style, bool on) {
    switch (style) {
    case Style::Italic:
        return toggle(italic_, on, "\\i");
    case Style::Bold:
        return toggle(bold_, on, "\\B");
    case Style::Overstrike:
        return toggle(overstrike_, on, "\\o");
    case Style::Underline:
        return toggle(underline_, on, "\\u");
    case Style::Superscript:
        return toggle(superscript_, on, "\\Sp");
    case Style::Subscript:
        return toggle(subscript_, on, "\\Sb");
    }
}

void MarkupWriter::indent(bool on) {
    // Closing comes right after the block's last line, before its separation.
    if (!on && indent_ == 1) {
        places_.mark(out_.size(), place_, part_);
        out_ += "\\t";
        indent_ = 0;
        return;
    }
    toggle(indent_, on, "\\t");
}

void MarkupWriter::closeBlock(std::string_view tags) {
    places_.mark(out_.size(), place_, part_);
    out_ += tags;
}

void MarkupWriter::endBlock(Separation separation) {
    if (separation > pending_) {
        pending_ = separation;
    }
}

} // namespace quillery::convert
