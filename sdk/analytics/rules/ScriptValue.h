#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sdk/analytics/rules/ScriptRuntimeError.h"
#include "sdk/analytics/rules/ScriptHeap.h"

namespace sdk::analytics {

class ScriptScope;
class ScriptValue;

using ScriptValueRef = ScriptRef<ScriptValue>;
using ScriptValueList = std::vector<ScriptValueRef>;
// Values handed to a handler or a call: a list, or a few evaluated into a buffer on the stack.
using ScriptArguments = std::span<const ScriptValueRef>;

// What a value is; subclasses of the named classes keep their base's kind (a native function is a
// Function).
enum class ScriptValueKind : std::uint8_t {
  Empty, Undefined, Null, Boolean, Number, String, Array, Map, Function, Statement, Control
};

// A script value. Strings are UTF-16 code units, as every length and index of the language counts
// them. A conversion answers its value or the error that stopped it. The `depth` argument counts
// containers already being walked by the same conversion.
class ScriptValue : public ScriptHeapObject {
 public:
  ScriptValueKind kind() const { return kind_; }
  bool isUndefined() const { return kind_ == ScriptValueKind::Undefined; }
  bool isNull() const { return kind_ == ScriptValueKind::Null; }
  bool isNothing() const { return kind_ == ScriptValueKind::Undefined || kind_ == ScriptValueKind::Null; }

  virtual ErrorOr<std::u16string> stringValueOrError(int depth = 0) const;
  virtual ErrorOr<double> doubleValueOrError(int depth = 0) const;
  virtual ErrorOr<bool> booleanValueOrError() const;
  // Calls a method on the value; the arguments are unevaluated statements of the caller's scope.
  virtual ErrorOr<ScriptValueRef> applyWithName(const std::u16string& name, const ScriptValueList& arguments, ScriptScope& scope);
  virtual bool isEqualToRuntimeValue(const ScriptValue& other, int depth = 0) const;

  // The shared hole marker: the plain base class.
  static ScriptValue* emptyValue();

 protected:
  explicit ScriptValue(ScriptValueKind kind) : kind_(kind) {}
  ScriptValue(ScriptHeap& heap, ScriptValueKind kind, std::size_t bytes, bool tracked)
      : ScriptHeapObject(heap, bytes, tracked), kind_(kind) {}

 private:
  const ScriptValueKind kind_;
};

class ScriptUndefinedValue final : public ScriptValue {
 public:
  friend ScriptUndefinedValue* makeSharedUndefined();
  static ScriptUndefinedValue* sharedInstance();
  ErrorOr<std::u16string> stringValueOrError(int depth = 0) const override;
  ErrorOr<double> doubleValueOrError(int depth = 0) const override;
  ErrorOr<bool> booleanValueOrError() const override;
  ErrorOr<ScriptValueRef> applyWithName(const std::u16string& name, const ScriptValueList& arguments, ScriptScope& scope) override;
  bool isEqualToRuntimeValue(const ScriptValue& other, int depth = 0) const override;

 private:
  ScriptUndefinedValue() : ScriptValue(ScriptValueKind::Undefined) {}
};

class ScriptNullValue final : public ScriptValue {
 public:
  static ScriptNullValue* sharedInstance();
  ErrorOr<std::u16string> stringValueOrError(int depth = 0) const override;
  ErrorOr<double> doubleValueOrError(int depth = 0) const override;
  ErrorOr<bool> booleanValueOrError() const override;
  ErrorOr<ScriptValueRef> applyWithName(const std::u16string& name, const ScriptValueList& arguments, ScriptScope& scope) override;
  bool isEqualToRuntimeValue(const ScriptValue& other, int depth = 0) const override;

 private:
  ScriptNullValue() : ScriptValue(ScriptValueKind::Null) {}
};

class ScriptBooleanValue final : public ScriptValue {
 public:
  friend ScriptBooleanValue* const* makeSharedBooleans();
  static ScriptBooleanValue* booleanValueWithBool(bool value);
  bool value() const { return value_; }
  ErrorOr<std::u16string> stringValueOrError(int depth = 0) const override;
  ErrorOr<double> doubleValueOrError(int depth = 0) const override;
  ErrorOr<bool> booleanValueOrError() const override;
  bool isEqualToRuntimeValue(const ScriptValue& other, int depth = 0) const override;

 private:
  explicit ScriptBooleanValue(bool value) : ScriptValue(ScriptValueKind::Boolean), value_(value) {}
  const bool value_;
};

class ScriptNumberValue final : public ScriptValue {
 public:
  ScriptNumberValue(ScriptHeap& heap, double value)
      : ScriptValue(heap, ScriptValueKind::Number, sizeof(ScriptNumberValue), false), value_(value) {}
  // Arithmetic makes a number per operation: they come from the thread's spare blocks.
  static void* operator new(std::size_t size);
  static void operator delete(void* block, std::size_t size);
  double value() const { return value_; }
  ErrorOr<std::u16string> stringValueOrError(int depth = 0) const override;
  ErrorOr<double> doubleValueOrError(int depth = 0) const override;
  ErrorOr<bool> booleanValueOrError() const override;
  bool isEqualToRuntimeValue(const ScriptValue& other, int depth = 0) const override;

 private:
  const double value_;
};

// A string's text never changes where anything but its one holder can see it: only a string held
// by nothing but the caller grows in place (see append).
class ScriptStringValue final : public ScriptValue {
 public:
  ScriptStringValue(ScriptHeap& heap, std::u16string value) : ScriptStringValue(heap, std::move(value), 0) {}
  // A string charged as holding `room` code units (at least its length): the room it has to grow in
  // place, already allocated.
  ScriptStringValue(ScriptHeap& heap, std::u16string value, std::size_t room)
      : ScriptValue(heap, ScriptValueKind::String, sizeof(ScriptStringValue) + std::max(room, value.size()) * 2, false),
        value_(std::move(value)),
        room_(std::max(room, value_.size())) {}
  const std::u16string& value() const { return value_; }
  // Appends `tail` (which must not be this string's own text) in place. Only for a string nothing
  // but the caller holds: nobody else can see it change, nor be reading its text. More room is
  // charged before it is allocated; error 18, with the text unchanged, beyond the length limit or
  // the memory budget.
  ErrorOr<void> append(std::u16string_view tail);
  ErrorOr<std::u16string> stringValueOrError(int depth = 0) const override;
  ErrorOr<double> doubleValueOrError(int depth = 0) const override;
  ErrorOr<bool> booleanValueOrError() const override;
  ErrorOr<ScriptValueRef> applyWithName(const std::u16string& name, const ScriptValueList& arguments, ScriptScope& scope) override;
  bool isEqualToRuntimeValue(const ScriptValue& other, int depth = 0) const override;

 private:
  std::u16string value_;
  std::size_t room_;  // the code units charged for
};

// break, continue and return, passed up through statement lists.
class ScriptControlValue final : public ScriptValue {
 public:
  enum class Type : std::uint8_t { Break, Continue, Return };
  ScriptControlValue(ScriptHeap& heap, Type type, ScriptValueRef data);
  // Every return makes one: they come from the thread's spare blocks.
  static void* operator new(std::size_t size);
  static void operator delete(void* block, std::size_t size);
  static ScriptControlValue* breakValue();
  static ScriptControlValue* continueValue();
  static ScriptValueRef returnValueWithData(ScriptHeap& heap, ScriptValueRef data);

  Type type() const { return type_; }
  std::u16string typeName() const;
  const ScriptValueRef& data() const { return data_; }
  bool isEqualToRuntimeValue(const ScriptValue& other, int depth = 0) const override;

 private:
  ScriptControlValue(Type type);
  const Type type_;
  ScriptValueRef data_;
};

// Made once, never freed: runtimes on other threads may still hold them at exit. Only the first
// use leaves the inline path.
ScriptUndefinedValue* makeSharedUndefined();
ScriptBooleanValue* const* makeSharedBooleans();
inline ScriptUndefinedValue* ScriptUndefinedValue::sharedInstance() {
  static ScriptUndefinedValue* const value = makeSharedUndefined();
  return value;
}
inline ScriptBooleanValue* ScriptBooleanValue::booleanValueWithBool(bool value) {
  static ScriptBooleanValue* const* const values = makeSharedBooleans();
  return values[value];
}

// Shared values, never counted.
inline ScriptValue* scriptUndefined() { return ScriptUndefinedValue::sharedInstance(); }
inline ScriptValue* scriptNull() { return ScriptNullValue::sharedInstance(); }
inline ScriptValue* scriptBoolean(bool value) { return ScriptBooleanValue::booleanValueWithBool(value); }
inline ScriptValueRef scriptNumber(ScriptHeap& heap, double value) { return heap.make<ScriptNumberValue>(value); }
// A string value; a string beyond the length limit is error 18 (and undefined).
ErrorOr<ScriptValueRef> scriptString(ScriptHeap& heap, std::u16string value);
// A new string of `pieces` one after another, with room to grow in place (charged with it); the
// work of copying them is the caller's to charge. Error 18 beyond the length limit or the budget.
ErrorOr<ScriptValueRef> joinedScriptString(ScriptHeap& heap, std::span<const std::u16string_view> pieces);
// For texts known to be short (names, fixed words).
inline ScriptValueRef shortScriptString(ScriptHeap& heap, std::u16string value) {
  return heap.make<ScriptStringValue>(std::move(value));
}

}  // namespace sdk::analytics

