#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/Error.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/runtime/Class.h"
#include "platform/runtime/Selector.h"
#include "sdk/core/ComponentContainer.h"
#include "sdk/core/AppOptions.h"
#include "sdk/core/UserAgent.h"
#include "sdk/core/AnalyticsConfiguration.h"

namespace sdk::core {

// The SDK's configured app: a name, a locked copy of the options and the container of the SDK
// libraries' services for it. The app calls configure() once, first of all, when launching
// finishes; libraries have registered themselves at load time before that.
//
// One recursive class-wide lock guards the apps, the default app, the libraries to configure and the
// whole configure sequence after the name checks (core configuration, eager components, the ready
// notification and the libraries' configureWithApp:). Observers of the ready notification and eager
// creation blocks therefore run under it: they may call back into App on their own thread, but
// must not wait for another thread that does.
class App : public std::enable_shared_from_this<App> {
 public:
  using Ptr = std::shared_ptr<App>;
  using Error = platform::foundation::Error;

  static constexpr const char* kDefaultAppName = "__REDIRI_DEFAULT";
  static constexpr const char* kOptionsResource = "VadezeService-Info";
  static constexpr const char* kExceptionName = "com.vurevore.core";
  static constexpr const char* kErrorDomain = "com.vurevore.core";
  static constexpr std::int64_t kErrorCodeMissingOptions = -100;
  static constexpr std::int64_t kErrorCodeInvalidAppID = -101;

  static constexpr const char* kReadyToConfigureSDKNotification = "REDIriReadyToConfigureSDKNotification";
  static constexpr const char* kDeleteNotification = "REDIriDeleteNotification";
  static constexpr const char* kNameKey = "REDIriNameKey";
  static constexpr const char* kIsDefaultAppKey = "REDIriIsDefaultAppKey";
  static constexpr const char* kAppIDKey = "VURVadezeAppIDKey";
  static constexpr const char* kDataCollectionKeyFormat = "/vadeze/vurevore/global_data_collection_enabled:%@";
  static constexpr const char* kDataCollectionInfoKey = "VurevoreDataCollectionDefaultEnabled";

  // Raises (kExceptionName) when the bundle has no options file that reads as a dictionary.
  static void configure();
  static void configureWithOptions(const AppOptions::Ptr& options);
  // Raises on an empty name, a name of other than letters, digits, "-" and "_", a name configured
  // before (outside an app extension), or options whose app ID is invalid; nothing is kept then.
  static void configureWithName(const std::string& name, const AppOptions::Ptr& options);

  // nullptr with an error line when there is none.
  static Ptr defaultApp();
  // The same without the line, for callers that only ask.
  static Ptr defaultAppIfConfigured();
  static Ptr appNamed(const std::string& name);
  // nullopt (with an error line) before any app was configured.
  static std::optional<std::map<std::string, Ptr>> allApps();
  // Forgets every app and the libraries' user-agent entries.
  static void resetApps();
  static bool isDefaultAppConfigured();

  // `library` must adopt "VURLibrary" and answer "componentsToRegister", else
  // NSInvalidArgumentException. Its components join every app configured later; its name and
  // version join the user agent.
  static void registerInternalLibrary(platform::runtime::Class* library, const std::string& name);
  static void registerInternalLibrary(platform::runtime::Class* library, const std::string& name,
                                      const std::string& version);
  static void registerLibrary(const std::string& name, const std::string& version);

  static UserAgent& userAgent();
  static std::string userAgentString();
  static std::string actualBundleID();

  // "1:<digits>:ios:<hex>" is a valid version-1 app ID; IDs of another version pass with a note.
  [[nodiscard]] static bool validateAppID(const std::string& appID);
  [[nodiscard]] static bool validateAppIDFormat(const std::string& appID, const std::string& version);
  [[nodiscard]] static bool validateAppIDFingerprint(const std::string& appID, const std::string& version);

  static Error errorForMissingOptions();
  static Error errorForInvalidAppID();

  static std::optional<bool> readDataCollectionSwitchFromUserDefaultsForApp(const App& app);
  static std::optional<bool> readDataCollectionSwitchFromPlist();

  // The object notifications of this class are posted with.
  static const void* notificationSender();

  const std::string& name() const { return name_; }
  bool isDefaultApp() const { return isDefaultApp_; }
  const std::shared_ptr<ComponentContainer>& container() const { return container_; }
  // A fresh copy of the locked options each time.
  AppOptions::Ptr options() const { return options_->copy(); }

  // Calls the completion, on this thread, with whether the app was configured and is now gone.
  void deleteApp(const std::function<void(bool)>& completion);

  // The stored choice, else Info.plist's "VurevoreDataCollectionDefaultEnabled", else on.
  bool isDataCollectionDefaultEnabled() const;
  void setDataCollectionDefaultEnabled(bool enabled);

  struct Private {
    explicit Private() = default;
  };
  App(Private, std::string name, const AppOptions::Ptr& options);

 private:
  static Ptr initInstanceWithName(const std::string& name, const AppOptions::Ptr& options);
  static void appWasConfiguredTwice(const Ptr& app, const AppOptions::Ptr& options);
  static void addAppToAppDictionary(const Ptr& app);
  static void sendNotificationsToSDKs(const Ptr& app);
  [[nodiscard]] bool configureCore();
  void checkExpectedBundleID() const;
  bool isAppIDValid() const;
  void appDidBecomeActive();
  std::string dataCollectionKey() const;

  bool isDefaultApp_;
  AppOptions::Ptr options_;
  std::string name_;
  std::shared_ptr<ComponentContainer> container_;
  platform::foundation::NotificationCenter::Observation didBecomeActive_;
};

// Class methods the core sends by name, so that it needs neither analytics nor diagnostics linked:
// "ZEDIvadazudo" starts analytics for the default app, "VURCoreDiagnosticsConnector" sends the
// diagnostics of an activation.
inline constexpr platform::runtime::Selector<void(const std::shared_ptr<AnalyticsConfiguration>&,
                                                  const AppOptions::Ptr&)>
    kStartAnalyticsWithConfigurationOptions{"startWithConfiguration:options:"};
inline constexpr platform::runtime::Selector<void(const AppOptions::Ptr&)> kLogCoreTelemetryWithOptions{
    "logCoreTelemetryWithOptions:"};

}  // namespace sdk::core

