#include "sdk/analytics/rules/APMPRuntimeEntityConverter.h"

#include <limits>

#include "sdk/analytics/rules/APMPArrayValue.h"
#include "sdk/analytics/rules/APMPMapValue.h"
#include "sdk/analytics/rules/APMPStatementValue.h"
#include "sdk/analytics/rules/APMPText.h"

using platform::foundation::Value;

namespace {

// Entity fields by index.
constexpr int kType = 0;
constexpr int kArguments = 1;
constexpr int kFunctionName = 2;
constexpr int kString = 3;
constexpr int kBoolean = 4;
constexpr int kNumber = 5;

const APMNanoMessage::Scalar* field(const APMNanoMessage& entity, int index) {
  if (index >= static_cast<int>(entity.fieldCount())) return nullptr;
  const auto& values = entity.values(index);
  return values.empty() ? nullptr : &values.back();
}

APMPValueRef entityValue(const APMNanoMessage& entity, APMPHeap& heap, APMPError& error, int depth);

APMPValueRef statementValue(const APMNanoMessage& entity, APMPHeap& heap, APMPError& error, int depth) {
  const auto* name = field(entity, kFunctionName);
  if (!name || !std::holds_alternative<std::string>(*name)) {
    APMPSetError(error, kAPMPErrorNoFunctionName);
    return APMPUndefined();
  }
  APMPValueList arguments;
  if (kArguments < static_cast<int>(entity.fieldCount())) {
    for (const auto& element : entity.values(kArguments)) {
      const auto* message = std::get_if<std::shared_ptr<APMNanoMessage>>(&element);
      if (!message || !*message) continue;
      arguments.push_back(entityValue(**message, heap, error, depth + 1));
      if (APMPFailed(error)) return APMPUndefined();
    }
  }
  return heap.make<APMPStatementValue>(APMPFromUTF8(std::get<std::string>(*name)), std::move(arguments));
}

APMPValueRef entityValue(const APMNanoMessage& entity, APMPHeap& heap, APMPError& error, int depth) {
  // Programs built in memory are not bounded by the decoder; deeper nesting than evaluation allows
  // could never run anyway.
  if (depth > heap.limits().evaluationDepth) {
    APMPSetError(error, kAPMPErrorLimitReached);
    return APMPUndefined();
  }
  const auto* type = field(entity, kType);
  const auto* number = type ? std::get_if<std::uint64_t>(type) : nullptr;
  switch (number ? *number : 0) {
    case 1: return APMPRuntimeEntityConverter::stringValueFromRuntimeEntity(entity, heap);
    case 2: return APMPRuntimeEntityConverter::numberValueFromRuntimeEntity(entity, heap);
    case 3: return APMPRuntimeEntityConverter::booleanValueFromRuntimeEntity(entity);
    case 4: return statementValue(entity, heap, error, depth);
    default:
      APMPSetError(error, kAPMPErrorUnknownEntityType);
      return APMPUndefined();
  }
}

APMPValueRef fromObject(const Value& object, APMPHeap& heap, APMPError& error, int depth) {
  if (depth > heap.limits().conversionDepth) {
    APMPSetError(error, kAPMPErrorLimitReached);
    return APMPUndefined();
  }
  switch (object.type()) {
    case Value::Type::Nil: return APMPNull();
    case Value::Type::Bool: return APMPBoolean(*object.boolean());
    case Value::Type::Integer:
    case Value::Type::Real: return APMPNumber(heap, object.toDouble());
    case Value::Type::String: return APMPString(heap, APMPFromUTF8(*object.string()), error);
    case Value::Type::Dictionary: {
      auto map = heap.make<APMPMapValue>();
      for (const auto& [key, element] : *object.dictionary()) {
        auto converted = fromObject(element, heap, error, depth + 1);
        if (APMPFailed(error)) return APMPUndefined();
        map->setValueForProperty(converted, APMPFromUTF8(key));
      }
      return map;
    }
    case Value::Type::Array: {
      APMPValueList elements;
      for (const auto& element : *object.array()) {
        elements.push_back(fromObject(element, heap, error, depth + 1));
        if (APMPFailed(error)) return APMPUndefined();
      }
      return heap.make<APMPArrayValue>(std::move(elements));
    }
    default:
      APMPSetError(error, kAPMPErrorNoScriptForm);
      return APMPUndefined();
  }
}

Value toObject(const APMPRuntimeValue& value, APMPError& error, int depth);

platform::foundation::Dictionary toDictionary(const APMPMapValue& map, APMPError& error, int depth) {
  platform::foundation::Dictionary out;
  map.propertyMap().forEachEntry([&](const std::u16string& name, const APMPValueRef& element) {
    if (APMPFailed(error)) return;
    auto converted = toObject(*element, error, depth + 1);
    if (APMPFailed(error) || converted.isNil()) return;
    out[APMPToUTF8(name)] = std::move(converted);
  });
  return out;
}

Value toObject(const APMPRuntimeValue& value, APMPError& error, int depth) {
  if (depth > 64 || (value.heap() && depth > value.heap()->limits().conversionDepth)) {
    APMPSetError(error, kAPMPErrorLimitReached);
    return {};
  }
  switch (value.kind()) {
    case APMPKind::Null: return {};
    case APMPKind::Undefined: return Value(std::string());
    case APMPKind::Map: return Value(toDictionary(static_cast<const APMPMapValue&>(value), error, depth));
    case APMPKind::Array: {
      platform::foundation::Array out;
      for (const auto& element : static_cast<const APMPArrayValue&>(value).allElements()) {
        auto converted = toObject(*element, error, depth + 1);
        if (APMPFailed(error)) return Value(std::move(out));
        // A null element has no plain form; it is left out, as in maps.
        if (!converted.isNil()) out.push_back(std::move(converted));
      }
      return Value(std::move(out));
    }
    default: {
      const double number = value.doubleValueOrError(error);
      if (!APMPFailed(error) && number == number) return Value(number);
      auto text = value.stringValueOrError(error);
      if (APMPFailed(error)) return {};
      return Value(APMPToUTF8(text));
    }
  }
}

}  // namespace

APMPValueRef APMPRuntimeEntityConverter::stringValueFromRuntimeEntity(const APMNanoMessage& entity, APMPHeap& heap) {
  const auto* text = field(entity, kString);
  const auto* s = text ? std::get_if<std::string>(text) : nullptr;
  return APMPShortString(heap, s ? APMPFromUTF8(*s) : std::u16string());
}

APMPValueRef APMPRuntimeEntityConverter::numberValueFromRuntimeEntity(const APMNanoMessage& entity, APMPHeap& heap) {
  const auto* number = field(entity, kNumber);
  const auto* d = number ? std::get_if<double>(number) : nullptr;
  return APMPNumber(heap, d ? *d : std::numeric_limits<double>::quiet_NaN());
}

APMPValueRef APMPRuntimeEntityConverter::booleanValueFromRuntimeEntity(const APMNanoMessage& entity) {
  const auto* flag = field(entity, kBoolean);
  const auto* b = flag ? std::get_if<std::uint64_t>(flag) : nullptr;
  return APMPBoolean(b && *b != 0);
}

APMPValueRef APMPRuntimeEntityConverter::statementValueFromRuntimeEntity(const APMNanoMessage& entity, APMPHeap& heap,
                                                                         APMPError& error) {
  return statementValue(entity, heap, error, 0);
}

APMPValueRef APMPRuntimeEntityConverter::runtimeValueFromRuntimeEntity(const APMNanoMessage& entity, APMPHeap& heap,
                                                                       APMPError& error) {
  return entityValue(entity, heap, error, 0);
}

APMPValueRef APMPRuntimeEntityConverter::runtimeValueFromNSObject(const Value& object, APMPHeap& heap,
                                                                  APMPError& error) {
  return fromObject(object, heap, error, 0);
}

Value APMPRuntimeEntityConverter::objectFromRuntimeValue(const APMPRuntimeValue& value, APMPError& error) {
  return toObject(value, error, 0);
}

platform::foundation::Dictionary APMPRuntimeEntityConverter::dictionaryFromMapValue(const APMPMapValue& map,
                                                                                    APMPError& error) {
  return toDictionary(map, error, 0);
}
