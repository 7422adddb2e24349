// Verdict: what a stage of a build returns. Failures are values, never exceptions; the stage that fails has
// already reported why.
#pragma once

namespace quillery {

enum class [[nodiscard]] Verdict{Ok, Failed};

inline bool failed(Verdict verdict) {
    return verdict == Verdict::Failed;
}

} // namespace quillery
