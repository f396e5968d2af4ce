#pragma once

// Tests only: ICU's compile of every regular expression as a test watches it.

#include <unicode/regex.h>

#include <atomic>
#include <string_view>

#include "sdk/analytics/rules/RegexCompiler.h"
#include "testing/HeldWork.h"

namespace ostrel::testing {

// For as long as it lives, every compile is counted, and a pattern that holds `heldText` is held by
// `held` before ICU compiles it; then ICU compiles alone again.
class WatchedCompiles {
 public:
  explicit WatchedCompiles(HeldWork* held = nullptr, std::u16string_view heldText = u"held") {
    sdk::analytics::RegexCompiler::setCompileStepForTesting(
        [this, held, heldText](const icu::UnicodeString& pattern, std::uint32_t flags, UErrorCode& status) {
          ++count_;
          if (held && pattern.indexOf(heldText.data(), static_cast<int32_t>(heldText.size()), 0) >= 0) held->hold();
          UParseError parseError{};
          return icu::RegexPattern::compile(pattern, flags, parseError, status);
        });
  }
  ~WatchedCompiles() { sdk::analytics::RegexCompiler::setCompileStepForTesting(nullptr); }
  WatchedCompiles(const WatchedCompiles&) = delete;
  WatchedCompiles& operator=(const WatchedCompiles&) = delete;

  int count() const { return count_; }

 private:
  std::atomic<int> count_{0};
};

}  // namespace ostrel::testing
