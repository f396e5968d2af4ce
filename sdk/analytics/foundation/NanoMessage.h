#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "platform/foundation/Value.h"

// The protocol-buffer message layer. Every message is described by a table of its fields in index
// order (the index is the field's place in the message's field list; the wire tag is given beside
// it). A descriptor-driven codec over nanopb's wire functions reads and writes any described
// message, so the accessors can reach every field by index without per-message code.
//
// Wire rules: fields are written in tag order, repeated fields element by element (unpacked), so
// equal content gives equal bytes. Reading skips unknown tags and tags of reserved indices, takes
// repeated numbers packed or unpacked, and refuses truncated input, nesting deeper than kMaxDepth
// (or than the calling thread's stack holds with room to spare), input larger than
// kMaxEncodedBytes, input that would make more than kMaxDecodedMessages messages and input whose
// messages would hold more memory than its NanoDecodeBudget allows (a small input of many empty
// sub-messages, tiny numbers or empty texts would otherwise take far more memory than its size
// suggests).

namespace sdk::analytics {

namespace detail {
struct NanoEntriesAccess;
}  // namespace detail

// Why bytes did not decode.
enum class NanoDecodeFailure : std::uint8_t { None, Malformed, TooLarge, TooDeep, TooManyMessages, TooMuchMemory };
// A short English description of the failure, for logs.
const char* nanoDecodeFailureText(NanoDecodeFailure failure);

enum class NanoFieldKind : std::uint8_t { Reserved, Int32, Int64, UInt32, UInt64, Bool, Float, Double, String, Bytes, Message };

struct NanoDescriptor;
class NanoMessage;
using NanoDescriptorRef = const NanoDescriptor& (*)();

struct NanoField {
  std::uint32_t tag = 0;  // 0 for a reserved index
  NanoFieldKind kind = NanoFieldKind::Reserved;
  bool repeated = false;
  NanoDescriptorRef message = nullptr;  // for Message fields
};

// Each message kind's descriptor is made once and never destroyed: work still queued on a worker
// thread while the process exits may encode messages after static destructors have run.
struct NanoDescriptor {
  // Makes an empty message of the descriptor's typed class.
  using Maker = std::shared_ptr<NanoMessage> (*)();

  NanoDescriptor(const char* name, std::vector<NanoField> fields, Maker maker = nullptr);
  // The descriptor of the typed message `Self`. Sub-messages of this kind, decoded or copied, are
  // made as `Self`, so they can be read in place through the typed class.
  template <typename Self>
  static const NanoDescriptor& of(const char* name, std::vector<NanoField> fields) {
    return *new NanoDescriptor(name, std::move(fields), []() -> std::shared_ptr<NanoMessage> {
      return std::make_shared<Self>();
    });
  }

  // An empty message of this kind.
  std::shared_ptr<NanoMessage> makeMessage() const;

  const char* name;
  Maker maker;
  std::vector<NanoField> fields;        // by index
  std::vector<std::size_t> indicesByTag;  // indices sorted by tag, reserved ones left out
  // Index of a tag, or -1.
  int indexOfTag(std::uint32_t tag) const {
    return tag < indexByTag.size() ? indexByTag[tag] : searchTag(tag);
  }

 private:
  int searchTag(std::uint32_t tag) const;
  // Every field of our messages has a small tag: the decoder looks each one up directly.
  static constexpr std::uint32_t kDirectTags = 256;
  std::vector<std::int16_t> indexByTag;  // by tag below kDirectTags, -1 for none
};

// How much memory one decode may make: an allowance any decode has, and a multiple of the bytes it
// reads. Whatever the bytes, what they decode to never holds more than that. Data from outside (the
// configuration, and what is derived from it) is read with the default: a fixed ceiling, which any
// configuration the fetch accepts (1 MiB) fits under when it is made of what configurations hold
// (settings, audiences, programs of ordinary statements), whatever their mix; the densest, a
// mebibyte of calls without arguments, takes about 32 MB. The engine's own bundles and raw events,
// whose events it checked and capped itself and whose many small parameters take up to about twenty
// times their bytes, are read with ownData().
struct NanoDecodeBudget {
  std::size_t allowance = kOutsideDataCeiling;
  std::size_t bytesPerEncodedByte = 0;

  static constexpr std::size_t kOutsideDataCeiling = 48u << 20;
  static constexpr NanoDecodeBudget ownData() { return NanoDecodeBudget{4u << 20, 32}; }
  std::size_t bytesFor(std::size_t encoded) const { return encoded * bytesPerEncodedByte + allowance; }
};

// A value of a field: integers (signed kinds as int64, unsigned kinds and bools as uint64), floats
// and doubles as double, strings and bytes as string, sub-messages by pointer.
using NanoScalar = std::variant<std::int64_t, std::uint64_t, double, std::string, std::shared_ptr<NanoMessage>>;

// One value of a message, with the index of the field it belongs to.
struct NanoEntry {
  NanoScalar value;
  std::uint32_t field = 0;
};

// The values of one field of a message, in place and in order: valid while the message is left
// unchanged.
class NanoValues {
 public:
  class Iterator {
   public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = NanoScalar;
    using difference_type = std::ptrdiff_t;
    using pointer = const NanoScalar*;
    using reference = const NanoScalar&;

    Iterator() = default;
    explicit Iterator(const NanoEntry* at) : at_(at) {}
    reference operator*() const { return at_->value; }
    pointer operator->() const { return &at_->value; }
    reference operator[](difference_type n) const { return at_[n].value; }
    Iterator& operator++() {
      ++at_;
      return *this;
    }
    Iterator operator++(int) { return Iterator(at_++); }
    Iterator& operator--() {
      --at_;
      return *this;
    }
    Iterator operator--(int) { return Iterator(at_--); }
    Iterator& operator+=(difference_type n) {
      at_ += n;
      return *this;
    }
    Iterator& operator-=(difference_type n) {
      at_ -= n;
      return *this;
    }
    friend Iterator operator+(Iterator it, difference_type n) { return it += n; }
    friend Iterator operator+(difference_type n, Iterator it) { return it += n; }
    friend Iterator operator-(Iterator it, difference_type n) { return it -= n; }
    friend difference_type operator-(const Iterator& a, const Iterator& b) { return a.at_ - b.at_; }
    friend bool operator==(const Iterator& a, const Iterator& b) { return a.at_ == b.at_; }
    friend auto operator<=>(const Iterator& a, const Iterator& b) { return a.at_ <=> b.at_; }

   private:
    const NanoEntry* at_ = nullptr;
  };

  NanoValues() = default;
  NanoValues(const NanoEntry* first, const NanoEntry* last) : first_(first), last_(last) {}
  Iterator begin() const { return Iterator(first_); }
  Iterator end() const { return Iterator(last_); }
  std::size_t size() const { return static_cast<std::size_t>(last_ - first_); }
  bool empty() const { return first_ == last_; }
  const NanoScalar& front() const { return first_->value; }
  const NanoScalar& back() const { return (last_ - 1)->value; }
  const NanoScalar& operator[](std::size_t i) const { return first_[i].value; }

 private:
  const NanoEntry* first_ = nullptr;
  const NanoEntry* last_ = nullptr;
};

class NanoMessage {
 public:
  // Deep enough for every program the script interpreter runs, from the deepest place a
  // configuration holds one (the rules check that the two agree).
  static constexpr int kMaxDepth = 516;
  static constexpr std::size_t kMaxEncodedBytes = 4 * 1024 * 1024;
  // More than a mebibyte of ordinary statements makes: the smallest, a call without arguments,
  // takes seven bytes.
  static constexpr std::size_t kMaxDecodedMessages = 200'000;

  using Scalar = NanoScalar;

  explicit NanoMessage(const NanoDescriptor& descriptor) : descriptor_(&descriptor) {}
  NanoMessage(const NanoMessage& other);
  NanoMessage& operator=(const NanoMessage& other);
  virtual ~NanoMessage() = default;

  const NanoDescriptor& descriptor() const { return *descriptor_; }
  std::size_t fieldCount() const { return descriptor_->fields.size(); }

  // The encoded bytes.
  platform::foundation::Data protoBuffer() const;
  // Replaces the content with the decoded bytes; false (content cleared) when they do not decode,
  // with the reason in `failure` when given.
  [[nodiscard]] bool decode(std::span<const std::uint8_t> bytes, NanoDecodeFailure* failure = nullptr,
                            NanoDecodeBudget budget = {});

  // A deep copy, of the same typed class.
  std::shared_ptr<NanoMessage> clone() const;

  // The values of one field (at most one for a singular field); throws for an index out of range.
  NanoValues values(int index) const {
    const auto [first, last] = rangeOf(checkedIndex(index));
    return NanoValues(entries_.data() + first, entries_.data() + last);
  }
  const NanoField& field(int index) const { return descriptor_->fields[checkedIndex(index)]; }
  // Changes to one field's values, as they are given (the accessors check their kind).
  void setValues(int index, std::vector<Scalar> values);
  void setValue(int index, Scalar value);
  void addValue(int index, Scalar value);
  void clearValues(int index);

  bool operator==(const NanoMessage& other) const;

 private:
  friend struct detail::NanoEntriesAccess;

  // Field reads sit on the audience filters' per-event path: the check stays inline, the throw not.
  std::size_t checkedIndex(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= descriptor_->fields.size()) [[unlikely]] throwOutOfRange(index);
    return static_cast<std::size_t>(index);
  }
  [[noreturn]] void throwOutOfRange(int index) const;
  // Where the values of field `index` start and end in entries_: a short list is scanned, a long
  // one searched.
  std::pair<std::size_t, std::size_t> rangeOf(std::size_t index) const {
    const std::size_t count = entries_.size();
    if (count > kScannedEntries) return {lowerBound(index), lowerBound(index + 1)};
    std::size_t first = 0;
    while (first < count && entries_[first].field < index) ++first;
    std::size_t last = first;
    while (last < count && entries_[last].field == index) ++last;
    return {first, last};
  }
  std::size_t lowerBound(std::size_t index) const;
  static constexpr std::size_t kScannedEntries = 8;

  const NanoDescriptor* descriptor_;
  // Every value of every field in one list, by field index (a repeated field's in their order): a
  // message holds only what is present, and a singular value needs no list of its own.
  std::vector<NanoEntry> entries_;
};

// The typed face of one described message: `Self::descriptor()` names its fields.
template <typename Self>
class TypedNanoMessage : public NanoMessage {
 public:
  TypedNanoMessage() : NanoMessage(Self::descriptor()) {}

  // The message, or nullptr when the bytes do not decode (the reason in `failure` when given).
  static std::shared_ptr<Self> initWithBuffer(std::span<const std::uint8_t> bytes,
                                              NanoDecodeFailure* failure = nullptr, NanoDecodeBudget budget = {}) {
    auto message = std::make_shared<Self>();
    if (!message->decode(bytes, failure, budget)) return nullptr;
    return message;
  }
  // An empty message.
  static std::shared_ptr<Self> make() { return std::make_shared<Self>(); }
  // A copy of `other` as this class; nullptr when `other` is another kind of message.
  static std::shared_ptr<Self> copyOf(const NanoMessage& other) {
    if (&other.descriptor() != &Self::descriptor()) return nullptr;
    auto message = std::make_shared<Self>();
    static_cast<NanoMessage&>(*message) = other;
    return message;
  }
};

}  // namespace sdk::analytics

