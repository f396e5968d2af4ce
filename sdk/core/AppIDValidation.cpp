// The app-ID grammar. A version-1 ID reads "1:<decimal digits>:ios:<hexadecimal digits>"; an ID of
// another version is passed on with a note, since a newer SDK may know its form.
#include <cctype>
#include <string_view>
#include <vector>

#include "sdk/core/App.h"
#include "sdk/core/CoreLogger.h"
#include "sdk/core/CoreMessageCodes.h"

namespace sdk::core {

namespace {

// A cursor over the text that never skips anything.
struct Scanner {
  std::string_view text;
  std::size_t at = 0;

  bool atEnd() const { return at >= text.size(); }
  bool literal(std::string_view word) {
    if (text.substr(at, word.size()) != word) return false;
    at += word.size();
    return true;
  }
  bool run(int (*accept)(int)) {
    const std::size_t start = at;
    while (at < text.size() && accept(static_cast<unsigned char>(text[at]))) ++at;
    return at > start;
  }
  std::string_view upTo(char stop) {
    const std::size_t start = at;
    while (at < text.size() && text[at] != stop) ++at;
    return text.substr(start, at - start);
  }
  bool integer() {
    if (!atEnd() && (text[at] == '+' || text[at] == '-')) ++at;
    return run(isdigit);
  }
  bool hexadecimal() {
    const std::size_t start = at;
    if (literal("0x") || literal("0X")) {
      if (run(isxdigit)) return true;
      at = start;  // "0x" alone is the number 0 followed by an "x"
    }
    return run(isxdigit);
  }
};

std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

}  // namespace

bool App::validateAppID(const std::string& appID) {
  if (appID.empty()) return false;
  Scanner scanner{appID};
  if (!scanner.run(isdigit)) return false;
  const std::string version(appID.substr(0, scanner.at));
  if (!scanner.literal(":")) return false;
  if (version != "1") {
    coreLogInfo("[Vurevore/Core]", messages::kAppIDVersionUnknown, "Unknown VADEZE_APP_ID version: %@", version);
    return true;
  }
  return validateAppIDFormat(appID, version) && validateAppIDFingerprint(appID, version);
}

bool App::validateAppIDFormat(const std::string& appID, const std::string& version) {
  if (appID.empty() || version.empty()) return false;
  Scanner scanner{appID};
  return scanner.literal(version) && scanner.literal(":") && scanner.integer() && scanner.literal(":") &&
         scanner.upTo(':') == "ios" && scanner.literal(":") && scanner.hexadecimal() && scanner.atEnd();
}

bool App::validateAppIDFingerprint(const std::string& appID, const std::string& version) {
  const auto parts = split(appID, ':');
  if (parts.size() != 4 || parts[3].empty()) return false;
  Scanner fingerprint{parts[3]};
  return fingerprint.hexadecimal() && version == "1";
}

}  // namespace sdk::core

