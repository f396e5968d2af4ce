#include "sdk/analytics/foundation/ProtoProgramMessages.h"

namespace sdk::analytics {

using namespace sdk::analytics::detail;
using K = NanoFieldKind;

const NanoDescriptor& ProtoProgram::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoProgram>("APMPBProgram", {
      repeatedMessage(1, &ProtoRuntimeEntity::descriptor), message(2, &ProtoProgramRules::descriptor),
  });
  return d;
}

const NanoDescriptor& ProtoProgramRules::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoProgramRules>("APMPBOgtActivities", {repeatedMessage(1, &ProtoProgramRule::descriptor)});
  return d;
}

const NanoDescriptor& ProtoProgramRule::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoProgramRule>("APMPBOgtActivity", {
      single(1, K::String), repeatedMessage(2, &ProtoRuntimeEntity::descriptor),
  });
  return d;
}

const NanoDescriptor& ProtoRuntimeEntity::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoRuntimeEntity>("APMPBRuntimeEntity", {
      single(1, K::UInt32), repeatedMessage(2, &ProtoRuntimeEntity::descriptor), single(3, K::String), single(4, K::String),
      single(5, K::Bool), single(6, K::Double),
  });
  return d;
}

}  // namespace sdk::analytics

