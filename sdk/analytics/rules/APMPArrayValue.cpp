#include "sdk/analytics/rules/APMPArrayValue.h"

#include <algorithm>
#include <cmath>

#include "sdk/analytics/rules/APMPArrayCommandEvaluator.h"
#include "sdk/analytics/rules/APMPCommandHelpers.h"
#include "sdk/analytics/rules/APMPFunctionValue.h"
#include "sdk/analytics/rules/APMPText.h"

namespace {
constexpr std::size_t kSlotBytes = sizeof(APMPValueRef);

// Marks an array as being converted for the guard's lifetime.
class ConversionMark {
 public:
  explicit ConversionMark(bool& flag) : flag_(flag) { flag_ = true; }
  ~ConversionMark() { flag_ = false; }

 private:
  bool& flag_;
};
}  // namespace

APMPArrayValue::APMPArrayValue(APMPHeap& heap, APMPValueList elements)
    : APMPRuntimeValue(heap, APMPKind::Array, sizeof(APMPArrayValue), true),
      elements_(std::make_move_iterator(elements.begin()), std::make_move_iterator(elements.end())) {
  chargeSlots();
}

APMPArrayValue::~APMPArrayValue() = default;

void APMPArrayValue::chargeSlots() {
  const auto bytes = elements_.size() * kSlotBytes + numbersInPlace_ * kNumberBytes;
  chargeBytes(static_cast<std::ptrdiff_t>(bytes) - static_cast<std::ptrdiff_t>(chargedBytes_));
  chargedBytes_ = bytes;
}

void APMPArrayValue::makeObjects(std::size_t first, std::size_t last) const {
  if (numbersInPlace_ == 0) return;
  for (auto i = first; i < last; ++i) {
    if (!elements_[i].holdsNumber()) continue;
    elements_[i].makeObject(*heap());
    --numbersInPlace_;
  }
  const_cast<APMPArrayValue*>(this)->chargeSlots();
}

void APMPArrayValue::forgetNumbers(std::size_t first, std::size_t last) {
  if (numbersInPlace_ == 0) return;
  for (auto i = first; i < last; ++i) {
    if (elements_[i].holdsNumber()) --numbersInPlace_;
  }
}

APMPValueList APMPArrayValue::valuesIn(std::size_t first, std::size_t last) const {
  makeObjects(first, last);
  APMPValueList out;
  out.reserve(last - first);
  for (auto i = first; i < last; ++i) out.push_back(elements_[i].value());
  return out;
}

bool APMPArrayValue::slotEquals(std::size_t i, const APMPRuntimeValue& value, APMPError& error) const {
  const auto& slot = elements_[i];
  if (slot.holdsNumber()) {
    // Strictly equal to a number only, and then by value (NaN equals nothing).
    return value.kind() == APMPKind::Number && static_cast<const APMPNumberValue&>(value).value() == slot.number();
  }
  return APMPStrictEquals(*slot.object(), value, error);
}

const APMPValueRef& APMPArrayValue::valueAt(std::size_t i) const {
  if (elements_[i].holdsNumber()) makeObjects(i, i + 1);
  return elements_[i].value();
}

bool APMPArrayValue::canGrowTo(std::size_t length, APMPError& error) const {
  if (length <= elements_.size()) return true;
  if (length > static_cast<std::size_t>(heap()->limits().arrayLength) ||
      !heap()->reserve((length - elements_.size()) * kSlotBytes, error)) {
    APMPSetError(error, kAPMPErrorLimitReached);
    return false;
  }
  return true;
}

std::u16string APMPArrayValue::stringValueWithSeparator(const std::u16string& separator, APMPError& error,
                                                        int depth) const {
  if (elements_.empty() || converting_) return {};
  if (depth >= heap()->limits().conversionDepth) {
    APMPSetError(error, kAPMPErrorLimitReached);
    return {};
  }
  ConversionMark mark(converting_);
  std::u16string out;
  const auto limit = heap()->limits().stringLength;
  for (std::size_t i = 0; i < elements_.size(); ++i) {
    const auto& slot = elements_[i];
    const auto before = out.size();
    if (slot.holdsNumber()) {
      out += APMPFormatNumber(slot.number());
    } else if (!slot.isHole() && !slot.object()->isNothing()) {
      out += slot.object()->stringValueOrError(error, depth + 1);
      if (APMPFailed(error)) return {};
    }
    if (i + 1 < elements_.size()) out += separator;
    if (!heap()->chargeWork(1 + static_cast<std::int64_t>((out.size() - before) / APMPHeap::kCodeUnitsPerStep), error)) {
      return {};
    }
    if (out.size() > limit) {
      APMPSetError(error, kAPMPErrorLimitReached);
      return {};
    }
  }
  return out;
}

std::u16string APMPArrayValue::stringValueOrError(APMPError& error, int depth) const {
  return stringValueWithSeparator(u",", error, depth);
}

double APMPArrayValue::doubleValueOrError(APMPError& error, int depth) const {
  const auto text = stringValueOrError(error, depth);
  if (APMPFailed(error)) return APMPParseNumber(u"NaN");
  return APMPParseNumber(text);
}

APMPValueRef APMPArrayValue::applyWithName(const std::u16string& name, const APMPValueList& arguments,
                                           APMPScope& scope, APMPError& error) {
  if (auto* property = properties_.valueForName(name)) {
    if (property->kind() != APMPKind::Function) {
      APMPSetError(error, kAPMPErrorUnknownMethod);
      return APMPUndefined();
    }
    APMPRef<APMPFunctionValue> function(static_cast<APMPFunctionValue*>(property));
    return function->invokeWithArguments(arguments, scope, error);
  }
  return APMPArrayCommandEvaluator::sharedInstance().evaluateCommand(name, APMPRef<APMPArrayValue>(this), arguments,
                                                                     scope, error);
}

bool APMPArrayValue::isEqualToRuntimeValue(const APMPRuntimeValue& other, int depth) const {
  if (this == &other) return true;
  if (other.kind() != APMPKind::Array) return false;
  const auto& o = static_cast<const APMPArrayValue&>(other);
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

bool APMPArrayValue::setLength(std::int64_t length, APMPError& error) {
  if (length < 0) return false;
  const auto n = static_cast<std::size_t>(length);
  if (!canGrowTo(n, error)) return false;
  // Growing fills holes, shrinking releases elements: either way every slot passed is work.
  const auto passed = n > elements_.size() ? n - elements_.size() : elements_.size() - n;
  if (!heap()->chargeWork(static_cast<std::int64_t>(passed), error)) return false;
  if (n < elements_.size()) forgetNumbers(n, elements_.size());
  elements_.resize(n, sdk::analytics::ArraySlot(APMPValueRef(APMPRuntimeValue::emptyValue())));
  chargeSlots();
  return true;
}

void APMPArrayValue::setValueForProperty(const APMPValueRef& value, const APMPRuntimeValue& property,
                                         APMPError& error) {
  const auto name = property.stringValueOrError(error);
  if (APMPFailed(error)) return;
  if (property.kind() == APMPKind::String && name == u"length") {
    if (!APMPIsArrayIndex(*value)) {
      APMPSetError(error, kAPMPErrorBadLength);
      return;
    }
    const auto length = APMPArrayIndexFromDouble(value->doubleValueOrError(error));
    if (length > heap()->limits().arrayLength) {
      APMPSetError(error, kAPMPErrorBadLength);
      return;
    }
    (void)setLength(length, error);
    return;
  }
  if (APMPIsArrayIndex(property)) {
    const auto index = APMPArrayIndexFromDouble(property.doubleValueOrError(error));
    if (index >= heap()->limits().arrayLength) {
      APMPSetError(error, kAPMPErrorLimitReached);
      return;
    }
    const auto slot = static_cast<std::size_t>(index);
    if (slot >= elements_.size() && !setLength(index + 1, error)) return;
    forgetNumbers(slot, slot + 1);
    elements_[slot] = value;
    chargeSlots();
    return;
  }
  setProperty(value, name);
}

APMPValueRef APMPArrayValue::valueForProperty(const APMPRuntimeValue& property, APMPError& error) const {
  const auto name = property.stringValueOrError(error);
  if (APMPFailed(error)) return APMPUndefined();
  if (property.kind() == APMPKind::String && name == u"length") {
    return APMPNumber(*heap(), static_cast<double>(elements_.size()));
  }
  if (APMPIsArrayIndex(property)) {
    const auto index = APMPArrayIndexFromDouble(property.doubleValueOrError(error));
    if (static_cast<std::uint64_t>(index) >= elements_.size()) return APMPUndefined();
    const auto i = static_cast<std::size_t>(index);
    return elements_[i].isHole() ? APMPValueRef(APMPUndefined()) : valueAt(i);
  }
  auto* value = properties_.valueForName(name);
  return value ? APMPValueRef(value) : APMPValueRef(APMPUndefined());
}

void APMPArrayValue::removeValueForProperty(const APMPRuntimeValue& property, APMPError& error) {
  const auto name = property.stringValueOrError(error);
  if (APMPFailed(error)) return;
  if (APMPIsArrayIndex(property)) {
    const auto index = APMPArrayIndexFromDouble(property.doubleValueOrError(error));
    if (static_cast<std::uint64_t>(index) < elements_.size()) {
      const auto i = static_cast<std::size_t>(index);
      forgetNumbers(i, i + 1);
      elements_[i] = APMPValueRef(APMPRuntimeValue::emptyValue());
      chargeSlots();
    }
    return;
  }
  chargeBytes(properties_.removeValueForName(name));
}

bool APMPArrayValue::hasProperty(const APMPRuntimeValue& property, APMPError& error) const {
  if (APMPIsArrayIndex(property)) {
    const auto index = APMPArrayIndexFromDouble(property.doubleValueOrError(error));
    return static_cast<std::uint64_t>(index) < elements_.size() &&
           !elements_[static_cast<std::size_t>(index)].isHole();
  }
  const auto name = property.stringValueOrError(error);
  if (APMPFailed(error)) return false;
  return properties_.hasName(name);
}

APMPValueList APMPArrayValue::allPropertyNames(APMPError& error) const {
  APMPValueList names;
  const auto count = properties_.count() + elements_.size();
  APMPMemoryCharge list(*heap(), count * (sizeof(APMPValueRef) + sizeof(APMPStringValue) + 32), error);
  if (!list.charged() || !heap()->chargeWork(static_cast<std::int64_t>(count), error)) return names;
  for (const auto& name : properties_.allNames()) names.push_back(APMPShortString(*heap(), name));
  for (std::size_t i = 0; i < elements_.size(); ++i) {
    if (!elements_[i].isHole()) names.push_back(APMPShortString(*heap(), APMPLiteral(std::to_string(i))));
  }
  return names;
}

APMPValueList APMPArrayValue::allElements(APMPError& error) const {
  APMPValueList out;
  if (!heap()->chargeWork(static_cast<std::int64_t>(elements_.size()), error) ||
      !heap()->reserve(elements_.size() * kSlotBytes, error)) {
    return out;
  }
  makeObjects(0, elements_.size());
  out.reserve(elements_.size());
  for (const auto& element : elements_) {
    out.push_back(element.isHole() ? APMPValueRef(APMPUndefined()) : element.value());
  }
  return out;
}

APMPRef<APMPArrayValue> APMPArrayValue::subarrayWithRange(std::int64_t location, std::int64_t length,
                                                          APMPError& error) const {
  const auto n = static_cast<std::int64_t>(elements_.size());
  const auto start = std::clamp<std::int64_t>(location, 0, n);
  const auto count = std::clamp<std::int64_t>(length, 0, n - start);
  if (!heap()->chargeWork(count, error) || !canGrowTo(static_cast<std::size_t>(count), error)) return nullptr;
  return heap()->make<APMPArrayValue>(valuesIn(static_cast<std::size_t>(start), static_cast<std::size_t>(start + count)));
}

APMPValueList APMPArrayValue::spliceFrom(std::int64_t from, std::int64_t deleteCount, APMPArguments values,
                                         APMPError& error) {
  const auto n = static_cast<std::int64_t>(elements_.size());
  const auto start = std::clamp<std::int64_t>(from, 0, n);
  const auto d = std::clamp<std::int64_t>(deleteCount, 0, n - start);
  if (!canGrowTo(elements_.size() - d + values.size(), error)) return {};
  if (!heap()->chargeWork(n + static_cast<std::int64_t>(values.size()), error)) return {};
  APMPValueList removed = valuesIn(static_cast<std::size_t>(start), static_cast<std::size_t>(start + d));
  elements_.erase(elements_.begin() + start, elements_.begin() + start + d);
  elements_.insert(elements_.begin() + start, values.begin(), values.end());
  chargeSlots();
  return removed;
}

void APMPArrayValue::concat(const APMPValueRef& value, APMPError& error) {
  if (value->kind() == APMPKind::Control) {
    APMPSetError(error, kAPMPErrorArgumentType);
    return;
  }
  if (value->kind() == APMPKind::Array) {
    const auto& other = static_cast<const APMPArrayValue&>(*value);
    const auto copy = other.valuesIn(0, other.elements_.size());
    if (!canGrowTo(elements_.size() + copy.size(), error) ||
        !heap()->chargeWork(static_cast<std::int64_t>(copy.size()), error)) {
      return;
    }
    elements_.insert(elements_.end(), copy.begin(), copy.end());
  } else {
    if (!canGrowTo(elements_.size() + 1, error)) return;
    elements_.push_back(value);
  }
  chargeSlots();
}

bool APMPArrayValue::reverse(APMPError& error) {
  if (!heap()->chargeWork(static_cast<std::int64_t>(elements_.size()), error)) return false;
  std::reverse(elements_.begin(), elements_.end());
  return true;
}

APMPValueRef APMPArrayValue::removeFirstElement(APMPError& error) {
  if (elements_.empty()) return APMPUndefined();
  if (!heap()->chargeWork(static_cast<std::int64_t>(elements_.size()), error)) return APMPUndefined();
  APMPValueRef first = valueAt(0);
  elements_.erase(elements_.begin());
  chargeSlots();
  return isHole(first.get()) ? APMPValueRef(APMPUndefined()) : first;
}

APMPValueRef APMPArrayValue::removeLastElement() {
  if (elements_.empty()) return APMPUndefined();
  APMPValueRef last = valueAt(elements_.size() - 1);
  elements_.pop_back();
  chargeSlots();
  return isHole(last.get()) ? APMPValueRef(APMPUndefined()) : last;
}

std::int64_t APMPArrayValue::appendElements(APMPArguments values, APMPError& error) {
  if (canGrowTo(elements_.size() + values.size(), error)) {
    elements_.insert(elements_.end(), values.begin(), values.end());
    chargeSlots();
  }
  return static_cast<std::int64_t>(elements_.size());
}

std::int64_t APMPArrayValue::appendOperands(std::span<sdk::analytics::Operand> values, std::size_t heldBytes,
                                            APMPError& error) {
  // The held bytes stay counted through the check, as the numbers' objects would have been.
  const bool fits = canGrowTo(elements_.size() + values.size(), error);
  heap()->refundMemory(heldBytes);
  if (!fits) return static_cast<std::int64_t>(elements_.size());
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

std::int64_t APMPArrayValue::prependElements(APMPArguments values, APMPError& error) {
  if (canGrowTo(elements_.size() + values.size(), error) &&
      heap()->chargeWork(static_cast<std::int64_t>(elements_.size()), error)) {
    elements_.insert(elements_.begin(), values.begin(), values.end());
    chargeSlots();
  }
  return static_cast<std::int64_t>(elements_.size());
}

std::int64_t APMPArrayValue::indexOfValue(const APMPRuntimeValue& value, std::int64_t fromIndex,
                                          APMPError& error) const {
  const auto n = static_cast<std::int64_t>(elements_.size());
  for (auto i = std::max<std::int64_t>(fromIndex, 0); i < n; ++i) {
    if (!heap()->chargeWork(1, error)) return -1;
    if (slotEquals(static_cast<std::size_t>(i), value, error)) return i;
    if (APMPFailed(error)) return -1;
  }
  return -1;
}

std::int64_t APMPArrayValue::lastIndexOfValue(const APMPRuntimeValue& value, std::int64_t fromIndex,
                                              APMPError& error) const {
  const auto n = static_cast<std::int64_t>(elements_.size());
  for (auto i = std::min<std::int64_t>(fromIndex, n - 1); i >= 0; --i) {
    if (!heap()->chargeWork(1, error)) return -1;
    if (slotEquals(static_cast<std::size_t>(i), value, error)) return i;
    if (APMPFailed(error)) return -1;
  }
  return -1;
}

void APMPArrayValue::visitChildren(ChildVisitor visit, void* context) {
  for (const auto& element : elements_) {
    if (!element.holdsNumber()) visit(element.object(), context);
  }
  properties_.forEachValue([&](APMPRuntimeValue* value) { visit(value, context); });
}

void APMPArrayValue::clearChildren() {
  elements_.clear();
  numbersInPlace_ = 0;
  properties_.clear();
  chargeSlots();
}
