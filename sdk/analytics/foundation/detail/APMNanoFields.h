#pragma once

#include "sdk/analytics/foundation/APMNanoMessage.h"

// Shorthands for writing field tables.
namespace sdk::analytics::detail {

inline APMNanoField single(std::uint32_t tag, APMNanoKind kind) { return {tag, kind, false, nullptr}; }
inline APMNanoField repeated(std::uint32_t tag, APMNanoKind kind) { return {tag, kind, true, nullptr}; }
inline APMNanoField message(std::uint32_t tag, APMNanoDescriptorRef type) {
  return {tag, APMNanoKind::Message, false, type};
}
inline APMNanoField messages(std::uint32_t tag, APMNanoDescriptorRef type) {
  return {tag, APMNanoKind::Message, true, type};
}
// An index the messages never type: kept in the numbering, skipped on the wire.
inline APMNanoField reserved() { return {}; }

}  // namespace sdk::analytics::detail

#define APM_NANO_WRAPPER(Name)                           \
  class Name final : public APMNanoWrapper<Name> {       \
   public:                                               \
    static const APMNanoDescriptor& descriptor();        \
  }
