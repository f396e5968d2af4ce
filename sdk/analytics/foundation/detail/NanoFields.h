#pragma once

#include "sdk/analytics/foundation/NanoMessage.h"

// Shorthands for writing field tables; constant expressions, so a table can be checked at compile time.
namespace sdk::analytics::detail {

constexpr NanoField single(std::uint32_t tag, NanoFieldKind kind) { return {tag, kind, false, nullptr}; }
constexpr NanoField repeated(std::uint32_t tag, NanoFieldKind kind) { return {tag, kind, true, nullptr}; }
constexpr NanoField message(std::uint32_t tag, NanoDescriptorRef type) {
  return {tag, NanoFieldKind::Message, false, type};
}
constexpr NanoField repeatedMessage(std::uint32_t tag, NanoDescriptorRef type) {
  return {tag, NanoFieldKind::Message, true, type};
}
// An index the messages never type: kept in the numbering, skipped on the wire.
constexpr NanoField reserved() { return {}; }

}  // namespace sdk::analytics::detail

#define ANALYTICS_PROTO_MESSAGE(Name)                           \
  class Name final : public TypedNanoMessage<Name> {       \
   public:                                               \
    static const NanoDescriptor& descriptor();        \
  }
