#include "sdk/core/AppIDScanner.h"

#include <cctype>

namespace sdk::core {

bool AppIDScanner::literal(std::string_view word) {
  if (text_.substr(at_, word.size()) != word) return false;
  at_ += word.size();
  return true;
}

bool AppIDScanner::run(int (*accept)(int)) {
  const std::size_t start = at_;
  while (at_ < text_.size() && accept(static_cast<unsigned char>(text_[at_]))) ++at_;
  return at_ > start;
}

std::string_view AppIDScanner::upTo(char stop) {
  const std::size_t start = at_;
  while (at_ < text_.size() && text_[at_] != stop) ++at_;
  return text_.substr(start, at_ - start);
}

bool AppIDScanner::integer() {
  if (!atEnd() && (text_[at_] == '+' || text_[at_] == '-')) ++at_;
  return run(isdigit);
}

bool AppIDScanner::hexadecimal() {
  const std::size_t start = at_;
  if (literal("0x") || literal("0X")) {
    if (run(isxdigit)) return true;
    at_ = start;  // "0x" alone is the number 0 followed by an "x"
  }
  return run(isxdigit);
}

std::vector<std::string_view> AppIDScanner::split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

}  // namespace sdk::core
