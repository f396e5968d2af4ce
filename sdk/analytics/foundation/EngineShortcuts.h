#pragma once

#include <optional>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/Value.h"
#include "sdk/analytics/foundation/Monitor.h"

namespace sdk::analytics {

// What the analytics engine's files reach for on almost every line: the monitor they log through, the clock, and an
// error as a log context.

// The process-wide monitor (the one a test installs, else one made on first use).
// Held for the whole call (`monitor()->logWithLevel(...)`): a test installing another monitor meanwhile must not
// free the one a worker thread is logging through.
inline std::shared_ptr<Monitor> monitor() { return Monitor::shared(); }

// Seconds since 1970 on the process clock, which tests replace with a manual one.
inline double now() { return platform::foundation::Clock::current()->now(); }

// An error as a log context: its description.
inline platform::foundation::Value errorText(const platform::foundation::Error& error) {
  return platform::foundation::Value(error.localizedDescription());
}
inline platform::foundation::Value errorText(const std::optional<platform::foundation::Error>& error) {
  return platform::foundation::Value(error ? error->localizedDescription() : std::string());
}

}  // namespace sdk::analytics

