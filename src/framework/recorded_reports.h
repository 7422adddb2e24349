// Reports kept in order, to be handed on later: work that runs beside other work records its reports, and
// they are handed on when their turn comes, as if that work had run alone (quillery-cli prints each source's
// reports together, in command-line order; a build hands on its pagination's reports after its text's).
#pragma once

#include "framework/diagnostics.h"

#include <optional>
#include <string>
#include <vector>

namespace quillery {

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
        std::string part;
    };
    std::vector<Kept> reports_;
    int errors_ = 0;
    int warnings_ = 0;
};

} // namespace quillery
