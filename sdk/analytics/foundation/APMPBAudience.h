#pragma once

#include "sdk/analytics/foundation/APMNanoMessage.h"
#include "sdk/analytics/foundation/detail/APMNanoFields.h"

// Audience definitions and their evaluation results.
APM_NANO_WRAPPER(APMPBAudience);
APM_NANO_WRAPPER(APMPBEventFilter);
APM_NANO_WRAPPER(APMPBPropertyFilter);
APM_NANO_WRAPPER(APMPBFilter);
APM_NANO_WRAPPER(APMPBNumberFilter);
APM_NANO_WRAPPER(APMPBStringFilter);
APM_NANO_WRAPPER(APMPBResultData);
APM_NANO_WRAPPER(APMPBDynamicFilterResultTimestamp);
APM_NANO_WRAPPER(APMPBSequenceFilterResultTimestamp);
APM_NANO_WRAPPER(APMPBAudienceLeafFilterResult);
