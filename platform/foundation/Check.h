#pragma once

// DCHECK(condition): states an invariant the code relies on. In a build with assertions (every Debug
// build, which is what the tests run) a false condition logs where and what, then aborts, so a broken
// invariant stops the test that broke it instead of corrupting what comes after. In a Release build
// the condition is compiled (so it stays valid code) but never evaluated.
#ifndef NDEBUG
#define OSTREL_DCHECK_IS_ON 1
#define DCHECK(condition) \
  ((condition) ? static_cast<void>(0) : ::platform::foundation::checkFailed(#condition, __FILE__, __LINE__))
#else
#define OSTREL_DCHECK_IS_ON 0
#define DCHECK(condition) static_cast<void>(sizeof(static_cast<bool>(condition)))
#endif

namespace platform::foundation {

// Reports a failed DCHECK (to the log, and so to stderr) and aborts.
[[noreturn]] void checkFailed(const char* condition, const char* file, int line);

}  // namespace platform::foundation
