#pragma once

#include <unicode/regex.h>

#include <cstdint>
#include <functional>
#include <memory>

namespace sdk::analytics {

// Where every regular expression of scripts and audiences is compiled. ICU cannot stop a compile
// once it has begun, and an estimate of what one costs can only price the shapes it knows: so the
// compile runs on a thread of its own (platform AbandonableWork), and the event that needs it waits
// with the time its budget has left. Past that the event has its budget's error, the compile is
// abandoned (it runs on with nothing waiting for it, and what it makes is dropped when it ends),
// and its text is refused for the rest of the run without being compiled again. While an abandoned
// compile still runs no other starts: the event that asks has its budget's error at once, and its
// text may be tried again later.
class RegexCompiler {
 public:
  enum class Outcome {
    Compiled,
    Failed,     // ICU refused the pattern: `status` says why
    OutOfTime,  // abandoned past the time left; the text is refused from now on
    Busy,       // another compile, abandoned, still runs
    Refused,    // abandoned before
  };
  struct Result {
    Outcome outcome = Outcome::Busy;
    std::shared_ptr<const icu::RegexPattern> pattern;
    UErrorCode status = U_ZERO_ERROR;
    // The CPU time compiling took on its thread, when it ended in time: the event's to pay.
    std::int64_t cpuNanoseconds = 0;
  };

  // Compiles `pattern` with ICU's `flags`, waiting at most `nanosecondsLeft` (a CPU budget's time
  // left, measured on the steady clock, which the compile's thread cannot outrun) and for as long
  // as `mayWait` says (the caller's budget looked at on its own clock).
  static Result compile(const icu::UnicodeString& pattern, std::uint32_t flags, std::int64_t nanosecondsLeft,
                        const std::function<bool()>& mayWait = {});

  // What compiles in ICU's place: a test holds a compile with it, or counts them.
  using CompileStep = std::function<icu::RegexPattern*(const icu::UnicodeString& pattern, std::uint32_t flags,
                                                       UErrorCode& status)>;
  // Tests only: `step` compiles from now on; nullptr gives ICU the work again, and forgets the refusals.
  static void setCompileStepForTesting(CompileStep step);

  // Texts remembered as refused, the oldest forgotten first.
  static constexpr std::size_t kRefusedKept = 32;
};

}  // namespace sdk::analytics
