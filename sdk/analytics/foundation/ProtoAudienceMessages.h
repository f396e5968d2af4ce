#pragma once

#include "sdk/analytics/foundation/NanoMessage.h"
#include "sdk/analytics/foundation/detail/NanoFields.h"

namespace sdk::analytics {

// Audience definitions and their evaluation results. Their fields, and the names the code reaches them by, are in
// AudienceFieldIndices.h.
ANALYTICS_PROTO_MESSAGE(ProtoAudience);
ANALYTICS_PROTO_MESSAGE(ProtoEventFilter);
ANALYTICS_PROTO_MESSAGE(ProtoPropertyFilter);
ANALYTICS_PROTO_MESSAGE(ProtoFilter);
ANALYTICS_PROTO_MESSAGE(ProtoNumberFilter);
ANALYTICS_PROTO_MESSAGE(ProtoStringFilter);
ANALYTICS_PROTO_MESSAGE(ProtoResultData);
ANALYTICS_PROTO_MESSAGE(ProtoDynamicFilterResultTimestamp);
ANALYTICS_PROTO_MESSAGE(ProtoSequenceFilterResultTimestamp);
ANALYTICS_PROTO_MESSAGE(ProtoAudienceLeafFilterResult);

}  // namespace sdk::analytics

