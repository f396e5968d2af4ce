// The script fuzzers run event editing without a host, so no monitor is ever reached; these stand
// in for the monitor's calls that event editing links, without the engine's side of the foundation
// they would bring along.
#include "sdk/analytics/foundation/Monitor.h"

void sdk::analytics::Monitor::logWithLevel(sdk::analytics::LogLevel, std::int64_t, std::string_view, const Value&, const Value&) {}
