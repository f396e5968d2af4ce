#include "sdk/analytics/foundation/APMPBExperiments.h"

using namespace sdk::analytics::detail;
using K = APMNanoKind;

const APMNanoDescriptor& APMPBFlag::descriptor() {
  static const APMNanoDescriptor& d = APMNanoDescriptor::of<APMPBFlag>("APMPBFlag", {
      single(1, K::String), single(2, K::Int64), single(3, K::String), single(4, K::Double), single(5, K::Bool),
  });
  return d;
}

const APMNanoDescriptor& APMPBExperiment::descriptor() {
  static const APMNanoDescriptor& d = APMNanoDescriptor::of<APMPBExperiment>("APMPBExperiment", {single(1, K::Int32), messages(2, &APMPBFlag::descriptor)});
  return d;
}

const APMNanoDescriptor& APMPBSnapshot::descriptor() {
  static const APMNanoDescriptor& d = APMNanoDescriptor::of<APMPBSnapshot>("APMPBSnapshot", {single(1, K::String), messages(2, &APMPBExperiment::descriptor)});
  return d;
}

const APMNanoDescriptor& APMPBClientProperty::descriptor() {
  static const APMNanoDescriptor& d = APMNanoDescriptor::of<APMPBClientProperty>("APMPBClientProperty", {
      single(1, K::String), single(2, K::String), single(3, K::Int64), single(4, K::String),
      messages(5, &APMPBCustomProperty::descriptor),
  });
  return d;
}

const APMNanoDescriptor& APMPBCustomProperty::descriptor() {
  static const APMNanoDescriptor& d = APMNanoDescriptor::of<APMPBCustomProperty>("APMPBCustomProperty", {single(1, K::String), single(2, K::String)});
  return d;
}

const APMNanoDescriptor& APMPBAppProperty::descriptor() {
  static const APMNanoDescriptor& d = APMNanoDescriptor::of<APMPBAppProperty>("APMPBAppProperty", {
      single(1, K::String), single(2, K::String), single(3, K::String), single(4, K::String), single(5, K::String),
      single(6, K::Bool), single(7, K::Int64),
  });
  return d;
}

const APMNanoDescriptor& APMPBExperimentRequest::descriptor() {
  static const APMNanoDescriptor& d = APMNanoDescriptor::of<APMPBExperimentRequest>("APMPBExperimentRequest", {
      message(1, &APMPBAppProperty::descriptor), messages(2, &APMPBClientProperty::descriptor),
  });
  return d;
}

const APMNanoDescriptor& APMPBExperimentResponse::descriptor() {
  static const APMNanoDescriptor& d = APMNanoDescriptor::of<APMPBExperimentResponse>("APMPBExperimentResponse", {
      messages(1, &APMPBSnapshot::descriptor), messages(2, &APMPBSdkResponse::descriptor),
  });
  return d;
}

const APMNanoDescriptor& APMPBSdkResponse::descriptor() {
  static const APMNanoDescriptor& d = APMNanoDescriptor::of<APMPBSdkResponse>("APMPBSdkResponse", {
      single(1, K::String), single(2, K::Int32), message(3, &APMPBSnapshot::descriptor),
  });
  return d;
}
