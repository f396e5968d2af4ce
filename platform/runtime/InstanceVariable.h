#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/foundation/Value.h"

namespace platform::runtime {

class Object;

// One instance variable as a class lists it: its name, its type encoding and how to read it from an
// instance. The encodings are the phone's: "@" for a value of any object type, "@" and the class name in
// quotes for an object of one class ("@\"UIViewController\"", "@\"NSString\"" for a string, "@\"NSArray\""
// for a list), and one letter for a plain value ("B" bool, "i" 32-bit, "q" 64-bit integer, "f" float,
// "d" double).
class InstanceVariable {
 public:
  // Answers the variable's value in an instance of the declaring class (nil when it holds no object).
  using Reader = std::function<foundation::Value(const Object& instance)>;

  InstanceVariable(std::string name, std::string typeEncoding, Reader reader)
      : name_(std::move(name)), typeEncoding_(std::move(typeEncoding)), reader_(std::move(reader)) {}

  const std::string& name() const { return name_; }
  const std::string& typeEncoding() const { return typeEncoding_; }
  bool holdsObject() const { return !typeEncoding_.empty() && typeEncoding_.front() == '@'; }
  foundation::Value valueIn(const Object& instance) const { return reader_ ? reader_(instance) : foundation::Value(); }

 private:
  std::string name_;
  std::string typeEncoding_;
  Reader reader_;
};

// How a C++ type is encoded and read as an instance variable. Types without an encoding do not compile.
template <class T>
struct IvarType;

template <>
struct IvarType<bool> {
  static std::string encoding() { return "B"; }
  static foundation::Value value(bool b) { return b; }
};
template <class T>
  requires(std::is_integral_v<T> && !std::is_same_v<T, bool>)
struct IvarType<T> {
  static std::string encoding() { return sizeof(T) <= 4 ? "i" : "q"; }
  static foundation::Value value(T n) { return n; }
};
template <class T>
  requires std::is_enum_v<T>
struct IvarType<T> {
  static std::string encoding() { return IvarType<std::underlying_type_t<T>>::encoding(); }
  static foundation::Value value(T e) { return static_cast<std::underlying_type_t<T>>(e); }
};
template <>
struct IvarType<float> {
  static std::string encoding() { return "f"; }
  static foundation::Value value(float f) { return f; }
};
template <>
struct IvarType<double> {
  static std::string encoding() { return "d"; }
  static foundation::Value value(double d) { return d; }
};
template <>
struct IvarType<std::string> {
  static std::string encoding() { return "@\"NSString\""; }
  static foundation::Value value(const std::string& s) { return s; }
};
template <>
struct IvarType<foundation::Value> {
  static std::string encoding() { return "@"; }
  static foundation::Value value(const foundation::Value& v) { return v; }
};
template <class T>
  requires std::is_base_of_v<foundation::Object, T>
struct IvarType<std::shared_ptr<T>> {
  static std::string encoding() {
    if constexpr (requires { T::kRuntimeClass.name; }) {
      return "@\"" + std::string(T::kRuntimeClass.name) + "\"";
    } else {
      return "@";
    }
  }
  static foundation::Value value(const std::shared_ptr<T>& object) { return foundation::Value(object); }
};
template <class T>
struct IvarType<std::weak_ptr<T>> {
  static std::string encoding() { return IvarType<std::shared_ptr<T>>::encoding(); }
  static foundation::Value value(const std::weak_ptr<T>& object) { return IvarType<std::shared_ptr<T>>::value(object.lock()); }
};
template <class T>
struct IvarType<std::vector<T>> {
  static std::string encoding() { return "@\"NSArray\""; }
  static foundation::Value value(const std::vector<T>& items) {
    foundation::Array array;
    for (const auto& item : items) array.push_back(IvarType<T>::value(item));
    return array;
  }
};

}  // namespace platform::runtime
