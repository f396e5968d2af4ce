#pragma once

#include <string>

#include "platform/runtime/Selector.h"

namespace sdk::analytics {

// The class "ZEDIvadazudo" through which the SDK core starts analytics for its default app (by name,
// so the core needs no analytics linked). Only the start and the version are built so far: the start
// hands the options' app ID, switches and safelist to the facade, which creates the measurement engine
// and follows the core's collection switch from then on.
inline constexpr platform::runtime::Selector<std::string()> kPublicAnalyticsTopLevelVersion{"topLevelVersion"};

// Registers the class and lets the facade reach the engine; run by the load hooks, and by tests that
// start the engine through the core.
void registerPublicAnalyticsClass();

}  // namespace sdk::analytics

