// A console reporter that remembers each benchmark's time, so a program can print ratios to its
// baseline measured in the same run.
#pragma once

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <array>
#include <map>
#include <string>
#include <vector>

namespace sitefinch::bench {

class CRatioReporter : public benchmark::ConsoleReporter {
public:
    // Colours only on a terminal, so that redirected output stays plain text.
    CRatioReporter()
        : benchmark::ConsoleReporter(isatty(STDOUT_FILENO) != 0 ? OO_Defaults : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) {
                continue;
            }
            const std::string& sName = run.run_name.function_name;
            if (run.run_type == Run::RT_Iteration) {
                for (const auto& [sCounter, counter] : run.counters) {
                    m_counters[sName][sCounter] = counter.value;
                }
            }
            for (const Clock clock : {Clock::kCpu, Clock::kWall}) {
                const double dTime =
                    clock == Clock::kCpu ? run.GetAdjustedCPUTime() : run.GetAdjustedRealTime();
                if (run.run_type == Run::RT_Aggregate) {
                    m_aggregates[static_cast<int>(clock)][sName][run.aggregate_name] = dTime;
                } else if (run.run_type == Run::RT_Iteration) {
                    m_iterations[static_cast<int>(clock)][sName] = dTime;
                }
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // CPU time is steadier on a shared machine; wall time is what a person waits for a window.
    enum class Clock { kCpu, kWall };

    // Time per iteration of the benchmark registered under sName, CPU time unless told: of its
    // repetitions, when it has several, the aggregate sAggregate ("min" when it was computed,
    // else "median"); 0 if it did not run (filtered out or failed).
    double Time(const std::string& sName, const std::string& sAggregate = "",
                Clock clock = Clock::kCpu) const {
        const auto& aggregates = m_aggregates[static_cast<int>(clock)];
        const auto it = aggregates.find(sName);
        if (it != aggregates.end()) {
            for (const std::string& sWanted : sAggregate.empty()
                                                  ? std::vector<std::string>{"min", "median"}
                                                  : std::vector<std::string>{sAggregate}) {
                if (const auto found = it->second.find(sWanted); found != it->second.end()) {
                    return found->second;
                }
            }
            return 0.0;
        }
        const auto& iterations = m_iterations[static_cast<int>(clock)];
        const auto single = iterations.find(sName);
        return single == iterations.end() ? 0.0 : single->second;
    }

    // The value of a benchmark's counter in its last run, 0 when there is none.
    double Counter(const std::string& sName, const std::string& sCounter) const {
        const auto it = m_counters.find(sName);
        if (it == m_counters.end()) {
            return 0.0;
        }
        const auto found = it->second.find(sCounter);
        return found == it->second.end() ? 0.0 : found->second;
    }

    // Prints "label: ratio (target <= limit)" when both ran, from the times Time() gives.
    void PrintRatio(const std::string& sLabel, const std::string& sMeasured,
                    const std::string& sBaseline, double dLimit, const std::string& sAggregate = "",
                    Clock clock = Clock::kCpu) const {
        const double dMeasured = Time(sMeasured, sAggregate, clock);
        const double dBaseline = Time(sBaseline, sAggregate, clock);
        if (dMeasured <= 0.0 || dBaseline <= 0.0) {
            return;
        }
        const double dRatio = dMeasured / dBaseline;
        GetOutputStream() << sLabel << ": " << dRatio << " (target <= " << dLimit << ", "
                          << (dRatio <= dLimit ? "met" : "NOT met") << ")\n";
    }

private:
    std::map<std::string, std::map<std::string, double>> m_counters;
    // Indexed by Clock.
    std::array<std::map<std::string, std::map<std::string, double>>, 2> m_aggregates;
    std::array<std::map<std::string, double>, 2> m_iterations;
};

}  // namespace sitefinch::bench
