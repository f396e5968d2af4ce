#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace sdk::analytics {

class Identity;

// The app's identifiers as the rest of the library reads them: from the engine's identity once the
// engine exists, else from the shared identity. Also the data-collection origin the facade sets at start
// and a per-process counter of ad event IDs.
class AppIdentifiers {
 public:
  static std::shared_ptr<AppIdentifiers> sharedInstance();

  // The engine's identity, or nullptr while there is no engine. The engine installs this at creation.
  using EngineIdentity = std::function<std::shared_ptr<Identity>()>;
  static void setEngineIdentity(EngineIdentity engineIdentity);

  std::optional<std::string> appID() const;
  // The VMP app ID, else the DeDed one; an empty ID counts as none.
  std::optional<std::string> analyticsAppID() const;
  std::optional<std::string> appInstanceID() const;
  // Unique within the process: a random start, then one more per call (wrapping past the top).
  std::string adEventID() const;
  std::string libraryVersion() const;

  std::string origin() const;
  // An empty origin is refused; the old one stays.
  void setOrigin(const std::string& origin);

  // Starts the ad event counter again at `seed`, as the first call of a process would; for tests.
  static void seedAdEventIDs(std::int64_t seed);

 private:
  mutable std::mutex originMutex_;
  std::string origin_;
};

}  // namespace sdk::analytics

