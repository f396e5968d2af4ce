#include "platform/foundation/KeyedArchive.h"

#include <mutex>

#include "platform/foundation/Exception.h"
#include "platform/foundation/PropertyList.h"

namespace platform::foundation {
namespace {

constexpr const char* kFormatKey = "$format";
constexpr const char* kFormatName = "ostrel.keyed-archive";
constexpr const char* kVersionKey = "$version";
constexpr std::int64_t kVersion = 1;
constexpr const char* kTopKey = "$top";
constexpr const char* kRootKey = "root";
constexpr const char* kObjectsKey = "$objects";
constexpr const char* kClassKey = "$class";
constexpr const char* kClassNameKey = "$classname";
constexpr const char* kArchiveUidKey = "CF$UID";
// Deeper nesting than this is refused rather than risking the stack on a hostile archive.
constexpr int kMaxArchiveDepth = 512;

Value uid(std::int64_t index) { return Value(Dictionary{{kArchiveUidKey, Value(index)}}); }

// The table index a reference holds, or -1 when the value is no reference.
std::int64_t indexOf(const Value& reference) {
  const Dictionary* fields = reference.dictionary();
  if (!fields || fields->size() != 1) return -1;
  auto found = fields->find(kArchiveUidKey);
  if (found == fields->end() || !found->second.isInteger()) return -1;
  return *found->second.integer();
}

// The tables below are never destroyed: SDK queues may still archive while the process exits.
bool isBuiltIn(const std::string& name) {
  static const auto* const names = new KeyedArchive::ClassSet{
      KeyedArchive::kString, KeyedArchive::kNumber, KeyedArchive::kData, KeyedArchive::kDate,
      KeyedArchive::kArray,  KeyedArchive::kDictionary, KeyedArchive::kNull};
  return names->count(name) > 0;
}

struct ClassRegistry {
  std::mutex mutex;
  std::map<std::string, KeyedArchive::Factory> factories;
};

ClassRegistry& classRegistry() {
  static auto* const registry = new ClassRegistry;
  return *registry;
}

KeyedArchive::Factory factoryFor(const std::string& name) {
  ClassRegistry& registry = classRegistry();
  std::lock_guard lock(registry.mutex);
  auto found = registry.factories.find(name);
  return found == registry.factories.end() ? KeyedArchive::Factory() : found->second;
}

std::string joined(const KeyedArchive::ClassSet& names) {
  std::string out;
  for (const auto& name : names) out += (out.empty() ? "" : ", ") + name;
  return out;
}

Error invalidValue(const std::string& reason) {
  return Error::make(KeyedArchive::kErrorDomain, KeyedArchive::kInvalidValueError, reason);
}

Error readCorrupt(const std::string& reason) {
  return Error::make(KeyedArchive::kErrorDomain, KeyedArchive::kReadCorruptError,
                     "The data couldn’t be read because it isn’t in the correct format: " + reason);
}

}  // namespace

// --- writing ------------------------------------------------------------------------------------

void KeyedArchive::registerClass(const std::string& className, Factory factory) {
  if (className.empty() || isBuiltIn(className) || !factory) {
    throw Exception("NSInvalidArgumentException", "cannot register keyed-archive class \"" + className + "\"");
  }
  ClassRegistry& registry = classRegistry();
  std::lock_guard lock(registry.mutex);
  registry.factories[className] = std::move(factory);
}

KeyedArchiver::KeyedArchiver() { objects_.push_back(Value("$null")); }

std::int64_t KeyedArchiver::append(Value entry) {
  objects_.push_back(std::move(entry));
  return static_cast<std::int64_t>(objects_.size() - 1);
}

std::int64_t KeyedArchiver::classReference(const std::string& name) {
  auto found = classes_.find(name);
  if (found != classes_.end()) return found->second;
  std::int64_t index = append(Value(Dictionary{{kClassNameKey, Value(name)}}));
  classes_[name] = index;
  return index;
}

std::int64_t KeyedArchiver::reference(const Value& value) {
  if (failed()) return 0;
  if (depth_ >= kMaxArchiveDepth) {
    error_ = invalidValue("the object graph is nested too deeply (or refers to itself)");
    return 0;
  }
  switch (value.type()) {
    case Value::Type::Nil: return 0;
    case Value::Type::String: {
      auto found = strings_.find(*value.string());
      if (found != strings_.end()) return found->second;
      std::int64_t index = append(value);
      strings_[*value.string()] = index;
      return index;
    }
    case Value::Type::Bool:
    case Value::Type::Integer:
    case Value::Type::Real:
    case Value::Type::Data: return append(value);
    case Value::Type::Date:
      return append(Value(Dictionary{{kClassKey, uid(classReference(KeyedArchive::kDate))}, {"time", Value(*value.date())}}));
    case Value::Type::Null: return append(Value(Dictionary{{kClassKey, uid(classReference(KeyedArchive::kNull))}}));
    default: break;
  }
  // Containers and objects take their slot first, so their contents follow them in the table.
  std::int64_t index = append(Value());
  ++depth_;
  Dictionary entry;
  if (const Array* items = value.array()) {
    Array references;
    for (const Value& item : *items) references.push_back(uid(reference(item)));
    entry = {{kClassKey, uid(classReference(KeyedArchive::kArray))}, {"items", Value(std::move(references))}};
  } else if (const Dictionary* fields = value.dictionary()) {
    Array keys, values;
    for (const auto& [key, item] : *fields) {
      keys.push_back(uid(reference(Value(key))));
      values.push_back(uid(reference(item)));
    }
    entry = {{kClassKey, uid(classReference(KeyedArchive::kDictionary))},
             {"keys", Value(std::move(keys))},
             {"values", Value(std::move(values))}};
  } else {
    auto codable = std::dynamic_pointer_cast<KeyedCodable>(value.object());
    if (!codable) {
      error_ = invalidValue("the object " + value.description() + " does not support keyed archiving");
    } else {
      Dictionary* outer = fields_;
      fields_ = &entry;
      codable->encodeWithCoder(*this);
      fields_ = outer;
      entry[kClassKey] = uid(classReference(codable->className()));
    }
  }
  --depth_;
  objects_[static_cast<std::size_t>(index)] = Value(std::move(entry));
  return index;
}

void KeyedArchiver::encodeObject(const Value& value, const std::string& key) {
  if (!fields_ || key.empty() || key.front() == '$') {
    if (!failed()) error_ = invalidValue("cannot encode a field under the key \"" + key + "\"");
    return;
  }
  std::int64_t index = reference(value);
  (*fields_)[key] = uid(index);
}

void KeyedArchiver::encodeInt64(std::int64_t value, const std::string& key) { encodeObject(Value(value), key); }
void KeyedArchiver::encodeDouble(double value, const std::string& key) { encodeObject(Value(value), key); }
void KeyedArchiver::encodeBool(bool value, const std::string& key) { encodeObject(Value(value), key); }

std::optional<Data> KeyedArchive::archivedData(const Value& root, Error* error) {
  KeyedArchiver archiver;
  std::int64_t rootIndex = archiver.reference(root);
  if (archiver.failed()) {
    report(error, *archiver.error());
    return std::nullopt;
  }
  Dictionary archive = {{kFormatKey, Value(kFormatName)},
                        {kVersionKey, Value(kVersion)},
                        {kTopKey, Value(Dictionary{{kRootKey, uid(rootIndex)}})},
                        {kObjectsKey, Value(archiver.takeObjects())}};
  Error writeError;
  Data bytes = PropertyList::write(Value(std::move(archive)), PropertyList::Format::Binary, &writeError);
  if (bytes.empty()) {
    Error failure = invalidValue("the archive could not be written");
    failure.setUnderlyingError(writeError);
    report(error, failure);
    return std::nullopt;
  }
  return bytes;
}

// --- reading ------------------------------------------------------------------------------------

Value KeyedArchive::unarchivedObject(const ClassSet& allowedClasses, const Data& data, Error* error,
                                     const Substitutions& substitutions) {
  Value archive = PropertyList::read(data);
  if (archive[kFormatKey].toString() != kFormatName) {
    report(error, readCorrupt("not a keyed archive"));
    return Value();
  }
  const Value& version = archive[kVersionKey];
  if (!version.isInteger() || *version.integer() < 1 || *version.integer() > kVersion) {
    report(error, readCorrupt("unsupported archive version " + version.description()));
    return Value();
  }
  const Array* objects = archive[kObjectsKey].array();
  if (!objects || objects->empty() || !archive[kTopKey].contains(kRootKey)) {
    report(error, Error::make(kErrorDomain, objects ? kValueNotFoundError : kReadCorruptError,
                              "the archive holds no root object"));
    return Value();
  }
  KeyedUnarchiver unarchiver(*objects, substitutions);
  Value root = unarchiver.objectAt(archive[kTopKey][kRootKey], allowedClasses, kRootKey);
  if (unarchiver.failed()) {
    report(error, *unarchiver.error());
    return Value();
  }
  return root;
}

KeyedUnarchiver::KeyedUnarchiver(Array objects, KeyedArchive::Substitutions substitutions)
    : objects_(std::move(objects)), substitutions_(std::move(substitutions)), inProgress_(objects_.size(), false) {}

void KeyedUnarchiver::corrupt(const std::string& reason) {
  if (!failed()) error_ = readCorrupt(reason);
}

void KeyedUnarchiver::failWithError(Error error) {
  if (!failed()) error_ = std::move(error);
}

Value KeyedUnarchiver::objectAt(const Value& reference, const KeyedArchive::ClassSet& allowed, const std::string& where) {
  if (failed()) return Value();
  std::int64_t index = indexOf(reference);
  if (index < 0 || index >= static_cast<std::int64_t>(objects_.size())) {
    corrupt("a reference for \"" + where + "\" is damaged");
    return Value();
  }
  if (index == 0) return Value();
  return decodeEntry(index, allowed, where);
}

Value KeyedUnarchiver::decodeEntry(std::int64_t index, const KeyedArchive::ClassSet& allowed, const std::string& where) {
  const Value& entry = objects_[static_cast<std::size_t>(index)];
  std::string kind;
  if (entry.isString()) {
    kind = KeyedArchive::kString;
  } else if (entry.isNumber()) {
    kind = KeyedArchive::kNumber;
  } else if (entry.isData()) {
    kind = KeyedArchive::kData;
  } else if (entry.isDictionary()) {
    return decodeClassed(*entry.dictionary(), index, allowed, where);
  } else {
    corrupt("an object for \"" + where + "\" is of an unknown kind");
    return Value();
  }
  if (!allowed.count(kind)) {
    corrupt("value for key '" + where + "' was of unexpected class '" + kind + "'. Allowed classes are '{" +
            joined(allowed) + "}'.");
    return Value();
  }
  return entry;
}

std::optional<std::string> KeyedUnarchiver::classNameOf(const Dictionary& entry) {
  auto found = entry.find(kClassKey);
  if (found == entry.end()) return std::nullopt;
  std::int64_t index = indexOf(found->second);
  if (index <= 0 || index >= static_cast<std::int64_t>(objects_.size())) return std::nullopt;
  const Value& name = objects_[static_cast<std::size_t>(index)][kClassNameKey];
  if (!name.isString() || name.string()->empty()) return std::nullopt;
  auto substituted = substitutions_.find(*name.string());
  return substituted == substitutions_.end() ? *name.string() : substituted->second;
}

Value KeyedUnarchiver::decodeClassed(const Dictionary& entry, std::int64_t index, const KeyedArchive::ClassSet& allowed,
                                     const std::string& where) {
  std::optional<std::string> name = classNameOf(entry);
  if (!name) {
    corrupt("an object for \"" + where + "\" names no class");
    return Value();
  }
  if (!allowed.count(*name)) {
    corrupt("value for key '" + where + "' was of unexpected class '" + *name + "'. Allowed classes are '{" +
            joined(allowed) + "}'.");
    return Value();
  }
  auto field = [&entry](const char* key) -> const Value& {
    auto found = entry.find(key);
    return found == entry.end() ? nilValue() : found->second;
  };
  if (*name == KeyedArchive::kDate) {
    if (!field("time").isNumber()) corrupt("a date has no time");
    return failed() ? Value() : Value::date(field("time").toDouble());
  }
  if (*name == KeyedArchive::kNull) return Value::null();

  if (inProgress_[static_cast<std::size_t>(index)] || depth_ >= kMaxArchiveDepth) {
    corrupt("the objects refer to themselves or nest too deeply");
    return Value();
  }
  inProgress_[static_cast<std::size_t>(index)] = true;
  ++depth_;
  Value result;
  if (*name == KeyedArchive::kArray) {
    const Array* items = field("items").array();
    if (!items) corrupt("an array has no items");
    Array decoded;
    for (std::size_t i = 0; items && i < items->size() && !failed(); ++i) {
      decoded.push_back(objectAt((*items)[i], allowed, where));
    }
    result = Value(std::move(decoded));
  } else if (*name == KeyedArchive::kDictionary) {
    const Array* keys = field("keys").array();
    const Array* values = field("values").array();
    if (!keys || !values || keys->size() != values->size()) corrupt("a dictionary's keys and values do not pair up");
    Dictionary decoded;
    for (std::size_t i = 0; keys && values && i < keys->size() && !failed(); ++i) {
      Value key = objectAt((*keys)[i], {KeyedArchive::kString}, where);
      if (!failed() && !key.isString()) corrupt("a dictionary key is missing");
      if (failed()) break;
      decoded[*key.string()] = objectAt((*values)[i], allowed, *key.string());
    }
    result = Value(std::move(decoded));
  } else if (KeyedArchive::Factory factory = factoryFor(*name)) {
    const Dictionary* outer = fields_;
    fields_ = &entry;
    std::shared_ptr<Object> object = factory(*this);
    fields_ = outer;
    if (!object && !failed()) corrupt("an object of class '" + *name + "' refused its data");
    result = Value(std::move(object));
  } else {
    corrupt("cannot decode an object of class '" + *name + "': no such class is known");
  }
  --depth_;
  inProgress_[static_cast<std::size_t>(index)] = false;
  return failed() ? Value() : result;
}

bool KeyedUnarchiver::containsValueForKey(const std::string& key) const {
  return fields_ && fields_->count(key) > 0;
}

Value KeyedUnarchiver::decodeObjectOfClasses(const KeyedArchive::ClassSet& classes, const std::string& key) {
  if (!fields_ || failed()) return Value();
  auto found = fields_->find(key);
  if (found == fields_->end()) return Value();
  return objectAt(found->second, classes, key);
}

std::optional<std::string> KeyedUnarchiver::decodeString(const std::string& key) {
  Value value = decodeObjectOfClass(KeyedArchive::kString, key);
  if (!value.isString()) return std::nullopt;
  return *value.string();
}

const Value& KeyedUnarchiver::scalarField(const std::string& key) {
  if (!fields_) return nilValue();
  auto found = fields_->find(key);
  if (found == fields_->end()) return nilValue();
  std::int64_t index = indexOf(found->second);
  if (index <= 0 || index >= static_cast<std::int64_t>(objects_.size())) return nilValue();
  return objects_[static_cast<std::size_t>(index)];
}

std::int64_t KeyedUnarchiver::decodeInt64(const std::string& key) { return scalarField(key).toInt64(); }
double KeyedUnarchiver::decodeDouble(const std::string& key) { return scalarField(key).toDouble(); }
bool KeyedUnarchiver::decodeBool(const std::string& key) { return scalarField(key).toBool(); }

}  // namespace platform::foundation
