#include "sdk/analytics/foundation/ProtoAudienceMessages.h"

#include "sdk/analytics/foundation/AudienceFieldIndices.h"

namespace sdk::analytics {

// Each descriptor's fields are its message's schema in AudienceFieldIndices.h.
using detail::fieldsOf;

const NanoDescriptor& ProtoAudience::descriptor() {
  static const NanoDescriptor& d =
      NanoDescriptor::of<ProtoAudience>("APMPBAudience", fieldsOf(audience_fields::schema::kAudience));
  return d;
}

const NanoDescriptor& ProtoEventFilter::descriptor() {
  static const NanoDescriptor& d =
      NanoDescriptor::of<ProtoEventFilter>("APMPBEventFilter", fieldsOf(audience_fields::schema::kEventFilter));
  return d;
}

const NanoDescriptor& ProtoPropertyFilter::descriptor() {
  static const NanoDescriptor& d =
      NanoDescriptor::of<ProtoPropertyFilter>("APMPBPropertyFilter", fieldsOf(audience_fields::schema::kPropertyFilter));
  return d;
}

const NanoDescriptor& ProtoFilter::descriptor() {
  static const NanoDescriptor& d =
      NanoDescriptor::of<ProtoFilter>("APMPBFilter", fieldsOf(audience_fields::schema::kFilter));
  return d;
}

const NanoDescriptor& ProtoNumberFilter::descriptor() {
  static const NanoDescriptor& d =
      NanoDescriptor::of<ProtoNumberFilter>("APMPBNumberFilter", fieldsOf(audience_fields::schema::kNumberFilter));
  return d;
}

const NanoDescriptor& ProtoStringFilter::descriptor() {
  static const NanoDescriptor& d =
      NanoDescriptor::of<ProtoStringFilter>("APMPBStringFilter", fieldsOf(audience_fields::schema::kStringFilter));
  return d;
}

const NanoDescriptor& ProtoResultData::descriptor() {
  static const NanoDescriptor& d =
      NanoDescriptor::of<ProtoResultData>("APMPBResultData", fieldsOf(audience_fields::schema::kResultData));
  return d;
}

const NanoDescriptor& ProtoDynamicFilterResultTimestamp::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoDynamicFilterResultTimestamp>(
      "APMPBDynamicFilterResultTimestamp", fieldsOf(audience_fields::schema::kDynamicTimestamp));
  return d;
}

const NanoDescriptor& ProtoSequenceFilterResultTimestamp::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoSequenceFilterResultTimestamp>(
      "APMPBSequenceFilterResultTimestamp", fieldsOf(audience_fields::schema::kSequenceTimestamp));
  return d;
}

const NanoDescriptor& ProtoAudienceLeafFilterResult::descriptor() {
  static const NanoDescriptor& d = NanoDescriptor::of<ProtoAudienceLeafFilterResult>(
      "APMPBAudienceLeafFilterResult", fieldsOf(audience_fields::schema::kLeafResult));
  return d;
}

}  // namespace sdk::analytics
