#pragma once

#include "sdk/analytics/foundation/NanoMessage.h"

// Shorthands for writing field tables.
namespace sdk::analytics::detail {

inline NanoField single(std::uint32_t tag, NanoFieldKind kind) { return {tag, kind, false, nullptr}; }
inline NanoField repeated(std::uint32_t tag, NanoFieldKind kind) { return {tag, kind, true, nullptr}; }
inline NanoField message(std::uint32_t tag, NanoDescriptorRef type) {
  return {tag, NanoFieldKind::Message, false, type};
}
inline NanoField repeatedMessage(std::uint32_t tag, NanoDescriptorRef type) {
  return {tag, NanoFieldKind::Message, true, type};
}
// An index the messages never type: kept in the numbering, skipped on the wire.
inline NanoField reserved() { return {}; }

}  // namespace sdk::analytics::detail

#define ANALYTICS_PROTO_MESSAGE(Name)                           \
  class Name final : public TypedNanoMessage<Name> {       \
   public:                                               \
    static const NanoDescriptor& descriptor();        \
  }
