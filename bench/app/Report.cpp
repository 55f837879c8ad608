#include "Report.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <vector>

namespace benchapp {

namespace {

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The nearest-rank 95th percentile: no more than one in twenty values lies above it.
double percentile95(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t rank = (values.size() * 95 + 99) / 100;
    return values[std::max<std::size_t>(rank, 1) - 1];
}

struct Row {
    const char *key;
    const char *label;
    std::function<std::string(const std::map<std::string, std::vector<double>> &)> target;
};

} // namespace

int printReport(const std::string &resultsPath) {
    std::ifstream results(resultsPath);
    if (!results) {
        std::fprintf(stderr, "bench_app_driver: cannot read %s\n", resultsPath.c_str());
        return 1;
    }
    std::map<std::string, std::vector<double>> values;
    std::vector<std::string> notes;
    // Idle phase → thread name → run → wakeups and CPU ms, threads of one name added up.
    std::map<std::string, std::map<std::string, std::map<int, std::pair<double, double>>>> threads;
    int run = 0;
    for (std::string line; std::getline(results, line);) {
        std::istringstream fields(line);
        std::string key;
        fields >> key;
        if (key == "note") {
            notes.push_back(line.substr(5));
        } else if (key == "run") {
            fields >> run;
        } else if (key.size() > 7 && key.compare(key.size() - 7, 7, "_thread") == 0) {
            double wakeups = 0;
            double cpu = 0;
            std::string name;
            fields >> wakeups >> cpu;
            std::getline(fields >> std::ws, name);
            auto &sum = threads[key.substr(0, key.size() - 7)][name][run];
            sum.first += wakeups;
            sum.second += cpu;
        } else {
            double value = 0;
            if (fields >> value)
                values[key].push_back(value);
        }
    }

    const auto pngPlus40 = [](const std::map<std::string, std::vector<double>> &all) {
        const auto png = all.find("shots_png_mb");
        if (png == all.end())
            return std::string();
        char text[64];
        std::snprintf(text, sizeof text, "<= %.0f (PNG %.1f + 40)", median(png->second) + 40,
                      median(png->second));
        return std::string(text);
    };
    const auto none = [](const auto &) { return std::string(); };
    const auto is = [](const char *text) {
        return [text](const auto &) { return std::string(text); };
    };
    const std::vector<Row> rows{
        {"startup_ms", "start-up to shortcut registered, ms", none},
        {"start_rss_mb", "RSS 5 s after start, MB", none},
        {"start_pss_mb", "PSS 5 s after start, MB", none},
        {"start_dirty_mb", "  written by it alone (Private_Dirty), MB", none},
        {"texts_rss_mb", "RSS after 50 texts of 100 KB, MB", none},
        {"texts_pss_mb", "PSS after 50 texts of 100 KB, MB", none},
        {"texts_dirty_mb", "  written by it alone (Private_Dirty), MB", none},
        {"shots_rss_mb", "RSS after 20 4K screenshots, MB", pngPlus40},
        {"shots_pss_mb", "PSS after 20 4K screenshots, MB", pngPlus40},
        {"shots_dirty_mb", "  written by it alone (Private_Dirty), MB", none},
        {"shots_png_mb", "  their stored PNG bytes, MB", none},
        {"idle_empty_cpu_ms", "idle minute, empty history: CPU ms", is("<= 5")},
        {"idle_empty_wakeups", "idle minute, empty history: wakeups", is("<= 2")},
        {"idle_full_cpu_ms", "idle minute, 50 entries: CPU ms", is("<= 5")},
        {"idle_full_wakeups", "idle minute, 50 entries: wakeups", is("<= 2")},
        {"copy_first_request_ms", "copy -> first request (any target), ms", none},
        {"copy_data_request_ms", "copy -> first data request, ms", none},
        {"copy_recorded_ms", "copy -> entry recorded, ms", is("median <= 10")},
        {"ingest_text_cpu_ms", "ingest 20 MB text: CPU ms", none},
        {"ingest_text_peak_mb", "ingest 20 MB text: peak RSS, MB", is("< 200")},
        {"ingest_text_recorded_ms", "ingest 20 MB text: copy -> recorded, ms", none},
        {"ingest_shot_cpu_ms", "ingest 4K screenshot: CPU ms", none},
        {"ingest_shot_peak_mb", "ingest 4K screenshot: peak RSS, MB", none},
        {"ingest_shot_recorded_ms", "ingest 4K screenshot: copy -> recorded, ms", none},
        {"popup_ms", "shortcut -> popup painted, every opening, ms", is("p50 <= 10, p95 <= 16")},
        {"popup_first_ms", "  of which the first opening, ms", none},
        {"popup_after_copy_ms", "shortcut -> popup painted, after a new copy, ms",
         is("p50 <= 10, p95 <= 16")},
        {"popup_command_ms", "tallowquill --popup -> popup painted, ms", none},
    };

    for (const std::string &note : notes)
        std::printf("%s\n", note.c_str());
    std::printf("\n%-48s %9s %9s %9s %9s %4s  %s\n", "figure", "median", "p95", "min", "max", "n",
                "target");
    for (const Row &row : rows) {
        const auto found = values.find(row.key);
        if (found == values.end())
            continue;
        const std::vector<double> &all = found->second;
        std::printf("%-48s %9.1f %9.1f %9.1f %9.1f %4zu  %s\n", row.label, median(all),
                    percentile95(all), *std::min_element(all.begin(), all.end()),
                    *std::max_element(all.begin(), all.end()), all.size(),
                    row.target(values).c_str());
    }
    for (const auto &[phase, names] : threads) {
        const std::size_t runs = values[phase + "_cpu_ms"].size();
        std::printf("\n%s, by thread (median of %zu runs):\n", phase.c_str(), runs);
        for (const auto &[name, byRun] : names) {
            std::vector<double> wakeups(runs, 0);
            std::vector<double> cpu(runs, 0);
            std::size_t i = 0;
            for (const auto &[number, sums] : byRun) {
                if (i < runs) {
                    wakeups[i] = sums.first;
                    cpu[i] = sums.second;
                }
                ++i;
            }
            std::printf("  %-40s %7.0f wakeups %8.2f ms\n", name.c_str(), median(wakeups),
                        median(cpu));
        }
    }
    return 0;
}

} // namespace benchapp
