#include "platform/log/RepeatedLines.h"

#include <algorithm>

namespace platform::log {

Line RepeatedLines::summaryOf(const Line& line, std::size_t held) {
  return Line{line.level, line.facility,
              line.message + " [repeated " + std::to_string(held) + (held == 1 ? " more time]" : " more times]")};
}

void RepeatedLines::endSeries(std::map<Key, Series>::iterator series, std::vector<Line>& out) {
  const auto& [level, facility, message] = series->first;
  if (series->second.held > 0) out.push_back(summaryOf(Line{level, facility, message}, series->second.held));
  series_.erase(series);
}

std::vector<Line> RepeatedLines::admit(Line line, std::int64_t nowNanoseconds) {
  const auto window = static_cast<std::int64_t>(kRepeatWindowSeconds * 1e9);
  std::vector<Line> out;
  for (auto it = series_.begin(); it != series_.end();) {
    auto next = std::next(it);
    if (nowNanoseconds - it->second.since >= window) endSeries(it, out);
    it = next;
  }
  Key key{line.level, line.facility, line.message};
  if (auto found = series_.find(key); found != series_.end()) {
    ++found->second.held;
    return out;
  }
  if (series_.size() >= kRemembered) {
    auto oldest = std::min_element(series_.begin(), series_.end(),
                                   [](const auto& a, const auto& b) { return a.second.since < b.second.since; });
    endSeries(oldest, out);
  }
  series_.emplace(std::move(key), Series{nowNanoseconds, 0});
  out.push_back(std::move(line));
  return out;
}

std::vector<Line> RepeatedLines::drain() {
  std::vector<Line> out;
  while (!series_.empty()) endSeries(series_.begin(), out);
  return out;
}

}  // namespace platform::log
