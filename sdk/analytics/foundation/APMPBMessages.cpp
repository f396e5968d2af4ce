#include "sdk/analytics/foundation/APMPBMessages.h"

#include "sdk/analytics/foundation/APMPBAudience.h"
#include "sdk/analytics/foundation/APMPBExperiments.h"
#include "sdk/analytics/foundation/APMPBMeasurement.h"
#include "sdk/analytics/foundation/APMPBProgram.h"

#define APM_ENTRY(Name) {#Name, &Name::descriptor}

const std::vector<std::pair<const char*, APMNanoDescriptorRef>>& APMPBAllMessages() {
  static const std::vector<std::pair<const char*, APMNanoDescriptorRef>> all = {
      APM_ENTRY(APMPBMeasurementBatch), APM_ENTRY(APMPBMeasurementBundle), APM_ENTRY(APMPBEvent),
      APM_ENTRY(APMPBEventParam), APM_ENTRY(APMPBUserAttribute), APM_ENTRY(APMPBMeasurementConfig),
      APM_ENTRY(APMPBSetting), APM_ENTRY(APMPBEventConfig), APM_ENTRY(APMPBProgram), APM_ENTRY(APMPBOgtActivities),
      APM_ENTRY(APMPBOgtActivity), APM_ENTRY(APMPBRuntimeEntity), APM_ENTRY(APMPBAudience),
      APM_ENTRY(APMPBEventFilter), APM_ENTRY(APMPBPropertyFilter), APM_ENTRY(APMPBFilter),
      APM_ENTRY(APMPBNumberFilter), APM_ENTRY(APMPBStringFilter), APM_ENTRY(APMPBResultData),
      APM_ENTRY(APMPBDynamicFilterResultTimestamp), APM_ENTRY(APMPBSequenceFilterResultTimestamp),
      APM_ENTRY(APMPBAudienceLeafFilterResult), APM_ENTRY(APMPBFlag), APM_ENTRY(APMPBExperiment),
      APM_ENTRY(APMPBSnapshot), APM_ENTRY(APMPBClientProperty), APM_ENTRY(APMPBCustomProperty),
      APM_ENTRY(APMPBAppProperty), APM_ENTRY(APMPBExperimentRequest), APM_ENTRY(APMPBExperimentResponse),
      APM_ENTRY(APMPBSdkResponse),
  };
  return all;
}
