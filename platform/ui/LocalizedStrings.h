#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace platform::ui {

// The app's texts in the person's language. Tables live in the main bundle as
// "<language>.lproj/<table>.strings" (the classic `"key" = "value";` format, UTF-8 or UTF-16, or a
// property list holding a dictionary) or, ours, "<language>.lproj/<table>.json" (an object of
// strings) or ".plist" (a dictionary). The first preferred language that has a readable table is
// used; "en" and "Base" come last.
class LocalizedStrings {
 public:
  // The text for `key`; when the table has none, `value` when it is not empty, else the key itself.
  // An empty table name means "Localizable".
  static std::string localizedString(const std::string& key, const std::string& value = {},
                                     const std::string& table = {});

  // Languages to look for, best first; empty returns to the environment's ($LANGUAGE, $LANG).
  static void setPreferredLanguages(std::vector<std::string> languages);
  static std::vector<std::string> preferredLanguages();
  // Forgets the tables read so far (after the bundle or the language changed).
  static void reload();

  // A table in the classic strings format; nullopt (and nothing else) when the text is malformed.
  static std::optional<std::map<std::string, std::string>> parseStrings(const std::string& text);
};

}  // namespace platform::ui
