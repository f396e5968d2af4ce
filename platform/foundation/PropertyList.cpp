#include "platform/foundation/PropertyList.h"

#include <plist/plist.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/PropertyListGuard.h"
#include "platform/foundation/Utf8.h"

namespace platform::foundation {

namespace {

// Seconds between 1970-01-01 and 2001-01-01, the epoch property-list dates count from.
constexpr double kEpochOffset = 978307200.0;
// Deeper nesting than any real file has; refusing it keeps the recursive conversions off the stack's end.
constexpr int kMaxPropertyListDepth = 512;
constexpr const char* kUidKey = "CF$UID";
constexpr const char kBinaryMagic[] = "bplist00";

struct PlistFree {
  void operator()(void* node) const { plist_free(node); }
};
using Node = std::unique_ptr<void, PlistFree>;

struct MallocFree {
  void operator()(void* p) const { std::free(p); }
};
using CString = std::unique_ptr<char, MallocFree>;

Error makeError(PropertyList::Code code, const std::string& text) {
  return Error::make(PropertyList::kErrorDomain, code, text);
}

// Text that libplist stores as a C string: it must be valid UTF-8 without NUL, or it would be cut short
// or mangled on the way to UTF-16.
bool checkText(const std::string& s, const char* what, Error* error) {
  if (s.find('\0') != std::string::npos) {
    report(error, makeError(PropertyList::kWriteInvalidError, std::string(what) + " contains a NUL character"));
    return false;
  }
  if (!Utf8::isValid(s)) {
    report(error, makeError(PropertyList::kWriteInvalidError, std::string(what) + " is not valid UTF-8"));
    return false;
  }
  return true;
}

bool isUidDictionary(const Value& value) {
  auto* dict = value.dictionary();
  if (!dict || dict->size() != 1) return false;
  auto uid = value[kUidKey].integer();
  return uid && *uid >= 0 && *uid <= UINT32_MAX;
}

Node toNode(const Value& value, PropertyList::Format format, int depth, Error* error);

Node arrayNode(const Array& list, PropertyList::Format format, int depth, Error* error) {
  Node node(plist_new_array());
  for (const Value& element : list) {
    if (element.isNil()) {
      report(error, makeError(PropertyList::kWriteInvalidError, "an array holds a nil value"));
      return nullptr;
    }
    Node child = toNode(element, format, depth + 1, error);
    if (!child) return nullptr;
    plist_array_append_item(node.get(), child.release());
  }
  return node;
}

Node dictionaryNode(const Dictionary& dict, PropertyList::Format format, int depth, Error* error) {
  Node node(plist_new_dict());
  for (const auto& [key, element] : dict) {
    if (element.isNil()) {
      report(error, makeError(PropertyList::kWriteInvalidError, "the value for key \"" + key + "\" is nil"));
      return nullptr;
    }
    if (!checkText(key, "a dictionary key", error)) return nullptr;
    Node child = toNode(element, format, depth + 1, error);
    if (!child) return nullptr;
    plist_dict_set_item(node.get(), key.c_str(), child.release());
  }
  return node;
}

Node dateNode(double seconds1970, PropertyList::Format format, Error* error) {
  // XML dates hold whole seconds; round down so the text shows the same second the date falls in.
  double since2001 = (format == PropertyList::Format::Xml ? std::floor(seconds1970) : seconds1970) - kEpochOffset;
  double whole = std::floor(since2001);
  if (!std::isfinite(since2001) || whole < INT32_MIN || whole > INT32_MAX) {
    report(error, makeError(PropertyList::kWriteInvalidError, "a date is outside the storable range"));
    return nullptr;
  }
  auto sec = static_cast<std::int64_t>(whole);
  auto usec = static_cast<std::int64_t>(std::llround((since2001 - whole) * 1e6));
  if (usec >= 1000000) {
    usec -= 1000000;
    sec += 1;
  }
  if (sec > INT32_MAX) {
    report(error, makeError(PropertyList::kWriteInvalidError, "a date is outside the storable range"));
    return nullptr;
  }
  return Node(plist_new_date(static_cast<std::int32_t>(sec), static_cast<std::int32_t>(usec)));
}

Node toNode(const Value& value, PropertyList::Format format, int depth, Error* error) {
  if (depth > kMaxPropertyListDepth) {
    report(error, makeError(PropertyList::kWriteInvalidError, "the value is nested too deeply"));
    return nullptr;
  }
  switch (value.type()) {
    case Value::Type::Nil:
      report(error, makeError(PropertyList::kWriteInvalidError, "nil has no property-list form"));
      return nullptr;
    case Value::Type::Null:
      report(error, makeError(PropertyList::kWriteInvalidError, "null has no property-list form"));
      return nullptr;
    case Value::Type::Object:
      report(error, makeError(PropertyList::kWriteInvalidError,
                              "an object has no property-list form: " + value.object()->description()));
      return nullptr;
    case Value::Type::Bool: return Node(plist_new_bool(*value.boolean() ? 1 : 0));
    // The library keeps integers as 64-bit patterns; negative numbers survive the cast both ways.
    case Value::Type::Integer: return Node(plist_new_uint(static_cast<std::uint64_t>(*value.integer())));
    case Value::Type::Real: return Node(plist_new_real(*value.real()));
    case Value::Type::String:
      if (!checkText(*value.string(), "a string", error)) return nullptr;
      return Node(plist_new_string(value.string()->c_str()));
    case Value::Type::Data: {
      const Data& bytes = *value.data();
      return Node(plist_new_data(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
    case Value::Type::Date: return dateNode(*value.date(), format, error);
    case Value::Type::Array: return arrayNode(*value.array(), format, depth, error);
    case Value::Type::Dictionary:
      if (format == PropertyList::Format::Binary && isUidDictionary(value)) {
        return Node(plist_new_uid(static_cast<std::uint64_t>(*value[kUidKey].integer())));
      }
      return dictionaryNode(*value.dictionary(), format, depth, error);
  }
  return nullptr;
}

// The library hands a date back truncated toward zero with the fraction's magnitude, so a date before 2001
// with a fraction loses its sign within the one second before 2001. There the exact number is taken from
// the node's own binary encoding: a date object is the marker 0x33 and a big-endian double.
double secondsSince2001(plist_t node, std::int32_t sec, std::int32_t usec) {
  double fraction = usec / 1e6;
  if (sec < 0) return sec - fraction;
  if (sec > 0 || usec == 0) return sec + fraction;
  char* raw = nullptr;
  std::uint32_t length = 0;
  plist_to_bin(node, &raw, &length);
  std::unique_ptr<char, void (*)(char*)> guard(raw, plist_to_bin_free);
  const std::size_t at = sizeof kBinaryMagic - 1;
  if (!raw || length < at + 9 || static_cast<std::uint8_t>(raw[at]) != 0x33) return fraction;
  std::uint64_t bits = 0;
  for (std::size_t i = 1; i <= 8; ++i) bits = (bits << 8) | static_cast<std::uint8_t>(raw[at + i]);
  double exact = 0;
  std::memcpy(&exact, &bits, sizeof exact);
  return exact;
}

// Returns false (with the error set) on nodes nested deeper than kMaxPropertyListDepth or of no known kind.
bool fromNode(plist_t node, int depth, Value& out, Error* error);

bool fromArrayNode(plist_t node, int depth, Value& out, Error* error) {
  Array list;
  std::uint32_t count = plist_array_get_size(node);
  list.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    Value element;
    if (!fromNode(plist_array_get_item(node, i), depth + 1, element, error)) return false;
    list.push_back(std::move(element));
  }
  out = Value(std::move(list));
  return true;
}

bool fromDictionaryNode(plist_t node, int depth, Value& out, Error* error) {
  Dictionary dict;
  plist_dict_iter iter = nullptr;
  plist_dict_new_iter(node, &iter);
  std::unique_ptr<void, MallocFree> iterGuard(iter);
  while (true) {
    char* rawKey = nullptr;
    plist_t child = nullptr;
    plist_dict_next_item(node, iter, &rawKey, &child);
    CString key(rawKey);
    if (!child) break;
    Value element;
    if (!fromNode(child, depth + 1, element, error)) return false;
    dict[key ? std::string(key.get()) : std::string()] = std::move(element);
  }
  out = Value(std::move(dict));
  return true;
}

bool fromNode(plist_t node, int depth, Value& out, Error* error) {
  if (!node || depth > kMaxPropertyListDepth) {
    report(error, makeError(PropertyList::kReadCorruptError,
                            node ? "the property list is nested too deeply" : "the property list has a hole"));
    return false;
  }
  switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
      std::uint8_t b = 0;
      plist_get_bool_val(node, &b);
      out = Value(b != 0);
      return true;
    }
    case PLIST_UINT: {
      std::uint64_t n = 0;
      plist_get_uint_val(node, &n);
      out = Value(static_cast<std::int64_t>(n));
      return true;
    }
    case PLIST_REAL: {
      double d = 0;
      plist_get_real_val(node, &d);
      out = Value(d);
      return true;
    }
    case PLIST_STRING: {
      // Not the copying getter: a binary file's string may hold a NUL, on which that one asserts.
      std::uint64_t length = 0;
      const char* text = plist_get_string_ptr(node, &length);
      out = Value(text ? std::string(text) : std::string());
      return true;
    }
    case PLIST_KEY: {
      char* raw = nullptr;
      plist_get_key_val(node, &raw);
      CString text(raw);
      out = Value(std::string(text ? text.get() : ""));
      return true;
    }
    case PLIST_DATA: {
      char* raw = nullptr;
      std::uint64_t length = 0;
      plist_get_data_val(node, &raw, &length);
      CString bytes(raw);
      auto* begin = reinterpret_cast<const std::uint8_t*>(raw);
      out = Value::data(raw ? Data(begin, begin + length) : Data());
      return true;
    }
    case PLIST_DATE: {
      std::int32_t sec = 0, usec = 0;
      plist_get_date_val(node, &sec, &usec);
      out = Value::date(kEpochOffset + secondsSince2001(node, sec, usec));
      return true;
    }
    case PLIST_UID: {
      std::uint64_t uid = 0;
      plist_get_uid_val(node, &uid);
      out = Value(Dictionary{{kUidKey, Value(uid)}});
      return true;
    }
    case PLIST_ARRAY: return fromArrayNode(node, depth, out, error);
    case PLIST_DICT: return fromDictionaryNode(node, depth, out, error);
    default: break;
  }
  report(error, makeError(PropertyList::kReadCorruptError, "the property list holds an unknown kind of value"));
  return false;
}

}  // namespace

Value PropertyList::read(const std::vector<std::uint8_t>& bytes, Error* error, Format* format) {
  if (bytes.empty()) {
    report(error, makeError(kReadCorruptError, "the property list is empty"));
    return {};
  }
  if (bytes.size() > UINT32_MAX) {
    report(error, makeError(kReadCorruptError, "the property list is too large"));
    return {};
  }
  const char* raw = reinterpret_cast<const char*>(bytes.data());
  const auto length = static_cast<std::uint32_t>(bytes.size());
  plist_t root = nullptr;
  const bool binary = bytes.size() >= 8 && std::memcmp(raw, kBinaryMagic, 8) == 0;
  if (binary) {
    if (std::string problem = PropertyListGuard::binaryProblem(bytes); !problem.empty()) {
      report(error, makeError(kReadCorruptError, problem));
      return {};
    }
    plist_from_bin(raw, length, &root);
  } else if (PropertyListGuard::looksLikeCompleteXml(bytes)) {
    if (!PropertyListGuard::xmlIntegersFit(bytes)) {
      report(error, makeError(kReadCorruptError, "the XML property list has an integer beyond 64 bits"));
      return {};
    }
    plist_from_xml(raw, length, &root);
  } else {
    report(error, makeError(kReadCorruptError, "the data is not a property list"));
    return {};
  }
  Node guard(root);
  if (!root) {
    report(error, makeError(kReadCorruptError, binary ? "the binary property list is damaged"
                                                      : "the XML property list is malformed or truncated"));
    return {};
  }
  Value out;
  if (!fromNode(root, 0, out, error)) return {};
  if (format) *format = binary ? Format::Binary : Format::Xml;
  return out;
}

Value PropertyList::readFile(const std::string& path, Error* error, Format* format) {
  return readFile(path, AtomicFile::kDefaultMaximumBytes, error, format);
}

Value PropertyList::readFile(const std::string& path, std::size_t maximumBytes, Error* error, Format* format) {
  auto bytes = AtomicFile::readFile(path, maximumBytes);
  if (!bytes.ok()) {
    bool missing = !AtomicFile::anythingAt(path);
    Error failure = makeError(missing ? kFileNotFoundError : kFileReadError,
                              (missing ? "no property list at " : "cannot read ") + path + ": " +
                                  bytes.error().localizedDescription());
    failure.userInfo.set(Error::kFilePathKey, path);
    report(error, std::move(failure));
    return {};
  }
  Error failure;
  Value value = read(*bytes, &failure, format);
  if (!failure.domain.empty()) {
    failure.userInfo.set(Error::kFilePathKey, path);
    report(error, std::move(failure));
  }
  return value;
}

std::vector<std::uint8_t> PropertyList::write(const Value& value, Format format, Error* error) {
  Node root = toNode(value, format, 0, error);
  if (!root) return {};
  char* raw = nullptr;
  std::uint32_t length = 0;
  if (format == Format::Xml) {
    plist_to_xml(root.get(), &raw, &length);
  } else {
    plist_to_bin(root.get(), &raw, &length);
  }
  if (!raw) {
    report(error, makeError(kWriteInvalidError, "the property list could not be encoded"));
    return {};
  }
  std::vector<std::uint8_t> out(raw, raw + length);
  if (format == Format::Xml) {
    plist_to_xml_free(raw);
  } else {
    plist_to_bin_free(raw);
  }
  return out;
}

bool PropertyList::writeFile(const std::string& path, const Value& value, Format format, Error* error,
                             std::size_t maximumBytes) {
  Error failure;
  std::vector<std::uint8_t> bytes = write(value, format, &failure);
  if (bytes.empty()) {
    report(error, std::move(failure));
    return false;
  }
  if (bytes.size() > maximumBytes) {
    report(error, makeError(kFileWriteError, "cannot write " + path + ": it would hold " + std::to_string(bytes.size()) +
                                                 " bytes, more than its readers take (" + std::to_string(maximumBytes) + ")"));
    return false;
  }
  if (auto written = AtomicFile::writeAtomically(path, bytes.data(), bytes.size()); !written.ok()) {
    Error writeFailure = makeError(kFileWriteError, "cannot write " + path + ": " + written.error().localizedDescription());
    writeFailure.userInfo.set(Error::kFilePathKey, path);
    report(error, std::move(writeFailure));
    return false;
  }
  return true;
}

}  // namespace platform::foundation
