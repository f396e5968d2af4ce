#include "sdk/analytics/foundation/ProtoMeasurementMessages.h"

#include "sdk/analytics/foundation/MeasurementFieldIndices.h"

namespace sdk::analytics {

// Each descriptor's fields are its message's schema in MeasurementFieldIndices.h.
using detail::fieldsOf;

const NanoDescriptor& ProtoMeasurementBatch::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoMeasurementBatch>("APMPBMeasurementBatch",
      fieldsOf(measurement_fields::schema::kBatch));
  return d;
}

const NanoDescriptor& ProtoMeasurementBundle::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoMeasurementBundle>("APMPBMeasurementBundle",
      fieldsOf(measurement_fields::schema::kBundle));
  return d;
}

const NanoDescriptor& ProtoEvent::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoEvent>("APMPBEvent",
      fieldsOf(measurement_fields::schema::kEvent));
  return d;
}

const NanoDescriptor& ProtoEventParam::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoEventParam>("APMPBEventParam",
      fieldsOf(measurement_fields::schema::kParam));
  return d;
}

const NanoDescriptor& ProtoUserAttribute::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoUserAttribute>("APMPBUserAttribute",
      fieldsOf(measurement_fields::schema::kAttribute));
  return d;
}

const NanoDescriptor& ProtoMeasurementConfig::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoMeasurementConfig>("APMPBMeasurementConfig",
      fieldsOf(measurement_fields::schema::kConfig));
  return d;
}

const NanoDescriptor& ProtoSetting::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoSetting>("APMPBSetting",
      fieldsOf(measurement_fields::schema::kSetting));
  return d;
}

const NanoDescriptor& ProtoEventConfig::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoEventConfig>("APMPBEventConfig",
      fieldsOf(measurement_fields::schema::kEventConfig));
  return d;
}

}  // namespace sdk::analytics
