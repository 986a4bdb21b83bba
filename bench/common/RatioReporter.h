#pragma once
// A console reporter that also keeps every run's counters, so a benchmark program can print, after
// all runs, the ratio of each figure of ours to its anchor measured in the same run.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace TarvexBench {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    struct Ratio {
        std::string title;
        std::string ours;  // registered benchmark names
        std::string anchor;
        std::string counter;
        bool higherIsBetter;  // the ratio is printed so that above 1 means "ours is better"
    };

    // Colour only on a terminal: CI logs stay plain text.
    RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            // Of repeated runs only the median counts: one slow or lucky repetition decides nothing.
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Aggregate && !median) continue;
            for (const auto& [name, counter] : run.counters) m_values[run.benchmark_name()][name] = counter.value;
            if (median) m_medians.insert(run.benchmark_name());
        }
    }

    // The median of the runs whose name begins with `prefix` when they were repeated, else the
    // first such run (the library appends "/iterations:..." and the like to the registered name).
    double Value(const std::string& prefix, const std::string& counter) const {
        const std::map<std::string, double>* found = nullptr;
        for (const auto& [name, counters] : m_values) {
            if (name.compare(0, prefix.size(), prefix) != 0) continue;
            if (m_medians.count(name)) {
                found = &counters;
                break;
            }
            if (!found) found = &counters;
        }
        if (!found) return 0;
        auto c = found->find(counter);
        return c == found->end() ? 0 : c->second;
    }

    void PrintRatios(const std::vector<Ratio>& ratios) const {
        std::printf("\n%-52s %14s %14s %9s\n", "figure (ratio > 1: ours better)", "ours", "anchor", "ratio");
        for (const Ratio& r : ratios) {
            const double ours = Value(r.ours, r.counter), anchor = Value(r.anchor, r.counter);
            const std::string title = r.title + " [" + r.counter + "]";
            if (ours <= 0 || anchor <= 0) {
                std::printf("%-52s %14s %14s %9s\n", title.c_str(), "n/a", "n/a", "n/a");
                continue;
            }
            const double ratio = r.higherIsBetter ? ours / anchor : anchor / ours;
            std::printf("%-52s %14.3f %14.3f %9.3f\n", title.c_str(), ours, anchor, ratio);
        }
    }

private:
    std::map<std::string, std::map<std::string, double>> m_values;
    std::set<std::string> m_medians;
};

}  // namespace TarvexBench
