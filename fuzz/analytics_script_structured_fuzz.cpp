// Builds event-editing programs out of the opcode table, steered by the input bytes, so that nearly
// every input is a program that runs: top-level statements, then an edit and a create callback whose
// bodies call the event object's methods, the event logger, the logger module and the string and
// array methods. Each program runs as the raw-bytes fuzzer runs its own.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/ScriptFuzzHost.h"
#include "sdk/analytics/rules/ScriptProgramTestSupport.h"

namespace {

using ostrel::testing::Entities;
using ostrel::testing::Entity;

const char* const kOpcodes[] = {"0",  "1",  "2",  "3",  "4",  "5",  "6",  "7",  "8",  "9",  "10", "12", "13", "15",
                                "16", "17", "18", "19", "20", "21", "22", "23", "24", "25", "26", "27", "28", "29",
                                "30", "32", "33", "34", "35", "36", "37", "38", "39", "40", "41", "42", "43", "44",
                                "45", "46", "47", "50", "51", "52", "53", "54", "55", "56", "57", "58", "59", "60",
                                "61", "62", "63", "64", "65", "66", "11"};
const char* const kNames[] = {"i", "x", "s", "a", "e", "logger", "log", "register", "f", "length", "0", ""};
const char* const kMethods[] = {
    "getEventName", "getParamValue", "getParams", "getTimestamp", "setEventName", "setParamValue", "push", "pop",
    "concat",       "join",          "map",       "filter",       "reduce",       "sort",          "splice",
    "slice",        "indexOf",       "split",     "replace",      "match",        "search",        "trim",
    "toUpperCase",  "substring",     "charAt",    "hasOwnProperty", "toString",   "forEach",       "log"};
const char* const kTexts[] = {"", "a", "ab,cd", "\xC3\xA9", "(a*)*b", "value", "item", "items", "purchase", "x"};

// Reads choices from the input; past its end every choice is 0, which always ends the program.
class Choices {
 public:
  Choices(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t next() { return position_ < size_ ? data_[position_++] : 0; }
  template <typename T, std::size_t N>
  const T& pick(const T (&table)[N]) { return table[next() % N]; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
};

class Builder {
 public:
  explicit Builder(Choices& choices) : choices_(choices) {}

  Entity expression(int depth) {
    const auto choice = choices_.next();
    if (depth > 6 || choice < 40) return literal(choice);
    if (choice < 70) return variable();
    if (choice < 110) return methodCall(depth);
    if (choice < 130) return ostrel::testing::statementEntity("3", {name(), expression(depth + 1)});
    return statement(depth);
  }

  Entities statements(int depth, std::size_t most) {
    Entities out;
    const std::size_t count = choices_.next() % (most + 1);
    for (std::size_t i = 0; i < count; ++i) out.push_back(expression(depth));
    return out;
  }

  Entity quote(int depth, std::size_t most) { return ostrel::testing::statementEntity("46", statements(depth, most)); }

 private:
  Entity literal(std::uint8_t choice) {
    switch (choice % 4) {
      case 0: return ostrel::testing::numberEntity(static_cast<double>(choices_.next()) - 8);
      case 1: return ostrel::testing::stringEntity(choices_.pick(kTexts));
      case 2: return ostrel::testing::booleanEntity(choices_.next() & 1);
      default: return name();
    }
  }
  Entity name() { return ostrel::testing::stringEntity(choices_.pick(kNames)); }
  Entity variable() { return ostrel::testing::statementEntity("15", {name()}); }
  Entity methodCall(int depth) {
    return ostrel::testing::statementEntity(
        "2", {expression(depth + 1), ostrel::testing::stringEntity(choices_.pick(kMethods)), quote(depth + 1, 3)});
  }
  Entity statement(int depth) {
    const std::string opcode = choices_.pick(kOpcodes);
    Entities arguments;
    const std::size_t count = choices_.next() % 5;
    for (std::size_t i = 0; i < count; ++i) {
      // Bodies and statement lists are quoted, as programs write them.
      arguments.push_back(choices_.next() < 64 ? quote(depth + 1, 3) : expression(depth + 1));
    }
    return ostrel::testing::statementEntity(opcode, arguments);
  }

  Choices& choices_;
};

std::shared_ptr<sdk::analytics::ProtoProgram> buildProgram(Choices& choices) {
  Builder builder(choices);
  auto program = ostrel::testing::program(
      "(const \"register\" (require \"internal.registerCallback\") \"log\" (require \"internal.eventLogger\")"
      " \"logger\" (require \"internal.logger\"))"
      "(defun \"rule\" (quote \"options\") (register \"rule\" (. $options \"callback\") $options))"
      "(var \"i\" \"x\" \"s\" \"a\" \"f\")");
  for (const auto& statement : builder.statements(0, 6)) sdk::analytics::nanoAddMessage(*program, 0, *statement);
  auto activities = sdk::analytics::ProtoProgramRules::make();
  for (const char* type : {"edit", "create"}) {
    Entities body{ostrel::testing::statementEntity("41", {ostrel::testing::stringEntity("n")})};
    for (auto& statement : builder.statements(1, 8)) body.push_back(statement);
    Entities function{ostrel::testing::stringEntity(""), ostrel::testing::statementEntity(
                                                             "46", {ostrel::testing::stringEntity("e")})};
    function.insert(function.end(), body.begin(), body.end());
    auto options = ostrel::testing::statementEntity(
        "8", {ostrel::testing::stringEntity("type"), ostrel::testing::stringEntity(type),
              ostrel::testing::stringEntity("priority"), ostrel::testing::numberEntity(choices.next()),
              ostrel::testing::stringEntity("callback"), ostrel::testing::statementEntity("51", function)});
    auto activity = sdk::analytics::ProtoProgramRule::make();
    sdk::analytics::nanoSetString(*activity, 0, "rule");
    sdk::analytics::nanoAddMessage(*activity, 1, *options);
    sdk::analytics::nanoAddMessage(*activities, 0, *activity);
  }
  sdk::analytics::nanoSetMessage(*program, 1, activities.get());
  return program;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Choices choices(data, size);
  ostrel::fuzz::runProgram(*buildProgram(choices));
  return 0;
}
