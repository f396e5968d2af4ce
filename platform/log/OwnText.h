#pragma once

#include <string>
#include <string_view>

namespace platform::log {

// A log message the program formed itself, whose line breaks are its own: a format written in the
// program, with whatever came from outside put in with every control character written out (see
// foundation::formatLogText). Made from any other text it still holds no control character but the line
// feed, the others being written out as it is made. The log keeps its line breaks, and writes each line
// after the first indented, so that nothing on such a line reads as a line of its own.
class OwnText {
 public:
  OwnText() = default;
  explicit OwnText(std::string_view text);

  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

}  // namespace platform::log
