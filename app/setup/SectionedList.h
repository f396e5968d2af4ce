#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace app::setup {

// The setup lists' grouping into sections under one-character keys (also the index titles along the
// table's edge) and their word search. Keys and search work on whole code points, so a name starting
// with "Ü" or "Ж" has a section of its own and can be found like any other.
class SectionedList {
 public:
  // The first code point of the upper-cased name; "#" for an empty name.
  static std::string sectionKey(std::string_view name);

  // Sections in the order their keys first appear in `items`; inside a section, the items' own order.
  template <class T>
  struct Sections {
    std::vector<std::string> keys;
    std::vector<std::vector<T>> sections;
  };
  template <class T, class NameOf>
  static Sections<T> group(const std::vector<T>& items, NameOf nameOf) {
    Sections<T> grouped;
    for (const auto& item : items) {
      const std::string key = sectionKey(nameOf(item));
      size_t index = 0;
      while (index < grouped.keys.size() && grouped.keys[index] != key) ++index;
      if (index == grouped.keys.size()) {
        grouped.keys.push_back(key);
        grouped.sections.emplace_back();
      }
      grouped.sections[index].push_back(item);
    }
    return grouped;
  }

  // Whether every word of the query (split at single blanks; empty words skipped) occurs in the text,
  // regardless of case. An empty query matches everything.
  static bool matchesAllWords(std::string_view text, std::string_view query);
  // The items whose text matches the query, in their own order.
  template <class T, class TextOf>
  static std::vector<T> search(const std::vector<T>& items, std::string_view query, TextOf textOf) {
    std::vector<T> found;
    for (const auto& item : items) {
      if (matchesAllWords(textOf(item), query)) found.push_back(item);
    }
    return found;
  }
};

}  // namespace app::setup

