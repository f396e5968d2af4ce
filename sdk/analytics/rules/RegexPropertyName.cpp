#include "sdk/analytics/rules/RegexPropertyName.h"

#include <optional>

namespace sdk::analytics {

namespace {

// What building one set took at most on a Release build, by the kind of property (each measured
// on the dearest of its kind, and no more than some eight times its cheapest): a binary property
// or a block is a few microseconds, a general category or a script some tens, an age a tenth of a
// millisecond.
constexpr std::int64_t kBinaryNanoseconds = 12'000;
constexpr std::int64_t kBlockNanoseconds = 12'000;
constexpr std::int64_t kScriptNanoseconds = 40'000;
constexpr std::int64_t kCategoryNanoseconds = 60'000;
constexpr std::int64_t kEnumeratedNanoseconds = 50'000;
constexpr std::int64_t kScriptExtensionsNanoseconds = 80'000;
constexpr std::int64_t kAgeNanoseconds = 150'000;
// Whatever this reading cannot tell costs what the dearest kind does.
constexpr std::int64_t kUnknownNanoseconds = 150'000;
constexpr std::int64_t kNameNanoseconds = 2'000;

bool isBinary(UProperty property) { return property >= UCHAR_BINARY_START && property < UCHAR_BINARY_LIMIT; }
bool ofStrings(UProperty property) { return property >= UCHAR_BASIC_EMOJI && property <= UCHAR_RGI_EMOJI; }

// The name in the invariant characters ICU's lookups take; nothing when it has others, which ICU
// refuses.
std::optional<std::string> invariant(std::u16string_view text) {
  std::string ascii;
  for (const char16_t c : text) {
    if (c == 0 || c >= 0x80) return std::nullopt;
    ascii += static_cast<char>(c);
  }
  return ascii;
}

std::u16string joined(std::u16string_view head, std::u16string_view tail) {
  std::u16string text;
  text.reserve(head.size() + tail.size());
  text.append(head).append(tail);
  return text;
}

std::u16string numbered(char16_t tag, std::int32_t property, std::int32_t value) {
  std::u16string key(1, tag);
  for (const std::int32_t n : {property, value}) {
    key += u':';
    for (const char c : std::to_string(n)) key += static_cast<char16_t>(c);
  }
  return key;
}

std::int64_t nanosecondsOf(UProperty property) {
  if (isBinary(property)) return kBinaryNanoseconds;
  switch (property) {
    case UCHAR_GENERAL_CATEGORY:
    case UCHAR_GENERAL_CATEGORY_MASK:
    case UCHAR_NUMERIC_VALUE: return kCategoryNanoseconds;
    case UCHAR_SCRIPT: return kScriptNanoseconds;
    case UCHAR_SCRIPT_EXTENSIONS: return kScriptExtensionsNanoseconds;
    case UCHAR_BLOCK: return kBlockNanoseconds;
    case UCHAR_AGE: return kAgeNanoseconds;
    default: return property >= UCHAR_INT_START && property < UCHAR_INT_LIMIT ? kEnumeratedNanoseconds : kUnknownNanoseconds;
  }
}

RegexPropertyName codePoints(UProperty property, std::u16string key, std::u16string_view pattern) {
  RegexPropertyName read;
  read.kind = RegexPropertyName::Kind::CodePoints;
  read.property = property;
  read.key = std::move(key);
  read.pattern = std::u16string(pattern);
  read.buildNanoseconds = nanosecondsOf(property);
  return read;
}

// A property of strings: what building it costs is measured on the strings it holds.
RegexPropertyName ofStringsRead(UProperty property, std::u16string key, std::u16string_view pattern) {
  auto read = codePoints(property, std::move(key), pattern);
  read.kind = RegexPropertyName::Kind::Strings;
  read.buildNanoseconds = 0;
  return read;
}

std::u16string_view trimmed(std::u16string_view text) {
  auto blank = [](char16_t c) { return c == u' ' || (c >= 0x09 && c <= 0x0D); };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

// As ICU's sets read "\p{name=value}" and "\p{name}": a value after the first '='; without one, a
// general category, then a script, then a binary property, then the few names of their own.
std::optional<RegexPropertyName> asSetsRead(std::u16string_view text) {
  const std::size_t equals = text.find(u'=');
  const auto name = invariant(text.substr(0, equals));
  if (!name) return std::nullopt;
  if (equals != std::u16string_view::npos) {
    const auto value = text.substr(equals + 1);
    const auto property = u_getPropertyEnum(name->c_str());
    if (property == UCHAR_NAME) {
      RegexPropertyName read;
      read.kind = RegexPropertyName::Kind::CharacterName;
      read.property = property;
      for (const char16_t c : trimmed(value)) read.characterName += c < 0x80 ? static_cast<char>(c) : '?';
      read.key = joined(u"na=", trimmed(value));
      read.pattern = std::u16string(text);
      read.buildNanoseconds = kNameNanoseconds;
      return read;
    }
    if (property == UCHAR_AGE || property == UCHAR_NUMERIC_VALUE) {
      return codePoints(property, joined(numbered(u'v', property, 0) + u"=", trimmed(value)), text);
    }
    const auto valueName = invariant(value);
    if (!valueName) return std::nullopt;
    const UProperty valued = property == UCHAR_GENERAL_CATEGORY ? UCHAR_GENERAL_CATEGORY_MASK
                             : property == UCHAR_SCRIPT_EXTENSIONS ? UCHAR_SCRIPT
                                                                   : property;
    if (valued == UCHAR_INVALID_CODE) return std::nullopt;
    const std::int32_t v = u_getPropertyValueEnum(valued, valueName->c_str());
    if (v == UCHAR_INVALID_CODE) return std::nullopt;
    if (ofStrings(property)) return ofStringsRead(property, numbered(u's', property, v), text);
    return codePoints(property, numbered(u'p', property, v), text);
  }
  if (const auto v = u_getPropertyValueEnum(UCHAR_GENERAL_CATEGORY_MASK, name->c_str()); v != UCHAR_INVALID_CODE) {
    return codePoints(UCHAR_GENERAL_CATEGORY_MASK, numbered(u'p', UCHAR_GENERAL_CATEGORY_MASK, v), text);
  }
  if (const auto v = u_getPropertyValueEnum(UCHAR_SCRIPT, name->c_str()); v != UCHAR_INVALID_CODE) {
    return codePoints(UCHAR_SCRIPT, numbered(u'p', UCHAR_SCRIPT, v), text);
  }
  const UProperty property = u_getPropertyEnum(name->c_str());
  if (ofStrings(property)) return ofStringsRead(property, numbered(u's', property, 1), text);
  if (isBinary(property)) return codePoints(property, numbered(u'p', property, 1), text);
  // Any, ASCII and Assigned, which ICU reads as it reads property names.
  const auto loose = [&] {
    std::string squeezed;
    for (const char c : *name) {
      if (c == '-' || c == '_' || c == ' ' || (c >= 0x09 && c <= 0x0D)) continue;
      squeezed += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return squeezed;
  }();
  if (loose == "any" || loose == "ascii") return codePoints(UCHAR_BLOCK, joined(u"special:", std::u16string(loose.begin(), loose.end())), text);
  if (loose == "assigned") return codePoints(UCHAR_GENERAL_CATEGORY_MASK, u"special:assigned", text);
  return std::nullopt;
}

}  // namespace

// ICU's regular expressions first read the name as its sets do; failing that, "In" (in that case)
// before a block's name, then "Is" (likewise) before a property without a value.
RegexPropertyName RegexPropertyName::read(std::u16string_view written) {
  if (auto read = asSetsRead(written)) return *read;
  if (written.size() >= 3 && written.starts_with(u"In")) {
    if (const auto block = invariant(written.substr(2))) {
      const std::int32_t v = u_getPropertyValueEnum(UCHAR_BLOCK, block->c_str());
      if (v != UCHAR_INVALID_CODE) {
        return codePoints(UCHAR_BLOCK, numbered(u'p', UCHAR_BLOCK, v), joined(u"Block=", written.substr(2)));
      }
    }
  }
  if (written.size() >= 3 && written.starts_with(u"Is") && written.find(u'=') == std::u16string_view::npos) {
    if (auto read = asSetsRead(written.substr(2))) return *read;
  }
  RegexPropertyName unknown;
  unknown.key = joined(u"?", written);
  unknown.pattern = std::u16string(written);
  unknown.buildNanoseconds = kUnknownNanoseconds;
  return unknown;
}

}  // namespace sdk::analytics
