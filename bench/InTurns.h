#pragma once

// Two pieces of work timed in alternating turns, each turn's order swapped, so both meet the same
// machine (shared with whatever else runs, its caches with it): the median of the turns' ratios holds
// still where the two figures taken apart would drift by more than a change does.
#include <time.h>

#include <algorithm>
#include <vector>

namespace ostrel::bench {

// CPU seconds of the calling thread, for work that runs on it alone.
inline double threadCpuSeconds() {
  timespec now{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// CPU seconds of the whole process, for work that runs on other threads.
inline double processCpuSeconds() {
  timespec now{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

inline double wallSeconds() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

inline double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The ratios of `work` to `baseline`, one a turn, each timed by `seconds`.
template <typename Work, typename Baseline>
std::vector<double> ratiosInTurns(int turns, double (*seconds)(), Work&& work, Baseline&& baseline) {
  auto timed = [seconds](auto& piece) {
    const double start = seconds();
    piece();
    return seconds() - start;
  };
  std::vector<double> ratios;
  for (int turn = 0; turn < turns; ++turn) {
    double workSeconds = 0, baselineSeconds = 0;
    if (turn % 2) {
      baselineSeconds = timed(baseline);
      workSeconds = timed(work);
    } else {
      workSeconds = timed(work);
      baselineSeconds = timed(baseline);
    }
    if (baselineSeconds > 0) ratios.push_back(workSeconds / baselineSeconds);
  }
  return ratios;
}

}  // namespace ostrel::bench
