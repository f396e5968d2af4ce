#include "platform/ui/StringsFormat.h"

#include <cctype>

#include "platform/foundation/Utf8.h"

namespace platform::ui {

std::optional<std::map<std::string, std::string>> StringsFormat::parse(const std::string& text) {
  std::map<std::string, std::string> table;
  StringsFormat in(text);
  while (true) {
    if (!in.skip()) return std::nullopt;
    if (in.atEnd()) return table;
    auto key = in.word();
    if (!key || !in.skip()) return std::nullopt;
    std::string value = *key;
    if (in.take('=')) {
      if (!in.skip()) return std::nullopt;
      auto read = in.word();
      if (!read || !in.skip()) return std::nullopt;
      value = *read;
    }
    if (!in.take(';')) return std::nullopt;
    table[*key] = value;
  }
}

bool StringsFormat::skip() {
  while (at_ < text_.size()) {
    if (std::isspace(static_cast<unsigned char>(text_[at_]))) {
      ++at_;
    } else if (text_.compare(at_, 2, "//") == 0) {
      size_t end = text_.find('\n', at_);
      at_ = end == std::string::npos ? text_.size() : end + 1;
    } else if (text_.compare(at_, 2, "/*") == 0) {
      size_t end = text_.find("*/", at_ + 2);
      if (end == std::string::npos) return false;
      at_ = end + 2;
    } else {
      break;
    }
  }
  return true;
}

bool StringsFormat::take(char c) {
  if (at_ < text_.size() && text_[at_] == c) {
    ++at_;
    return true;
  }
  return false;
}

std::optional<std::string> StringsFormat::word() {
  if (take('"')) return quoted();
  size_t start = at_;
  while (at_ < text_.size() && isBare(text_[at_])) ++at_;
  if (at_ == start) return std::nullopt;
  return text_.substr(start, at_ - start);
}

bool StringsFormat::isBare(char c) {
  auto u = static_cast<unsigned char>(c);
  return std::isalnum(u) || c == '_' || c == '.' || c == '$' || c == '/' || c == ':' || c == '-';
}

std::optional<char32_t> StringsFormat::hex4() {
  if (at_ + 4 > text_.size()) return std::nullopt;
  char32_t value = 0;
  for (int i = 0; i < 4; ++i) {
    auto c = static_cast<unsigned char>(text_[at_++]);
    if (!std::isxdigit(c)) return std::nullopt;
    value = value * 16 + static_cast<char32_t>(std::isdigit(c) ? c - '0' : std::tolower(c) - 'a' + 10);
  }
  return value;
}

std::optional<std::string> StringsFormat::quoted() {
  std::string out;
  while (at_ < text_.size()) {
    char c = text_[at_++];
    if (c == '"') return out;
    if (c != '\\') {
      out.push_back(c);
      continue;
    }
    if (at_ >= text_.size()) return std::nullopt;
    char e = text_[at_++];
    switch (e) {
      case 'n': out.push_back('\n'); break;
      case 't': out.push_back('\t'); break;
      case 'r': out.push_back('\r'); break;
      case 'U':
      case 'u': {
        auto unit = hex4();
        if (!unit) return std::nullopt;
        char32_t cp = *unit;
        if (foundation::Utf8::isHighSurrogate(cp) && text_.compare(at_, 2, "\\U") == 0) {
          size_t back = at_;
          at_ += 2;
          auto low = hex4();
          if (low && foundation::Utf8::isLowSurrogate(*low)) {
            cp = foundation::Utf8::fromSurrogatePair(cp, *low);
          } else {
            at_ = back;
          }
        }
        foundation::Utf8::append(out, cp);
        break;
      }
      default: out.push_back(e);  // \" \\ \' and anything else stand for themselves
    }
  }
  return std::nullopt;  // unterminated
}

}  // namespace platform::ui
