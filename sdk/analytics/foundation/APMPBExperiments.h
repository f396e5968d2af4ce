#pragma once

#include "sdk/analytics/foundation/APMNanoMessage.h"
#include "sdk/analytics/foundation/detail/APMNanoFields.h"

// Experiment snapshots and the experiments service's request and response.
APM_NANO_WRAPPER(APMPBFlag);
APM_NANO_WRAPPER(APMPBExperiment);
APM_NANO_WRAPPER(APMPBSnapshot);
APM_NANO_WRAPPER(APMPBClientProperty);
APM_NANO_WRAPPER(APMPBCustomProperty);
APM_NANO_WRAPPER(APMPBAppProperty);
APM_NANO_WRAPPER(APMPBExperimentRequest);
APM_NANO_WRAPPER(APMPBExperimentResponse);
APM_NANO_WRAPPER(APMPBSdkResponse);
