#include "app/setup/SectionedList.h"

#include <unicode/unistr.h>

namespace app::setup {

namespace {

icu::UnicodeString unicode(std::string_view text) {
  return icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
}

}  // namespace

std::string SectionedList::sectionKey(std::string_view name) {
  icu::UnicodeString upper = unicode(name);
  upper.toUpper();
  if (upper.isEmpty()) return "#";
  const UChar32 first = upper.char32At(0);
  std::string key;
  icu::UnicodeString(first).toUTF8String(key);
  return key;
}

bool SectionedList::matchesAllWords(std::string_view text, std::string_view query) {
  icu::UnicodeString folded = unicode(text);
  folded.foldCase();
  size_t start = 0;
  while (start <= query.size()) {
    size_t end = query.find(' ', start);
    if (end == std::string_view::npos) end = query.size();
    if (end > start) {
      icu::UnicodeString word = unicode(query.substr(start, end - start));
      word.foldCase();
      if (folded.indexOf(word) < 0) return false;
    }
    start = end + 1;
  }
  return true;
}

}  // namespace app::setup

