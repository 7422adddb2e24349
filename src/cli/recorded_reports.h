// The reports of a build kept in order, to be handed on later: builds that run side by side each record
// their own, and the run prints each source's reports together, in the order of the command line.
#pragma once

#include "framework/diagnostics.h"

#include <optional>
#include <string>
#include <vector>

namespace quillery::cli {

class RecordedReports final : public DiagnosticSink {
  public:
    int report(const Report& report) override;
    // Hands every report recorded so far to `sink`, in order.
    void replay(DiagnosticSink& sink) const;
    int errors() const { return errors_; }
    int warnings() const { return warnings_; }

  private:
    struct Kept {
        ReportLevel level;
        std::string text;
        std::optional<SourcePlace> place;
        std::vector<TextSpan> paths;
    };
    std::vector<Kept> reports_;
    int errors_ = 0;
    int warnings_ = 0;
};

} // namespace quillery::cli
