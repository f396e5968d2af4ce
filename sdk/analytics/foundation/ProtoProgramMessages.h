#pragma once

#include "sdk/analytics/foundation/NanoMessage.h"
#include "sdk/analytics/foundation/detail/NanoFields.h"

namespace sdk::analytics {

// The event-editing program carried in the measurement configuration.
ANALYTICS_PROTO_MESSAGE(ProtoProgram);
ANALYTICS_PROTO_MESSAGE(ProtoProgramRules);
ANALYTICS_PROTO_MESSAGE(ProtoProgramRule);
ANALYTICS_PROTO_MESSAGE(ProtoRuntimeEntity);

}  // namespace sdk::analytics

