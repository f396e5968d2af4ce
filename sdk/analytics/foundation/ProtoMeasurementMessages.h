#pragma once

#include "sdk/analytics/foundation/NanoMessage.h"
#include "sdk/analytics/foundation/detail/NanoFields.h"

namespace sdk::analytics {

// The measurement messages: upload batches and bundles, events, parameters and user properties, and
// the remote measurement configuration. Their fields, and the names the code reaches them by, are in
// MeasurementFieldIndices.h.
ANALYTICS_PROTO_MESSAGE(ProtoMeasurementBatch);
ANALYTICS_PROTO_MESSAGE(ProtoMeasurementBundle);
ANALYTICS_PROTO_MESSAGE(ProtoEvent);
ANALYTICS_PROTO_MESSAGE(ProtoEventParam);
ANALYTICS_PROTO_MESSAGE(ProtoUserAttribute);
ANALYTICS_PROTO_MESSAGE(ProtoMeasurementConfig);
ANALYTICS_PROTO_MESSAGE(ProtoSetting);
ANALYTICS_PROTO_MESSAGE(ProtoEventConfig);

}  // namespace sdk::analytics

