#pragma once

#include "sdk/analytics/foundation/APMNanoMessage.h"
#include "sdk/analytics/foundation/detail/APMNanoFields.h"

// The measurement messages: upload batches and bundles, events, parameters and user properties, and
// the remote measurement configuration.
APM_NANO_WRAPPER(APMPBMeasurementBatch);
APM_NANO_WRAPPER(APMPBMeasurementBundle);
APM_NANO_WRAPPER(APMPBEvent);
// Index 0 name, 1 string value, 2 integer value, 3 float (not read), 4 double value, 5 the items of
// an item-array parameter: each element an unnamed parameter whose own index 5 holds the item's
// parameters.
APM_NANO_WRAPPER(APMPBEventParam);
APM_NANO_WRAPPER(APMPBUserAttribute);
APM_NANO_WRAPPER(APMPBMeasurementConfig);
APM_NANO_WRAPPER(APMPBSetting);
APM_NANO_WRAPPER(APMPBEventConfig);
