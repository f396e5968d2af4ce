#include "sdk/analytics/foundation/APMPBProgram.h"

using namespace sdk::analytics::detail;
using K = APMNanoKind;

const APMNanoDescriptor& APMPBProgram::descriptor() {
  static const APMNanoDescriptor& d = APMNanoDescriptor::of<APMPBProgram>("APMPBProgram", {
      messages(1, &APMPBRuntimeEntity::descriptor), message(2, &APMPBOgtActivities::descriptor),
  });
  return d;
}

const APMNanoDescriptor& APMPBOgtActivities::descriptor() {
  static const APMNanoDescriptor& d = APMNanoDescriptor::of<APMPBOgtActivities>("APMPBOgtActivities", {messages(1, &APMPBOgtActivity::descriptor)});
  return d;
}

const APMNanoDescriptor& APMPBOgtActivity::descriptor() {
  static const APMNanoDescriptor& d = APMNanoDescriptor::of<APMPBOgtActivity>("APMPBOgtActivity", {
      single(1, K::String), messages(2, &APMPBRuntimeEntity::descriptor),
  });
  return d;
}

const APMNanoDescriptor& APMPBRuntimeEntity::descriptor() {
  static const APMNanoDescriptor& d = APMNanoDescriptor::of<APMPBRuntimeEntity>("APMPBRuntimeEntity", {
      single(1, K::UInt32), messages(2, &APMPBRuntimeEntity::descriptor), single(3, K::String), single(4, K::String),
      single(5, K::Bool), single(6, K::Double),
  });
  return d;
}
