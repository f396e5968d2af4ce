#pragma once

#include "sdk/analytics/foundation/NanoMessage.h"
#include "sdk/analytics/foundation/detail/NanoFields.h"

namespace sdk::analytics {

// Experiment snapshots and the experiments service's request and response.
ANALYTICS_PROTO_MESSAGE(ProtoFlag);
ANALYTICS_PROTO_MESSAGE(ProtoExperiment);
ANALYTICS_PROTO_MESSAGE(ProtoSnapshot);
ANALYTICS_PROTO_MESSAGE(ProtoClientProperty);
ANALYTICS_PROTO_MESSAGE(ProtoCustomProperty);
ANALYTICS_PROTO_MESSAGE(ProtoAppProperty);
ANALYTICS_PROTO_MESSAGE(ProtoExperimentRequest);
ANALYTICS_PROTO_MESSAGE(ProtoExperimentResponse);
ANALYTICS_PROTO_MESSAGE(ProtoSDKResponse);

}  // namespace sdk::analytics

