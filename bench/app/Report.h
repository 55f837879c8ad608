#pragma once

#include <string>

namespace benchapp {

// The tables of bench/app/run: every figure of the results file as median, 95th percentile, min
// and max over the runs (or over every sample, for the per-copy and per-opening ones), beside
// its target; then, given a second file, its figures from Wayland, beside the X11 medians.
int printReport(const std::string &resultsPath, const std::string &waylandPath = {});

} // namespace benchapp
