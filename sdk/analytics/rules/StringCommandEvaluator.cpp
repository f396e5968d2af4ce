#include "sdk/analytics/rules/StringCommandEvaluator.h"

#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "sdk/analytics/rules/ScriptArrayValue.h"
#include "sdk/analytics/rules/CommandHelpers.h"
#include "sdk/analytics/rules/ScriptFunctionValue.h"
#include "sdk/analytics/rules/ScriptText.h"

namespace sdk::analytics {

namespace {

using List = ScriptValueList;
using Text = std::u16string;
ScriptValueRef undefined() { return scriptUndefined(); }

// A result text: its copy is charged as work and its size against the budgets.
ScriptValueRef text(ScriptScope& scope, Text value, ScriptRuntimeError& error) {
  if (!heapOfScope(scope).chargeUnits(value.size(), error)) return undefined();
  return scriptString(heapOfScope(scope), std::move(value), error);
}
ScriptValueRef number(ScriptScope& scope, double value) { return scriptNumber(heapOfScope(scope), value); }

bool stringOf(ScriptArguments args, std::size_t i, Text& out, ScriptRuntimeError& error) {
  out = i < args.size() ? args[i]->stringValueOrError(error) : Text(u"undefined");
  return !hasScriptError(error);
}
bool integerOf(const ScriptValueRef& value, double& out, ScriptRuntimeError& error) {
  out = toInteger(value->doubleValueOrError(error));
  return !hasScriptError(error);
}
double clampTo(double value, double low, double high) { return std::min(std::max(value, low), high); }
// Scanning or copying `units` code units.
bool charge(ScriptScope& scope, std::size_t units, ScriptRuntimeError& error) {
  return heapOfScope(scope).chargeUnits(units, error);
}

// Text search that charges every candidate position it compares, so a search whose every position
// almost matches costs what it does.
constexpr std::size_t kNotFound = Text::npos;
std::size_t findIn(const Text& s, const Text& search, std::size_t from, ScriptHeap& heap, ScriptRuntimeError& error) {
  if (search.empty()) return from <= s.size() ? from : kNotFound;
  for (std::size_t i = from; i + search.size() <= s.size(); ++i) {
    const auto* hit = std::char_traits<char16_t>::find(s.data() + i, s.size() - search.size() + 1 - i, search[0]);
    if (!hit) return kNotFound;
    if (!heap.chargeUnits(static_cast<std::size_t>(hit - (s.data() + i)) + search.size(), error)) return kNotFound;
    i = static_cast<std::size_t>(hit - s.data());
    if (s.compare(i, search.size(), search) == 0) return i;
  }
  return kNotFound;
}
std::size_t findLastIn(const Text& s, const Text& search, std::size_t start, ScriptHeap& heap, ScriptRuntimeError& error) {
  if (search.size() > s.size()) return kNotFound;
  for (std::size_t i = std::min(start, s.size() - search.size()) + 1; i-- > 0;) {
    if (!heap.chargeUnits(search.size(), error)) return kNotFound;
    if (s[i] == search[0] && s.compare(i, search.size(), search) == 0) return i;
  }
  return kNotFound;
}

ScriptValueRef charAt(const Text& s, ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkMaximumArgumentCount(args, 1, error)) return undefined();
  double position = 0;
  if (!args.empty() && !integerOf(args[0], position, error)) return undefined();
  if (position < 0 || position >= static_cast<double>(s.size())) return text(scope, {}, error);
  return text(scope, Text(1, s[static_cast<std::size_t>(position)]), error);
}

ScriptValueRef concat(const Text& s, ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  Text out = s;
  for (const auto& argument : args) {
    if (!charge(scope, out.size(), error)) return undefined();
    out += argument->stringValueOrError(error);
    if (hasScriptError(error)) return undefined();
    if (out.size() > heapOfScope(scope).limits().stringLength) {
      setScriptError(error, kScriptErrorLimitReached);
      return undefined();
    }
  }
  return text(scope, std::move(out), error);
}

ScriptValueRef hasOwnProperty(const Text& s, ScriptArguments args, ScriptScope&, ScriptRuntimeError& error) {
  if (!checkArgumentCount(args, 1, error)) return undefined();
  const auto key = args[0]->stringValueOrError(error);
  if (hasScriptError(error)) return undefined();
  if (key == u"length") return scriptBoolean(true);
  const double n = args[0]->doubleValueOrError(error);
  if (hasScriptError(error)) return undefined();
  return scriptBoolean(n >= 0 && std::trunc(n) == n && n < static_cast<double>(s.size()));
}

ScriptValueRef indexOf(const Text& s, ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkMaximumArgumentCount(args, 2, error)) return undefined();
  Text search;
  if (!stringOf(args, 0, search, error)) return undefined();
  double start = 0;
  if (args.size() > 1 && !integerOf(args[1], start, error)) return undefined();
  start = clampTo(start, 0, static_cast<double>(s.size()));
  if (search.empty()) return number(scope, -1);
  if (!charge(scope, s.size(), error)) return undefined();
  const auto found = findIn(s, search, static_cast<std::size_t>(start), heapOfScope(scope), error);
  if (hasScriptError(error)) return undefined();
  return number(scope, found == Text::npos ? -1 : static_cast<double>(found));
}

ScriptValueRef lastIndexOf(const Text& s, ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkMaximumArgumentCount(args, 2, error)) return undefined();
  Text search;
  if (!stringOf(args, 0, search, error)) return undefined();
  double start = std::numeric_limits<double>::infinity();
  if (args.size() > 1) {
    const double n = args[1]->doubleValueOrError(error);
    if (hasScriptError(error)) return undefined();
    if (!std::isnan(n)) start = toInteger(n);
  }
  start = clampTo(start, 0, static_cast<double>(s.size()));
  if (search.empty()) return number(scope, -1);
  if (!charge(scope, s.size(), error)) return undefined();
  const auto found = findLastIn(s, search, static_cast<std::size_t>(start), heapOfScope(scope), error);
  if (hasScriptError(error)) return undefined();
  return number(scope, found == Text::npos ? -1 : static_cast<double>(found));
}

ScriptValueRef match(const Text& s, ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkMaximumArgumentCount(args, 1, error)) return undefined();
  auto& heap = heapOfScope(scope);
  Text pattern;
  if (!args.empty()) {
    pattern = args[0]->stringValueOrError(error);
    if (hasScriptError(error)) return undefined();
  }
  if (pattern.empty()) return heap.make<ScriptArrayValue>(List{shortScriptString(heap, {})});
  if (!charge(scope, s.size(), error)) return undefined();
  std::int64_t length = 0;
  const auto start = regexFirstMatch(pattern, s, length, heap, error);
  if (hasScriptError(error)) return undefined();
  if (start < 0) return scriptNull();
  auto found = text(scope, s.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(length)), error);
  return heap.make<ScriptArrayValue>(List{found});
}

ScriptValueRef search(const Text& s, ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkMaximumArgumentCount(args, 1, error)) return undefined();
  Text pattern;
  if (!stringOf(args, 0, pattern, error)) return undefined();
  if (pattern.empty()) return number(scope, 0);
  if (!charge(scope, s.size(), error)) return undefined();
  std::int64_t length = 0;
  const auto start = regexFirstMatch(pattern, s, length, heapOfScope(scope), error);
  if (hasScriptError(error)) return undefined();
  return number(scope, static_cast<double>(start));
}

ScriptValueRef replace(const Text& s, ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkMaximumArgumentCount(args, 2, error)) return undefined();
  Text pattern;
  if (!stringOf(args, 0, pattern, error)) return undefined();
  if (!charge(scope, s.size(), error)) return undefined();
  const auto found = findIn(s, pattern, 0, heapOfScope(scope), error);
  if (hasScriptError(error)) return undefined();
  if (found == Text::npos) return text(scope, s, error);
  Text replacement;
  if (args.size() > 1 && args[1]->kind() == ScriptValueKind::Function) {
    auto& heap = heapOfScope(scope);
    ScriptRef<ScriptFunctionValue> function(static_cast<ScriptFunctionValue*>(args[1].get()));
    auto result = function->invokeWithArguments(
        {shortScriptString(heap, pattern), scriptNumber(heap, static_cast<double>(found)), shortScriptString(heap, s)}, scope,
        error);
    if (hasScriptError(error)) return undefined();
    replacement = result->stringValueOrError(error);
  } else if (!stringOf(args, 1, replacement, error)) {
    return undefined();
  }
  if (hasScriptError(error)) return undefined();
  Text out = s;
  out.replace(found, pattern.size(), replacement);
  return text(scope, std::move(out), error);
}

// A start or end of "slice": negative counts from the end.
double sliceBound(double value, double length) {
  return value < 0 ? std::max(value + length, 0.0) : std::min(value, length);
}

ScriptValueRef slice(const Text& s, ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkMaximumArgumentCount(args, 2, error)) return undefined();
  const double length = static_cast<double>(s.size());
  double start = 0, end = length;
  if (!args.empty() && !integerOf(args[0], start, error)) return undefined();
  if (args.size() > 1 && !integerOf(args[1], end, error)) return undefined();
  start = sliceBound(start, length);
  end = sliceBound(end, length);
  if (end <= start) return text(scope, {}, error);
  return text(scope, s.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)), error);
}

ScriptValueRef substring(const Text& s, ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkMaximumArgumentCount(args, 2, error)) return undefined();
  const double length = static_cast<double>(s.size());
  double start = 0, end = length;
  if (!args.empty() && !integerOf(args[0], start, error)) return undefined();
  if (args.size() > 1 && !integerOf(args[1], end, error)) return undefined();
  start = clampTo(start, 0, length);
  end = clampTo(end, 0, length);
  if (start > end) std::swap(start, end);
  return text(scope, s.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)), error);
}

ScriptValueRef split(const Text& s, ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkMaximumArgumentCount(args, 2, error)) return undefined();
  auto& heap = heapOfScope(scope);
  if (s.empty() || args.empty()) return heap.make<ScriptArrayValue>(List{shortScriptString(heap, s)});
  const auto separator = args[0]->stringValueOrError(error);
  if (hasScriptError(error)) return undefined();
  double limit = 4294967295.0;
  if (args.size() > 1) {
    const double n = args[1]->doubleValueOrError(error);
    if (hasScriptError(error)) return undefined();
    limit = toUInt32(n);
  }
  if (!charge(scope, s.size(), error)) return undefined();
  List pieces;
  const auto maxPieces = static_cast<std::size_t>(std::min(limit, static_cast<double>(heap.limits().arrayLength)));
  // Each piece is a new string and a slot of the result: both must fit before it is made.
  auto add = [&](Text piece) {
    if (!heap.reserve(sizeof(ScriptStringValue) + sizeof(ScriptValueRef) * (pieces.size() + 1) + piece.size() * 2, error)) {
      return false;
    }
    pieces.push_back(shortScriptString(heap, std::move(piece)));
    return true;
  };
  if (separator.empty()) {
    for (std::size_t i = 0; i < s.size() && pieces.size() < maxPieces; ++i) {
      if (!add(Text(1, s[i]))) return undefined();
    }
  } else {
    std::size_t from = 0;
    while (pieces.size() < maxPieces) {
      const auto found = findIn(s, separator, from, heap, error);
      if (hasScriptError(error)) return undefined();
      if (!add(s.substr(from, found == Text::npos ? Text::npos : found - from))) return undefined();
      if (found == Text::npos) break;
      from = found + separator.size();
    }
  }
  if (pieces.size() >= static_cast<std::size_t>(heap.limits().arrayLength) && limit > pieces.size()) {
    setScriptError(error, kScriptErrorLimitReached);
    return undefined();
  }
  return heap.make<ScriptArrayValue>(std::move(pieces));
}

template <bool Upper, bool Localised>
ScriptValueRef mapCase(const Text& s, ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkArgumentCount(args, 0, error)) return undefined();
  if (!charge(scope, s.size(), error)) return undefined();
  icu::UnicodeString value(s.data(), static_cast<int32_t>(s.size()));
  const icu::Locale locale = Localised ? icu::Locale::getDefault() : icu::Locale::getRoot();
  if (Upper) value.toUpper(locale);
  else value.toLower(locale);
  return text(scope, Text(value.getBuffer(), static_cast<std::size_t>(value.length())), error);
}

ScriptValueRef toString(const Text& s, ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkArgumentCount(args, 0, error)) return undefined();
  return text(scope, s, error);
}

bool isTrimmed(char16_t c) {
  return c == 0x09 || (c >= 0x0A && c <= 0x0D) || c == 0x85 || (U_GET_GC_MASK(c) & U_GC_Z_MASK) != 0;
}

ScriptValueRef trim(const Text& s, ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkArgumentCount(args, 0, error)) return undefined();
  if (!charge(scope, s.size(), error)) return undefined();
  std::size_t begin = 0, end = s.size();
  while (begin < end && isTrimmed(s[begin])) ++begin;
  while (end > begin && isTrimmed(s[end - 1])) --end;
  return text(scope, s.substr(begin, end - begin), error);
}

}  // namespace

const StringCommandEvaluator& StringCommandEvaluator::sharedInstance() {
  static const StringCommandEvaluator* evaluator = new StringCommandEvaluator();
  return *evaluator;
}

StringCommandEvaluator::StringCommandEvaluator() {
  handlers_ = {
      {u"charAt", charAt},
      {u"concat", concat},
      {u"hasOwnProperty", hasOwnProperty},
      {u"indexOf", indexOf},
      {u"lastIndexOf", lastIndexOf},
      {u"match", match},
      {u"replace", replace},
      {u"search", search},
      {u"slice", slice},
      {u"split", split},
      {u"substring", substring},
      {u"toLowerCase", mapCase<false, false>},
      {u"toLocaleLowerCase", mapCase<false, true>},
      {u"toUpperCase", mapCase<true, false>},
      {u"toLocaleUpperCase", mapCase<true, true>},
      {u"toString", toString},
      {u"trim", trim},
  };
}

ScriptValueRef StringCommandEvaluator::evaluateCommand(const std::u16string& name, const std::u16string& receiver,
                                                         const ScriptValueList& arguments, ScriptScope& scope,
                                                         ScriptRuntimeError& error) const {
  auto it = handlers_.find(name);
  if (it == handlers_.end()) {
    setScriptError(error, kScriptErrorUnknownMethod);
    return scriptUndefined();
  }
  return run(it->second, receiver, arguments, scope, error);
}

StringCommandEvaluator::Handler StringCommandEvaluator::handlerNamed(const std::u16string& name) const {
  auto it = handlers_.find(name);
  return it == handlers_.end() ? nullptr : it->second;
}

ScriptValueRef StringCommandEvaluator::run(Handler handler, const std::u16string& receiver, const ScriptValueList& arguments, ScriptScope& scope,
                     ScriptRuntimeError& error) const {
  return withEvaluatedArguments(arguments, scope, error, [&](ScriptArguments values) {
    return handler(receiver, values, scope, error);
  });
}

}  // namespace sdk::analytics

