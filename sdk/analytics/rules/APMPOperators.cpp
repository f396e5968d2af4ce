#include "sdk/analytics/rules/APMPOperators.h"

#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

#include <cmath>

#include "sdk/analytics/rules/APMPCommandHelpers.h"

namespace {
int tag(const APMPRuntimeValue& value) {
  switch (value.kind()) {
    case APMPKind::Undefined: case APMPKind::Null: return 0;
    case APMPKind::Number: case APMPKind::Boolean: return 1;
    case APMPKind::String: return 2;
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

bool APMPLooseEquals(const APMPRuntimeValue& a, const APMPRuntimeValue& b, APMPError& error) {
  const APMPRuntimeValue* x = &a;
  const APMPRuntimeValue* y = &b;
  if (tag(*x) > tag(*y)) std::swap(x, y);
  switch (tag(*x)) {
    case 2: return APMPStringEquals(*x, *y, error);
    case 1: return APMPNumberEquals(*x, *y, error);
    case 3: return x == y;
    default: return tag(*y) == 0;
  }
}

int APMPCompareTexts(const std::u16string& a, const std::u16string& b) {
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
int compareTexts(const std::u16string& x, const std::u16string& y, APMPHeap* heap, APMPError& error) {
  // Scanning for ASCII, and normalising when that fails, are the costly parts of comparing texts.
  if (heap && !heap->chargeUnits(x.size() + y.size(), error)) return 1;
  const bool ascii = isASCII(x) && isASCII(y);
  if (heap && !ascii && !heap->chargeWork(static_cast<std::int64_t>(x.size() + y.size()), error)) return 1;
  return APMPCompareTexts(x, y);
}
}  // namespace

int APMPCompareValues(const APMPRuntimeValue& a, const APMPRuntimeValue& b, APMPError& error) {
  if (a.kind() == APMPKind::String && b.kind() == APMPKind::String) {
    // Two texts compare in place, without the copies their conversions would make.
    return compareTexts(static_cast<const APMPStringValue&>(a).value(), static_cast<const APMPStringValue&>(b).value(),
                        a.heap(), error);
  }
  if (APMPIsStringLike(a) && APMPIsStringLike(b)) {
    const auto x = a.stringValueOrError(error);
    if (APMPFailed(error)) return 1;
    const auto y = b.stringValueOrError(error);
    if (APMPFailed(error)) return 1;
    return compareTexts(x, y, a.heap() ? a.heap() : b.heap(), error);
  }
  const double x = a.doubleValueOrError(error);
  if (APMPFailed(error)) return 1;
  const double y = b.doubleValueOrError(error);
  if (APMPFailed(error)) return 1;
  if (x < y) return -1;
  if (x == y) return 0;
  return 1;
}
