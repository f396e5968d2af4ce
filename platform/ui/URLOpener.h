#pragma once

#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace platform::ui {

// Opening URLs outside the app (the store page, the contact page, mail links). Every URL the app
// opens is recorded; a handler (the desktop window's, which hands the URL to the desktop only when
// the person asks) may act on it too. Without a handler nothing leaves the process.
class URLOpener {
 public:
  using Handler = std::function<bool(const std::string& url)>;

  // Whether the URL is well formed and its scheme one the system can open (http, https and mailto
  // unless changed).
  static bool canOpenURL(const std::string& url);
  // Records the URL and hands it to the handler; `completion` hears whether it was opened. A URL
  // that cannot be opened is not recorded.
  static void openURL(const std::string& url, const std::function<void(bool success)>& completion = {});

  static std::vector<std::string> openedURLs();
  static void clearOpenedURLs();
  static void setHandler(Handler handler);
  static void setOpenableSchemes(std::set<std::string> schemes);
};

}  // namespace platform::ui
