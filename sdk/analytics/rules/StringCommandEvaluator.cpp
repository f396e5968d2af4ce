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

// A result text: its copy is charged as work and its size against the budgets.
ErrorOr<ScriptValueRef> text(ScriptScope& scope, Text value) {
  TRY(heapOfScope(scope).chargeUnits(value.size()));
  return scriptString(heapOfScope(scope), std::move(value));
}
ScriptValueRef number(ScriptScope& scope, double value) { return scriptNumber(heapOfScope(scope), value); }

ErrorOr<Text> stringOf(ScriptArguments args, std::size_t i) {
  if (i < args.size()) return args[i]->stringValueOrError();
  return Text(u"undefined");
}
ErrorOr<double> integerOf(const ScriptValueRef& value) { return toInteger(TRY(value->doubleValueOrError())); }
double clampTo(double value, double low, double high) { return std::min(std::max(value, low), high); }
// Scanning or copying `units` code units.
ErrorOr<void> charge(ScriptScope& scope, std::size_t units) {
  return heapOfScope(scope).chargeUnits(units);
}

// Text search that charges every candidate position it compares, so a search whose every position
// almost matches costs what it does.
constexpr std::size_t kNotFound = Text::npos;
ErrorOr<std::size_t> findIn(const Text& s, const Text& search, std::size_t from, ScriptHeap& heap) {
  if (search.empty()) return from <= s.size() ? from : std::size_t{kNotFound};
  for (std::size_t i = from; i + search.size() <= s.size(); ++i) {
    const auto* hit = std::char_traits<char16_t>::find(s.data() + i, s.size() - search.size() + 1 - i, search[0]);
    if (!hit) return std::size_t{kNotFound};
    TRY(heap.chargeUnits(static_cast<std::size_t>(hit - (s.data() + i)) + search.size()));
    i = static_cast<std::size_t>(hit - s.data());
    if (s.compare(i, search.size(), search) == 0) return i;
  }
  return std::size_t{kNotFound};
}
ErrorOr<std::size_t> findLastIn(const Text& s, const Text& search, std::size_t start, ScriptHeap& heap) {
  if (search.size() > s.size()) return std::size_t{kNotFound};
  for (std::size_t i = std::min(start, s.size() - search.size()) + 1; i-- > 0;) {
    TRY(heap.chargeUnits(search.size()));
    if (s[i] == search[0] && s.compare(i, search.size(), search) == 0) return i;
  }
  return std::size_t{kNotFound};
}

ErrorOr<ScriptValueRef> charAt(const Text& s, ScriptArguments args, ScriptScope& scope) {
  TRY(checkMaximumArgumentCount(args, 1));
  double position = 0;
  if (!args.empty()) position = TRY(integerOf(args[0]));
  if (position < 0 || position >= static_cast<double>(s.size())) return text(scope, {});
  return text(scope, Text(1, s[static_cast<std::size_t>(position)]));
}

// The pieces are converted first and copied once, into a result with room to grow in place; a
// string argument is read where it lies, so putting a piece before a long text copies the text once.
ErrorOr<ScriptValueRef> concat(const Text& s, ScriptArguments args, ScriptScope& scope) {
  auto& heap = heapOfScope(scope);
  std::vector<Text> converted;
  converted.reserve(args.size());
  std::vector<std::u16string_view> pieces{s};
  std::size_t length = s.size();
  for (const auto& argument : args) {
    TRY(charge(scope, length));
    if (argument->kind() == ScriptValueKind::String) {
      pieces.push_back(static_cast<const ScriptStringValue&>(*argument).value());
    } else {
      converted.push_back(TRY(argument->stringValueOrError()));
      pieces.push_back(converted.back());
    }
    length += pieces.back().size();
    if (length > heap.limits().stringLength) return scriptError(kScriptErrorLimitReached);
  }
  TRY(charge(scope, length));
  return joinedScriptString(heap, pieces);
}

ErrorOr<ScriptValueRef> hasOwnProperty(const Text& s, ScriptArguments args, ScriptScope&) {
  TRY(checkArgumentCount(args, 1));
  const auto key = TRY(args[0]->stringValueOrError());
  if (key == u"length") return ScriptValueRef(scriptBoolean(true));
  const double n = TRY(args[0]->doubleValueOrError());
  return ScriptValueRef(scriptBoolean(n >= 0 && std::trunc(n) == n && n < static_cast<double>(s.size())));
}

ErrorOr<ScriptValueRef> indexOf(const Text& s, ScriptArguments args, ScriptScope& scope) {
  TRY(checkMaximumArgumentCount(args, 2));
  const Text search = TRY(stringOf(args, 0));
  double start = 0;
  if (args.size() > 1) start = TRY(integerOf(args[1]));
  start = clampTo(start, 0, static_cast<double>(s.size()));
  if (search.empty()) return number(scope, -1);
  TRY(charge(scope, s.size()));
  const auto found = TRY(findIn(s, search, static_cast<std::size_t>(start), heapOfScope(scope)));
  return number(scope, found == Text::npos ? -1 : static_cast<double>(found));
}

ErrorOr<ScriptValueRef> lastIndexOf(const Text& s, ScriptArguments args, ScriptScope& scope) {
  TRY(checkMaximumArgumentCount(args, 2));
  const Text search = TRY(stringOf(args, 0));
  double start = std::numeric_limits<double>::infinity();
  if (args.size() > 1) {
    const double n = TRY(args[1]->doubleValueOrError());
    if (!std::isnan(n)) start = toInteger(n);
  }
  start = clampTo(start, 0, static_cast<double>(s.size()));
  if (search.empty()) return number(scope, -1);
  TRY(charge(scope, s.size()));
  const auto found = TRY(findLastIn(s, search, static_cast<std::size_t>(start), heapOfScope(scope)));
  return number(scope, found == Text::npos ? -1 : static_cast<double>(found));
}

ErrorOr<ScriptValueRef> match(const Text& s, ScriptArguments args, ScriptScope& scope) {
  TRY(checkMaximumArgumentCount(args, 1));
  auto& heap = heapOfScope(scope);
  Text pattern;
  if (!args.empty()) {
    pattern = TRY(args[0]->stringValueOrError());
  }
  if (pattern.empty()) return heap.make<ScriptArrayValue>(List{shortScriptString(heap, {})});
  TRY(charge(scope, s.size()));
  std::int64_t length = 0;
  const auto start = TRY(regexFirstMatch(pattern, s, length, heap));
  if (start < 0) return ScriptValueRef(scriptNull());
  auto found = TRY(text(scope, s.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(length))));
  return heap.make<ScriptArrayValue>(List{found});
}

ErrorOr<ScriptValueRef> search(const Text& s, ScriptArguments args, ScriptScope& scope) {
  TRY(checkMaximumArgumentCount(args, 1));
  const Text pattern = TRY(stringOf(args, 0));
  if (pattern.empty()) return number(scope, 0);
  TRY(charge(scope, s.size()));
  std::int64_t length = 0;
  const auto start = TRY(regexFirstMatch(pattern, s, length, heapOfScope(scope)));
  return number(scope, static_cast<double>(start));
}

ErrorOr<ScriptValueRef> replace(const Text& s, ScriptArguments args, ScriptScope& scope) {
  TRY(checkMaximumArgumentCount(args, 2));
  const Text pattern = TRY(stringOf(args, 0));
  TRY(charge(scope, s.size()));
  const auto found = TRY(findIn(s, pattern, 0, heapOfScope(scope)));
  if (found == Text::npos) return text(scope, s);
  Text replacement;
  if (args.size() > 1 && args[1]->kind() == ScriptValueKind::Function) {
    auto& heap = heapOfScope(scope);
    ScriptRef<ScriptFunctionValue> function(static_cast<ScriptFunctionValue*>(args[1].get()));
    auto result = TRY(function->invokeWithArguments(
        {shortScriptString(heap, pattern), scriptNumber(heap, static_cast<double>(found)), shortScriptString(heap, s)},
        scope));
    replacement = TRY(result->stringValueOrError());
  } else {
    replacement = TRY(stringOf(args, 1));
  }
  Text out = s;
  out.replace(found, pattern.size(), replacement);
  return text(scope, std::move(out));
}

// A start or end of "slice": negative counts from the end.
double sliceBound(double value, double length) {
  return value < 0 ? std::max(value + length, 0.0) : std::min(value, length);
}

ErrorOr<ScriptValueRef> slice(const Text& s, ScriptArguments args, ScriptScope& scope) {
  TRY(checkMaximumArgumentCount(args, 2));
  const double length = static_cast<double>(s.size());
  double start = 0, end = length;
  if (!args.empty()) start = TRY(integerOf(args[0]));
  if (args.size() > 1) end = TRY(integerOf(args[1]));
  start = sliceBound(start, length);
  end = sliceBound(end, length);
  if (end <= start) return text(scope, {});
  return text(scope, s.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)));
}

ErrorOr<ScriptValueRef> substring(const Text& s, ScriptArguments args, ScriptScope& scope) {
  TRY(checkMaximumArgumentCount(args, 2));
  const double length = static_cast<double>(s.size());
  double start = 0, end = length;
  if (!args.empty()) start = TRY(integerOf(args[0]));
  if (args.size() > 1) end = TRY(integerOf(args[1]));
  start = clampTo(start, 0, length);
  end = clampTo(end, 0, length);
  if (start > end) std::swap(start, end);
  return text(scope, s.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)));
}

ErrorOr<ScriptValueRef> split(const Text& s, ScriptArguments args, ScriptScope& scope) {
  TRY(checkMaximumArgumentCount(args, 2));
  auto& heap = heapOfScope(scope);
  if (s.empty() || args.empty()) return heap.make<ScriptArrayValue>(List{shortScriptString(heap, s)});
  const auto separator = TRY(args[0]->stringValueOrError());
  double limit = 4294967295.0;
  if (args.size() > 1) {
    const double n = TRY(args[1]->doubleValueOrError());
    limit = toUInt32(n);
  }
  TRY(charge(scope, s.size()));
  List pieces;
  const auto maxPieces = static_cast<std::size_t>(std::min(limit, static_cast<double>(heap.limits().arrayLength)));
  // Each piece is a new string and a slot of the result: both must fit before it is made.
  auto add = [&](Text piece) -> ErrorOr<void> {
    TRY(heap.reserve(sizeof(ScriptStringValue) + sizeof(ScriptValueRef) * (pieces.size() + 1) + piece.size() * 2));
    pieces.push_back(shortScriptString(heap, std::move(piece)));
    return {};
  };
  if (separator.empty()) {
    for (std::size_t i = 0; i < s.size() && pieces.size() < maxPieces; ++i) {
      TRY(add(Text(1, s[i])));
    }
  } else {
    std::size_t from = 0;
    while (pieces.size() < maxPieces) {
      const auto found = TRY(findIn(s, separator, from, heap));
      TRY(add(s.substr(from, found == Text::npos ? Text::npos : found - from)));
      if (found == Text::npos) break;
      from = found + separator.size();
    }
  }
  if (pieces.size() >= static_cast<std::size_t>(heap.limits().arrayLength) && limit > pieces.size()) {
    return scriptError(kScriptErrorLimitReached);
  }
  return heap.make<ScriptArrayValue>(std::move(pieces));
}

template <bool Upper, bool Localised>
ErrorOr<ScriptValueRef> mapCase(const Text& s, ScriptArguments args, ScriptScope& scope) {
  TRY(checkArgumentCount(args, 0));
  TRY(charge(scope, s.size()));
  icu::UnicodeString value(s.data(), static_cast<int32_t>(s.size()));
  const icu::Locale locale = Localised ? icu::Locale::getDefault() : icu::Locale::getRoot();
  if (Upper) value.toUpper(locale);
  else value.toLower(locale);
  return text(scope, Text(value.getBuffer(), static_cast<std::size_t>(value.length())));
}

ErrorOr<ScriptValueRef> toString(const Text& s, ScriptArguments args, ScriptScope& scope) {
  TRY(checkArgumentCount(args, 0));
  return text(scope, s);
}

bool isTrimmed(char16_t c) {
  return c == 0x09 || (c >= 0x0A && c <= 0x0D) || c == 0x85 || (U_GET_GC_MASK(c) & U_GC_Z_MASK) != 0;
}

ErrorOr<ScriptValueRef> trim(const Text& s, ScriptArguments args, ScriptScope& scope) {
  TRY(checkArgumentCount(args, 0));
  TRY(charge(scope, s.size()));
  std::size_t begin = 0, end = s.size();
  while (begin < end && isTrimmed(s[begin])) ++begin;
  while (end > begin && isTrimmed(s[end - 1])) --end;
  return text(scope, s.substr(begin, end - begin));
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

ErrorOr<ScriptValueRef> StringCommandEvaluator::evaluateCommand(const std::u16string& name, const std::u16string& receiver,
                                                         const ScriptValueList& arguments, ScriptScope& scope) const {
  auto it = handlers_.find(name);
  if (it == handlers_.end()) return scriptError(kScriptErrorUnknownMethod);
  return run(it->second, receiver, arguments, scope);
}

StringCommandEvaluator::Handler StringCommandEvaluator::handlerNamed(const std::u16string& name) const {
  auto it = handlers_.find(name);
  return it == handlers_.end() ? nullptr : it->second;
}

ErrorOr<ScriptValueRef> StringCommandEvaluator::run(Handler handler, const std::u16string& receiver,
                                                    const ScriptValueList& arguments, ScriptScope& scope) const {
  return withEvaluatedArguments(arguments, scope, [&](ScriptArguments values) {
    return handler(receiver, values, scope);
  });
}

}  // namespace sdk::analytics

