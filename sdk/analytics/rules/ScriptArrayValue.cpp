#include "sdk/analytics/rules/ScriptArrayValue.h"

#include <algorithm>
#include <cmath>

#include "sdk/analytics/rules/ArrayCommandEvaluator.h"
#include "sdk/analytics/rules/CommandHelpers.h"
#include "sdk/analytics/rules/ScriptFunctionValue.h"
#include "sdk/analytics/rules/ScriptNumberText.h"
#include "sdk/analytics/rules/ScriptSortOrder.h"
#include "sdk/analytics/rules/ScriptText.h"

namespace sdk::analytics {

namespace {
// What one slot holds: a value's reference beside a number kept in place.
constexpr std::size_t kSlotBytes = sizeof(ArraySlot);

// Marks an array as being converted for the guard's lifetime.
class ConversionMark {
 public:
  explicit ConversionMark(bool& flag) : flag_(flag) { flag_ = true; }
  ~ConversionMark() { flag_ = false; }

 private:
  bool& flag_;
};
}  // namespace

ScriptArrayValue::ScriptArrayValue(ScriptHeap& heap, ScriptValueList elements)
    : ScriptValue(heap, ScriptValueKind::Array, sizeof(ScriptArrayValue), true),
      elements_(std::make_move_iterator(elements.begin()), std::make_move_iterator(elements.end())) {
  chargeSlots();
}

ScriptArrayValue::~ScriptArrayValue() = default;

void ScriptArrayValue::chargeSlots() {
  // Slots are charged as allocated: room kept for growth is memory held all the same.
  const auto bytes = elements_.capacity() * kSlotBytes + numbersInPlace_ * kNumberBytes;
  chargeBytes(static_cast<std::ptrdiff_t>(bytes) - static_cast<std::ptrdiff_t>(chargedBytes_));
  chargedBytes_ = bytes;
}

void ScriptArrayValue::makeObjects(std::size_t first, std::size_t last) const {
  if (numbersInPlace_ == 0) return;
  for (auto i = first; i < last; ++i) {
    if (!elements_[i].holdsNumber()) continue;
    elements_[i].makeObject(*heap());
    --numbersInPlace_;
  }
  const_cast<ScriptArrayValue*>(this)->chargeSlots();
}

void ScriptArrayValue::forgetNumbers(std::size_t first, std::size_t last) {
  if (numbersInPlace_ == 0) return;
  for (auto i = first; i < last; ++i) {
    if (elements_[i].holdsNumber()) --numbersInPlace_;
  }
}

ScriptValueList ScriptArrayValue::valuesIn(std::size_t first, std::size_t last) const {
  makeObjects(first, last);
  ScriptValueList out;
  out.reserve(last - first);
  for (auto i = first; i < last; ++i) out.push_back(elements_[i].value());
  return out;
}

ErrorOr<bool> ScriptArrayValue::slotEquals(std::size_t i, const ScriptValue& value) const {
  const auto& slot = elements_[i];
  if (slot.holdsNumber()) {
    // Strictly equal to a number only, and then by value (NaN equals nothing).
    return ErrorOr<bool>(value.kind() == ScriptValueKind::Number &&
                         static_cast<const ScriptNumberValue&>(value).value() == slot.number());
  }
  return strictEquals(*slot.object(), value);
}

const ScriptValueRef& ScriptArrayValue::valueAt(std::size_t i) const {
  if (elements_[i].holdsNumber()) makeObjects(i, i + 1);
  return elements_[i].value();
}

ErrorOr<void> ScriptArrayValue::growTo(std::size_t length) {
  const auto capacity = elements_.capacity();
  if (length <= capacity) return {};
  const auto limit = static_cast<std::size_t>(heap()->limits().arrayLength);
  if (length > limit) return scriptError(kScriptErrorLimitReached);
  // Room for as many again, so a run of pushes copies the slots a logarithmic number of times;
  // made here rather than by the vector, so the charge is known before the memory is taken.
  const auto grown = std::clamp(2 * elements_.size(), length, std::max(length, limit));
  TRY(heap()->reserve((grown - capacity) * kSlotBytes));
  elements_.reserve(grown);
  chargeSlots();
  return {};
}

ErrorOr<void> ScriptArrayValue::fitsNewArray(std::size_t length) const {
  if (length > static_cast<std::size_t>(heap()->limits().arrayLength)) return scriptError(kScriptErrorLimitReached);
  return heap()->reserve(length * kSlotBytes);
}

void ScriptArrayValue::releaseSpareSlots() {
  // An array cut to a fraction of its room gives the rest back.
  if (elements_.size() < elements_.capacity() / 4) elements_.shrink_to_fit();
}

ErrorOr<std::u16string> ScriptArrayValue::stringValueWithSeparator(const std::u16string& separator, int depth) const {
  if (elements_.empty() || converting_) return std::u16string();
  if (depth >= heap()->limits().conversionDepth) return scriptError(kScriptErrorLimitReached);
  ConversionMark mark(converting_);
  std::u16string out;
  const auto limit = heap()->limits().stringLength;
  for (std::size_t i = 0; i < elements_.size(); ++i) {
    const auto& slot = elements_[i];
    const auto before = out.size();
    if (slot.holdsNumber()) {
      TRY(heap()->chargeNumberText());
      out += formatScriptNumber(slot.number());
    } else if (!slot.isHole() && !slot.object()->isNothing()) {
      out += TRY(slot.object()->stringValueOrError(depth + 1));
    }
    if (i + 1 < elements_.size()) out += separator;
    TRY(heap()->chargeWork(1 + static_cast<std::int64_t>((out.size() - before) / ScriptHeap::kCodeUnitsPerStep)));
    if (out.size() > limit) return scriptError(kScriptErrorLimitReached);
  }
  return out;
}

ErrorOr<std::u16string> ScriptArrayValue::stringValueOrError(int depth) const {
  return stringValueWithSeparator(u",", depth);
}

ErrorOr<double> ScriptArrayValue::doubleValueOrError(int depth) const {
  const auto text = TRY(stringValueOrError(depth));
  return parseScriptNumber(text);
}

ErrorOr<ScriptValueRef> ScriptArrayValue::applyWithName(const std::u16string& name, const ScriptValueList& arguments,
                                                        ScriptScope& scope) {
  if (auto* property = properties_.valueForName(name)) {
    if (property->kind() != ScriptValueKind::Function) return scriptError(kScriptErrorUnknownMethod);
    ScriptRef<ScriptFunctionValue> function(static_cast<ScriptFunctionValue*>(property));
    return function->invokeWithArguments(arguments, scope);
  }
  return ArrayCommandEvaluator::sharedInstance().evaluateCommand(name, ScriptRef<ScriptArrayValue>(this), arguments,
                                                                     scope);
}

bool ScriptArrayValue::isEqualToRuntimeValue(const ScriptValue& other, int depth) const {
  if (this == &other) return true;
  if (other.kind() != ScriptValueKind::Array) return false;
  const auto& o = static_cast<const ScriptArrayValue&>(other);
  if (o.elements_.size() != elements_.size() || depth >= heap()->limits().conversionDepth) return false;
  for (std::size_t i = 0; i < elements_.size(); ++i) {
    const auto& a = elements_[i];
    const auto& b = o.elements_[i];
    if (a.holdsNumber() || b.holdsNumber()) {
      const auto x = a.operand();
      const auto y = b.operand();
      if (!x.isNumber() || !y.isNumber()) return false;
      if (!(x.number() == y.number() || (std::isnan(x.number()) && std::isnan(y.number())))) return false;
    } else if (a.isHole() || b.isHole()) {
      if (a.object() != b.object()) return false;
    } else if (!a.object()->isEqualToRuntimeValue(*b.object(), depth + 1)) {
      return false;
    }
  }
  return true;
}

ErrorOr<void> ScriptArrayValue::setLength(std::int64_t length) {
  DCHECK(length >= 0);
  const auto n = static_cast<std::size_t>(length);
  // Growing fills holes, shrinking releases elements: either way every slot passed is work.
  const auto passed = n > elements_.size() ? n - elements_.size() : elements_.size() - n;
  TRY(heap()->chargeWork(static_cast<std::int64_t>(passed)));
  TRY(growTo(n));
  if (n < elements_.size()) forgetNumbers(n, elements_.size());
  elements_.resize(n, sdk::analytics::ArraySlot(ScriptValueRef(ScriptValue::emptyValue())));
  releaseSpareSlots();
  chargeSlots();
  return {};
}

namespace {
// A number property that addresses a slot: the array index test, without the number's text.
bool isIndexNumber(const ScriptValue& property) {
  if (property.kind() != ScriptValueKind::Number) return false;
  const double number = static_cast<const ScriptNumberValue&>(property).value();
  return std::isfinite(number) && number >= 0 && std::trunc(number) == number;
}
std::int64_t indexOfNumber(const ScriptValue& property) {
  return arrayIndexFromDouble(static_cast<const ScriptNumberValue&>(property).value());
}
}  // namespace

ErrorOr<void> ScriptArrayValue::setElement(std::int64_t index, Operand value) {
  if (index >= heap()->limits().arrayLength) return scriptError(kScriptErrorLimitReached);
  const auto slot = static_cast<std::size_t>(index);
  if (slot == elements_.size() && slot < elements_.capacity()) {
    // Appending where there is room (a map or filter building its result): one slot, charged as
    // lengthening by one is.
    TRY(heap()->chargeWork(1));
    if (value.isPlainNumber()) {
      elements_.emplace_back(value.number());
      ++numbersInPlace_;
      chargeSlots();
    } else {
      elements_.emplace_back(std::move(value).box(*heap()));
    }
    return {};
  }
  if (slot >= elements_.size()) TRY(setLength(index + 1));
  forgetNumbers(slot, slot + 1);
  if (value.isPlainNumber()) {
    elements_[slot] = ArraySlot(value.number());
    ++numbersInPlace_;
  } else {
    elements_[slot] = std::move(value).box(*heap());
  }
  chargeSlots();
  return {};
}

ScriptValueRef ScriptArrayValue::elementAt(std::int64_t index) const {
  if (static_cast<std::uint64_t>(index) >= elements_.size()) return scriptUndefined();
  const auto i = static_cast<std::size_t>(index);
  return elements_[i].isHole() ? ScriptValueRef(scriptUndefined()) : valueAt(i);
}

ErrorOr<void> ScriptArrayValue::setValueForProperty(const ScriptValueRef& value, const ScriptValue& property) {
  // The common case, a number addressing a slot, needs no text of the number.
  if (isIndexNumber(property)) return setElement(indexOfNumber(property), Operand(value));
  const auto name = TRY(property.stringValueOrError());
  if (property.kind() == ScriptValueKind::String && name == u"length") {
    if (!isArrayIndex(*value)) return scriptError(kScriptErrorBadLength);
    const auto length = arrayIndexFromDouble(TRY(value->doubleValueOrError()));
    if (length > heap()->limits().arrayLength) return scriptError(kScriptErrorBadLength);
    return setLength(length);
  }
  if (isArrayIndex(property)) return setElement(arrayIndexFromDouble(TRY(property.doubleValueOrError())), Operand(value));
  setProperty(value, name);
  return {};
}

ErrorOr<ScriptValueRef> ScriptArrayValue::valueForProperty(const ScriptValue& property) const {
  if (isIndexNumber(property)) return elementAt(indexOfNumber(property));
  const auto name = TRY(property.stringValueOrError());
  if (property.kind() == ScriptValueKind::String && name == u"length") {
    return scriptNumber(*heap(), static_cast<double>(elements_.size()));
  }
  if (isArrayIndex(property)) return elementAt(arrayIndexFromDouble(TRY(property.doubleValueOrError())));
  auto* value = properties_.valueForName(name);
  return value ? ScriptValueRef(value) : ScriptValueRef(scriptUndefined());
}

ErrorOr<void> ScriptArrayValue::removeValueForProperty(const ScriptValue& property) {
  const auto name = TRY(property.stringValueOrError());
  if (isArrayIndex(property)) {
    const auto index = arrayIndexFromDouble(TRY(property.doubleValueOrError()));
    if (static_cast<std::uint64_t>(index) < elements_.size()) {
      const auto i = static_cast<std::size_t>(index);
      forgetNumbers(i, i + 1);
      elements_[i] = ScriptValueRef(ScriptValue::emptyValue());
      chargeSlots();
    }
    return {};
  }
  chargeBytes(properties_.removeValueForName(name, *heap()));
  return {};
}

ErrorOr<bool> ScriptArrayValue::hasProperty(const ScriptValue& property) const {
  if (isArrayIndex(property)) {
    const auto index = arrayIndexFromDouble(TRY(property.doubleValueOrError()));
    return ErrorOr<bool>(static_cast<std::uint64_t>(index) < elements_.size() &&
                         !elements_[static_cast<std::size_t>(index)].isHole());
  }
  const auto name = TRY(property.stringValueOrError());
  return properties_.hasName(name);
}

ErrorOr<ScriptValueList> ScriptArrayValue::allPropertyNames() const {
  ScriptValueList names;
  const auto count = properties_.count() + elements_.size();
  ScriptMemoryCharge list(*heap(), count * (sizeof(ScriptValueRef) + sizeof(ScriptStringValue) + 32));
  TRY(list.status());
  TRY(heap()->chargeWork(static_cast<std::int64_t>(count)));
  for (const auto& name : properties_.allNames()) names.push_back(shortScriptString(*heap(), name));
  for (std::size_t i = 0; i < elements_.size(); ++i) {
    if (!elements_[i].isHole()) names.push_back(shortScriptString(*heap(), utf16Literal(std::to_string(i))));
  }
  return names;
}

ErrorOr<ScriptValueList> ScriptArrayValue::allElements() const {
  ScriptValueList out;
  TRY(heap()->chargeWork(static_cast<std::int64_t>(elements_.size())));
  TRY(heap()->reserve(elements_.size() * sizeof(ScriptValueRef)));
  makeObjects(0, elements_.size());
  out.reserve(elements_.size());
  for (const auto& element : elements_) {
    out.push_back(element.isHole() ? ScriptValueRef(scriptUndefined()) : element.value());
  }
  return out;
}

ErrorOr<ScriptRef<ScriptArrayValue>> ScriptArrayValue::subarrayWithRange(std::int64_t location, std::int64_t length) const {
  const auto n = static_cast<std::int64_t>(elements_.size());
  const auto start = std::clamp<std::int64_t>(location, 0, n);
  const auto count = std::clamp<std::int64_t>(length, 0, n - start);
  TRY(heap()->chargeWork(count));
  TRY(fitsNewArray(static_cast<std::size_t>(count)));
  return heap()->make<ScriptArrayValue>(valuesIn(static_cast<std::size_t>(start), static_cast<std::size_t>(start + count)));
}

ErrorOr<ScriptValueList> ScriptArrayValue::spliceFrom(std::int64_t from, std::int64_t deleteCount, ScriptArguments values) {
  const auto n = static_cast<std::int64_t>(elements_.size());
  const auto start = std::clamp<std::int64_t>(from, 0, n);
  const auto d = std::clamp<std::int64_t>(deleteCount, 0, n - start);
  TRY(heap()->chargeWork(n + static_cast<std::int64_t>(values.size())));
  TRY(growTo(elements_.size() - d + values.size()));
  ScriptValueList removed = valuesIn(static_cast<std::size_t>(start), static_cast<std::size_t>(start + d));
  elements_.erase(elements_.begin() + start, elements_.begin() + start + d);
  elements_.insert(elements_.begin() + start, values.begin(), values.end());
  releaseSpareSlots();
  chargeSlots();
  return removed;
}

ErrorOr<void> ScriptArrayValue::concat(const ScriptValueRef& value) {
  if (value->kind() == ScriptValueKind::Control) return scriptError(kScriptErrorArgumentType);
  if (value->kind() == ScriptValueKind::Array) {
    const auto& other = static_cast<const ScriptArrayValue&>(*value);
    const auto copy = other.valuesIn(0, other.elements_.size());
    TRY(heap()->chargeWork(static_cast<std::int64_t>(copy.size())));
    TRY(growTo(elements_.size() + copy.size()));
    elements_.insert(elements_.end(), copy.begin(), copy.end());
  } else {
    TRY(growTo(elements_.size() + 1));
    elements_.push_back(value);
  }
  chargeSlots();
  return {};
}

ErrorOr<void> ScriptArrayValue::reverse() {
  TRY(heap()->chargeWork(static_cast<std::int64_t>(elements_.size())));
  std::reverse(elements_.begin(), elements_.end());
  return {};
}

ErrorOr<ScriptValueRef> ScriptArrayValue::removeFirstElement() {
  if (elements_.empty()) return ScriptValueRef(scriptUndefined());
  TRY(heap()->chargeWork(static_cast<std::int64_t>(elements_.size())));
  ScriptValueRef first = valueAt(0);
  elements_.erase(elements_.begin());
  releaseSpareSlots();
  chargeSlots();
  return isHole(first.get()) ? ScriptValueRef(scriptUndefined()) : first;
}

ScriptValueRef ScriptArrayValue::removeLastElement() {
  if (elements_.empty()) return scriptUndefined();
  ScriptValueRef last = valueAt(elements_.size() - 1);
  elements_.pop_back();
  releaseSpareSlots();
  chargeSlots();
  return isHole(last.get()) ? ScriptValueRef(scriptUndefined()) : last;
}

ErrorOr<std::int64_t> ScriptArrayValue::appendElements(ScriptArguments values) {
  TRY(growTo(elements_.size() + values.size()));
  elements_.insert(elements_.end(), values.begin(), values.end());
  chargeSlots();
  return static_cast<std::int64_t>(elements_.size());
}

ErrorOr<std::int64_t> ScriptArrayValue::appendOperands(std::span<sdk::analytics::Operand> values, std::size_t heldBytes) {
  // The held bytes stay counted through the check, as the numbers' objects would have been.
  const auto length = elements_.size() + values.size();
  auto fits = length <= elements_.capacity() ? ErrorOr<void>() : growTo(length);
  heap()->refundMemory(heldBytes);
  TRY(std::move(fits));
  for (auto& value : values) {
    if (value.isPlainNumber()) {
      elements_.emplace_back(value.number());
      ++numbersInPlace_;
    } else {
      elements_.emplace_back(std::move(value).box(*heap()));
    }
  }
  chargeSlots();
  return static_cast<std::int64_t>(elements_.size());
}

ErrorOr<std::int64_t> ScriptArrayValue::prependElements(ScriptArguments values) {
  TRY(heap()->chargeWork(static_cast<std::int64_t>(elements_.size())));
  TRY(growTo(elements_.size() + values.size()));
  elements_.insert(elements_.begin(), values.begin(), values.end());
  chargeSlots();
  return static_cast<std::int64_t>(elements_.size());
}

ErrorOr<std::int64_t> ScriptArrayValue::indexOfValue(const ScriptValue& value, std::int64_t fromIndex) const {
  const auto n = static_cast<std::int64_t>(elements_.size());
  for (auto i = std::max<std::int64_t>(fromIndex, 0); i < n; ++i) {
    TRY(heap()->chargeWork(1));
    if (TRY(slotEquals(static_cast<std::size_t>(i), value))) return i;
  }
  return std::int64_t{-1};
}

ErrorOr<std::int64_t> ScriptArrayValue::lastIndexOfValue(const ScriptValue& value, std::int64_t fromIndex) const {
  const auto n = static_cast<std::int64_t>(elements_.size());
  for (auto i = std::min<std::int64_t>(fromIndex, n - 1); i >= 0; --i) {
    TRY(heap()->chargeWork(1));
    if (TRY(slotEquals(static_cast<std::size_t>(i), value))) return i;
  }
  return std::int64_t{-1};
}

void ScriptArrayValue::visitChildren(ChildVisitor visit, void* context) {
  for (const auto& element : elements_) {
    if (!element.holdsNumber()) visit(element.object(), context);
  }
  properties_.forEachValue([&](ScriptValue* value) { visit(value, context); });
}

void ScriptArrayValue::clearChildren() {
  elements_.clear();
  numbersInPlace_ = 0;
  properties_.clear();
  chargeSlots();
}

ErrorOr<void> ScriptArrayValue::sortUsingFunctionValue(ScriptFunctionValue* comparator, ScriptScope& scope) {
  std::vector<ScriptSortOrder::Item> items;
  items.reserve(elements_.size());
  for (auto& value : valuesIn(0, elements_.size())) items.push_back(ScriptSortOrder::Item{std::move(value)});
  ScriptRef<ScriptFunctionValue> keep(comparator);
  ScriptSortOrder order(comparator, scope, *heap());
  order.sort(items);
  // The comparator may have changed the array meanwhile; the sorted copy replaces it whole.
  elements_.clear();
  for (auto& item : items) elements_.emplace_back(std::move(item.value));
  numbersInPlace_ = 0;
  chargeSlots();
  return order.outcome();
}

}  // namespace sdk::analytics

