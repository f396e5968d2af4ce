#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

namespace platform::foundation {

// Base of every object a Value can hold by reference (the runtime's objects derive from it).
class Object {
 public:
  virtual ~Object() = default;
  // Text for logs; defaults to the class-neutral "<Object 0x...>".
  virtual std::string description() const;
  // Defaults to identity; value-like objects compare their contents.
  virtual bool isEqual(const Object& other) const { return this == &other; }
};

class Value;
using Array = std::vector<Value>;
using Dictionary = std::map<std::string, Value>;  // ordered by key, so output is stable
using Data = std::vector<std::uint8_t>;

// A dynamic value as read from property lists and JSON or passed as event parameters and results.
//
// Numbers: bool, integer and real are all numbers. toInt64/toDouble/toBool convert among them (a real
// 4.0 reads as 4, true reads as 1) and give 0/false for anything else; strings never convert silently.
// Equality compares numbers by value across the three kinds.
//
// Reads are forgiving like messages to nil: operator[] on a missing key or a non-dictionary, and at()
// past the end or on a non-array, give a nil Value. Writes on the wrong kind (set() on an array) are
// caller misuse and throw Exception("NSInvalidArgumentException", ...); set()/append() on nil first
// turn it into an empty dictionary/array.
class Value {
 public:
  enum class Type { Nil, Null, Bool, Integer, Real, String, Data, Date, Array, Dictionary, Object };

  Value() = default;  // nil: absent
  Value(bool b) : storage_(b) {}
  template <typename T>
    requires(std::is_integral_v<T> && !std::is_same_v<T, bool>)
  Value(T n) : storage_(fromIntegral(n)) {}
  template <typename T>
    requires std::is_floating_point_v<T>
  Value(T d) : storage_(static_cast<double>(d)) {}
  Value(const char* s) : storage_(s ? Storage(std::string(s)) : Storage()) {}
  Value(char* s) : Value(static_cast<const char*>(s)) {}
  Value(std::string s) : storage_(std::move(s)) {}
  Value(std::string_view s) : storage_(std::string(s)) {}
  Value(Array a) : storage_(std::move(a)) {}
  Value(Dictionary d) : storage_(std::move(d)) {}
  template <typename T>
    requires std::is_base_of_v<Object, T>
  Value(std::shared_ptr<T> object)
      : storage_(object ? Storage(std::shared_ptr<Object>(std::move(object))) : Storage()) {}
  // Any other pointer would silently become a bool.
  template <typename T>
  Value(T*) = delete;
  Value(std::nullptr_t) = delete;

  static Value null();
  static Value data(Data bytes);
  static Value date(double secondsSince1970);

  Type type() const { return static_cast<Type>(storage_.index()); }
  bool isNil() const { return type() == Type::Nil; }
  bool isNull() const { return type() == Type::Null; }
  bool isBool() const { return type() == Type::Bool; }
  bool isInteger() const { return type() == Type::Integer; }
  bool isReal() const { return type() == Type::Real; }
  bool isNumber() const { return isBool() || isInteger() || isReal(); }
  bool isString() const { return type() == Type::String; }
  bool isData() const { return type() == Type::Data; }
  bool isDate() const { return type() == Type::Date; }
  bool isArray() const { return type() == Type::Array; }
  bool isDictionary() const { return type() == Type::Dictionary; }
  bool isObject() const { return type() == Type::Object; }

  // Exact-kind getters: empty/nullptr unless the value is of that kind.
  std::optional<bool> boolean() const;
  std::optional<std::int64_t> integer() const;
  std::optional<double> real() const;
  std::optional<double> number() const;  // any number, as double
  const std::string* string() const;
  const Data* data() const;
  std::optional<double> date() const;  // seconds since 1970
  const Array* array() const;
  Array* array();
  const Dictionary* dictionary() const;
  Dictionary* dictionary();
  std::shared_ptr<Object> object() const;
  template <typename T>
  std::shared_ptr<T> objectAs() const {
    return std::dynamic_pointer_cast<T>(object());
  }

  // Number conversions; 0/false for non-numbers. Reals are truncated toward zero and clamped to the
  // int64 range (NaN gives 0).
  std::int64_t toInt64() const;
  double toDouble() const;
  bool toBool() const;
  // The string, or `fallback` when this is not a string.
  std::string toString(std::string_view fallback = {}) const;
  // A switch as a person may write it in a property list, as a number, a boolean or a text: numbers as
  // toBool, a text by textReadsAsYes, anything else false. "YES", "true" and "1" all turn a switch on.
  bool boolValue() const;
  // The phone's reading of a text as a yes or no: after leading blanks, an optional sign and any zeros,
  // "Y", "y", "T", "t" or a digit 1-9 is yes ("YES", "true", "+007"); anything else is no ("NO", "0", "").
  static bool textReadsAsYes(std::string_view text);

  // Containers.
  const Value& operator[](const std::string& key) const;
  const Value& operator[](const char* key) const { return key ? (*this)[std::string(key)] : nilValueRef(); }
  // Indexes go through at(); without this, v[0] would pass 0 as a null key.
  template <typename T>
    requires std::is_integral_v<T>
  const Value& operator[](T) const = delete;
  const Value& at(std::size_t index) const;
  bool contains(const std::string& key) const;
  std::size_t size() const;  // elements of an array or dictionary, bytes of data, else 0
  void set(const std::string& key, Value value);
  bool erase(const std::string& key);
  void append(Value value);

  bool operator==(const Value& other) const;
  bool operator!=(const Value& other) const { return !(*this == other); }

  // The phone's log text: strings as is, numbers shortest ("1", "2.5"), "(null)", "<null>", data
  // "<0a0b0c0d 0e>", dates "2026-12-06 20:58:50 +0000", arrays "(\n    a,\n    b\n)", dictionaries
  // "{\n    key = value;\n}". Strings inside containers are quoted when they are not plain words.
  std::string description() const;

 private:
  struct NullTag {
    bool operator==(const NullTag&) const = default;
  };
  struct DateBox {
    double seconds = 0;
    bool operator==(const DateBox&) const = default;
  };
  // Order matches Type.
  using Storage = std::variant<std::monostate, NullTag, bool, std::int64_t, double, std::string, Data,
                               DateBox, Array, Dictionary, std::shared_ptr<Object>>;

  template <typename T>
  static Storage fromIntegral(T n) {
    // Unsigned values past the int64 range keep their magnitude as a real rather than wrapping.
    if constexpr (std::is_unsigned_v<T> && sizeof(T) >= sizeof(std::int64_t)) {
      if (n > static_cast<T>(INT64_MAX)) return static_cast<double>(n);
    }
    return static_cast<std::int64_t>(n);
  }

  void describe(std::string& out, int indent, bool nested) const;
  static const Value& nilValueRef();

  Storage storage_;
};

const Value& nilValue();

// For gtest and logs.
std::ostream& operator<<(std::ostream& out, const Value& value);

}  // namespace platform::foundation
