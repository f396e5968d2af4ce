#pragma once

#include <string>

namespace platform::foundation {

// The country of the person's locale ("US", "DE"), as the locale settings of the environment give it:
// LC_ALL, then LC_MEASUREMENT, then LANG, each of the form language_COUNTRY[.codeset][@modifier].
// Empty when none names a country ("C", "POSIX", unset).
class CurrentRegion {
 public:
  static std::string countryCode();
  // Puts a country in place of the environment's (tests, the headless runner); empty returns to the
  // environment. Returns the previous override.
  static std::string setOverride(const std::string& countryCode);
  // The country part of one locale name; empty when it has none.
  static std::string countryOf(const std::string& localeName);
};

}  // namespace platform::foundation
