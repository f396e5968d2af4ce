#pragma once

#include <string_view>

namespace platform::foundation {

// A format written in the program itself: only a constant makes one, so that no text read at run time
// (a reply, a file, a name found on disk) can stand where the program's own words and line breaks go
// (see formatLogText).
class FormatLiteral {
 public:
  consteval FormatLiteral(const char* text) : text_(text) {}
  consteval FormatLiteral(std::string_view text) : text_(text) {}

  constexpr std::string_view text() const { return text_; }

 private:
  std::string_view text_;
};

}  // namespace platform::foundation
