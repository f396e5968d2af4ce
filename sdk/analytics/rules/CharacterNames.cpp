#include "sdk/analytics/rules/CharacterNames.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <cstring>
#include <mutex>
#include <string>

namespace sdk::analytics {

namespace {

// What ICU's lookup took at most on a Release build, measured over every part of the table: trying
// the computed names first, then each name of the table that comes before the one sought.
constexpr std::int64_t kLookupNanoseconds = 2'000;
// A name ICU reads the code point off (an ideograph's), found before any table is walked.
constexpr std::int64_t kComputedLookupNanoseconds = 500;
constexpr std::int64_t kNanosecondsPerNameBefore = 10;
constexpr std::int64_t kNanosecondsPerSyllableBefore = 9;

constexpr UChar32 kFirstSyllable = 0xAC00;
constexpr UChar32 kLastSyllable = 0xD7A3;
constexpr std::string_view kSyllablePrefix = "HANGUL SYLLABLE ";
// Names ICU reads the code point off, without a table.
constexpr std::array<std::string_view, 2> kComputedPrefixes = {"CJK UNIFIED IDEOGRAPH-", "TANGUT IDEOGRAPH-"};
// Longer than any name ICU knows.
constexpr std::size_t kLongestName = 128;

bool isSyllable(UChar32 c) { return c >= kFirstSyllable && c <= kLastSyllable; }

bool isComputed(std::string_view name) {
  return std::any_of(kComputedPrefixes.begin(), kComputedPrefixes.end(),
                     [&](std::string_view prefix) { return name.starts_with(prefix); });
}

std::string upperCase(std::string_view name) {
  std::string upper(name);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

}  // namespace

namespace {
std::atomic<bool> tableRead{false};
}  // namespace

bool CharacterNames::isRead() { return tableRead.load(std::memory_order_acquire); }

const CharacterNames& CharacterNames::shared(bool* readNow) {
  static std::once_flag once;
  static const CharacterNames* names = nullptr;
  bool read = false;
  std::call_once(once, [&] {
    names = new CharacterNames();
    read = true;
    tableRead.store(true, std::memory_order_release);
  });
  if (readNow) *readNow = read;
  return *names;
}

std::uint64_t CharacterNames::hashOf(std::string_view name) {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (const char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ull;
  return hash;
}

CharacterNames::CharacterNames() {
  struct Reading {
    std::vector<Entry>* entries;
    std::int32_t tableNames = 0;
  } reading{&entries_};
  auto each = [](void* context, UChar32 codePoint, UCharNameChoice, const char* name, int32_t length) -> UBool {
    auto& into = *static_cast<Reading*>(context);
    const std::string_view text(name, static_cast<std::size_t>(length));
    if (isSyllable(codePoint)) {
      into.entries->push_back({hashOf(text), codePoint, -1});
    } else if (!isComputed(text)) {
      into.entries->push_back({hashOf(text), codePoint, into.tableNames++});
    }
    return true;
  };
  UErrorCode status = U_ZERO_ERROR;
  u_enumCharNames(0, UCHAR_MAX_VALUE + 1, each, &reading, U_UNICODE_CHAR_NAME, &status);
  tableNames_ = reading.tableNames;
  std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) { return a.hash < b.hash; });
}

bool CharacterNames::spells(UChar32 codePoint, std::string_view upper) {
  char name[kLongestName + 1];
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length = u_charName(codePoint, U_UNICODE_CHAR_NAME, name, sizeof name, &status);
  return U_SUCCESS(status) && static_cast<std::size_t>(length) == upper.size() && std::memcmp(name, upper.data(), upper.size()) == 0;
}

CharacterNames::Lookup CharacterNames::computed(std::string_view upper) {
  const std::size_t dash = upper.rfind('-');
  UChar32 codePoint = 0;
  for (std::size_t i = dash + 1; i < upper.size() && i < dash + 7; ++i) {
    const int digit = u_digit(static_cast<unsigned char>(upper[i]), 16);
    if (digit < 0) return {};
    codePoint = codePoint * 16 + digit;
  }
  if (!spells(codePoint, upper)) return {};
  return {codePoint, kComputedLookupNanoseconds};
}

CharacterNames::Lookup CharacterNames::priced(const Entry& entry) const {
  if (entry.rank < 0) {
    return {entry.codePoint, kLookupNanoseconds + (entry.codePoint - kFirstSyllable) * kNanosecondsPerSyllableBefore};
  }
  return {entry.codePoint, kLookupNanoseconds + entry.rank * kNanosecondsPerNameBefore};
}

CharacterNames::Lookup CharacterNames::find(std::string_view name) const {
  // What ICU pays for a name it does not know: every syllable when the name looks like one, then
  // the whole table.
  Lookup unknown{-1, kLookupNanoseconds + tableNames_ * kNanosecondsPerNameBefore};
  if (name.size() > kLongestName) return unknown;
  const std::string upper = upperCase(name);
  if (upper.starts_with(kSyllablePrefix)) unknown.nanoseconds += (kLastSyllable - kFirstSyllable + 1) * kNanosecondsPerSyllableBefore;
  if (isComputed(upper)) {
    const Lookup found = computed(upper);
    return found.codePoint >= 0 ? found : unknown;
  }
  const std::uint64_t hash = hashOf(upper);
  auto at = std::lower_bound(entries_.begin(), entries_.end(), hash, [](const Entry& e, std::uint64_t h) { return e.hash < h; });
  for (; at != entries_.end() && at->hash == hash; ++at) {
    if (spells(at->codePoint, upper)) return priced(*at);
  }
  return unknown;
}

}  // namespace sdk::analytics
