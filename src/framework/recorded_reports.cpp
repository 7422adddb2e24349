#include "framework/recorded_reports.h"

namespace quillery {

int RecordedReports::report(const Report& report) {
    reports_.push_back(
        {report.level, std::string(report.text), report.place, report.paths, std::string(report.part)});
    errors_ += report.level == ReportLevel::Error ? 1 : 0;
    warnings_ += report.level == ReportLevel::Warning ? 1 : 0;
    return 0;
}

void RecordedReports::replay(DiagnosticSink& sink) const {
    for (const Kept& kept : reports_) {
        (void)sink.report(Report{kept.level, kept.text, kept.place, kept.paths, kept.part});
    }
}

} // namespace quillery
