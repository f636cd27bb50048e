#pragma once
// Shared pieces of the benchmarks: a console reporter that also prints, after the
// run, each benchmark's CPU time as a ratio to the baseline named for it (CPU time:
// other work on the machine disturbs it less than wall time).

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace bench {

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  // Prints `name`'s time divided by `baseline`'s at the end of the run.
  void compare(std::string name, std::string baseline) {
    pairs_.emplace_back(std::move(name), std::move(baseline));
  }

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Iteration && !r.error_occurred)
        times_[r.benchmark_name()] = r.GetAdjustedCPUTime();
    ConsoleReporter::ReportRuns(runs);
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const auto& [name, base] : pairs_) {
      const auto a = find(name), b = find(base);
      if (a > 0 && b > 0)
        std::printf("ratio (CPU time) %s / %s = %.3f\n", name.c_str(), base.c_str(), a / b);
    }
  }

 private:
  double find(const std::string& prefix) const {
    for (const auto& [n, t] : times_)
      if (n.rfind(prefix, 0) == 0) return t;
    return 0;
  }
  std::vector<std::pair<std::string, std::string>> pairs_;
  std::map<std::string, double> times_;
};

}  // namespace bench
