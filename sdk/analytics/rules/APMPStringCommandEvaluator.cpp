#include "sdk/analytics/rules/APMPStringCommandEvaluator.h"

#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "sdk/analytics/rules/APMPArrayValue.h"
#include "sdk/analytics/rules/APMPCommandHelpers.h"
#include "sdk/analytics/rules/APMPFunctionValue.h"
#include "sdk/analytics/rules/APMPText.h"

namespace {

using List = APMPValueList;
using Text = std::u16string;
APMPValueRef undefined() { return APMPUndefined(); }

// A result text: its copy is charged as work and its size against the budgets.
APMPValueRef text(APMPScope& scope, Text value, APMPError& error) {
  if (!APMPScopeHeap(scope).chargeUnits(value.size(), error)) return undefined();
  return APMPString(APMPScopeHeap(scope), std::move(value), error);
}
APMPValueRef number(APMPScope& scope, double value) { return APMPNumber(APMPScopeHeap(scope), value); }

bool stringOf(APMPArguments args, std::size_t i, Text& out, APMPError& error) {
  out = i < args.size() ? args[i]->stringValueOrError(error) : Text(u"undefined");
  return !APMPFailed(error);
}
bool integerOf(const APMPValueRef& value, double& out, APMPError& error) {
  out = APMPToInteger(value->doubleValueOrError(error));
  return !APMPFailed(error);
}
double clampTo(double value, double low, double high) { return std::min(std::max(value, low), high); }
// Scanning or copying `units` code units.
bool charge(APMPScope& scope, std::size_t units, APMPError& error) {
  return APMPScopeHeap(scope).chargeUnits(units, error);
}

// Text search that charges every candidate position it compares, so a search whose every position
// almost matches costs what it does.
constexpr std::size_t kNotFound = Text::npos;
std::size_t findIn(const Text& s, const Text& search, std::size_t from, APMPHeap& heap, APMPError& error) {
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
std::size_t findLastIn(const Text& s, const Text& search, std::size_t start, APMPHeap& heap, APMPError& error) {
  if (search.size() > s.size()) return kNotFound;
  for (std::size_t i = std::min(start, s.size() - search.size()) + 1; i-- > 0;) {
    if (!heap.chargeUnits(search.size(), error)) return kNotFound;
    if (s[i] == search[0] && s.compare(i, search.size(), search) == 0) return i;
  }
  return kNotFound;
}

APMPValueRef charAt(const Text& s, APMPArguments args, APMPScope& scope, APMPError& error) {
  if (!APMPCheckMaximumArgumentCount(args, 1, error)) return undefined();
  double position = 0;
  if (!args.empty() && !integerOf(args[0], position, error)) return undefined();
  if (position < 0 || position >= static_cast<double>(s.size())) return text(scope, {}, error);
  return text(scope, Text(1, s[static_cast<std::size_t>(position)]), error);
}

APMPValueRef concat(const Text& s, APMPArguments args, APMPScope& scope, APMPError& error) {
  Text out = s;
  for (const auto& argument : args) {
    if (!charge(scope, out.size(), error)) return undefined();
    out += argument->stringValueOrError(error);
    if (APMPFailed(error)) return undefined();
    if (out.size() > APMPScopeHeap(scope).limits().stringLength) {
      APMPSetError(error, kAPMPErrorLimitReached);
      return undefined();
    }
  }
  return text(scope, std::move(out), error);
}

APMPValueRef hasOwnProperty(const Text& s, APMPArguments args, APMPScope&, APMPError& error) {
  if (!APMPCheckArgumentCount(args, 1, error)) return undefined();
  const auto key = args[0]->stringValueOrError(error);
  if (APMPFailed(error)) return undefined();
  if (key == u"length") return APMPBoolean(true);
  const double n = args[0]->doubleValueOrError(error);
  if (APMPFailed(error)) return undefined();
  return APMPBoolean(n >= 0 && std::trunc(n) == n && n < static_cast<double>(s.size()));
}

APMPValueRef indexOf(const Text& s, APMPArguments args, APMPScope& scope, APMPError& error) {
  if (!APMPCheckMaximumArgumentCount(args, 2, error)) return undefined();
  Text search;
  if (!stringOf(args, 0, search, error)) return undefined();
  double start = 0;
  if (args.size() > 1 && !integerOf(args[1], start, error)) return undefined();
  start = clampTo(start, 0, static_cast<double>(s.size()));
  if (search.empty()) return number(scope, -1);
  if (!charge(scope, s.size(), error)) return undefined();
  const auto found = findIn(s, search, static_cast<std::size_t>(start), APMPScopeHeap(scope), error);
  if (APMPFailed(error)) return undefined();
  return number(scope, found == Text::npos ? -1 : static_cast<double>(found));
}

APMPValueRef lastIndexOf(const Text& s, APMPArguments args, APMPScope& scope, APMPError& error) {
  if (!APMPCheckMaximumArgumentCount(args, 2, error)) return undefined();
  Text search;
  if (!stringOf(args, 0, search, error)) return undefined();
  double start = std::numeric_limits<double>::infinity();
  if (args.size() > 1) {
    const double n = args[1]->doubleValueOrError(error);
    if (APMPFailed(error)) return undefined();
    if (!std::isnan(n)) start = APMPToInteger(n);
  }
  start = clampTo(start, 0, static_cast<double>(s.size()));
  if (search.empty()) return number(scope, -1);
  if (!charge(scope, s.size(), error)) return undefined();
  const auto found = findLastIn(s, search, static_cast<std::size_t>(start), APMPScopeHeap(scope), error);
  if (APMPFailed(error)) return undefined();
  return number(scope, found == Text::npos ? -1 : static_cast<double>(found));
}

APMPValueRef match(const Text& s, APMPArguments args, APMPScope& scope, APMPError& error) {
  if (!APMPCheckMaximumArgumentCount(args, 1, error)) return undefined();
  auto& heap = APMPScopeHeap(scope);
  Text pattern;
  if (!args.empty()) {
    pattern = args[0]->stringValueOrError(error);
    if (APMPFailed(error)) return undefined();
  }
  if (pattern.empty()) return heap.make<APMPArrayValue>(List{APMPShortString(heap, {})});
  if (!charge(scope, s.size(), error)) return undefined();
  std::int64_t length = 0;
  const auto start = APMPRegexFirstMatch(pattern, s, length, heap, error);
  if (APMPFailed(error)) return undefined();
  if (start < 0) return APMPNull();
  auto found = text(scope, s.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(length)), error);
  return heap.make<APMPArrayValue>(List{found});
}

APMPValueRef search(const Text& s, APMPArguments args, APMPScope& scope, APMPError& error) {
  if (!APMPCheckMaximumArgumentCount(args, 1, error)) return undefined();
  Text pattern;
  if (!stringOf(args, 0, pattern, error)) return undefined();
  if (pattern.empty()) return number(scope, 0);
  if (!charge(scope, s.size(), error)) return undefined();
  std::int64_t length = 0;
  const auto start = APMPRegexFirstMatch(pattern, s, length, APMPScopeHeap(scope), error);
  if (APMPFailed(error)) return undefined();
  return number(scope, static_cast<double>(start));
}

APMPValueRef replace(const Text& s, APMPArguments args, APMPScope& scope, APMPError& error) {
  if (!APMPCheckMaximumArgumentCount(args, 2, error)) return undefined();
  Text pattern;
  if (!stringOf(args, 0, pattern, error)) return undefined();
  if (!charge(scope, s.size(), error)) return undefined();
  const auto found = findIn(s, pattern, 0, APMPScopeHeap(scope), error);
  if (APMPFailed(error)) return undefined();
  if (found == Text::npos) return text(scope, s, error);
  Text replacement;
  if (args.size() > 1 && args[1]->kind() == APMPKind::Function) {
    auto& heap = APMPScopeHeap(scope);
    APMPRef<APMPFunctionValue> function(static_cast<APMPFunctionValue*>(args[1].get()));
    auto result = function->invokeWithArguments(
        {APMPShortString(heap, pattern), APMPNumber(heap, static_cast<double>(found)), APMPShortString(heap, s)}, scope,
        error);
    if (APMPFailed(error)) return undefined();
    replacement = result->stringValueOrError(error);
  } else if (!stringOf(args, 1, replacement, error)) {
    return undefined();
  }
  if (APMPFailed(error)) return undefined();
  Text out = s;
  out.replace(found, pattern.size(), replacement);
  return text(scope, std::move(out), error);
}

// A start or end of "slice": negative counts from the end.
double sliceBound(double value, double length) {
  return value < 0 ? std::max(value + length, 0.0) : std::min(value, length);
}

APMPValueRef slice(const Text& s, APMPArguments args, APMPScope& scope, APMPError& error) {
  if (!APMPCheckMaximumArgumentCount(args, 2, error)) return undefined();
  const double length = static_cast<double>(s.size());
  double start = 0, end = length;
  if (!args.empty() && !integerOf(args[0], start, error)) return undefined();
  if (args.size() > 1 && !integerOf(args[1], end, error)) return undefined();
  start = sliceBound(start, length);
  end = sliceBound(end, length);
  if (end <= start) return text(scope, {}, error);
  return text(scope, s.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)), error);
}

APMPValueRef substring(const Text& s, APMPArguments args, APMPScope& scope, APMPError& error) {
  if (!APMPCheckMaximumArgumentCount(args, 2, error)) return undefined();
  const double length = static_cast<double>(s.size());
  double start = 0, end = length;
  if (!args.empty() && !integerOf(args[0], start, error)) return undefined();
  if (args.size() > 1 && !integerOf(args[1], end, error)) return undefined();
  start = clampTo(start, 0, length);
  end = clampTo(end, 0, length);
  if (start > end) std::swap(start, end);
  return text(scope, s.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)), error);
}

APMPValueRef split(const Text& s, APMPArguments args, APMPScope& scope, APMPError& error) {
  if (!APMPCheckMaximumArgumentCount(args, 2, error)) return undefined();
  auto& heap = APMPScopeHeap(scope);
  if (s.empty() || args.empty()) return heap.make<APMPArrayValue>(List{APMPShortString(heap, s)});
  const auto separator = args[0]->stringValueOrError(error);
  if (APMPFailed(error)) return undefined();
  double limit = 4294967295.0;
  if (args.size() > 1) {
    const double n = args[1]->doubleValueOrError(error);
    if (APMPFailed(error)) return undefined();
    limit = APMPToUInt32(n);
  }
  if (!charge(scope, s.size(), error)) return undefined();
  List pieces;
  const auto maxPieces = static_cast<std::size_t>(std::min(limit, static_cast<double>(heap.limits().arrayLength)));
  // Each piece is a new string and a slot of the result: both must fit before it is made.
  auto add = [&](Text piece) {
    if (!heap.reserve(sizeof(APMPStringValue) + sizeof(APMPValueRef) * (pieces.size() + 1) + piece.size() * 2, error)) {
      return false;
    }
    pieces.push_back(APMPShortString(heap, std::move(piece)));
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
      if (APMPFailed(error)) return undefined();
      if (!add(s.substr(from, found == Text::npos ? Text::npos : found - from))) return undefined();
      if (found == Text::npos) break;
      from = found + separator.size();
    }
  }
  if (pieces.size() >= static_cast<std::size_t>(heap.limits().arrayLength) && limit > pieces.size()) {
    APMPSetError(error, kAPMPErrorLimitReached);
    return undefined();
  }
  return heap.make<APMPArrayValue>(std::move(pieces));
}

template <bool Upper, bool Localised>
APMPValueRef mapCase(const Text& s, APMPArguments args, APMPScope& scope, APMPError& error) {
  if (!APMPCheckArgumentCount(args, 0, error)) return undefined();
  if (!charge(scope, s.size(), error)) return undefined();
  icu::UnicodeString value(s.data(), static_cast<int32_t>(s.size()));
  const icu::Locale locale = Localised ? icu::Locale::getDefault() : icu::Locale::getRoot();
  if (Upper) value.toUpper(locale);
  else value.toLower(locale);
  return text(scope, Text(value.getBuffer(), static_cast<std::size_t>(value.length())), error);
}

APMPValueRef toString(const Text& s, APMPArguments args, APMPScope& scope, APMPError& error) {
  if (!APMPCheckArgumentCount(args, 0, error)) return undefined();
  return text(scope, s, error);
}

bool isTrimmed(char16_t c) {
  return c == 0x09 || (c >= 0x0A && c <= 0x0D) || c == 0x85 || (U_GET_GC_MASK(c) & U_GC_Z_MASK) != 0;
}

APMPValueRef trim(const Text& s, APMPArguments args, APMPScope& scope, APMPError& error) {
  if (!APMPCheckArgumentCount(args, 0, error)) return undefined();
  if (!charge(scope, s.size(), error)) return undefined();
  std::size_t begin = 0, end = s.size();
  while (begin < end && isTrimmed(s[begin])) ++begin;
  while (end > begin && isTrimmed(s[end - 1])) --end;
  return text(scope, s.substr(begin, end - begin), error);
}

}  // namespace

const APMPStringCommandEvaluator& APMPStringCommandEvaluator::sharedInstance() {
  static const APMPStringCommandEvaluator* evaluator = new APMPStringCommandEvaluator();
  return *evaluator;
}

APMPStringCommandEvaluator::APMPStringCommandEvaluator() {
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

APMPValueRef APMPStringCommandEvaluator::evaluateCommand(const std::u16string& name, const std::u16string& receiver,
                                                         const APMPValueList& arguments, APMPScope& scope,
                                                         APMPError& error) const {
  auto it = handlers_.find(name);
  if (it == handlers_.end()) {
    APMPSetError(error, kAPMPErrorUnknownMethod);
    return APMPUndefined();
  }
  return run(it->second, receiver, arguments, scope, error);
}

APMPStringCommandEvaluator::Handler APMPStringCommandEvaluator::handlerNamed(const std::u16string& name) const {
  auto it = handlers_.find(name);
  return it == handlers_.end() ? nullptr : it->second;
}

APMPValueRef APMPStringCommandEvaluator::run(Handler handler, const std::u16string& receiver, const APMPValueList& arguments, APMPScope& scope,
                     APMPError& error) const {
  return APMPWithEvaluatedArguments(arguments, scope, error, [&](APMPArguments values) {
    return handler(receiver, values, scope, error);
  });
}
