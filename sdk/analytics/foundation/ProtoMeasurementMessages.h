#pragma once

#include "sdk/analytics/foundation/NanoMessage.h"
#include "sdk/analytics/foundation/detail/NanoFields.h"

namespace sdk::analytics {

// The measurement messages: upload batches and bundles, events, parameters and user properties, and
// the remote measurement configuration.
ANALYTICS_PROTO_MESSAGE(ProtoMeasurementBatch);
ANALYTICS_PROTO_MESSAGE(ProtoMeasurementBundle);
ANALYTICS_PROTO_MESSAGE(ProtoEvent);
// Index 0 name, 1 string value, 2 integer value, 3 float (not read), 4 double value, 5 the items of
// an item-array parameter: each element an unnamed parameter whose own index 5 holds the item's
// parameters.
ANALYTICS_PROTO_MESSAGE(ProtoEventParam);
ANALYTICS_PROTO_MESSAGE(ProtoUserAttribute);
ANALYTICS_PROTO_MESSAGE(ProtoMeasurementConfig);
ANALYTICS_PROTO_MESSAGE(ProtoSetting);
ANALYTICS_PROTO_MESSAGE(ProtoEventConfig);

}  // namespace sdk::analytics

