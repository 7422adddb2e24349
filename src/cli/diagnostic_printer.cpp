#include "cli/diagnostic_printer.h"

#include "framework/windows1252.h"

namespace quillery::cli {
namespace {

const char* levelName(ReportLevel level) {
    switch (level) {
    case ReportLevel::Error:
        return "error";
    case ReportLevel::Warning:
        return "warning";
    case ReportLevel::Note:
        break;
    }
    return "note";
}

} // namespace

std::string jsonString(std::string_view utf8) {
    std::string out = "\"";
    for (char c : utf8) {
        auto byte = static_cast<uint8_t>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (byte < 0x20 || byte == 0x7F) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

std::string reportTextUtf8(const Report& report) {
    std::string out;
    size_t at = 0;
    for (const TextSpan& path : report.paths) {
        if (path.offset < at || path.offset + path.length > report.text.size()) {
            continue;
        }
        out += windows1252ToUtf8(report.text.substr(at, path.offset - at));
        out += report.text.substr(path.offset, path.length);
        at = path.offset + path.length;
    }
    return out + windows1252ToUtf8(report.text.substr(at));
}

std::string formatHumanLine(const std::string& file, const Report& report) {
    std::string line = file;
    if (!report.part.empty()) {
        // The place lies inside the source: "book.epub: warning: OEBPS/text.xhtml:12: ..." keeps the
        // PART:LINE[:COL] form editors read.
        line += ": ";
        line += levelName(report.level);
        line += ": ";
        line += report.part;
        if (report.place) {
            line += ':' + std::to_string(report.place->line);
            if (report.place->column > 0) {
                line += ':' + std::to_string(report.place->column);
            }
        }
        line += ": ";
        line += reportTextUtf8(report);
        if (line.back() != '\n') {
            line += '\n';
        }
        return line;
    }
    if (report.place) {
        line += ':';
        line += std::to_string(report.place->line);
        line += ':';
        line += std::to_string(report.place->column);
    }
    line += ": ";
    line += levelName(report.level);
    line += ": ";
    line += reportTextUtf8(report);
    if (line.back() != '\n') {
        line += '\n';
    }
    return line;
}

std::string formatJsonLine(const std::string& file, const Report& report) {
    std::string line = "{\"level\": \"";
    line += levelName(report.level);
    line += "\", \"text\": " + jsonString(reportTextUtf8(report));
    line += ", \"file\": " + jsonString(file);
    if (!report.part.empty()) {
        line += ", \"part\": " + jsonString(report.part);
    }
    if (report.place) {
        line += ", \"line\": " + std::to_string(report.place->line);
        if (report.part.empty() || report.place->column > 0) {
            line += ", \"column\": " + std::to_string(report.place->column);
        }
    }
    return line + "}\n";
}

DiagnosticPrinter::DiagnosticPrinter(DiagnosticsFormat format, bool verbose, FILE* human, FILE* json)
    : format_(format), verbose_(verbose), human_(human), json_(json) {
    auto handler = [this](const Report& report) { return print(report); };
    setErrorHandler(handler);
    setWarningHandler(handler);
    setNoteHandler(handler);
}

void DiagnosticPrinter::setFile(std::string file) {
    file_ = std::move(file);
    errors_ = 0;
    warnings_ = 0;
}

int DiagnosticPrinter::print(const Report& report) {
    errors_ += report.level == ReportLevel::Error ? 1 : 0;
    warnings_ += report.level == ReportLevel::Warning ? 1 : 0;
    if (format_ == DiagnosticsFormat::Json) {
        std::string line = formatJsonLine(file_, report);
        std::fputs(line.c_str(), json_);
        return 0;
    }
    if (report.level == ReportLevel::Note && !verbose_) {
        return 0;
    }
    std::string line = formatHumanLine(file_, report);
    std::fwrite(line.data(), 1, line.size(), human_);
    return 0;
}

} // namespace quillery::cli
