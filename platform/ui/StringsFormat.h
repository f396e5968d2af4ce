#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>

namespace platform::ui {

// The classic strings-table format: `"key" = "value";` pairs with C comments, backslash escapes
// (\" \\ \n \t \r, \U and \u with four hex digits, surrogate pairs joined) and bare words.
class StringsFormat {
 public:
  // The table the text holds; nullopt (and nothing else) when it is malformed.
  static std::optional<std::map<std::string, std::string>> parse(const std::string& text);

 private:
  explicit StringsFormat(const std::string& text) : text_(text) {}

  // Skips blanks and comments; false on an unterminated comment.
  bool skip();
  bool atEnd() const { return at_ >= text_.size(); }
  bool take(char c);
  std::optional<std::string> word();
  static bool isBare(char c);
  std::optional<char32_t> hex4();
  std::optional<std::string> quoted();

  const std::string& text_;
  std::size_t at_ = 0;
};

}  // namespace platform::ui
