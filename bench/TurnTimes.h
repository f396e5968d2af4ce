#pragma once

#include <time.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <utility>
#include <vector>

namespace ostrel::bench {

// The wall time and the process CPU time (every thread's) of one turn of work, for benchmarks that
// let two sides take turns so that both meet the same machine.
struct TurnTimes {
  double wall = 0;
  double cpu = 0;

  static TurnTimes of(const std::function<void()>& work) {
    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = processSeconds();
    work();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count(),
            processSeconds() - cpuStart};
  }

  static double processSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
  }

  // `turns` turns of `first` and `second`, each turn's order swapped: the times of each side per turn.
  static std::vector<std::pair<TurnTimes, TurnTimes>> alternate(int turns, const std::function<void()>& first,
                                                                const std::function<void()>& second) {
    std::vector<std::pair<TurnTimes, TurnTimes>> times;
    for (int turn = 0; turn < turns; ++turn) {
      if (turn % 2) {
        const TurnTimes secondTimes = of(second);
        times.emplace_back(of(first), secondTimes);
      } else {
        const TurnTimes firstTimes = of(first);
        times.emplace_back(firstTimes, of(second));
      }
    }
    return times;
  }

  // The median of the turns' ratios: one slow turn on a shared machine moves a mean, not a median.
  static double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
  }
};

}  // namespace ostrel::bench
