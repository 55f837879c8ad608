#pragma once

#include <string>

namespace benchapp {

// The table of bench/app/run: every figure of the results file as median, 95th percentile, min
// and max over the
// runs (or over every sample, for the per-copy and per-opening ones), beside its target.
int printReport(const std::string &resultsPath);

} // namespace benchapp
