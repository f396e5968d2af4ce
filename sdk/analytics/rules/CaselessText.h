#pragma once

#include <string>
#include <string_view>

namespace sdk::analytics {

// A text as string filters compare it when case does not matter: Unicode case folding, so "STRASSE"
// and "straße" compare equal. The folding is made on first use and kept, so one event parameter
// folds once however many filters ask for it. The text itself is not copied: it must outlive this.
class CaselessText {
 public:
  CaselessText() = default;
  explicit CaselessText(std::string_view text) : text_(text) {}

  std::string_view text() const { return text_; }
  std::string_view folded();

  // Full Unicode case folding; plain ASCII folds A-Z to a-z without ICU.
  static std::string fold(std::string_view text);

 private:
  std::string_view text_;
  std::string folded_;
  enum class State : unsigned char { NotYet, SameAsText, Kept } state_ = State::NotYet;
};

}  // namespace sdk::analytics

