#include "sdk/analytics/foundation/AllProtoMessages.h"

#include "sdk/analytics/foundation/ProtoAudienceMessages.h"
#include "sdk/analytics/foundation/ProtoExperimentMessages.h"
#include "sdk/analytics/foundation/ProtoMeasurementMessages.h"
#include "sdk/analytics/foundation/ProtoProgramMessages.h"

namespace sdk::analytics {

const std::vector<std::pair<const char*, NanoDescriptorRef>>& allProtoMessages() {
  static const std::vector<std::pair<const char*, NanoDescriptorRef>> all = {
      {"APMPBMeasurementBatch", &ProtoMeasurementBatch::descriptor}, {"APMPBMeasurementBundle", &ProtoMeasurementBundle::descriptor}, {"APMPBEvent", &ProtoEvent::descriptor},
      {"APMPBEventParam", &ProtoEventParam::descriptor}, {"APMPBUserAttribute", &ProtoUserAttribute::descriptor}, {"APMPBMeasurementConfig", &ProtoMeasurementConfig::descriptor},
      {"APMPBSetting", &ProtoSetting::descriptor}, {"APMPBEventConfig", &ProtoEventConfig::descriptor}, {"APMPBProgram", &ProtoProgram::descriptor}, {"APMPBOgtActivities", &ProtoProgramRules::descriptor},
      {"APMPBOgtActivity", &ProtoProgramRule::descriptor}, {"APMPBRuntimeEntity", &ProtoRuntimeEntity::descriptor}, {"APMPBAudience", &ProtoAudience::descriptor},
      {"APMPBEventFilter", &ProtoEventFilter::descriptor}, {"APMPBPropertyFilter", &ProtoPropertyFilter::descriptor}, {"APMPBFilter", &ProtoFilter::descriptor},
      {"APMPBNumberFilter", &ProtoNumberFilter::descriptor}, {"APMPBStringFilter", &ProtoStringFilter::descriptor}, {"APMPBResultData", &ProtoResultData::descriptor},
      {"APMPBDynamicFilterResultTimestamp", &ProtoDynamicFilterResultTimestamp::descriptor}, {"APMPBSequenceFilterResultTimestamp", &ProtoSequenceFilterResultTimestamp::descriptor},
      {"APMPBAudienceLeafFilterResult", &ProtoAudienceLeafFilterResult::descriptor}, {"APMPBFlag", &ProtoFlag::descriptor}, {"APMPBExperiment", &ProtoExperiment::descriptor},
      {"APMPBSnapshot", &ProtoSnapshot::descriptor}, {"APMPBClientProperty", &ProtoClientProperty::descriptor}, {"APMPBCustomProperty", &ProtoCustomProperty::descriptor},
      {"APMPBAppProperty", &ProtoAppProperty::descriptor}, {"APMPBExperimentRequest", &ProtoExperimentRequest::descriptor}, {"APMPBExperimentResponse", &ProtoExperimentResponse::descriptor},
      {"APMPBSdkResponse", &ProtoSDKResponse::descriptor},
  };
  return all;
}

}  // namespace sdk::analytics

