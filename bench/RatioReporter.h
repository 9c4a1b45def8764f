// A console reporter that remembers each benchmark's time, so a program can print ratios to its
// baseline measured in the same run.
#pragma once

#include <benchmark/benchmark.h>

#include <unistd.h>

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
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                m_times[sName] = run.GetAdjustedCPUTime();
                m_hasMedian[sName] = true;
            } else if (run.run_type == Run::RT_Iteration && !m_hasMedian[sName]) {
                m_times[sName] = run.GetAdjustedCPUTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // CPU time per iteration (steadier than wall time on a shared machine) of the benchmark
    // registered under sName, the median of its repetitions when it has several; 0 if it did
    // not run (filtered out or failed).
    double Time(const std::string& sName) const {
        const auto it = m_times.find(sName);
        return it == m_times.end() ? 0.0 : it->second;
    }

    // Prints "label: ratio (target <= limit)" when both ran.
    void PrintRatio(const std::string& sLabel, const std::string& sMeasured,
                    const std::string& sBaseline, double dLimit) const {
        const double dMeasured = Time(sMeasured);
        const double dBaseline = Time(sBaseline);
        if (dMeasured <= 0.0 || dBaseline <= 0.0) {
            return;
        }
        const double dRatio = dMeasured / dBaseline;
        GetOutputStream() << sLabel << ": " << dRatio << " (target <= " << dLimit << ", "
                          << (dRatio <= dLimit ? "met" : "NOT met") << ")\n";
    }

private:
    std::map<std::string, double> m_times;
    std::map<std::string, bool> m_hasMedian;
};

}  // namespace sitefinch::bench
