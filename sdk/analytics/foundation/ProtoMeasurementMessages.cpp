#include "sdk/analytics/foundation/ProtoMeasurementMessages.h"

#include "sdk/analytics/foundation/ProtoAudienceMessages.h"
#include "sdk/analytics/foundation/ProtoProgramMessages.h"

namespace sdk::analytics {

using namespace sdk::analytics::detail;
using K = NanoFieldKind;

const NanoDescriptor& ProtoMeasurementBatch::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoMeasurementBatch>("APMPBMeasurementBatch", {repeatedMessage(1, &ProtoMeasurementBundle::descriptor)});
  return d;
}

const NanoDescriptor& ProtoMeasurementBundle::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoMeasurementBundle>("APMPBMeasurementBundle", {
      single(1, K::Int32),                               // 0 protocol version
      repeatedMessage(2, &ProtoEvent::descriptor),              // 1 events
      repeatedMessage(3, &ProtoUserAttribute::descriptor),      // 2 user properties
      single(4, K::Int64),                               // 3 upload time
      single(5, K::Int64),                               // 4 bundle start
      single(6, K::Int64),                               // 5 bundle end
      single(26, K::Int64),                              // 6 previous bundle start
      single(7, K::Int64),                               // 7 previous bundle end
      single(8, K::String),                              // 8 platform
      single(9, K::String),                              // 9 OS version
      single(10, K::String),                             // 10 device model
      single(11, K::String),                             // 11 language
      single(12, K::Int32),                              // 12 time-zone offset
      single(13, K::String),                             // 13 install source
      single(14, K::String),                             // 14 app ID
      reserved(),                                        // 15
      single(16, K::String),                             // 16 app version
      single(17, K::Int64),                              // 17 library version
      single(18, K::Int64),                              // 18 library version at upload
      single(19, K::String),                             // 19 resettable device ID
      single(27, K::String),                             // 20 vendor device ID
      single(20, K::Bool),                               // 21 limited ad tracking
      single(21, K::String),                             // 22 app instance ID
      reserved(),                                        // 23
      single(23, K::Int32),                              // 24 bundle index
      single(24, K::String),                             // 25 monitoring data
      single(25, K::String),                             // 26 app ID from the console
      reserved(),                                        // 27
      repeatedMessage(29, &ProtoAudienceLeafFilterResult::descriptor),  // 28 audience results
      single(30, K::String),                             // 29 installation ID
      single(31, K::Int32),                              // 30 app version major
      single(32, K::Int32),                              // 31 app version minor
      single(33, K::Int32),                              // 32 app version release
      reserved(),                                        // 33
      single(35, K::Int64),                              // 34 configuration version
      single(39, K::Int32),                              // 35 retry count
      single(41, K::String),                             // 36 DeDed app ID
      repeated(45, K::UInt64),                           // 37 experiment IDs
      single(47, K::Int64),                              // 38 checksum
      reserved(),                                        // 39
      single(52, K::String),                             // 40 consent signals
      single(53, K::UInt32),                             // 41 tracking authorisation status
      reserved(), reserved(), reserved(), reserved(),    // 42-45
  });
  return d;
}

const NanoDescriptor& ProtoEvent::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoEvent>("APMPBEvent", {
      repeatedMessage(1, &ProtoEventParam::descriptor), single(2, K::String), single(3, K::Int64), single(4, K::Int64),
  });
  return d;
}

const NanoDescriptor& ProtoEventParam::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoEventParam>("APMPBEventParam", {
      single(1, K::String), single(2, K::String), single(3, K::Int64), single(4, K::Float), single(5, K::Double),
      repeatedMessage(6, &ProtoEventParam::descriptor),
  });
  return d;
}

const NanoDescriptor& ProtoUserAttribute::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoUserAttribute>("APMPBUserAttribute", {
      single(1, K::Int64), single(2, K::String), single(3, K::String), single(4, K::Int64), single(5, K::Float),
      single(6, K::Double),
  });
  return d;
}

const NanoDescriptor& ProtoMeasurementConfig::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoMeasurementConfig>("APMPBMeasurementConfig", {
      single(1, K::Int64), single(2, K::String), reserved(), repeatedMessage(4, &ProtoSetting::descriptor),
      repeatedMessage(5, &ProtoEventConfig::descriptor), repeatedMessage(6, &ProtoAudience::descriptor), single(7, K::String),
      reserved(), repeatedMessage(9, &ProtoProgram::descriptor),
  });
  return d;
}

const NanoDescriptor& ProtoSetting::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoSetting>("APMPBSetting", {single(1, K::String), single(2, K::String)});
  return d;
}

const NanoDescriptor& ProtoEventConfig::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoEventConfig>("APMPBEventConfig", {
      single(1, K::String), single(2, K::Bool), single(3, K::Bool), single(4, K::Int32),
  });
  return d;
}

}  // namespace sdk::analytics

