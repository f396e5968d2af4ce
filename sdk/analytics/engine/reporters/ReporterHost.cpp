#include "sdk/analytics/engine/reporters/ReporterHost.h"

#include <mutex>

#include "sdk/analytics/engine/Analytics.h"

namespace sdk::analytics {

namespace {

class FacadeReporterHost final : public ReporterHost {
 public:
  void logInternalEvent(const std::string& origin, const std::string& name, const Dictionary& parameters,
                        std::optional<double> timestamp) override {
    if (timestamp) {
      Analytics::logInternalEventWithOrigin(origin, name, *timestamp, parameters);
    } else {
      Analytics::logInternalEventWithOrigin(origin, name, parameters);
    }
  }
  void setInternalUserProperty(const Value& value, const std::string& name, const std::string& origin) override {
    Analytics::sharedInstance().setInternalUserProperty(value, name, origin);
  }
  bool isAppActive() override { return isApplicationActive(); }
};

struct Installed {
  std::mutex mutex;
  std::shared_ptr<ReporterHost> host;
};

// Never destroyed: reporters log from queued work that may run while the process exits.
Installed& installed() {
  static auto* value = new Installed;
  return *value;
}

}  // namespace

std::shared_ptr<ReporterHost> ReporterHost::current() {
  static const auto facadeHost = std::make_shared<FacadeReporterHost>();
  std::lock_guard lock(installed().mutex);
  return installed().host ? installed().host : facadeHost;
}

void ReporterHost::setCurrent(std::shared_ptr<ReporterHost> host) {
  std::lock_guard lock(installed().mutex);
  installed().host = std::move(host);
}

}  // namespace sdk::analytics

