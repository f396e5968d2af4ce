#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "platform/log/FailureSeries.h"
#include "sdk/installations/ServiceClient.h"
#include "sdk/installations/BackoffController.h"
#include "sdk/installations/LegacyInstanceIDStore.h"
#include "sdk/installations/LegacyInstanceIDTokenStore.h"
#include "sdk/installations/InstallationItem.h"
#include "sdk/installations/SingleOperationPromiseCache.h"
#include "sdk/installations/InstallationStore.h"
#include "sdk/promises/Promise.h"

namespace sdk::installations {

inline constexpr const char* kInstallationIDDidChangeNotification = "VURInstallationIDDidChangeNotification";

// The life of one app's installation: found in the store or created (the default app takes over a
// legacy identifier), registered with the service, kept with a valid auth token, throttled after
// failures, deleted on request. Every operation is single-flight: concurrent callers share one
// promise, so one registration or token request serves them all.
class IDController : public std::enable_shared_from_this<IDController> {
 public:
  using Ptr = std::shared_ptr<IDController>;

  static constexpr const char* kKeychainService = "com.vurevore.VURInstallations.installations";
  // A token with less than this left is refreshed before it is handed out.
  static constexpr double kTokenExpirationThreshold = 3600;

  static Ptr initWithAppID(const std::string& appID, const std::string& appName, const std::string& APIKey,
                                 const std::string& projectID, const std::string& GCMSenderID,
                                 const std::optional<std::string>& accessGroup, const std::string& serviceURL);
  static Ptr initWithAppID(const std::string& appID, const std::string& appName,
                                 std::shared_ptr<InstallationStore> installationsStore,
                                 std::shared_ptr<ServiceClient> APIService,
                                 std::shared_ptr<LegacyInstanceIDStore> IIDStore,
                                 std::shared_ptr<LegacyInstanceIDTokenStore> IIDTokenStore,
                                 std::shared_ptr<BackoffPolicy> backoffController);
  static std::string keychainServiceWithAppID(const std::string&) { return kKeychainService; }

  // Each fulfils with a InstallationItem (deleteInstallation with null), or rejects.
  sdk::promises::Promise::Ptr getInstallationItem();
  sdk::promises::Promise::Ptr getAuthTokenForcingRefresh(bool forceRefresh);
  sdk::promises::Promise::Ptr deleteInstallation();

  const std::string& appName() const { return appName_; }

  struct Private {
    explicit Private() = default;
  };
  IDController(Private, std::string appID, std::string appName,
                               std::shared_ptr<InstallationStore> installationsStore,
                               std::shared_ptr<ServiceClient> APIService,
                               std::shared_ptr<LegacyInstanceIDStore> IIDStore,
                               std::shared_ptr<LegacyInstanceIDTokenStore> IIDTokenStore,
                               std::shared_ptr<BackoffPolicy> backoffController);

 private:
  bool isDefaultApp() const;
  sdk::promises::Promise::Ptr createGetInstallationItemPromise();
  sdk::promises::Promise::Ptr getStoredInstallation();
  sdk::promises::Promise::Ptr createAndSaveFID();
  sdk::promises::Promise::Ptr migrateOrGenerateInstallation();
  InstallationItem::Ptr createInstallationWithFID(const std::string& FID,
                                                      const std::optional<std::string>& IIDDefaultToken) const;
  sdk::promises::Promise::Ptr saveInstallation(const InstallationItem::Ptr& item);
  sdk::promises::Promise::Ptr registerInstallationIfNeeded(const InstallationItem::Ptr& item);
  sdk::promises::Promise::Ptr installationWithValidAuthTokenForcingRefresh(bool forceRefresh);
  sdk::promises::Promise::Ptr refreshAuthTokenForInstallation(const InstallationItem::Ptr& item);
  sdk::promises::Promise::Ptr regenerateFIDOnRefreshTokenErrorIfNeeded(const platform::foundation::Error& error);
  // A 401 or 404 to a token request: the service no longer knows the installation's refresh token.
  static bool isRefreshTokenRefusal(const platform::foundation::Error& error);
  sdk::promises::Promise::Ptr createDeleteInstallationPromise();
  sdk::promises::Promise::Ptr mostRecentInstallationOperation();
  sdk::promises::Promise::Ptr sendDeleteInstallationRequestIfNeeded(const InstallationItem::Ptr& item);
  sdk::promises::Promise::Ptr deleteInstallationLocally(const InstallationItem::Ptr& item);
  sdk::promises::Promise::Ptr deleteExistingIIDIfNeeded();
  void updateBackoffWithSuccess(bool success, const std::optional<platform::foundation::Error>& error);
  // The failure that begins a series is logged at warning level with what happens next; the success
  // that ends a series says so.
  void reportRequestFailure(const platform::foundation::Error& error);
  void reportRequestSuccess();
  void postFIDDidChangeNotification() const;

  std::string appID_;
  std::string appName_;
  std::shared_ptr<InstallationStore> installationsStore_;
  std::shared_ptr<LegacyInstanceIDStore> IIDStore_;
  std::shared_ptr<LegacyInstanceIDTokenStore> IIDTokenStore_;
  std::shared_ptr<ServiceClient> APIService_;
  std::shared_ptr<BackoffPolicy> backoffController_;
  platform::log::FailureSeries requestFailures_;
  // Set when a refused refresh token made the installation anew, until a token is handed out: while
  // set, a refusal fails the call and is backed off like any failure instead of starting over again.
  std::atomic<bool> installationRecreatedWithoutToken_{false};
  std::unique_ptr<SingleOperationPromiseCache> getInstallationPromiseCache_;
  std::unique_ptr<SingleOperationPromiseCache> authTokenPromiseCache_;
  std::unique_ptr<SingleOperationPromiseCache> authTokenForcingRefreshPromiseCache_;
  std::unique_ptr<SingleOperationPromiseCache> deleteInstallationPromiseCache_;
};

}  // namespace sdk::installations

