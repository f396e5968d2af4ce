#include "sdk/analytics/foundation/ProtoAudienceMessages.h"

namespace sdk::analytics {

using namespace sdk::analytics::detail;
using K = NanoFieldKind;

const NanoDescriptor& ProtoAudience::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoAudience>("APMPBAudience", {
      single(1, K::Int32), repeatedMessage(2, &ProtoPropertyFilter::descriptor), repeatedMessage(3, &ProtoEventFilter::descriptor),
      single(4, K::Bool), single(5, K::Bool),
  });
  return d;
}

const NanoDescriptor& ProtoEventFilter::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoEventFilter>("APMPBEventFilter", {
      single(1, K::Int32), single(2, K::String), repeatedMessage(3, &ProtoFilter::descriptor), single(4, K::Bool),
      message(5, &ProtoNumberFilter::descriptor), single(6, K::Bool), single(7, K::Bool), single(8, K::Bool),
  });
  return d;
}

const NanoDescriptor& ProtoPropertyFilter::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoPropertyFilter>("APMPBPropertyFilter", {
      single(1, K::Int32), single(2, K::String), message(3, &ProtoFilter::descriptor), single(4, K::Bool),
      single(5, K::Bool), single(6, K::Bool),
  });
  return d;
}

const NanoDescriptor& ProtoFilter::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoFilter>("APMPBFilter", {
      message(1, &ProtoStringFilter::descriptor), message(2, &ProtoNumberFilter::descriptor), single(3, K::Bool),
      single(4, K::String),
  });
  return d;
}

const NanoDescriptor& ProtoNumberFilter::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoNumberFilter>("APMPBNumberFilter", {
      single(1, K::UInt32), single(2, K::Bool), single(3, K::String), single(4, K::String), single(5, K::String),
  });
  return d;
}

const NanoDescriptor& ProtoStringFilter::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoStringFilter>("APMPBStringFilter", {
      single(1, K::UInt32), single(2, K::String), single(3, K::Bool), repeated(4, K::String),
  });
  return d;
}

const NanoDescriptor& ProtoResultData::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoResultData>("APMPBResultData", {
      repeated(1, K::UInt64), repeated(2, K::UInt64), repeatedMessage(3, &ProtoDynamicFilterResultTimestamp::descriptor),
      repeatedMessage(4, &ProtoSequenceFilterResultTimestamp::descriptor),
  });
  return d;
}

const NanoDescriptor& ProtoDynamicFilterResultTimestamp::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoDynamicFilterResultTimestamp>("APMPBDynamicFilterResultTimestamp", {single(1, K::Int32), single(2, K::Int64)});
  return d;
}

const NanoDescriptor& ProtoSequenceFilterResultTimestamp::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoSequenceFilterResultTimestamp>("APMPBSequenceFilterResultTimestamp", {single(1, K::Int32), repeated(2, K::Int64)});
  return d;
}

const NanoDescriptor& ProtoAudienceLeafFilterResult::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoAudienceLeafFilterResult>("APMPBAudienceLeafFilterResult", {
      single(1, K::Int32), message(2, &ProtoResultData::descriptor), message(3, &ProtoResultData::descriptor),
      single(4, K::Bool),
  });
  return d;
}

}  // namespace sdk::analytics

