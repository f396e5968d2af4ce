#include "platform/ui/URLOpener.h"

#include <algorithm>
#include <cctype>

namespace platform::ui {
namespace {

struct State {
  std::mutex mutex;
  std::vector<std::string> opened;
  URLOpener::Handler handler;
  std::set<std::string> schemes{"http", "https", "mailto"};
};

State& state() {
  static State s;
  return s;
}

// The scheme in lower case, or "" when the text has none or holds what no URL may (spaces, control
// characters), so nothing odd reaches a handler that passes it on.
std::string schemeOf(const std::string& url) {
  if (url.empty() || std::any_of(url.begin(), url.end(), [](unsigned char c) { return c <= ' ' || c == 0x7f; })) {
    return {};
  }
  size_t colon = url.find(':');
  if (colon == std::string::npos || colon == 0 || !std::isalpha(static_cast<unsigned char>(url[0]))) return {};
  std::string scheme = url.substr(0, colon);
  for (char& c : scheme) {
    auto u = static_cast<unsigned char>(c);
    if (!std::isalnum(u) && c != '+' && c != '-' && c != '.') return {};
    c = static_cast<char>(std::tolower(u));
  }
  if ((scheme == "http" || scheme == "https") && url.compare(colon, 3, "://") != 0) return {};
  if ((scheme == "http" || scheme == "https") && url.size() == colon + 3) return {};
  return scheme;
}

}  // namespace

bool URLOpener::canOpenURL(const std::string& url) {
  std::string scheme = schemeOf(url);
  std::lock_guard lock(state().mutex);
  return !scheme.empty() && state().schemes.count(scheme) > 0;
}

void URLOpener::openURL(const std::string& url, const std::function<void(bool)>& completion) {
  bool ok = canOpenURL(url);
  Handler handler;
  if (ok) {
    std::lock_guard lock(state().mutex);
    state().opened.push_back(url);
    handler = state().handler;
  }
  if (ok && handler) ok = handler(url);
  if (completion) completion(ok);
}

std::vector<std::string> URLOpener::openedURLs() {
  std::lock_guard lock(state().mutex);
  return state().opened;
}

void URLOpener::clearOpenedURLs() {
  std::lock_guard lock(state().mutex);
  state().opened.clear();
}

void URLOpener::setHandler(Handler handler) {
  std::lock_guard lock(state().mutex);
  state().handler = std::move(handler);
}

void URLOpener::setOpenableSchemes(std::set<std::string> schemes) {
  std::lock_guard lock(state().mutex);
  state().schemes = std::move(schemes);
}

}  // namespace platform::ui
