#include "platform/foundation/Json.h"

#include <cmath>
#include <nlohmann/json.hpp>
#include <vector>

namespace platform::foundation {

namespace {

using nlohmann::json;

// Deeper nesting than any real document has; refusing it keeps the recursive walks off the stack's end.
constexpr std::size_t kMaxJsonDepth = 512;

Error makeError(Json::Code code, const std::string& text) { return Error::make(Json::kErrorDomain, code, text); }

// Builds the Value straight from the parser's events, so integers keep their exact kind and no
// intermediate document is made.
class ValueBuilder : public nlohmann::json_sax<json> {
 public:
  Value result;
  std::string failure;

  bool fail(std::string text) {
    if (failure.empty()) failure = std::move(text);
    return false;
  }

  bool null() override { return add(Value::null()); }
  bool boolean(bool b) override { return add(Value(b)); }
  bool number_integer(number_integer_t n) override { return add(Value(static_cast<std::int64_t>(n))); }
  bool number_unsigned(number_unsigned_t n) override { return add(Value(static_cast<std::uint64_t>(n))); }
  bool number_float(number_float_t d, const string_t&) override {
    // "1e400" has no double; taking it as infinity would make a value that cannot be written back.
    if (!std::isfinite(d)) return fail("a number is out of range");
    return add(Value(static_cast<double>(d)));
  }
  bool string(string_t& s) override { return add(Value(std::move(s))); }
  bool binary(binary_t&) override { return fail("binary values are not JSON"); }
  bool start_object(std::size_t) override { return open(Value(Dictionary{})); }
  bool key(string_t& k) override {
    key_ = std::move(k);
    return true;
  }
  bool end_object() override { return close(); }
  bool start_array(std::size_t) override { return open(Value(Array{})); }
  bool end_array() override { return close(); }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& e) override {
    return fail(e.what());
  }

 private:
  struct Frame {
    Value container;
    std::string key;  // where the container goes in its parent dictionary
  };

  bool add(Value v) {
    if (stack_.empty()) {
      result = std::move(v);
    } else if (stack_.back().container.isArray()) {
      stack_.back().container.array()->push_back(std::move(v));
    } else {
      // A repeated key keeps its last value.
      (*stack_.back().container.dictionary())[key_] = std::move(v);
    }
    return true;
  }

  bool open(Value container) {
    if (stack_.size() >= kMaxJsonDepth) return fail("the JSON text is nested too deeply");
    stack_.push_back({std::move(container), key_});
    return true;
  }

  bool close() {
    Frame frame = std::move(stack_.back());
    stack_.pop_back();
    key_ = std::move(frame.key);
    return add(std::move(frame.container));
  }

  std::vector<Frame> stack_;
  std::string key_;
};

bool toJson(const Value& value, std::size_t depth, json& out, Error* error) {
  if (depth > kMaxJsonDepth) {
    report(error, makeError(Json::kWriteInvalidError, "the value is nested too deeply"));
    return false;
  }
  switch (value.type()) {
    case Value::Type::Null: out = nullptr; return true;
    case Value::Type::Bool: out = *value.boolean(); return true;
    case Value::Type::Integer: out = *value.integer(); return true;
    case Value::Type::Real:
      if (!std::isfinite(*value.real())) {
        report(error, makeError(Json::kWriteInvalidError, "JSON has no form for infinity or NaN"));
        return false;
      }
      out = *value.real();
      return true;
    case Value::Type::String: out = *value.string(); return true;
    case Value::Type::Array: {
      out = json::array();
      for (const Value& element : *value.array()) {
        json child;
        if (!toJson(element, depth + 1, child, error)) return false;
        out.push_back(std::move(child));
      }
      return true;
    }
    case Value::Type::Dictionary: {
      out = json::object();
      for (const auto& [key, element] : *value.dictionary()) {
        json child;
        if (!toJson(element, depth + 1, child, error)) return false;
        out[key] = std::move(child);
      }
      return true;
    }
    case Value::Type::Nil: report(error, makeError(Json::kWriteInvalidError, "nil has no JSON form")); return false;
    case Value::Type::Data: report(error, makeError(Json::kWriteInvalidError, "data has no JSON form")); return false;
    case Value::Type::Date: report(error, makeError(Json::kWriteInvalidError, "a date has no JSON form")); return false;
    case Value::Type::Object:
      report(error, makeError(Json::kWriteInvalidError, "an object has no JSON form: " + value.object()->description()));
      return false;
  }
  return false;
}

}  // namespace

Value Json::parse(std::string_view text, Error* error) {
  ValueBuilder builder;
  bool ok = false;
  try {
    ok = json::sax_parse(text.begin(), text.end(), &builder, json::input_format_t::json, true);
  } catch (const std::exception& e) {
    builder.fail(e.what());
  }
  if (!ok) {
    report(error, makeError(kReadCorruptError, builder.failure.empty() ? "invalid JSON text" : builder.failure));
    return {};
  }
  return std::move(builder.result);
}

std::string Json::serialize(const Value& value, bool pretty, Error* error) {
  json document;
  if (!toJson(value, 0, document, error)) return {};
  try {
    return document.dump(pretty ? 2 : -1, ' ', false, json::error_handler_t::strict);
  } catch (const json::type_error&) {
    report(error, makeError(kWriteInvalidError, "a string is not valid UTF-8"));
    return {};
  }
}

}  // namespace platform::foundation
