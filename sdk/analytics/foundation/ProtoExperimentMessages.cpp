#include "sdk/analytics/foundation/ProtoExperimentMessages.h"

namespace sdk::analytics {

using namespace sdk::analytics::detail;
using K = NanoFieldKind;

const NanoDescriptor& ProtoFlag::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoFlag>("APMPBFlag", {
      single(1, K::String), single(2, K::Int64), single(3, K::String), single(4, K::Double), single(5, K::Bool),
  });
  return d;
}

const NanoDescriptor& ProtoExperiment::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoExperiment>("APMPBExperiment", {single(1, K::Int32), repeatedMessage(2, &ProtoFlag::descriptor)});
  return d;
}

const NanoDescriptor& ProtoSnapshot::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoSnapshot>("APMPBSnapshot", {single(1, K::String), repeatedMessage(2, &ProtoExperiment::descriptor)});
  return d;
}

const NanoDescriptor& ProtoClientProperty::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoClientProperty>("APMPBClientProperty", {
      single(1, K::String), single(2, K::String), single(3, K::Int64), single(4, K::String),
      repeatedMessage(5, &ProtoCustomProperty::descriptor),
  });
  return d;
}

const NanoDescriptor& ProtoCustomProperty::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoCustomProperty>("APMPBCustomProperty", {single(1, K::String), single(2, K::String)});
  return d;
}

const NanoDescriptor& ProtoAppProperty::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoAppProperty>("APMPBAppProperty", {
      single(1, K::String), single(2, K::String), single(3, K::String), single(4, K::String), single(5, K::String),
      single(6, K::Bool), single(7, K::Int64),
  });
  return d;
}

const NanoDescriptor& ProtoExperimentRequest::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoExperimentRequest>("APMPBExperimentRequest", {
      message(1, &ProtoAppProperty::descriptor), repeatedMessage(2, &ProtoClientProperty::descriptor),
  });
  return d;
}

const NanoDescriptor& ProtoExperimentResponse::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoExperimentResponse>("APMPBExperimentResponse", {
      repeatedMessage(1, &ProtoSnapshot::descriptor), repeatedMessage(2, &ProtoSDKResponse::descriptor),
  });
  return d;
}

const NanoDescriptor& ProtoSDKResponse::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoSDKResponse>("APMPBSdkResponse", {
      single(1, K::String), single(2, K::Int32), message(3, &ProtoSnapshot::descriptor),
  });
  return d;
}

}  // namespace sdk::analytics

