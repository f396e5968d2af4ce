#include "sdk/analytics/rules/ScriptValue.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "sdk/analytics/rules/ScriptNumberText.h"
#include "sdk/analytics/rules/SpareBlockPool.h"
#include "sdk/analytics/rules/CommandHelpers.h"
#include "sdk/analytics/rules/StringCommandEvaluator.h"

namespace sdk::analytics {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

class ScriptEmptyValue final : public ScriptValue {
 public:
  ScriptEmptyValue() : ScriptValue(ScriptValueKind::Empty) {}
};

}  // namespace

ScriptValue* ScriptValue::emptyValue() {
  static ScriptEmptyValue* value = new ScriptEmptyValue();
  return value;
}

ErrorOr<std::u16string> ScriptValue::stringValueOrError(int) const {
  return scriptError(kScriptErrorNoStringForm);
}

ErrorOr<double> ScriptValue::doubleValueOrError(int) const {
  return scriptError(kScriptErrorNoNumberForm);
}

ErrorOr<bool> ScriptValue::booleanValueOrError() const {
  return scriptError(kScriptErrorNoBooleanForm);
}

ErrorOr<ScriptValueRef> ScriptValue::applyWithName(const std::u16string& name, const ScriptValueList&, ScriptScope& scope) {
  if (name != u"toString") {
    return scriptError(kScriptErrorUnknownMethod);
  }
  auto text = TRY(stringValueOrError());
  return scriptString(heapOfScope(scope), std::move(text));
}

bool ScriptValue::isEqualToRuntimeValue(const ScriptValue& other, int) const { return this == &other; }

// Undefined and null.

ScriptUndefinedValue* makeSharedUndefined() { return new ScriptUndefinedValue(); }
ScriptBooleanValue* const* makeSharedBooleans() {
  static ScriptBooleanValue* const values[2] = {new ScriptBooleanValue(false), new ScriptBooleanValue(true)};
  return values;
}

ErrorOr<std::u16string> ScriptUndefinedValue::stringValueOrError(int) const { return u"undefined"; }
ErrorOr<double> ScriptUndefinedValue::doubleValueOrError(int) const { return kNaN; }
ErrorOr<bool> ScriptUndefinedValue::booleanValueOrError() const { return false; }
ErrorOr<ScriptValueRef> ScriptUndefinedValue::applyWithName(const std::u16string&, const ScriptValueList&, ScriptScope&) {
  return scriptError(kScriptErrorMethodOfNothing);
}
bool ScriptUndefinedValue::isEqualToRuntimeValue(const ScriptValue& other, int) const {
  return other.kind() == ScriptValueKind::Undefined;
}

ScriptNullValue* ScriptNullValue::sharedInstance() {
  static ScriptNullValue* value = new ScriptNullValue();
  return value;
}
ErrorOr<std::u16string> ScriptNullValue::stringValueOrError(int) const { return u"null"; }
ErrorOr<double> ScriptNullValue::doubleValueOrError(int) const { return 0; }
ErrorOr<bool> ScriptNullValue::booleanValueOrError() const { return false; }
ErrorOr<ScriptValueRef> ScriptNullValue::applyWithName(const std::u16string&, const ScriptValueList&, ScriptScope&) {
  return scriptError(kScriptErrorMethodOfNothing);
}
bool ScriptNullValue::isEqualToRuntimeValue(const ScriptValue& other, int) const {
  return other.kind() == ScriptValueKind::Null;
}

// Booleans.

ErrorOr<std::u16string> ScriptBooleanValue::stringValueOrError(int) const { return value_ ? u"true" : u"false"; }
ErrorOr<double> ScriptBooleanValue::doubleValueOrError(int) const { return value_ ? 1 : 0; }
ErrorOr<bool> ScriptBooleanValue::booleanValueOrError() const { return value_; }
bool ScriptBooleanValue::isEqualToRuntimeValue(const ScriptValue& other, int) const {
  return other.kind() == ScriptValueKind::Boolean && static_cast<const ScriptBooleanValue&>(other).value_ == value_;
}

// Numbers.

void* ScriptNumberValue::operator new(std::size_t) { return SpareBlockPool<sizeof(ScriptNumberValue)>::take(); }
void ScriptNumberValue::operator delete(void* block, std::size_t) { SpareBlockPool<sizeof(ScriptNumberValue)>::give(block); }
void* ScriptControlValue::operator new(std::size_t) { return SpareBlockPool<sizeof(ScriptControlValue)>::take(); }
void ScriptControlValue::operator delete(void* block, std::size_t) {
  SpareBlockPool<sizeof(ScriptControlValue)>::give(block);
}

ErrorOr<std::u16string> ScriptNumberValue::stringValueOrError(int) const {
  TRY(heap()->chargeNumberText());
  return formatScriptNumber(value_);
}
ErrorOr<double> ScriptNumberValue::doubleValueOrError(int) const { return value_; }
ErrorOr<bool> ScriptNumberValue::booleanValueOrError() const { return !(value_ == 0 || std::isnan(value_)); }
bool ScriptNumberValue::isEqualToRuntimeValue(const ScriptValue& other, int) const {
  if (other.kind() != ScriptValueKind::Number) return false;
  const double b = static_cast<const ScriptNumberValue&>(other).value_;
  return value_ == b || (std::isnan(value_) && std::isnan(b));
}

// Strings.

ErrorOr<ScriptValueRef> scriptString(ScriptHeap& heap, std::u16string value) {
  if (value.size() > heap.limits().stringLength || !heap.reserve(value.size() * 2).ok()) {
    return scriptError(kScriptErrorLimitReached);
  }
  return heap.make<ScriptStringValue>(std::move(value));
}

namespace {
constexpr std::size_t kPageBytes = 4096;

// Room for a string of `units` code units that may grow: a quarter more or so, in sizes that repeat
// as it grows (four to each doubling). A line built step by step then asks for the size of block
// the step before gave back, which malloc hands out again, instead of ever new memory from the top
// of the heap, which it returns to the system on the next free and faults in again on the next step
// (a line of 5,000 items faulted 60,000 pages in so, and spent as long on that as on copying). Short
// texts, which cost little to copy again, get no room to spare. Room of a page or more is half a
// page past a whole number of pages: two blocks of one size that an allocator lays one after the
// other then start half a page apart within their pages, not a header's few bytes (see apartFrom).
std::size_t roomFor(std::size_t units, std::size_t limit) {
  constexpr std::size_t kShortText = 64;
  constexpr std::size_t kPageUnits = kPageBytes / 2;
  if (units < kShortText) return units;
  const std::size_t wanted = units + units / 4;
  const std::size_t step = std::bit_floor(wanted) / 4;
  std::size_t room = (wanted + step - 1) / step * step;
  if (room >= kPageUnits) room = (room + kPageUnits / 2 - 1) / kPageUnits * kPageUnits + kPageUnits / 2;
  return std::max(units, std::min(room, limit));
}

// The room for `units` when the budget has it, else just the units; `held` of them are charged
// already. Error 18 when not even the units fit.
ErrorOr<std::size_t> affordableRoom(ScriptHeap& heap, std::size_t units, std::size_t held) {
  const std::size_t room = roomFor(units, heap.limits().stringLength);
  if (heap.reserve((room - held) * 2).ok()) return room;
  TRY(heap.reserve((units - held) * 2));
  return units;
}

// Whether copying a long text from `from` to `to` may crawl: a C library may copy long blocks with
// the CPU's string-move instruction, which on some CPUs runs at a tenth of its speed when the
// destination lies less than a cache line past the source modulo a page (the two look as if they
// overlapped).
bool copiesSlowly(const char16_t* from, const char16_t* to) {
  constexpr std::uintptr_t kLookalikeOverlap = 64;
  const std::uintptr_t ahead = (reinterpret_cast<std::uintptr_t>(to) - reinterpret_cast<std::uintptr_t>(from)) % kPageBytes;
  return ahead != 0 && ahead < kLookalikeOverlap;
}

// Whether copying `pieces` one after another into a text that starts at `to` may crawl for any of
// them: a long piece may lie anywhere in it, not only at its start. A short copy never takes the
// string move, so only long pieces are asked about (asking about every piece took another block
// for a few bytes' copy as often as not).
bool piecesCopySlowly(std::span<const std::u16string_view> pieces, const char16_t* to) {
  constexpr std::size_t kLongCopyUnits = 1024;
  for (const auto piece : pieces) {
    if (piece.size() >= kLongCopyUnits && copiesSlowly(piece.data(), to)) return true;
    to += piece.size();
  }
  return false;
}

// An empty text with room for `room` units, where copying `pieces` into it, one after another, runs
// at full speed. The sizes roomFor gives keep that so under the usual allocators; where one still
// puts the new block just past an old one, another block, taken while the first is held, lies
// elsewhere.
std::u16string apartFrom(std::span<const std::u16string_view> pieces, std::size_t room) {
  std::u16string text;
  text.reserve(room);
  if (!piecesCopySlowly(pieces, text.data())) return text;
  std::u16string elsewhere;
  elsewhere.reserve(room);
  return piecesCopySlowly(pieces, elsewhere.data()) ? text : elsewhere;
}
}  // namespace

ErrorOr<ScriptValueRef> joinedScriptString(ScriptHeap& heap, std::span<const std::u16string_view> pieces) {
  std::size_t length = 0;
  for (const auto piece : pieces) length += piece.size();
  if (length > heap.limits().stringLength) return scriptError(kScriptErrorLimitReached);
  const std::size_t room = TRY(affordableRoom(heap, length, 0));
  std::u16string text = apartFrom(pieces, room);
  for (const auto piece : pieces) text.append(piece);
  return heap.make<ScriptStringValue>(std::move(text), room);
}

ErrorOr<void> ScriptStringValue::append(std::u16string_view tail) {
  auto& heap = *this->heap();
  const std::size_t length = value_.size() + tail.size();
  if (length > heap.limits().stringLength) return scriptError(kScriptErrorLimitReached);
  if (length <= room_) {
    value_.append(tail);
    return {};
  }
  const std::size_t room = TRY(affordableRoom(heap, length, room_));
  TRY(heap.chargeUnits(value_.size()));  // the copy into the larger block
  chargeBytes(static_cast<std::ptrdiff_t>((room - room_) * 2));
  room_ = room;
  const std::u16string_view pieces[] = {value_, tail};
  std::u16string grown = apartFrom(pieces, room);
  grown.append(value_).append(tail);
  value_.swap(grown);
  return {};
}

// Both conversions copy or scan the whole text: long texts are charged as native work.
ErrorOr<std::u16string> ScriptStringValue::stringValueOrError(int) const {
  TRY(heap()->chargeUnits(value_.size()));
  return value_;
}
ErrorOr<double> ScriptStringValue::doubleValueOrError(int) const {
  TRY(heap()->chargeUnits(value_.size()));
  return parseScriptNumber(value_);
}
ErrorOr<bool> ScriptStringValue::booleanValueOrError() const { return !value_.empty(); }
ErrorOr<ScriptValueRef> ScriptStringValue::applyWithName(const std::u16string& name, const ScriptValueList& arguments,
                                            ScriptScope& scope) {
  return StringCommandEvaluator::sharedInstance().evaluateCommand(name, value_, arguments, scope);
}
bool ScriptStringValue::isEqualToRuntimeValue(const ScriptValue& other, int) const {
  return other.kind() == ScriptValueKind::String && static_cast<const ScriptStringValue&>(other).value_ == value_;
}

// Control values.

ScriptControlValue::ScriptControlValue(Type type)
    : ScriptValue(ScriptValueKind::Control), type_(type), data_(scriptUndefined()) {}
ScriptControlValue::ScriptControlValue(ScriptHeap& heap, Type type, ScriptValueRef data)
    : ScriptValue(heap, ScriptValueKind::Control, sizeof(ScriptControlValue), false), type_(type), data_(std::move(data)) {
  if (!data_) data_ = scriptUndefined();
}
ScriptControlValue* ScriptControlValue::breakValue() {
  static ScriptControlValue* value = new ScriptControlValue(Type::Break);
  return value;
}
ScriptControlValue* ScriptControlValue::continueValue() {
  static ScriptControlValue* value = new ScriptControlValue(Type::Continue);
  return value;
}
ScriptValueRef ScriptControlValue::returnValueWithData(ScriptHeap& heap, ScriptValueRef data) {
  return heap.make<ScriptControlValue>(Type::Return, std::move(data));
}
std::u16string ScriptControlValue::typeName() const {
  switch (type_) {
    case Type::Break: return u"break";
    case Type::Continue: return u"continue";
    case Type::Return: return u"return";
  }
  return {};
}
bool ScriptControlValue::isEqualToRuntimeValue(const ScriptValue& other, int depth) const {
  if (this == &other) return true;
  if (other.kind() != ScriptValueKind::Control) return false;
  const auto& o = static_cast<const ScriptControlValue&>(other);
  if (o.type_ != type_) return false;
  const ScriptValue* a = data_ ? data_.get() : scriptUndefined();
  const ScriptValue* b = o.data_ ? o.data_.get() : scriptUndefined();
  return depth < 64 && a->isEqualToRuntimeValue(*b, depth + 1);
}

}  // namespace sdk::analytics

