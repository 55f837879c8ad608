#include "Report.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
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

using Values = std::map<std::string, std::vector<double>>;

struct Row {
    const char *key;
    const char *label;
    std::function<std::string(const Values &)> target;
};

struct Results {
    Values values;
    std::vector<std::string> notes;
    // Idle phase → thread name → run → wakeups and CPU ms, threads of one name added up.
    std::map<std::string, std::map<std::string, std::map<int, std::pair<double, double>>>> threads;
};

std::optional<Results> readResults(const std::string &path) {
    std::ifstream file(path);
    if (!file) {
        std::fprintf(stderr, "bench_app_driver: cannot read %s\n", path.c_str());
        return std::nullopt;
    }
    Results results;
    int run = 0;
    for (std::string line; std::getline(file, line);) {
        std::istringstream fields(line);
        std::string key;
        fields >> key;
        if (key == "note") {
            results.notes.push_back(line.substr(5));
        } else if (key == "run") {
            fields >> run;
        } else if (key.size() > 7 && key.compare(key.size() - 7, 7, "_thread") == 0) {
            double wakeups = 0;
            double cpu = 0;
            std::string name;
            fields >> wakeups >> cpu;
            std::getline(fields >> std::ws, name);
            auto &sum = results.threads[key.substr(0, key.size() - 7)][name][run];
            sum.first += wakeups;
            sum.second += cpu;
        } else {
            double value = 0;
            if (fields >> value)
                results.values[key].push_back(value);
        }
    }
    return results;
}

std::vector<Row> rows() {
    const auto pngPlus40 = [](const Values &all) {
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
    return {
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
        {"wl_paste_list_types_ms", "  for scale: wl-paste --list-types, start to end, ms", none},
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
        {"popup_command_first_ms", "  its first opening, the popup built then, ms", none},
    };
}

// One line a figure; the last column is the row's target, or what `last` makes of the row.
void printTable(const Results &results, const std::function<std::string(const Row &)> &last,
                const char *lastTitle) {
    for (const std::string &note : results.notes)
        std::printf("%s\n", note.c_str());
    std::printf("\n%-48s %9s %9s %9s %9s %4s  %s\n", "figure", "median", "p95", "min", "max", "n",
                lastTitle);
    for (const Row &row : rows()) {
        const auto found = results.values.find(row.key);
        if (found == results.values.end())
            continue;
        const std::vector<double> &all = found->second;
        std::printf("%-48s %9.1f %9.1f %9.1f %9.1f %4zu  %s\n", row.label, median(all),
                    percentile95(all), *std::min_element(all.begin(), all.end()),
                    *std::max_element(all.begin(), all.end()), all.size(), last(row).c_str());
    }
}

void printThreads(const Results &results, const char *backend) {
    for (const auto &[phase, names] : results.threads) {
        const auto cpu = results.values.find(phase + "_cpu_ms");
        const std::size_t runs = cpu == results.values.end() ? 0 : cpu->second.size();
        std::printf("\n%s%s, by thread (median of %zu runs):\n", phase.c_str(), backend, runs);
        for (const auto &[name, byRun] : names) {
            std::vector<double> wakeups(runs, 0);
            std::vector<double> cpuMs(runs, 0);
            std::size_t i = 0;
            for (const auto &[number, sums] : byRun) {
                if (i < runs) {
                    wakeups[i] = sums.first;
                    cpuMs[i] = sums.second;
                }
                ++i;
            }
            std::printf("  %-40s %7.0f wakeups %8.2f ms\n", name.c_str(), median(wakeups),
                        median(cpuMs));
        }
    }
}

} // namespace

int printReport(const std::string &resultsPath, const std::string &waylandPath) {
    const std::optional<Results> x11 = readResults(resultsPath);
    if (!x11)
        return 1;
    printTable(
        *x11, [&](const Row &row) { return row.target(x11->values); }, "target");
    if (!waylandPath.empty()) {
        const std::optional<Results> wayland = readResults(waylandPath);
        if (!wayland)
            return 1;
        std::printf("\nWayland, under a headless sway; copies are wl-copy's, timed from its "
                    "start, and the popup opens by tallowquill --popup only:\n");
        printTable(
            *wayland,
            [&](const Row &row) {
                const auto found = x11->values.find(row.key);
                if (found == x11->values.end())
                    return std::string();
                char text[32];
                std::snprintf(text, sizeof text, "%9.1f", median(found->second));
                return std::string(text);
            },
            "X11 median");
    }
    printThreads(*x11, "");
    if (!waylandPath.empty()) {
        if (const std::optional<Results> wayland = readResults(waylandPath))
            printThreads(*wayland, " on Wayland");
    }
    return 0;
}

} // namespace benchapp
