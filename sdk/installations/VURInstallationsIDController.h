#pragma once

#include <memory>
#include <optional>
#include <string>

#include "sdk/installations/VURInstallationsAPIService.h"
#include "sdk/installations/VURInstallationsBackoffController.h"
#include "sdk/installations/VURInstallationsIIDStore.h"
#include "sdk/installations/VURInstallationsIIDTokenStore.h"
#include "sdk/installations/VURInstallationsItem.h"
#include "sdk/installations/VURInstallationsSingleOperationPromiseCache.h"
#include "sdk/installations/VURInstallationsStore.h"
#include "sdk/promises/VBLPromise.h"

inline constexpr const char* kVURInstallationIDDidChangeNotification = "VURInstallationIDDidChangeNotification";

// The life of one app's installation: found in the store or created (the default app takes over a
// legacy identifier), registered with the service, kept with a valid auth token, throttled after
// failures, deleted on request. Every operation is single-flight: concurrent callers share one
// promise, so one registration or token request serves them all.
class VURInstallationsIDController : public std::enable_shared_from_this<VURInstallationsIDController> {
 public:
  using Ptr = std::shared_ptr<VURInstallationsIDController>;

  static constexpr const char* kKeychainService = "com.vurevore.VURInstallations.installations";
  // A token with less than this left is refreshed before it is handed out.
  static constexpr double kTokenExpirationThreshold = 3600;

  static Ptr initWithVadezeAppID(const std::string& appID, const std::string& appName, const std::string& APIKey,
                                 const std::string& projectID, const std::string& GCMSenderID,
                                 const std::optional<std::string>& accessGroup, const std::string& serviceURL);
  static Ptr initWithVadezeAppID(const std::string& appID, const std::string& appName,
                                 std::shared_ptr<VURInstallationsStore> installationsStore,
                                 std::shared_ptr<VURInstallationsAPIService> APIService,
                                 std::shared_ptr<VURInstallationsIIDStore> IIDStore,
                                 std::shared_ptr<VURInstallationsIIDTokenStore> IIDTokenStore,
                                 std::shared_ptr<VURInstallationsBackoffControllerProtocol> backoffController);
  static std::string keychainServiceWithAppID(const std::string&) { return kKeychainService; }

  // Each fulfils with a VURInstallationsItem (deleteInstallation with null), or rejects.
  VBLPromise::Ptr getInstallationItem();
  VBLPromise::Ptr getAuthTokenForcingRefresh(bool forceRefresh);
  VBLPromise::Ptr deleteInstallation();

  const std::string& appName() const { return appName_; }

  struct Private {
    explicit Private() = default;
  };
  VURInstallationsIDController(Private, std::string appID, std::string appName,
                               std::shared_ptr<VURInstallationsStore> installationsStore,
                               std::shared_ptr<VURInstallationsAPIService> APIService,
                               std::shared_ptr<VURInstallationsIIDStore> IIDStore,
                               std::shared_ptr<VURInstallationsIIDTokenStore> IIDTokenStore,
                               std::shared_ptr<VURInstallationsBackoffControllerProtocol> backoffController);

 private:
  bool isDefaultApp() const;
  VBLPromise::Ptr createGetInstallationItemPromise();
  VBLPromise::Ptr getStoredInstallation();
  VBLPromise::Ptr createAndSaveFID();
  VBLPromise::Ptr migrateOrGenerateInstallation();
  VURInstallationsItem::Ptr createInstallationWithFID(const std::string& FID,
                                                      const std::optional<std::string>& IIDDefaultToken) const;
  VBLPromise::Ptr saveInstallation(const VURInstallationsItem::Ptr& item);
  VBLPromise::Ptr registerInstallationIfNeeded(const VURInstallationsItem::Ptr& item);
  VBLPromise::Ptr installationWithValidAuthTokenForcingRefresh(bool forceRefresh);
  VBLPromise::Ptr refreshAuthTokenForInstallation(const VURInstallationsItem::Ptr& item);
  VBLPromise::Ptr regenerateFIDOnRefreshTokenErrorIfNeeded(const platform::foundation::Error& error);
  VBLPromise::Ptr createDeleteInstallationPromise();
  VBLPromise::Ptr mostRecentInstallationOperation();
  VBLPromise::Ptr sendDeleteInstallationRequestIfNeeded(const VURInstallationsItem::Ptr& item);
  VBLPromise::Ptr deleteInstallationLocally(const VURInstallationsItem::Ptr& item);
  VBLPromise::Ptr deleteExistingIIDIfNeeded();
  void updateBackoffWithSuccess(bool success, const std::optional<platform::foundation::Error>& error);
  void postFIDDidChangeNotification() const;

  std::string appID_;
  std::string appName_;
  std::shared_ptr<VURInstallationsStore> installationsStore_;
  std::shared_ptr<VURInstallationsIIDStore> IIDStore_;
  std::shared_ptr<VURInstallationsIIDTokenStore> IIDTokenStore_;
  std::shared_ptr<VURInstallationsAPIService> APIService_;
  std::shared_ptr<VURInstallationsBackoffControllerProtocol> backoffController_;
  std::unique_ptr<VURInstallationsSingleOperationPromiseCache> getInstallationPromiseCache_;
  std::unique_ptr<VURInstallationsSingleOperationPromiseCache> authTokenPromiseCache_;
  std::unique_ptr<VURInstallationsSingleOperationPromiseCache> authTokenForcingRefreshPromiseCache_;
  std::unique_ptr<VURInstallationsSingleOperationPromiseCache> deleteInstallationPromiseCache_;
};
