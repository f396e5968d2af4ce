#include "sdk/analytics/rules/ScriptValueConverter.h"

#include <limits>
#include <optional>
#include <string>
#include <unordered_map>

#include "platform/foundation/ThreadStack.h"
#include "sdk/analytics/rules/ScriptArrayValue.h"
#include "sdk/analytics/rules/ScriptHeap.h"
#include "sdk/analytics/rules/ScriptLimits.h"
#include "sdk/analytics/rules/ScriptMapValue.h"
#include "sdk/analytics/rules/ScriptNumberText.h"
#include "sdk/analytics/rules/ScriptStatementValue.h"
#include "sdk/analytics/rules/ScriptText.h"

namespace sdk::analytics {

using platform::foundation::Value;

namespace {

// Entity fields by index.
constexpr int kType = 0;
constexpr int kArguments = 1;
constexpr int kFunctionName = 2;
constexpr int kString = 3;
constexpr int kBoolean = 4;
constexpr int kNumber = 5;

const NanoMessage::Scalar* field(const NanoMessage& entity, int index) {
  if (index >= static_cast<int>(entity.fieldCount())) return nullptr;
  const auto& values = entity.values(index);
  return values.empty() ? nullptr : &values.back();
}

// The short texts of one statement's literals, made once each: a name spelled the same way in a
// parameter list and in the statements that read it is then the same object, which finding the
// name compares before it compares text. Texts are immutable, so nothing else can tell.
class LiteralTexts {
 public:
  ScriptValueRef text(const NanoMessage& entity, ScriptHeap& heap) {
    const auto* scalar = field(entity, kString);
    const auto* utf8 = scalar ? std::get_if<std::string>(scalar) : nullptr;
    if (!utf8 || utf8->size() > kShortText) return ScriptValueConverter::stringValueFromRuntimeEntity(entity, heap);
    auto& value = texts_[*utf8];
    if (!value) value = ScriptValueConverter::stringValueFromRuntimeEntity(entity, heap);
    return value;
  }
  // A statement's opcode or callee: every statement of the same one shares its text.
  ScriptRef<ScriptStringValue> functionName(const std::string& utf8, ScriptHeap& heap) {
    if (utf8.size() > kShortText) return heap.make<ScriptStringValue>(utf16FromUTF8(utf8));
    auto& value = texts_[utf8];
    if (!value) value = heap.make<ScriptStringValue>(utf16FromUTF8(utf8));
    return ScriptRef<ScriptStringValue>(static_cast<ScriptStringValue*>(value.get()));
  }

 private:
  static constexpr std::size_t kShortText = 64;
  std::unordered_map<std::string, ScriptValueRef> texts_;
};

// A program's statements lie at most four messages below the configuration that brings them (its
// program, the program's rules, a rule): the decoder must take every nesting converted here.
static_assert(NanoMessage::kMaxDepth >= 4 + ScriptLimits{}.evaluationDepth);

ErrorOr<ScriptValueRef> entityValue(const NanoMessage& entity, ScriptHeap& heap, int depth, LiteralTexts& texts);

ErrorOr<ScriptValueRef> statementValue(const NanoMessage& entity, ScriptHeap& heap, int depth, LiteralTexts& texts) {
  const auto* name = field(entity, kFunctionName);
  if (!name || !std::holds_alternative<std::string>(*name)) return scriptError(kScriptErrorNoFunctionName);
  ScriptValueList arguments;
  if (kArguments < static_cast<int>(entity.fieldCount())) {
    for (const auto& element : entity.values(kArguments)) {
      const auto* message = std::get_if<std::shared_ptr<NanoMessage>>(&element);
      if (!message || !*message) continue;
      arguments.push_back(TRY(entityValue(**message, heap, depth + 1, texts)));
    }
  }
  auto functionName = texts.functionName(std::get<std::string>(*name), heap);
  return ScriptValueRef(heap.make<ScriptStatementValue>(std::move(functionName), std::move(arguments)));
}

ErrorOr<ScriptValueRef> entityValue(const NanoMessage& entity, ScriptHeap& heap, int depth, LiteralTexts& texts) {
  // Deeper nesting than evaluation allows could never run, nor could nesting that leaves the stack
  // less room than evaluation keeps: a level of evaluating takes about twice what one of converting
  // does, so this refuses nothing that would run.
  // A program's statements live in the heap: they must fit before they are made, however small
  // the wire form that describes them.
  if (depth > heap.limits().evaluationDepth) return scriptError(kScriptErrorLimitReached);
  if ((depth & 3) == 0 && platform::foundation::ThreadStack::bytesLeft() < ScriptHeap::kStackReserve) {
    return scriptError(kScriptErrorLimitReached);
  }
  TRY(heap.reserve(sizeof(ScriptStatementValue) + sizeof(ScriptValueRef)));
  const auto* type = field(entity, kType);
  const auto* number = type ? std::get_if<std::uint64_t>(type) : nullptr;
  switch (number ? *number : 0) {
    case 1: {
      const auto* text = field(entity, kString);
      const auto* s = text ? std::get_if<std::string>(text) : nullptr;
      // UTF-8 never takes fewer bytes than the code units it makes.
      if (s) {
        if (s->size() > heap.limits().stringLength * 3) return scriptError(kScriptErrorLimitReached);
        TRY(heap.reserve(s->size() * 2));
      }
      return texts.text(entity, heap);
    }
    case 2: return ScriptValueConverter::numberValueFromRuntimeEntity(entity, heap);
    case 3: return ScriptValueConverter::booleanValueFromRuntimeEntity(entity);
    case 4: return statementValue(entity, heap, depth, texts);
    default:
      return scriptError(kScriptErrorUnknownEntityType);
  }
}

ErrorOr<ScriptValueRef> fromObject(const Value& object, ScriptHeap& heap, int depth) {
  if (depth > heap.limits().conversionDepth) return scriptError(kScriptErrorLimitReached);
  TRY(heap.chargeWork(1));
  TRY(heap.reserve(sizeof(ScriptArrayValue) + sizeof(ScriptValueRef)));
  switch (object.type()) {
    case Value::Type::Nil: return ScriptValueRef(scriptNull());
    case Value::Type::Bool: return ScriptValueRef(scriptBoolean(*object.boolean()));
    case Value::Type::Integer:
    case Value::Type::Real: return scriptNumber(heap, object.toDouble());
    case Value::Type::String: return scriptString(heap, utf16FromUTF8(*object.string()));
    case Value::Type::Dictionary: {
      auto map = heap.make<ScriptMapValue>();
      for (const auto& [key, element] : *object.dictionary()) {
        map->setValueForProperty(TRY(fromObject(element, heap, depth + 1)), utf16FromUTF8(key));
      }
      return ScriptValueRef(map);
    }
    case Value::Type::Array: {
      ScriptValueList elements;
      for (const auto& element : *object.array()) elements.push_back(TRY(fromObject(element, heap, depth + 1)));
      return ScriptValueRef(heap.make<ScriptArrayValue>(std::move(elements)));
    }
    default:
      return scriptError(kScriptErrorNoScriptForm);
  }
}

// Writes script values out as plain values within one conversion's budget. Every element written
// counts, with its bytes, and a sub-structure that several places share counts each time it is
// written: the output, and the work, stay linear in what the budget allows however the values
// were built.
class PlainWriter {
 public:
  explicit PlainWriter(const ScriptValue& root) : heap_(root.heap()), limits_(heap_ ? heap_->limits() : ScriptLimits{}) {}

  ErrorOr<Value> write(const ScriptValue& value, int depth) {
    if (depth > limits_.conversionDepth) return refusal();
    TRY(count(0));
    switch (value.kind()) {
      case ScriptValueKind::Null: return Value();
      case ScriptValueKind::Undefined: return Value(std::string());
      case ScriptValueKind::Map: return Value(TRY(writeMap(static_cast<const ScriptMapValue&>(value), depth)));
      case ScriptValueKind::Array: {
        platform::foundation::Array out;
        const auto& array = static_cast<const ScriptArrayValue&>(value);
        for (std::size_t i = 0; i < array.count(); ++i) {
          const auto element = array.operandAt(i);
          Value converted;
          if (!element.isPlainNumber()) {
            converted = TRY(write(array.isHoleAt(i) ? *scriptUndefined() : *element.object(), depth + 1));
          } else {
            if (depth + 1 > limits_.conversionDepth) return refusal();
            TRY(count(0));
            converted = TRY(writeNumber(element.number()));
          }
          // A null element has no plain form; it is left out, as in maps.
          if (!converted.isNil()) out.push_back(std::move(converted));
        }
        return Value(std::move(out));
      }
      case ScriptValueKind::Number: return writeNumber(static_cast<const ScriptNumberValue&>(value).value());
      default: {
        const double number = TRY(value.doubleValueOrError());
        if (number == number) {
          TRY(count(sizeof(double)));
          return Value(number);
        }
        auto utf8 = utf8FromUTF16(TRY(value.stringValueOrError()));
        TRY(count(utf8.size()));
        return Value(std::move(utf8));
      }
    }
  }

  ErrorOr<Value> writeNumber(double number) {
    if (number == number) {
      TRY(count(sizeof(double)));
      return Value(number);
    }
    auto utf8 = utf8FromUTF16(formatScriptNumber(number));
    TRY(count(utf8.size()));
    return Value(std::move(utf8));
  }

  ErrorOr<platform::foundation::Dictionary> writeMap(const ScriptMapValue& map, int depth) {
    platform::foundation::Dictionary out;
    // The entries are visited by the map: the first failure skips the rest and ends the write.
    std::optional<ScriptRuntimeError> failure;
    auto writeEntry = [&](const std::u16string& name, const ScriptValueRef& element) -> ErrorOr<void> {
      auto converted = TRY(write(*element, depth + 1));
      if (converted.isNil()) return {};
      auto key = utf8FromUTF16(name);
      TRY(count(key.size() + kEntryBytes));
      out[std::move(key)] = std::move(converted);
      return {};
    };
    map.propertyMap().forEachEntry([&](const std::u16string& name, const ScriptValueRef& element) {
      if (failure) return;
      failure = writeEntry(name, element).errorIfAny();
    });
    if (failure) return *failure;
    return out;
  }

  std::size_t bytes() const { return bytes_; }

 private:
  // What a plain container spends on one entry besides the key and value themselves.
  static constexpr std::size_t kEntryBytes = 64;

  // One more element of `bytes` bytes (or, with 0, the element itself).
  ErrorOr<void> count(std::size_t bytes) {
    if (bytes == 0) {
      if (++elements_ > limits_.conversionElements) return refusal();
      bytes = kEntryBytes;
      if (heap_) TRY(heap_->chargeWork(1));
    }
    if (bytes > limits_.conversionBytes - bytes_) return refusal();
    bytes_ += bytes;
    return {};
  }
  static ScriptRuntimeError refusal() { return scriptError(kScriptErrorLimitReached); }

  ScriptHeap* heap_;
  const ScriptLimits limits_;
  std::int64_t elements_ = 0;
  std::size_t bytes_ = 0;
};

}  // namespace

ScriptValueRef ScriptValueConverter::stringValueFromRuntimeEntity(const NanoMessage& entity, ScriptHeap& heap) {
  const auto* text = field(entity, kString);
  const auto* s = text ? std::get_if<std::string>(text) : nullptr;
  return shortScriptString(heap, s ? utf16FromUTF8(*s) : std::u16string());
}

ScriptValueRef ScriptValueConverter::numberValueFromRuntimeEntity(const NanoMessage& entity, ScriptHeap& heap) {
  const auto* number = field(entity, kNumber);
  const auto* d = number ? std::get_if<double>(number) : nullptr;
  return scriptNumber(heap, d ? *d : std::numeric_limits<double>::quiet_NaN());
}

ScriptValueRef ScriptValueConverter::booleanValueFromRuntimeEntity(const NanoMessage& entity) {
  const auto* flag = field(entity, kBoolean);
  const auto* b = flag ? std::get_if<std::uint64_t>(flag) : nullptr;
  return scriptBoolean(b && *b != 0);
}

ErrorOr<ScriptValueRef> ScriptValueConverter::statementValueFromRuntimeEntity(const NanoMessage& entity, ScriptHeap& heap) {
  LiteralTexts texts;
  return statementValue(entity, heap, 0, texts);
}

ErrorOr<ScriptValueRef> ScriptValueConverter::runtimeValueFromRuntimeEntity(const NanoMessage& entity, ScriptHeap& heap) {
  LiteralTexts texts;
  return entityValue(entity, heap, 0, texts);
}

ErrorOr<ScriptValueRef> ScriptValueConverter::runtimeValueFromNSObject(const Value& object, ScriptHeap& heap) {
  return fromObject(object, heap, 0);
}

ErrorOr<Value> ScriptValueConverter::objectFromRuntimeValue(const ScriptValue& value, std::size_t* bytesWritten) {
  PlainWriter writer(value);
  auto out = TRY(writer.write(value, 0));
  if (bytesWritten) *bytesWritten = writer.bytes();
  return out;
}

ErrorOr<platform::foundation::Dictionary> ScriptValueConverter::dictionaryFromMapValue(const ScriptMapValue& map,
                                                                                      std::size_t* bytesWritten) {
  PlainWriter writer(map);
  auto out = TRY(writer.writeMap(map, 0));
  if (bytesWritten) *bytesWritten = writer.bytes();
  return out;
}

}  // namespace sdk::analytics

