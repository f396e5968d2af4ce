#include "sdk/analytics/foundation/APMPBAudience.h"

using namespace sdk::analytics::detail;
using K = APMNanoKind;

const APMNanoDescriptor& APMPBAudience::descriptor() {
  static const APMNanoDescriptor& d = APMNanoDescriptor::of<APMPBAudience>("APMPBAudience", {
      single(1, K::Int32), messages(2, &APMPBPropertyFilter::descriptor), messages(3, &APMPBEventFilter::descriptor),
      single(4, K::Bool), single(5, K::Bool),
  });
  return d;
}

const APMNanoDescriptor& APMPBEventFilter::descriptor() {
  static const APMNanoDescriptor& d = APMNanoDescriptor::of<APMPBEventFilter>("APMPBEventFilter", {
      single(1, K::Int32), single(2, K::String), messages(3, &APMPBFilter::descriptor), single(4, K::Bool),
      message(5, &APMPBNumberFilter::descriptor), single(6, K::Bool), single(7, K::Bool), single(8, K::Bool),
  });
  return d;
}

const APMNanoDescriptor& APMPBPropertyFilter::descriptor() {
  static const APMNanoDescriptor& d = APMNanoDescriptor::of<APMPBPropertyFilter>("APMPBPropertyFilter", {
      single(1, K::Int32), single(2, K::String), message(3, &APMPBFilter::descriptor), single(4, K::Bool),
      single(5, K::Bool), single(6, K::Bool),
  });
  return d;
}

const APMNanoDescriptor& APMPBFilter::descriptor() {
  static const APMNanoDescriptor& d = APMNanoDescriptor::of<APMPBFilter>("APMPBFilter", {
      message(1, &APMPBStringFilter::descriptor), message(2, &APMPBNumberFilter::descriptor), single(3, K::Bool),
      single(4, K::String),
  });
  return d;
}

const APMNanoDescriptor& APMPBNumberFilter::descriptor() {
  static const APMNanoDescriptor& d = APMNanoDescriptor::of<APMPBNumberFilter>("APMPBNumberFilter", {
      single(1, K::UInt32), single(2, K::Bool), single(3, K::String), single(4, K::String), single(5, K::String),
  });
  return d;
}

const APMNanoDescriptor& APMPBStringFilter::descriptor() {
  static const APMNanoDescriptor& d = APMNanoDescriptor::of<APMPBStringFilter>("APMPBStringFilter", {
      single(1, K::UInt32), single(2, K::String), single(3, K::Bool), repeated(4, K::String),
  });
  return d;
}

const APMNanoDescriptor& APMPBResultData::descriptor() {
  static const APMNanoDescriptor& d = APMNanoDescriptor::of<APMPBResultData>("APMPBResultData", {
      repeated(1, K::UInt64), repeated(2, K::UInt64), messages(3, &APMPBDynamicFilterResultTimestamp::descriptor),
      messages(4, &APMPBSequenceFilterResultTimestamp::descriptor),
  });
  return d;
}

const APMNanoDescriptor& APMPBDynamicFilterResultTimestamp::descriptor() {
  static const APMNanoDescriptor& d = APMNanoDescriptor::of<APMPBDynamicFilterResultTimestamp>("APMPBDynamicFilterResultTimestamp", {single(1, K::Int32), single(2, K::Int64)});
  return d;
}

const APMNanoDescriptor& APMPBSequenceFilterResultTimestamp::descriptor() {
  static const APMNanoDescriptor& d = APMNanoDescriptor::of<APMPBSequenceFilterResultTimestamp>("APMPBSequenceFilterResultTimestamp", {single(1, K::Int32), repeated(2, K::Int64)});
  return d;
}

const APMNanoDescriptor& APMPBAudienceLeafFilterResult::descriptor() {
  static const APMNanoDescriptor& d = APMNanoDescriptor::of<APMPBAudienceLeafFilterResult>("APMPBAudienceLeafFilterResult", {
      single(1, K::Int32), message(2, &APMPBResultData::descriptor), message(3, &APMPBResultData::descriptor),
      single(4, K::Bool),
  });
  return d;
}
