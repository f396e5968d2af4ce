#include "sdk/analytics/rules/ScriptOperators.h"

#include <unicode/normalizer2.h>
#include <unicode/utf16.h>
#include <unicode/unistr.h>

#include <cmath>

#include "sdk/analytics/rules/CommandHelpers.h"

namespace sdk::analytics {

namespace {
int tag(const ScriptValue& value) {
  switch (value.kind()) {
    case ScriptValueKind::Undefined: case ScriptValueKind::Null: return 0;
    case ScriptValueKind::Number: case ScriptValueKind::Boolean: return 1;
    case ScriptValueKind::String: return 2;
    default: return 3;
  }
}

bool isASCII(const std::u16string& text) {
  for (char16_t c : text) {
    if (c > 0x7F) return false;
  }
  return true;
}

int codePointCompare(const icu::UnicodeString& a, const icu::UnicodeString& b) {
  const int result = a.compareCodePointOrder(b);
  return result < 0 ? -1 : (result > 0 ? 1 : 0);
}
}  // namespace

ErrorOr<bool> looseEquals(const ScriptValue& a, const ScriptValue& b) {
  const ScriptValue* x = &a;
  const ScriptValue* y = &b;
  if (tag(*x) > tag(*y)) std::swap(x, y);
  switch (tag(*x)) {
    case 2: return stringEquals(*x, *y);
    case 1: return numberEquals(*x, *y);
    case 3: return ErrorOr<bool>(x == y);
    default: return ErrorOr<bool>(tag(*y) == 0);
  }
}

int compareScriptTexts(const std::u16string& a, const std::u16string& b) {
  const icu::UnicodeString x(false, a.data(), static_cast<int32_t>(a.size()));
  const icu::UnicodeString y(false, b.data(), static_cast<int32_t>(b.size()));
  if (isASCII(a) && isASCII(b)) return codePointCompare(x, y);
  UErrorCode status = U_ZERO_ERROR;
  const auto* nfd = icu::Normalizer2::getNFDInstance(status);
  if (U_FAILURE(status)) return codePointCompare(x, y);
  const auto nx = nfd->normalize(x, status);
  const auto ny = nfd->normalize(y, status);
  if (U_FAILURE(status)) return codePointCompare(x, y);
  return codePointCompare(nx, ny);
}

namespace {
// Normalising puts each run of combining marks into canonical order by insertion, which moves a
// mark past every mark of a higher class before it: up to n * n / 2 moves for a run of n. Charged as
// that, at kMovesPerStep moves a step, so one long run of marks is refused before it is reordered
// instead of costing seconds charged as its length. Runs are what lies between two characters
// that always begin a new run; ordinary text has runs of a few units, which cost nothing here.
ErrorOr<void> chargeReordering(const std::u16string& text, ScriptHeap& heap) {
  constexpr std::int64_t kMovesPerStep = 16;
  UErrorCode status = U_ZERO_ERROR;
  const auto* nfd = icu::Normalizer2::getNFDInstance(status);
  if (U_FAILURE(status)) return {};
  std::int64_t steps = 0;
  std::int64_t run = 0;
  const auto length = static_cast<int32_t>(text.size());
  for (int32_t i = 0; i < length;) {
    UChar32 c;
    const int32_t start = i;
    U16_NEXT(text.data(), i, length, c);
    if (nfd->hasBoundaryBefore(c)) {
      steps += run * run / kMovesPerStep;
      run = 0;
    }
    run += i - start;
  }
  steps += run * run / kMovesPerStep;
  return heap.chargeWork(steps);
}

ErrorOr<int> compareTexts(const std::u16string& x, const std::u16string& y, ScriptHeap* heap) {
  // Scanning for ASCII, and normalising when that fails, are the costly parts of comparing texts.
  if (heap) TRY(heap->chargeUnits(x.size() + y.size()));
  const bool ascii = isASCII(x) && isASCII(y);
  if (heap && !ascii) {
    TRY(heap->chargeWork(static_cast<std::int64_t>(x.size() + y.size())));
    TRY(chargeReordering(x, *heap));
    TRY(chargeReordering(y, *heap));
  }
  return compareScriptTexts(x, y);
}
}  // namespace

ErrorOr<int> compareScriptValues(const ScriptValue& a, const ScriptValue& b) {
  if (a.kind() == ScriptValueKind::String && b.kind() == ScriptValueKind::String) {
    // Two texts compare in place, without the copies their conversions would make.
    return compareTexts(static_cast<const ScriptStringValue&>(a).value(), static_cast<const ScriptStringValue&>(b).value(),
                        a.heap());
  }
  if (isStringLike(a) && isStringLike(b)) {
    const auto x = TRY(a.stringValueOrError());
    const auto y = TRY(b.stringValueOrError());
    return compareTexts(x, y, a.heap() ? a.heap() : b.heap());
  }
  const double x = TRY(a.doubleValueOrError());
  const double y = TRY(b.doubleValueOrError());
  if (x < y) return -1;
  if (x == y) return 0;
  return 1;
}

}  // namespace sdk::analytics

