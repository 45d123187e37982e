// What the benchmark programs share: offscreen drawing and a reporter that keeps medians.
#pragma once

#include <benchmark/benchmark.h>

#include <QtGlobal>
#include <map>
#include <string>
#include <vector>

namespace orvr::bench {

// The benchmarks draw; without a display they draw offscreen.
inline void PreferOffscreen() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
}

// Keeps the median of each benchmark when repeated, else its only run.
class MedianRecorder : public benchmark::ConsoleReporter {
  public:
    std::map<std::string, Run> runs;
    void ReportRuns(const std::vector<Run>& reported) override {
        ConsoleReporter::ReportRuns(reported);
        for (const Run& run : reported) {
            if (run.error_occurred) {
                continue;
            }
            const std::string name = run.run_name.function_name;
            if (run.run_type == Run::RT_Aggregate ? run.aggregate_name == "median"
                                                  : runs.count(name) == 0) {
                runs[name] = run;
            }
        }
    }
    const Run* find(const std::string& name) const {
        const auto it = runs.find(name);
        return it == runs.end() ? nullptr : &it->second;
    }
};

}  // namespace orvr::bench
