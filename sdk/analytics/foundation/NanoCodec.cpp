#include "sdk/analytics/foundation/NanoCodec.h"

#include <pb_decode.h>
#include <pb_encode.h>

#include <algorithm>

#include "platform/foundation/ThreadStack.h"
#include "sdk/analytics/foundation/NanoMessage.h"

namespace sdk::analytics::detail {

namespace {

using Scalar = NanoMessage::Scalar;

pb_wire_type_t wireType(NanoFieldKind kind) {
  switch (kind) {
    case NanoFieldKind::Float:
      return PB_WT_32BIT;
    case NanoFieldKind::Double:
      return PB_WT_64BIT;
    case NanoFieldKind::String:
    case NanoFieldKind::Bytes:
    case NanoFieldKind::Message:
      return PB_WT_STRING;
    default:
      return PB_WT_VARINT;
  }
}

bool isPackable(NanoFieldKind kind) { return wireType(kind) != PB_WT_STRING; }

std::uint64_t asBits(const Scalar& value) {
  if (const auto* n = std::get_if<std::int64_t>(&value)) return static_cast<std::uint64_t>(*n);
  if (const auto* u = std::get_if<std::uint64_t>(&value)) return *u;
  return 0;
}

double asDouble(const Scalar& value) {
  if (const auto* d = std::get_if<double>(&value)) return *d;
  return 0;
}

bool appendToData(pb_ostream_t* stream, const pb_byte_t* bytes, std::size_t count) {
  auto* out = static_cast<platform::foundation::Data*>(stream->state);
  out->insert(out->end(), bytes, bytes + count);
  return true;
}

void encodeValue(pb_ostream_t* stream, const NanoField& field, const Scalar& value) {
  pb_encode_tag(stream, wireType(field.kind), field.tag);
  switch (field.kind) {
    case NanoFieldKind::Float: {
      float f = static_cast<float>(asDouble(value));
      pb_encode_fixed32(stream, &f);
      break;
    }
    case NanoFieldKind::Double: {
      double d = asDouble(value);
      pb_encode_fixed64(stream, &d);
      break;
    }
    case NanoFieldKind::String:
    case NanoFieldKind::Bytes: {
      const auto* text = std::get_if<std::string>(&value);
      std::string_view bytes = text ? std::string_view(*text) : std::string_view();
      pb_encode_string(stream, reinterpret_cast<const pb_byte_t*>(bytes.data()), bytes.size());
      break;
    }
    case NanoFieldKind::Message: {
      platform::foundation::Data inner;
      const auto* message = std::get_if<std::shared_ptr<NanoMessage>>(&value);
      if (message && *message) encodeMessage(**message, inner);
      pb_encode_string(stream, inner.data(), inner.size());
      break;
    }
    default:
      pb_encode_varint(stream, asBits(value));
  }
}

// What one decode may still spend; the first limit crossed names the failure.
struct DecodeBudget {
  std::size_t messagesLeft;
  std::size_t bytesLeft;
  NanoDecodeFailure failure = NanoDecodeFailure::None;

  bool fail(NanoDecodeFailure why) {
    if (failure == NanoDecodeFailure::None) failure = why;
    return false;
  }
  // Memory about to be taken; false (and the failure named) when it does not fit.
  bool spend(std::size_t bytes) {
    if (bytes > bytesLeft) return fail(NanoDecodeFailure::TooMuchMemory);
    bytesLeft -= bytes;
    return true;
  }
};

// The stack a decode leaves in hand at its deepest message. Destroying what it made recurses as
// deep, and under the sanitizers each level of that takes as much as a level of decoding (about
// 1.5 KB); the interpreter, which runs what a configuration's programs nest, keeps as much and
// takes twice that a level, so a thread that has room for running a program has room for decoding it.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || !defined(__OPTIMIZE__)
constexpr std::size_t kStackReserve = 1u << 20;
#else
constexpr std::size_t kStackReserve = 256u << 10;
#endif
// Only a program's statements nest without bound; every other message lies a few levels deep
// (an item of an event's parameter in a batch, the deepest, at five) and decodes on any thread.
constexpr int kUnwatchedDepth = 16;

// What decoded messages hold, as the decoder counts it: every allocation's own bookkeeping, each
// message's object with its shared count, one entry for each value of its list, and the characters
// of a text too long to sit in its entry.
constexpr std::size_t kAllocationBytes = 16;
constexpr std::size_t kInlineTextBytes = 15;
constexpr std::size_t kMessageBytes = sizeof(NanoMessage) + 2 * sizeof(void*) + kAllocationBytes;

bool readScalar(pb_istream_t* stream, const NanoField& field, Scalar& out, DecodeBudget& budget) {
  switch (field.kind) {
    case NanoFieldKind::Float: {
      float f;
      if (!pb_decode_fixed32(stream, &f)) return false;
      out = static_cast<double>(f);
      return true;
    }
    case NanoFieldKind::Double: {
      double d;
      if (!pb_decode_fixed64(stream, &d)) return false;
      out = d;
      return true;
    }
    case NanoFieldKind::String:
    case NanoFieldKind::Bytes: {
      std::uint32_t length;
      if (!pb_decode_varint32(stream, &length) || length > stream->bytes_left) return false;
      if (length > kInlineTextBytes && !budget.spend(length + 1 + kAllocationBytes)) return false;
      std::string bytes(length, '\0');
      if (!pb_read(stream, reinterpret_cast<pb_byte_t*>(bytes.data()), length)) return false;
      out = std::move(bytes);
      return true;
    }
    default: {
      std::uint64_t bits;
      if (!pb_decode_varint(stream, &bits)) return false;
      switch (field.kind) {
        case NanoFieldKind::Int32:
          out = static_cast<std::int64_t>(static_cast<std::int32_t>(bits));
          break;
        case NanoFieldKind::Int64:
          out = static_cast<std::int64_t>(bits);
          break;
        case NanoFieldKind::UInt32:
          out = static_cast<std::uint64_t>(static_cast<std::uint32_t>(bits));
          break;
        case NanoFieldKind::Bool:
          out = std::uint64_t{bits != 0};
          break;
        default:
          out = bits;
      }
      return true;
    }
  }
}

// The values packed in `packed`, counted without reading them: a varint ends at each byte below 0x80.
std::size_t packedCount(const pb_istream_t& packed, const NanoField& field) {
  if (wireType(field.kind) == PB_WT_32BIT) return packed.bytes_left / 4;
  if (wireType(field.kind) == PB_WT_64BIT) return packed.bytes_left / 8;
  const auto* bytes = static_cast<const std::uint8_t*>(packed.state);
  return static_cast<std::size_t>(std::count_if(bytes, bytes + packed.bytes_left, [](std::uint8_t b) { return b < 0x80; }));
}

bool isPacked(const NanoField& field, pb_wire_type_t wire) {
  return field.repeated && wire == PB_WT_STRING && isPackable(field.kind);
}

// The values of one message's own fields on the wire, counted without reading them (nested
// messages are skipped whole): its list is made once, at its size. False for bytes that do not
// parse.
bool countValues(pb_istream_t stream, const NanoDescriptor& descriptor, std::size_t& count) {
  while (stream.bytes_left > 0) {
    pb_wire_type_t wire;
    std::uint32_t tag;
    bool eof = false;
    if (!pb_decode_tag(&stream, &wire, &tag, &eof) || eof || tag == 0) return false;
    const int index = descriptor.indexOfTag(tag);
    const NanoField* field = index < 0 ? nullptr : &descriptor.fields[static_cast<std::size_t>(index)];
    if (field && isPacked(*field, wire)) {
      pb_istream_t packed;
      if (!pb_make_string_substream(&stream, &packed)) return false;
      count += packedCount(packed, *field);
      if (!pb_close_string_substream(&stream, &packed)) return false;
      continue;
    }
    if (field && wire == wireType(field->kind)) ++count;
    if (!pb_skip_field(&stream, wire)) return false;
  }
  return true;
}

// Where each singular field's value sits in the list being filled: a later occurrence replaces it.
class SingularPositions {
 public:
  explicit SingularPositions(std::size_t fields) {
    if (fields > kInline) spilled_.resize(fields);
    std::fill_n(positions(), fields, kNone);
  }
  std::size_t& at(std::size_t index) { return positions()[index]; }
  static constexpr std::size_t kNone = SIZE_MAX;

 private:
  std::size_t* positions() { return spilled_.empty() ? inline_ : spilled_.data(); }
  static constexpr std::size_t kInline = 64;
  std::size_t inline_[kInline];
  std::vector<std::size_t> spilled_;
};

bool decodeFields(pb_istream_t* stream, NanoMessage& message, int depth, DecodeBudget& budget);

// One value of a field that is not packed.
bool readValue(pb_istream_t* stream, const NanoField& field, Scalar& value, int depth, DecodeBudget& budget) {
  if (field.kind != NanoFieldKind::Message) return readScalar(stream, field, value, budget);
  // Counted before it is made, so a flood of empty sub-messages stops at the limits.
  if (budget.messagesLeft == 0) return budget.fail(NanoDecodeFailure::TooManyMessages);
  --budget.messagesLeft;
  if (!budget.spend(kMessageBytes)) return false;
  pb_istream_t inner;
  if (!pb_make_string_substream(stream, &inner)) return false;
  auto child = field.message().makeMessage();
  const bool ok = decodeFields(&inner, *child, depth + 1, budget);
  if (!pb_close_string_substream(stream, &inner) || !ok) return false;
  value = std::move(child);
  return true;
}

bool decodeFields(pb_istream_t* stream, NanoMessage& message, int depth, DecodeBudget& budget) {
  if (depth > NanoMessage::kMaxDepth) return budget.fail(NanoDecodeFailure::TooDeep);
  if (depth > kUnwatchedDepth && platform::foundation::ThreadStack::bytesLeft() < kStackReserve) {
    return budget.fail(NanoDecodeFailure::TooDeep);
  }
  const NanoDescriptor& descriptor = message.descriptor();
  std::size_t count = 0;
  if (!countValues(*stream, descriptor, count)) return false;
  if (count > 0 && !budget.spend(count * sizeof(NanoEntry) + kAllocationBytes)) return false;
  auto& entries = NanoEntriesAccess::of(message);
  entries.reserve(count);
  SingularPositions singular(descriptor.fields.size());
  bool ordered = true;
  while (stream->bytes_left > 0) {
    pb_wire_type_t wire;
    std::uint32_t tag;
    bool eof = false;
    if (!pb_decode_tag(stream, &wire, &tag, &eof) || eof || tag == 0) return false;
    const int found = descriptor.indexOfTag(tag);
    const NanoField* field = found < 0 ? nullptr : &descriptor.fields[static_cast<std::size_t>(found)];
    const auto index = static_cast<std::uint32_t>(found);
    auto append = [&](Scalar&& value) {
      if (!entries.empty() && entries.back().field > index) ordered = false;
      entries.push_back({std::move(value), index});
    };
    if (field && isPacked(*field, wire)) {
      pb_istream_t packed;
      if (!pb_make_string_substream(stream, &packed)) return false;
      bool ok = true;
      while (ok && packed.bytes_left > 0) {
        Scalar value;
        ok = readScalar(&packed, *field, value, budget);
        if (ok) append(std::move(value));
      }
      if (!pb_close_string_substream(stream, &packed) || !ok) return false;
    } else if (!field || wire != wireType(field->kind)) {
      if (!pb_skip_field(stream, wire)) return false;  // as an unknown field
    } else {
      Scalar value;
      if (!readValue(stream, *field, value, depth, budget)) return false;
      // The last occurrence of a singular field wins.
      auto& position = singular.at(index);
      if (field->repeated || position == SingularPositions::kNone) {
        if (!field->repeated) position = entries.size();
        append(std::move(value));
      } else {
        entries[position].value = std::move(value);
      }
    }
  }
  // Fields out of tag order on the wire: the list keeps them by field, each field's values in order.
  if (!ordered) {
    std::stable_sort(entries.begin(), entries.end(),
                     [](const NanoEntry& a, const NanoEntry& b) { return a.field < b.field; });
  }
  return true;
}

}  // namespace

std::vector<NanoEntry>& NanoEntriesAccess::of(NanoMessage& message) { return message.entries_; }
const std::vector<NanoEntry>& NanoEntriesAccess::of(const NanoMessage& message) { return message.entries_; }

void encodeMessage(const NanoMessage& message, platform::foundation::Data& out) {
  pb_ostream_t stream{};
  stream.callback = &appendToData;
  stream.state = &out;
  stream.max_size = SIZE_MAX;
  const NanoDescriptor& descriptor = message.descriptor();
  for (std::size_t index : descriptor.indicesByTag) {
    const NanoField& field = descriptor.fields[index];
    for (const Scalar& value : message.values(static_cast<int>(index))) encodeValue(&stream, field, value);
  }
}

NanoDecodeFailure decodeMessage(std::span<const std::uint8_t> bytes, NanoMessage& message, const NanoDecodeBudget& limits) {
  if (bytes.size() > NanoMessage::kMaxEncodedBytes) return NanoDecodeFailure::TooLarge;
  pb_istream_t stream = pb_istream_from_buffer(bytes.data(), bytes.size());
  // The message itself is the first message, made already.
  DecodeBudget budget{NanoMessage::kMaxDecodedMessages - 1, limits.bytesFor(bytes.size())};
  if (decodeFields(&stream, message, 0, budget)) return NanoDecodeFailure::None;
  return budget.failure == NanoDecodeFailure::None ? NanoDecodeFailure::Malformed : budget.failure;
}

}  // namespace sdk::analytics::detail
