#include "sdk/analytics/rules/CaselessText.h"

#include <algorithm>

#include <unicode/unistr.h>

namespace sdk::analytics {

namespace {

bool isAsciiText(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool isFoldedAsciiText(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80 && !(c >= 'A' && c <= 'Z'); });
}

}  // namespace

std::string CaselessText::fold(std::string_view text) {
  std::string out;
  if (isAsciiText(text)) {
    out.resize(text.size());
    std::transform(text.begin(), text.end(), out.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return out;
  }
  icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<std::int32_t>(text.size())))
      .foldCase()
      .toUTF8String(out);
  return out;
}

std::string_view CaselessText::folded() {
  if (state_ == State::NotYet) {
    if (isFoldedAsciiText(text_)) {
      state_ = State::SameAsText;
    } else {
      folded_ = fold(text_);
      state_ = State::Kept;
    }
  }
  return state_ == State::SameAsText ? text_ : std::string_view(folded_);
}

}  // namespace sdk::analytics

