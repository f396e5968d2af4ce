#include "platform/foundation/Value.h"

#include <charconv>
#include <cmath>
#include <cctype>
#include <cstdio>
#include <ctime>

#include "platform/foundation/Exception.h"

namespace platform::foundation {

namespace {

constexpr int kIndentWidth = 4;

// Compares an integer with a real exactly, without rounding the integer through double.
bool integerEqualsReal(std::int64_t i, double d) {
  if (!std::isfinite(d) || d != std::trunc(d)) return false;
  if (d < -9223372036854775808.0 || d >= 9223372036854775808.0) return false;
  return static_cast<std::int64_t>(d) == i;
}

std::string shortestReal(double d) {
  if (std::isnan(d)) return "nan";
  if (std::isinf(d)) return d < 0 ? "-inf" : "inf";
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, d);
  return std::string(buffer, result.ptr);
}

std::string dateText(double seconds) {
  double whole = std::floor(seconds);
  // Beyond what gmtime can render the raw number is more useful than nothing.
  if (!std::isfinite(whole) || std::fabs(whole) > 6.7e16) return shortestReal(seconds);
  std::time_t t = static_cast<std::time_t>(whole);
  std::tm tm{};
  if (!gmtime_r(&t, &tm)) return shortestReal(seconds);
  char buffer[64];
  std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S +0000", &tm);
  return buffer;
}

std::string dataText(const Data& bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out = "<";
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0 && i % 4 == 0) out += ' ';
    out += kHex[bytes[i] >> 4];
    out += kHex[bytes[i] & 0xf];
  }
  out += '>';
  return out;
}

// Strings nested in a container print bare only when they are plain words, as in the phone's logs.
bool isPlainWord(const std::string& s) {
  if (s.empty()) return false;
  for (unsigned char c : s) {
    if (!(std::isalnum(c) || c == '_' || c == '.' || c == '$' || c == '/' || c == ':' || c >= 0x80)) return false;
  }
  return true;
}

std::string quoted(const std::string& s) {
  if (isPlainWord(s)) return s;
  std::string out = "\"";
  for (char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      default: out += c;
    }
  }
  out += '"';
  return out;
}

[[noreturn]] void wrongKind(const char* operation, Value::Type type) {
  throw Exception("NSInvalidArgumentException",
                  std::string(operation) + " on a value of kind " + std::to_string(static_cast<int>(type)));
}

}  // namespace

std::string Object::description() const {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "<Object %p>", static_cast<const void*>(this));
  return buffer;
}

const Value& nilValue() {
  static const Value nil;
  return nil;
}

const Value& Value::nilValueRef() { return nilValue(); }

Value Value::null() {
  Value v;
  v.storage_ = NullTag{};
  return v;
}

Value Value::data(Data bytes) {
  Value v;
  v.storage_ = std::move(bytes);
  return v;
}

Value Value::date(double secondsSince1970) {
  Value v;
  v.storage_ = DateBox{secondsSince1970};
  return v;
}

std::optional<bool> Value::boolean() const {
  if (auto* b = std::get_if<bool>(&storage_)) return *b;
  return std::nullopt;
}

std::optional<std::int64_t> Value::integer() const {
  if (auto* i = std::get_if<std::int64_t>(&storage_)) return *i;
  return std::nullopt;
}

std::optional<double> Value::real() const {
  if (auto* d = std::get_if<double>(&storage_)) return *d;
  return std::nullopt;
}

std::optional<double> Value::number() const {
  if (!isNumber()) return std::nullopt;
  return toDouble();
}

const std::string* Value::string() const { return std::get_if<std::string>(&storage_); }
const Data* Value::data() const { return std::get_if<Data>(&storage_); }

std::optional<double> Value::date() const {
  if (auto* d = std::get_if<DateBox>(&storage_)) return d->seconds;
  return std::nullopt;
}

const Array* Value::array() const { return std::get_if<Array>(&storage_); }
Array* Value::array() { return std::get_if<Array>(&storage_); }
const Dictionary* Value::dictionary() const { return std::get_if<Dictionary>(&storage_); }
Dictionary* Value::dictionary() { return std::get_if<Dictionary>(&storage_); }

std::shared_ptr<Object> Value::object() const {
  if (auto* o = std::get_if<std::shared_ptr<Object>>(&storage_)) return *o;
  return nullptr;
}

std::int64_t Value::toInt64() const {
  switch (type()) {
    case Type::Bool: return std::get<bool>(storage_) ? 1 : 0;
    case Type::Integer: return std::get<std::int64_t>(storage_);
    case Type::Real: {
      double d = std::get<double>(storage_);
      if (std::isnan(d)) return 0;
      if (d <= -9223372036854775808.0) return INT64_MIN;
      if (d >= 9223372036854775808.0) return INT64_MAX;
      return static_cast<std::int64_t>(d);
    }
    default: return 0;
  }
}

double Value::toDouble() const {
  switch (type()) {
    case Type::Bool: return std::get<bool>(storage_) ? 1.0 : 0.0;
    case Type::Integer: return static_cast<double>(std::get<std::int64_t>(storage_));
    case Type::Real: return std::get<double>(storage_);
    default: return 0.0;
  }
}

bool Value::toBool() const {
  switch (type()) {
    case Type::Bool: return std::get<bool>(storage_);
    case Type::Integer: return std::get<std::int64_t>(storage_) != 0;
    case Type::Real: return std::get<double>(storage_) != 0.0;  // NaN counts as true, as in C
    default: return false;
  }
}

bool Value::boolValue() const {
  if (const std::string* text = string()) return textReadsAsYes(*text);
  return toBool();
}

bool Value::textReadsAsYes(std::string_view text) {
  std::size_t at = text.find_first_not_of(" \t");
  if (at == std::string_view::npos) return false;
  if (text[at] == '+' || text[at] == '-') ++at;
  while (at < text.size() && text[at] == '0') ++at;
  if (at == text.size()) return false;
  const char first = text[at];
  return first == 'Y' || first == 'y' || first == 'T' || first == 't' || (first >= '1' && first <= '9');
}

std::string Value::toString(std::string_view fallback) const {
  if (auto* s = string()) return *s;
  return std::string(fallback);
}

const Value& Value::operator[](const std::string& key) const {
  auto* dict = dictionary();
  if (!dict) return nilValue();
  auto it = dict->find(key);
  return it == dict->end() ? nilValue() : it->second;
}

const Value& Value::at(std::size_t index) const {
  auto* list = array();
  if (!list || index >= list->size()) return nilValue();
  return (*list)[index];
}

bool Value::contains(const std::string& key) const {
  auto* dict = dictionary();
  return dict && dict->count(key) > 0;
}

std::size_t Value::size() const {
  if (auto* list = array()) return list->size();
  if (auto* dict = dictionary()) return dict->size();
  if (auto* bytes = data()) return bytes->size();
  return 0;
}

void Value::set(const std::string& key, Value value) {
  if (isNil()) storage_ = Dictionary{};
  auto* dict = dictionary();
  if (!dict) wrongKind("set", type());
  // Setting nil removes the key, so a dictionary never holds an absent value.
  if (value.isNil()) {
    dict->erase(key);
  } else {
    (*dict)[key] = std::move(value);
  }
}

bool Value::erase(const std::string& key) {
  auto* dict = dictionary();
  return dict && dict->erase(key) > 0;
}

void Value::append(Value value) {
  if (isNil()) storage_ = Array{};
  auto* list = array();
  if (!list) wrongKind("append", type());
  list->push_back(std::move(value));
}

bool Value::operator==(const Value& other) const {
  if (isNumber() && other.isNumber()) {
    if (isReal() || other.isReal()) {
      if (isReal() && other.isReal()) return toDouble() == other.toDouble();
      return isReal() ? integerEqualsReal(other.toInt64(), toDouble())
                      : integerEqualsReal(toInt64(), other.toDouble());
    }
    return toInt64() == other.toInt64();
  }
  if (type() != other.type()) return false;
  if (isObject()) {
    auto mine = object();
    auto theirs = other.object();
    return mine == theirs || mine->isEqual(*theirs);
  }
  return storage_ == other.storage_;
}

void Value::describe(std::string& out, int indent, bool nested) const {
  const std::string pad(static_cast<std::size_t>(indent + 1) * kIndentWidth, ' ');
  const std::string closePad(static_cast<std::size_t>(indent) * kIndentWidth, ' ');
  switch (type()) {
    case Type::Nil: out += "(null)"; break;
    case Type::Null: out += "<null>"; break;
    case Type::Bool: out += std::get<bool>(storage_) ? "1" : "0"; break;
    case Type::Integer: out += std::to_string(std::get<std::int64_t>(storage_)); break;
    case Type::Real: out += shortestReal(std::get<double>(storage_)); break;
    case Type::String: out += nested ? quoted(*string()) : *string(); break;
    case Type::Data: out += dataText(*data()); break;
    case Type::Date: out += dateText(*date()); break;
    case Type::Object: out += object()->description(); break;
    case Type::Array: {
      out += "(\n";
      const Array& list = *array();
      for (std::size_t i = 0; i < list.size(); ++i) {
        out += pad;
        list[i].describe(out, indent + 1, true);
        out += i + 1 < list.size() ? ",\n" : "\n";
      }
      out += closePad + ")";
      break;
    }
    case Type::Dictionary: {
      out += "{\n";
      for (const auto& [key, value] : *dictionary()) {
        out += pad + quoted(key) + " = ";
        value.describe(out, indent + 1, true);
        out += ";\n";
      }
      out += closePad + "}";
      break;
    }
  }
}

std::string Value::description() const {
  std::string out;
  describe(out, 0, false);
  return out;
}

std::ostream& operator<<(std::ostream& out, const Value& value) { return out << value.description(); }

}  // namespace platform::foundation
