#pragma once

#include <string>
#include <vector>

namespace quillery::bench {

// Hostile sources whose cost once grew faster than their size: each built at two sizes, one twice the
// other, with the time and peak memory of both and their ratios (linear growth: about 2). `only` names the
// cases to run; empty runs them all.
void runCostBench(const std::vector<std::string>& only);

} // namespace quillery::bench
