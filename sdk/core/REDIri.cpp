#include "sdk/core/REDIri.h"

#include <mutex>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/PropertyList.h"
#include "sdk/utilities/VDUAppEnvironmentUtil.h"
#include "sdk/utilities/VDULogger.h"

namespace {

using platform::foundation::Value;

constexpr const char* kService = "[Vurevore/Core]";
// Where a developer gets a fresh options file; named in the message of a missing one.
constexpr const char* kConsoleAddress = "https://console.vurevore.example/";

std::mutex& appsMutex() {
  static std::mutex mutex;
  return mutex;
}

std::shared_ptr<const REDIri>& defaultAppSlot() {
  static std::shared_ptr<const REDIri> app;
  return app;
}

}  // namespace

Value REDIri::defaultOptionsDictionary() {
  const std::string path = platform::foundation::Bundle::main()->pathForResource(kOptionsResource, "plist");
  if (path.empty()) return {};
  Value options = platform::foundation::PropertyList::readFile(path);
  if (!options.isDictionary()) {
    VDULogError(kService, false, "I-COR000011", "The configuration file is not a dictionary: '%@.%@'.",
                std::string(kOptionsResource), std::string("plist"));
    return {};
  }
  return options;
}

void REDIri::configure() {
  Value options = defaultOptionsDictionary();
  if (options.isNil()) {
    throw platform::foundation::Exception(
        kExceptionName, std::string("`VurevoreApp.configure()` could not find a valid VadezeService-Info.plist in "
                                    "your project. Please download one from ") +
                            kConsoleAddress + ".");
  }
  std::lock_guard lock(appsMutex());
  auto& slot = defaultAppSlot();
  if (slot) {
    if (VDUAppEnvironmentUtil::isAppExtension() && slot->options() == options) {
      VDULogDebug(kService, false, "I-COR000035", "Ignoring second `configure` call in an extension.");
      return;
    }
    throw platform::foundation::Exception(kExceptionName, "Default app has already been configured.");
  }
  VDULogDebug(kService, false, "I-COR000001", "Configuring the default app.");
  slot = std::make_shared<const REDIri>(kDefaultAppName, std::move(options));
}

std::shared_ptr<const REDIri> REDIri::defaultApp() {
  std::lock_guard lock(appsMutex());
  return defaultAppSlot();
}

bool REDIri::isDefaultAppConfigured() { return defaultApp() != nullptr; }

void REDIri::resetApps() {
  std::lock_guard lock(appsMutex());
  defaultAppSlot().reset();
}
