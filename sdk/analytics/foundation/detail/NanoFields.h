#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

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

// The wire tag at `index` of a schema, or 0 (no tag) for an index outside it.
constexpr std::uint32_t tagAt(std::span<const NanoField> fields, int index) {
  return index >= 0 && static_cast<std::size_t>(index) < fields.size() ? fields[static_cast<std::size_t>(index)].tag
                                                                          : 0;
}

// A descriptor's fields, copied from their message's schema.
inline std::vector<NanoField> fieldsOf(std::span<const NanoField> fields) { return {fields.begin(), fields.end()}; }

}  // namespace sdk::analytics::detail

#define ANALYTICS_PROTO_MESSAGE(Name)                           \
  class Name final : public TypedNanoMessage<Name> {       \
   public:                                               \
    static const NanoDescriptor& descriptor();        \
  }
