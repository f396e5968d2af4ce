#include "platform/foundation/CurrentRegion.h"

#include <cctype>
#include <cstdlib>
#include <mutex>

namespace platform::foundation {

namespace {

std::mutex gMutex;
std::string gOverride;

}  // namespace

std::string CurrentRegion::countryOf(const std::string& localeName) {
  const size_t underscore = localeName.find('_');
  if (underscore == std::string::npos) return {};
  const size_t end = localeName.find_first_of(".@", underscore);
  std::string country =
      localeName.substr(underscore + 1, end == std::string::npos ? std::string::npos : end - underscore - 1);
  for (char& c : country) {
    if (!std::isalnum(static_cast<unsigned char>(c))) return {};
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return country;
}

std::string CurrentRegion::countryCode() {
  {
    std::lock_guard lock(gMutex);
    if (!gOverride.empty()) return gOverride;
  }
  // The first variable that is set decides, as it does for the C library.
  for (const char* name : {"LC_ALL", "LC_MEASUREMENT", "LANG"}) {
    const char* value = std::getenv(name);
    if (value && *value) return countryOf(value);
  }
  return {};
}

std::string CurrentRegion::setOverride(const std::string& countryCode) {
  std::lock_guard lock(gMutex);
  std::string previous = std::move(gOverride);
  gOverride = countryCode;
  return previous;
}

}  // namespace platform::foundation
