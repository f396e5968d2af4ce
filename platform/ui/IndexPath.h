#pragma once

#include <compare>
#include <cstdint>

namespace platform::ui {

// A row of a table: its section and its row within the section. Ordered section first.
struct IndexPath {
  std::int64_t section = 0;
  std::int64_t row = 0;

  static IndexPath forRow(std::int64_t row, std::int64_t section) { return {section, row}; }
  auto operator<=>(const IndexPath&) const = default;
};

}  // namespace platform::ui
