#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace sdk::core {

// A cursor over an app ID's text that never skips anything, for reading its grammar: a version-1 ID
// reads "1:<decimal digits>:ios:<hexadecimal digits>".
class AppIDScanner {
 public:
  explicit AppIDScanner(std::string_view text) : text_(text) {}

  std::size_t position() const { return at_; }
  bool atEnd() const { return at_ >= text_.size(); }
  // Each reading step moves past what it read, and only when it read something.
  bool literal(std::string_view word);
  bool run(int (*accept)(int));
  std::string_view upTo(char stop);
  // An optional sign, then decimal digits.
  bool integer();
  // Hexadecimal digits, with or without "0x".
  bool hexadecimal();

  // The parts between the separators, empty ones included.
  static std::vector<std::string_view> split(std::string_view text, char separator);

 private:
  std::string_view text_;
  std::size_t at_ = 0;
};

}  // namespace sdk::core
