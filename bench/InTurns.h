#pragma once

// Two pieces of work timed in alternating turns, each turn's order swapped, so both meet the same
// machine (shared with whatever else runs, its caches with it): the median of the turns' ratios holds
// still where the two figures taken apart would drift by more than a change does.
#include <time.h>

#include <algorithm>
#include <functional>
#include <utility>
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

// `first` and `second` run `turns` times, each turn's order swapped; `measure` runs one piece and
// says what it cost. The figures of each turn, first's then second's.
template <typename Measure, typename First, typename Second>
auto alternateTurns(int turns, Measure&& measure, First&& first, Second&& second) {
  using Figure = decltype(measure(first));
  std::vector<std::pair<Figure, Figure>> figures;
  for (int turn = 0; turn < turns; ++turn) {
    if (turn % 2) {
      const Figure secondFigure = measure(second);
      figures.emplace_back(measure(first), secondFigure);
    } else {
      const Figure firstFigure = measure(first);
      figures.emplace_back(firstFigure, measure(second));
    }
  }
  return figures;
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
  for (const auto& [workSeconds, baselineSeconds] : alternateTurns(turns, timed, work, baseline)) {
    if (baselineSeconds > 0) ratios.push_back(workSeconds / baselineSeconds);
  }
  return ratios;
}

// The wall time and the process CPU time (every thread's) of one turn of work, for work that runs
// on other threads too.
struct TurnTimes {
  double wall = 0;
  double cpu = 0;

  static TurnTimes of(const std::function<void()>& work) {
    const double wallStart = wallSeconds();
    const double cpuStart = processCpuSeconds();
    work();
    return {wallSeconds() - wallStart, processCpuSeconds() - cpuStart};
  }

  // The times of each side per turn.
  static std::vector<std::pair<TurnTimes, TurnTimes>> alternate(int turns, const std::function<void()>& first,
                                                                const std::function<void()>& second) {
    return alternateTurns(turns, &TurnTimes::of, first, second);
  }
};

}  // namespace ostrel::bench
