#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "sdk/analytics/rules/APMPError.h"
#include "sdk/analytics/rules/APMPHeap.h"

class APMPScope;
class APMPRuntimeValue;

using APMPValueRef = APMPRef<APMPRuntimeValue>;
using APMPValueList = std::vector<APMPValueRef>;
// Values handed to a handler or a call: a list, or a few evaluated into a buffer on the stack.
using APMPArguments = std::span<const APMPValueRef>;

// What a value is; subclasses of the named classes keep their base's kind (a native function is a
// Function).
enum class APMPKind : std::uint8_t {
  Empty, Undefined, Null, Boolean, Number, String, Array, Map, Function, Statement, Control
};

// A script value. Strings are UTF-16 code units, as every length and index of the language counts
// them. Conversions never clear the error slot; the caller tests it after each call. The `depth`
// argument counts containers already being walked by the same conversion.
class APMPRuntimeValue : public APMPHeapObject {
 public:
  APMPKind kind() const { return kind_; }
  bool isUndefined() const { return kind_ == APMPKind::Undefined; }
  bool isNull() const { return kind_ == APMPKind::Null; }
  bool isNothing() const { return kind_ == APMPKind::Undefined || kind_ == APMPKind::Null; }

  virtual std::u16string stringValueOrError(APMPError& error, int depth = 0) const;
  virtual double doubleValueOrError(APMPError& error, int depth = 0) const;
  virtual bool booleanValueOrError(APMPError& error) const;
  // Calls a method on the value; the arguments are unevaluated statements of the caller's scope.
  virtual APMPValueRef applyWithName(const std::u16string& name, const APMPValueList& arguments, APMPScope& scope,
                                     APMPError& error);
  virtual bool isEqualToRuntimeValue(const APMPRuntimeValue& other, int depth = 0) const;

  // The shared hole marker: the plain base class.
  static APMPRuntimeValue* emptyValue();

 protected:
  explicit APMPRuntimeValue(APMPKind kind) : kind_(kind) {}
  APMPRuntimeValue(APMPHeap& heap, APMPKind kind, std::size_t bytes, bool tracked)
      : APMPHeapObject(heap, bytes, tracked), kind_(kind) {}

 private:
  const APMPKind kind_;
};

class APMPUndefinedValue final : public APMPRuntimeValue {
 public:
  friend APMPUndefinedValue* APMPMakeSharedUndefined();
  static APMPUndefinedValue* sharedInstance();
  std::u16string stringValueOrError(APMPError& error, int depth = 0) const override;
  double doubleValueOrError(APMPError& error, int depth = 0) const override;
  bool booleanValueOrError(APMPError& error) const override;
  APMPValueRef applyWithName(const std::u16string& name, const APMPValueList& arguments, APMPScope& scope,
                             APMPError& error) override;
  bool isEqualToRuntimeValue(const APMPRuntimeValue& other, int depth = 0) const override;

 private:
  APMPUndefinedValue() : APMPRuntimeValue(APMPKind::Undefined) {}
};

class APMPNullValue final : public APMPRuntimeValue {
 public:
  static APMPNullValue* sharedInstance();
  std::u16string stringValueOrError(APMPError& error, int depth = 0) const override;
  double doubleValueOrError(APMPError& error, int depth = 0) const override;
  bool booleanValueOrError(APMPError& error) const override;
  APMPValueRef applyWithName(const std::u16string& name, const APMPValueList& arguments, APMPScope& scope,
                             APMPError& error) override;
  bool isEqualToRuntimeValue(const APMPRuntimeValue& other, int depth = 0) const override;

 private:
  APMPNullValue() : APMPRuntimeValue(APMPKind::Null) {}
};

class APMPBooleanValue final : public APMPRuntimeValue {
 public:
  friend APMPBooleanValue* const* APMPMakeSharedBooleans();
  static APMPBooleanValue* booleanValueWithBool(bool value);
  bool value() const { return value_; }
  std::u16string stringValueOrError(APMPError& error, int depth = 0) const override;
  double doubleValueOrError(APMPError& error, int depth = 0) const override;
  bool booleanValueOrError(APMPError& error) const override;
  bool isEqualToRuntimeValue(const APMPRuntimeValue& other, int depth = 0) const override;

 private:
  explicit APMPBooleanValue(bool value) : APMPRuntimeValue(APMPKind::Boolean), value_(value) {}
  const bool value_;
};

class APMPNumberValue final : public APMPRuntimeValue {
 public:
  APMPNumberValue(APMPHeap& heap, double value)
      : APMPRuntimeValue(heap, APMPKind::Number, sizeof(APMPNumberValue), false), value_(value) {}
  // Arithmetic makes a number per operation: they come from the thread's spare blocks.
  static void* operator new(std::size_t size);
  static void operator delete(void* block, std::size_t size);
  double value() const { return value_; }
  std::u16string stringValueOrError(APMPError& error, int depth = 0) const override;
  double doubleValueOrError(APMPError& error, int depth = 0) const override;
  bool booleanValueOrError(APMPError& error) const override;
  bool isEqualToRuntimeValue(const APMPRuntimeValue& other, int depth = 0) const override;

 private:
  const double value_;
};

class APMPStringValue final : public APMPRuntimeValue {
 public:
  APMPStringValue(APMPHeap& heap, std::u16string value)
      : APMPRuntimeValue(heap, APMPKind::String, sizeof(APMPStringValue) + value.size() * 2, false),
        value_(std::move(value)) {}
  const std::u16string& value() const { return value_; }
  std::u16string stringValueOrError(APMPError& error, int depth = 0) const override;
  double doubleValueOrError(APMPError& error, int depth = 0) const override;
  bool booleanValueOrError(APMPError& error) const override;
  APMPValueRef applyWithName(const std::u16string& name, const APMPValueList& arguments, APMPScope& scope,
                             APMPError& error) override;
  bool isEqualToRuntimeValue(const APMPRuntimeValue& other, int depth = 0) const override;

 private:
  const std::u16string value_;
};

// break, continue and return, passed up through statement lists.
class APMPControlValue final : public APMPRuntimeValue {
 public:
  enum class Type : std::uint8_t { Break, Continue, Return };
  APMPControlValue(APMPHeap& heap, Type type, APMPValueRef data);
  // Every return makes one: they come from the thread's spare blocks.
  static void* operator new(std::size_t size);
  static void operator delete(void* block, std::size_t size);
  static APMPControlValue* breakValue();
  static APMPControlValue* continueValue();
  static APMPValueRef returnValueWithData(APMPHeap& heap, APMPValueRef data);

  Type type() const { return type_; }
  std::u16string typeName() const;
  const APMPValueRef& data() const { return data_; }
  bool isEqualToRuntimeValue(const APMPRuntimeValue& other, int depth = 0) const override;

 private:
  APMPControlValue(Type type);
  const Type type_;
  APMPValueRef data_;
};

// Made once, never freed: runtimes on other threads may still hold them at exit. Only the first
// use leaves the inline path.
APMPUndefinedValue* APMPMakeSharedUndefined();
APMPBooleanValue* const* APMPMakeSharedBooleans();
inline APMPUndefinedValue* APMPUndefinedValue::sharedInstance() {
  static APMPUndefinedValue* const value = APMPMakeSharedUndefined();
  return value;
}
inline APMPBooleanValue* APMPBooleanValue::booleanValueWithBool(bool value) {
  static APMPBooleanValue* const* const values = APMPMakeSharedBooleans();
  return values[value];
}

// Shared values, never counted.
inline APMPRuntimeValue* APMPUndefined() { return APMPUndefinedValue::sharedInstance(); }
inline APMPRuntimeValue* APMPNull() { return APMPNullValue::sharedInstance(); }
inline APMPRuntimeValue* APMPBoolean(bool value) { return APMPBooleanValue::booleanValueWithBool(value); }
inline APMPValueRef APMPNumber(APMPHeap& heap, double value) { return heap.make<APMPNumberValue>(value); }
// A string value; a string beyond the length limit is error 18 (and undefined).
APMPValueRef APMPString(APMPHeap& heap, std::u16string value, APMPError& error);
// For texts known to be short (names, fixed words).
inline APMPValueRef APMPShortString(APMPHeap& heap, std::u16string value) {
  return heap.make<APMPStringValue>(std::move(value));
}

// The number's text: up to 17 significant digits, scientific from 1e21 and below 1e-6.
std::u16string APMPFormatNumber(double value);
// The string's number: trimmed, "NaN"/"Infinity"/"-Infinity", else one whole decimal number, else NaN.
double APMPParseNumber(const std::u16string& text);
bool APMPIsWhiteSpaceOrLineBreak(char16_t c);
