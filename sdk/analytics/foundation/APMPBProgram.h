#pragma once

#include "sdk/analytics/foundation/APMNanoMessage.h"
#include "sdk/analytics/foundation/detail/APMNanoFields.h"

// The event-editing program carried in the measurement configuration.
APM_NANO_WRAPPER(APMPBProgram);
APM_NANO_WRAPPER(APMPBOgtActivities);
APM_NANO_WRAPPER(APMPBOgtActivity);
APM_NANO_WRAPPER(APMPBRuntimeEntity);
