#pragma once

// Tests and the fuzzer only: programs written in a compact S-expression form.
//
//   (op arg ...)  a statement; op is an opcode ("15") or one of the readable names below
//   12  -2.5  NaN a number literal (NaN has no value field, so it reads as NaN)
//   "text"        a string literal (\" \\ \n escapes)
//   true false    boolean literals
//   $name         reading a variable: (15 "name")
//
// Readable names: + && call = break run continue array object / == seq get . > >= === !== if < <= %
// * neg ! != || return - switch ? typeof var loop put undefined null quote for-in defun fn const
// block for-in-const for-in-let & << ~ | >> >>> ^ for for-of for-of-const for-of-let.

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoProgramMessages.h"

namespace sdk::analytics {

}  // namespace sdk::analytics

namespace ostrel::testing {

// The helpers sit beside the analytics code they drive.
using namespace sdk::analytics;

using Entity = std::shared_ptr<sdk::analytics::ProtoRuntimeEntity>;
using Entities = std::vector<Entity>;

inline const std::map<std::string, std::string>& readableOpcodes() {
  static const std::map<std::string, std::string> names = {
      {"+", "0"}, {"&&", "1"}, {"call", "2"}, {"=", "3"}, {"break", "4"}, {"run", "5"}, {"continue", "6"},
      {"array", "7"}, {"object", "8"}, {"/", "10"}, {"==", "12"}, {"seq", "13"}, {"get", "15"}, {".", "16"},
      {">", "18"}, {">=", "19"}, {"===", "20"}, {"!==", "21"}, {"if", "22"}, {"<", "23"}, {"<=", "24"},
      {"%", "25"}, {"*", "26"}, {"neg", "27"}, {"!", "28"}, {"!=", "29"}, {"||", "30"}, {"return", "36"},
      {"-", "37"}, {"switch", "38"}, {"?", "39"}, {"typeof", "40"}, {"var", "41"}, {"loop", "42"}, {"put", "43"},
      {"undefined", "44"}, {"null", "45"}, {"quote", "46"}, {"for-in", "47"}, {"defun", "50"}, {"fn", "51"},
      {"const", "52"}, {"block", "53"}, {"for-in-const", "54"}, {"for-in-let", "55"}, {"&", "56"}, {"<<", "57"},
      {"~", "58"}, {"|", "59"}, {">>", "60"}, {">>>", "61"}, {"^", "62"}, {"for", "63"}, {"for-of", "64"},
      {"for-of-const", "65"}, {"for-of-let", "66"},
  };
  return names;
}

inline Entity literal(std::uint32_t type) {
  auto entity = sdk::analytics::ProtoRuntimeEntity::make();
  sdk::analytics::nanoSetInt32(*entity, 0, static_cast<std::int32_t>(type));
  return entity;
}
inline Entity stringEntity(const std::string& text) {
  auto entity = literal(1);
  sdk::analytics::nanoSetString(*entity, 3, text);
  return entity;
}
inline Entity numberEntity(double value) {
  auto entity = literal(2);
  sdk::analytics::nanoSetDouble(*entity, 5, value);
  return entity;
}
inline Entity booleanEntity(bool value) {
  auto entity = literal(3);
  sdk::analytics::nanoSetBool(*entity, 4, value);
  return entity;
}
inline Entity statementEntity(const std::string& opcode, const Entities& arguments) {
  auto entity = literal(4);
  sdk::analytics::nanoSetString(*entity, 2, opcode);
  for (const auto& argument : arguments) sdk::analytics::nanoAddMessage(*entity, 1, *argument);
  return entity;
}

class Parser {
 public:
  explicit Parser(std::string text) : text_(std::move(text)) {}

  Entities all() {
    Entities out;
    skip();
    while (i_ < text_.size()) {
      out.push_back(form());
      skip();
    }
    return out;
  }

 private:
  void skip() {
    while (i_ < text_.size()) {
      if (std::isspace(static_cast<unsigned char>(text_[i_]))) ++i_;
      else if (text_[i_] == ';') while (i_ < text_.size() && text_[i_] != '\n') ++i_;
      else break;
    }
  }
  std::string token() {
    const auto start = i_;
    while (i_ < text_.size() && !std::isspace(static_cast<unsigned char>(text_[i_])) && text_[i_] != '(' &&
           text_[i_] != ')') {
      ++i_;
    }
    if (start == i_) throw std::runtime_error("empty token at " + std::to_string(i_));
    return text_.substr(start, i_ - start);
  }
  Entity form() {
    skip();
    if (i_ >= text_.size()) throw std::runtime_error("unexpected end");
    const char c = text_[i_];
    if (c == '(') {
      ++i_;
      skip();
      auto head = token();
      auto it = readableOpcodes().find(head);
      const auto opcode = it == readableOpcodes().end() ? head : it->second;
      Entities arguments;
      skip();
      while (i_ < text_.size() && text_[i_] != ')') {
        arguments.push_back(form());
        skip();
      }
      if (i_ >= text_.size()) throw std::runtime_error("missing )");
      ++i_;
      return statementEntity(opcode, arguments);
    }
    if (c == '"') return stringEntity(quoted());
    auto word = token();
    if (word == "true" || word == "false") return booleanEntity(word == "true");
    if (word == "NaN") return literal(2);
    if (word[0] == '$') return statementEntity("15", {stringEntity(word.substr(1))});
    return numberEntity(std::stod(word));
  }
  std::string quoted() {
    std::string out;
    ++i_;
    while (i_ < text_.size() && text_[i_] != '"') {
      if (text_[i_] == '\\' && i_ + 1 < text_.size()) {
        ++i_;
        out.push_back(text_[i_] == 'n' ? '\n' : text_[i_]);
      } else {
        out.push_back(text_[i_]);
      }
      ++i_;
    }
    ++i_;
    return out;
  }

  std::string text_;
  std::size_t i_ = 0;
};

inline Entities parse(const std::string& text) { return Parser(text).all(); }

// A program message: top-level statements and named activities (name, option statements).
inline std::shared_ptr<sdk::analytics::ProtoProgram> program(const std::string& instructions,
                                             const std::vector<std::pair<std::string, std::string>>& activities = {}) {
  auto message = sdk::analytics::ProtoProgram::make();
  for (const auto& entity : parse(instructions)) sdk::analytics::nanoAddMessage(*message, 0, *entity);
  if (!activities.empty()) {
    auto list = sdk::analytics::ProtoProgramRules::make();
    for (const auto& [name, data] : activities) {
      auto activity = sdk::analytics::ProtoProgramRule::make();
      sdk::analytics::nanoSetString(*activity, 0, name);
      for (const auto& entity : parse(data)) sdk::analytics::nanoAddMessage(*activity, 1, *entity);
      sdk::analytics::nanoAddMessage(*list, 0, *activity);
    }
    sdk::analytics::nanoSetMessage(*message, 1, list.get());
  }
  return message;
}

// The head of an event-editing program: defines "rule", which registers its callback argument with
// its options, and names the event logger "log".
inline const std::string kRuleRegistering =
    "(const \"register\" (require \"internal.registerCallback\") \"log\" (require \"internal.eventLogger\"))"
    "(defun \"rule\" (quote \"options\") (register \"rule\" (. $options \"callback\") $options))";

// Names of eight code units that a widely used fixed-seed string hash (the standard library's 64-bit
// one here) maps to a single value: every step of that hash can be undone, so the second half of
// each name is solved from its first. Names with a unit a program text cannot spell (a surrogate, a
// control character, a quote or a backslash) are skipped.
inline std::vector<std::u16string> collidingNames(std::size_t count) {
  using u64 = std::uint64_t;
  constexpr u64 kMultiplier = 0xc6a4a7935bd1e995ULL;
  constexpr u64 kSeed = 0xc70f6907ULL;
  auto shiftMix = [](u64 v) { return v ^ (v >> 47); };
  u64 inverse = kMultiplier;
  for (int i = 0; i < 6; ++i) inverse *= 2 - kMultiplier * inverse;
  auto mix = [&](u64 block) { return shiftMix(block * kMultiplier) * kMultiplier; };
  auto unmix = [&](u64 mixed) { return shiftMix(mixed * inverse) * inverse; };
  const u64 start = kSeed ^ (16 * kMultiplier);
  const u64 target = 0x0123456789abcdefULL * inverse;
  auto spellable = [](char16_t unit) { return unit >= 0x20 && unit != u'"' && unit != u'\\' && (unit < 0xD800 || unit > 0xDFFF); };
  std::vector<std::u16string> names;
  for (u64 i = 0; names.size() < count; ++i) {
    char16_t units[8];
    for (int k = 0; k < 4; ++k) units[k] = static_cast<char16_t>(u'a' + ((i >> (4 * k)) & 15));
    u64 first = 0;
    std::memcpy(&first, units, sizeof first);
    const u64 second = unmix(((start ^ mix(first)) * kMultiplier) ^ target);
    std::memcpy(units + 4, &second, sizeof second);
    if (std::all_of(units, units + 8, spellable)) names.emplace_back(units, 8);
  }
  return names;
}

}  // namespace ostrel::testing
