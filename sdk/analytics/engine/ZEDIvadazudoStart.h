#pragma once

#include <memory>
#include <string>

#include "platform/dispatch/Queue.h"

#include "platform/runtime/Selector.h"

// The class "ZEDIvadazudo" through which the SDK core starts analytics for its default app (by name,
// so the core needs no analytics linked). Only the start and the version are built so far: the start
// creates the measurement engine with the options' app ID and switches, and follows the core's
// collection switch from then on.
inline constexpr platform::runtime::Selector<std::string()> kZEDIvadazudoTopLevelVersion{"topLevelVersion"};

namespace sdk::analytics {

// Registers the class; run by the load hooks, and by tests that start the engine through the core.
void ZEDIvadazudoRegisterClass();
// The serial queue the start creates the engine on ("APMAnalyticsQueue").
std::shared_ptr<platform::dispatch::Queue> ZEDIvadazudoStartQueue();

}  // namespace sdk::analytics
