#include "sdk/analytics/foundation/APMPBProgram.h"

using namespace sdk::analytics::detail;
using K = APMNanoKind;

const APMNanoDescriptor& APMPBProgram::descriptor() {
  static const APMNanoDescriptor& d = *new APMNanoDescriptor("APMPBProgram", {
      messages(1, &APMPBRuntimeEntity::descriptor), message(2, &APMPBOgtActivities::descriptor),
  });
  return d;
}

const APMNanoDescriptor& APMPBOgtActivities::descriptor() {
  static const APMNanoDescriptor& d = *new APMNanoDescriptor("APMPBOgtActivities", {messages(1, &APMPBOgtActivity::descriptor)});
  return d;
}

const APMNanoDescriptor& APMPBOgtActivity::descriptor() {
  static const APMNanoDescriptor& d = *new APMNanoDescriptor("APMPBOgtActivity", {
      single(1, K::String), messages(2, &APMPBRuntimeEntity::descriptor),
  });
  return d;
}

const APMNanoDescriptor& APMPBRuntimeEntity::descriptor() {
  static const APMNanoDescriptor& d = *new APMNanoDescriptor("APMPBRuntimeEntity", {
      single(1, K::UInt32), messages(2, &APMPBRuntimeEntity::descriptor), single(3, K::String), single(4, K::String),
      single(5, K::Bool), single(6, K::Double),
  });
  return d;
}
