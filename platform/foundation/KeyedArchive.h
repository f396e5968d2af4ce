#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/foundation/Error.h"
#include "platform/foundation/Value.h"

namespace platform::foundation {

class KeyedArchiver;
class KeyedUnarchiver;

// An object that can be written into a keyed archive and read back. Reading builds a new object
// through the factory registered under className(); only classes the reader allows are ever built.
class KeyedCodable : public Object {
 public:
  virtual std::string className() const = 0;
  virtual void encodeWithCoder(KeyedArchiver& coder) const = 0;
};

// Keyed archives: self-describing binary property lists that carry every object's class name.
//
// The archive is a dictionary: "$format" ("ostrel.keyed-archive"), "$version" (1), "$top" ({"root":
// reference}) and "$objects", a table whose entry 0 stands for nil. Strings, numbers and data are
// stored in the table as themselves; dates, arrays, dictionaries, null and registered objects as
// dictionaries whose "$class" refers to a class entry {"$classname": name}. References are
// property-list UIDs.
//
// Reading is always checked: the caller names the classes it accepts, every object met on the way
// must be of one of them (a collection's elements are checked against the same set; a registered
// class names its own set for its fields), and any damage (a dangling reference, a cycle, a wrong
// kind) fails with an Error in kErrorDomain, never with a crash. Class names of old archives can be
// mapped to the registered classes that read them now.
class KeyedArchive {
 public:
  static constexpr const char* kErrorDomain = "PlatformKeyedArchive";
  enum Code : std::int64_t {
    kReadCorruptError = 4864,    // not an archive, damaged, or holding a class that is not allowed
    kValueNotFoundError = 4865,  // the root object is missing
    kInvalidValueError = 4866,   // the object (or something inside it) cannot be archived
  };

  // Names of the built-in kinds, for allowed-class sets.
  static constexpr const char* kString = "String";
  static constexpr const char* kNumber = "Number";
  static constexpr const char* kData = "Data";
  static constexpr const char* kDate = "Date";
  static constexpr const char* kArray = "Array";
  static constexpr const char* kDictionary = "Dictionary";
  static constexpr const char* kNull = "Null";

  using ClassSet = std::set<std::string>;
  using Substitutions = std::map<std::string, std::string>;  // name in the archive -> registered name
  // Builds an object from its fields; nullptr (with coder.failWithError) refuses the data.
  using Factory = std::function<std::shared_ptr<Object>(KeyedUnarchiver& coder)>;

  // Registers a reader for `className`; a later registration of the same name replaces it.
  static void registerClass(const std::string& className, Factory factory);
  // For a class T with `static constexpr const char* kClassName` and `static std::shared_ptr<T>
  // initWithCoder(KeyedUnarchiver&)`.
  template <typename T>
  static void registerClass() {
    registerClass(T::kClassName, [](KeyedUnarchiver& coder) -> std::shared_ptr<Object> { return T::initWithCoder(coder); });
  }

  // The archive of `root`; nullopt with kInvalidValueError when something in it cannot be archived
  // (an object that is not a KeyedCodable, for instance).
  static std::optional<Data> archivedData(const Value& root, Error* error = nullptr);
  // The root object, or nil with an error. A nil root is a valid archive and reads as nil without one.
  static Value unarchivedObject(const ClassSet& allowedClasses, const Data& data, Error* error = nullptr,
                                const Substitutions& substitutions = {});
};

// Writes one object's fields; handed to KeyedCodable::encodeWithCoder.
class KeyedArchiver {
 public:
  void encodeObject(const Value& value, const std::string& key);
  void encodeInt64(std::int64_t value, const std::string& key);
  void encodeDouble(double value, const std::string& key);
  void encodeBool(bool value, const std::string& key);

  // Used by KeyedArchive; not for fields.
  KeyedArchiver();
  std::int64_t reference(const Value& value);
  bool failed() const { return error_.has_value(); }
  const std::optional<Error>& error() const { return error_; }
  Array takeObjects() { return std::move(objects_); }

 private:
  std::int64_t classReference(const std::string& name);
  std::int64_t append(Value entry);

  Array objects_;
  std::map<std::string, std::int64_t> classes_;
  std::map<std::string, std::int64_t> strings_;  // equal strings are stored once
  Dictionary* fields_ = nullptr;                  // the object being encoded
  int depth_ = 0;
  std::optional<Error> error_;
};

// Reads one object's fields; handed to a registered factory.
class KeyedUnarchiver {
 public:
  bool containsValueForKey(const std::string& key) const;
  // nil when the key is missing, nil with failure when the object is not of an allowed class.
  Value decodeObjectOfClasses(const KeyedArchive::ClassSet& classes, const std::string& key);
  Value decodeObjectOfClass(const std::string& className, const std::string& key) {
    return decodeObjectOfClasses({className}, key);
  }
  std::optional<std::string> decodeString(const std::string& key);
  // 0 / false when missing or not a number.
  std::int64_t decodeInt64(const std::string& key);
  double decodeDouble(const std::string& key);
  bool decodeBool(const std::string& key);

  // Refuses the data; the whole read then fails with `error`.
  void failWithError(Error error);
  bool failed() const { return error_.has_value(); }
  const std::optional<Error>& error() const { return error_; }

  // Used by KeyedArchive.
  KeyedUnarchiver(Array objects, KeyedArchive::Substitutions substitutions);
  Value objectAt(const Value& reference, const KeyedArchive::ClassSet& allowed, const std::string& where);

 private:
  Value decodeEntry(std::int64_t index, const KeyedArchive::ClassSet& allowed, const std::string& where);
  Value decodeClassed(const Dictionary& entry, std::int64_t index, const KeyedArchive::ClassSet& allowed,
                      const std::string& where);
  std::optional<std::string> classNameOf(const Dictionary& entry);
  const Value& scalarField(const std::string& key);
  void corrupt(const std::string& reason);

  Array objects_;
  KeyedArchive::Substitutions substitutions_;
  const Dictionary* fields_ = nullptr;  // the object being decoded
  std::vector<bool> inProgress_;
  int depth_ = 0;
  std::optional<Error> error_;
};

}  // namespace platform::foundation
