#include "sdk/installations/IDController.h"

#include <cmath>

#include "platform/foundation/Clock.h"
#include "platform/foundation/NotificationCenter.h"
#include "sdk/core/App.h"
#include "sdk/core/CoreLogger.h"
#include "sdk/installations/InstallationsErrors.h"
#include "sdk/installations/InstallationsHTTPError.h"
#include "sdk/installations/InstallationsMessageCodes.h"
#include "sdk/installations/InstallationsShared.h"

namespace sdk::installations {

using platform::foundation::Array;
using platform::foundation::Error;
using platform::foundation::Value;

using sdk::installations::kLogService;

namespace {

InstallationItem::Ptr itemOf(const Value& value) { return value.objectAs<InstallationItem>(); }

}  // namespace

IDController::Ptr IDController::initWithAppID(
    const std::string& appID, const std::string& appName, const std::string& APIKey, const std::string& projectID,
    const std::string& GCMSenderID, const std::optional<std::string>& accessGroup, const std::string& serviceURL) {
  auto secureStorage = std::make_shared<sdk::utilities::KeychainStorage>(keychainServiceWithAppID(appID));
  return initWithAppID(appID, appName, std::make_shared<InstallationStore>(secureStorage, accessGroup),
                             std::make_shared<ServiceClient>(APIKey, projectID, serviceURL),
                             std::make_shared<LegacyInstanceIDStore>(),
                             std::make_shared<LegacyInstanceIDTokenStore>(GCMSenderID),
                             std::make_shared<BackoffController>());
}

IDController::Ptr IDController::initWithAppID(
    const std::string& appID, const std::string& appName, std::shared_ptr<InstallationStore> installationsStore,
    std::shared_ptr<ServiceClient> APIService, std::shared_ptr<LegacyInstanceIDStore> IIDStore,
    std::shared_ptr<LegacyInstanceIDTokenStore> IIDTokenStore,
    std::shared_ptr<BackoffPolicy> backoffController) {
  auto controller = std::make_shared<IDController>(
      Private(), appID, appName, std::move(installationsStore), std::move(APIService), std::move(IIDStore),
      std::move(IIDTokenStore), std::move(backoffController));
  std::weak_ptr<IDController> weak = controller;
  auto handler = [weak](auto operation) {
    return [weak, operation]() -> sdk::promises::Promise::Ptr {
      auto self = weak.lock();
      if (!self) {
        return InstallationsErrors::rejectedPromiseWithError(
            InstallationsErrors::installationsErrorWithCode(0, "The installations controller is gone.", std::nullopt));
      }
      return operation(*self);
    };
  };
  controller->getInstallationPromiseCache_ = std::make_unique<SingleOperationPromiseCache>(
      handler([](IDController& c) { return c.createGetInstallationItemPromise(); }));
  controller->authTokenPromiseCache_ = std::make_unique<SingleOperationPromiseCache>(
      handler([](IDController& c) { return c.installationWithValidAuthTokenForcingRefresh(false); }));
  controller->authTokenForcingRefreshPromiseCache_ = std::make_unique<SingleOperationPromiseCache>(
      handler([](IDController& c) { return c.installationWithValidAuthTokenForcingRefresh(true); }));
  controller->deleteInstallationPromiseCache_ = std::make_unique<SingleOperationPromiseCache>(
      handler([](IDController& c) { return c.createDeleteInstallationPromise(); }));
  return controller;
}

IDController::IDController(
    Private, std::string appID, std::string appName, std::shared_ptr<InstallationStore> installationsStore,
    std::shared_ptr<ServiceClient> APIService, std::shared_ptr<LegacyInstanceIDStore> IIDStore,
    std::shared_ptr<LegacyInstanceIDTokenStore> IIDTokenStore,
    std::shared_ptr<BackoffPolicy> backoffController)
    : appID_(std::move(appID)),
      appName_(std::move(appName)),
      installationsStore_(std::move(installationsStore)),
      IIDStore_(std::move(IIDStore)),
      IIDTokenStore_(std::move(IIDTokenStore)),
      APIService_(std::move(APIService)),
      backoffController_(std::move(backoffController)) {}

bool IDController::isDefaultApp() const { return appName_ == sdk::core::App::kDefaultAppName; }

// --- public operations ----------------------------------------------------------------------------

sdk::promises::Promise::Ptr IDController::getInstallationItem() {
  return getInstallationPromiseCache_->getExistingPendingOrCreateNewPromise();
}

sdk::promises::Promise::Ptr IDController::getAuthTokenForcingRefresh(bool forceRefresh) {
  if (forceRefresh) return authTokenForcingRefreshPromiseCache_->getExistingPendingOrCreateNewPromise();
  // A forced refresh already running satisfies a plain request too.
  if (auto forced = authTokenForcingRefreshPromiseCache_->getExistingPendingPromise()) return forced;
  return authTokenPromiseCache_->getExistingPendingOrCreateNewPromise();
}

sdk::promises::Promise::Ptr IDController::deleteInstallation() {
  return deleteInstallationPromiseCache_->getExistingPendingOrCreateNewPromise();
}

// --- get or create --------------------------------------------------------------------------------

sdk::promises::Promise::Ptr IDController::createGetInstallationItemPromise() {
  sdk::core::coreLogDebug(kLogService, messages::kGetInstallationItemStarted, "%s, appName: %@", "-[VURInstallationsIDController createGetInstallationItemPromise]",
              appName_);
  auto self = shared_from_this();
  sdk::promises::Promise::Ptr item =
      getStoredInstallation()->recover([self](const Error&) { return Value(self->createAndSaveFID()); });
  // Registration and the first token follow in the background; their result is not waited for.
  item->then([self](const Value& value) {
    (void)self->getAuthTokenForcingRefresh(false);
    return value;
  });
  return item;
}

sdk::promises::Promise::Ptr IDController::getStoredInstallation() {
  return installationsStore_->installationForAppID(appID_, appName_)->then([](const Value& value) {
    auto item = itemOf(value);
    auto valid = item ? item->isValid()
                      : InstallationsErrors::installationsErrorWithCode(0, "No stored installation.", std::nullopt);
    if (valid) return value;
    const Error& error = valid.error();
    sdk::core::coreLogWarning(kLogService, messages::kStoredInstallationInvalid, "Stored installation validation error: %@", error.description());
    return sdk::promises::valueWithError(error);
  });
}

sdk::promises::Promise::Ptr IDController::createAndSaveFID() {
  auto self = shared_from_this();
  return migrateOrGenerateInstallation()
      ->then([self](const Value& value) { return Value(self->saveInstallation(itemOf(value))); })
      ->then([self](const Value& value) {
        self->postFIDDidChangeNotification();
        return value;
      });
}

sdk::promises::Promise::Ptr IDController::migrateOrGenerateInstallation() {
  auto self = shared_from_this();
  if (!isDefaultApp()) return sdk::promises::Promise::resolvedWith(Value(createInstallationWithFID(InstallationItem::generateFID(), std::nullopt)));
  return sdk::promises::Promise::all(Array{Value(IIDStore_->existingIID()), Value(IIDTokenStore_->existingIIDDefaultToken())})
      ->then([self](const Value& results) {
        return Value(self->createInstallationWithFID(results.at(0).toString(), results.at(1).toString()));
      })
      ->recover([self](const Error&) {
        return Value(self->createInstallationWithFID(InstallationItem::generateFID(), std::nullopt));
      });
}

InstallationItem::Ptr IDController::createInstallationWithFID(
    const std::string& FID, const std::optional<std::string>& IIDDefaultToken) const {
  auto item = std::make_shared<InstallationItem>(appID_, appName_);
  item->coreInstallationID = FID;
  item->IIDDefaultToken = IIDDefaultToken;
  item->registrationStatus = InstallationItem::kUnregistered;
  return item;
}

sdk::promises::Promise::Ptr IDController::saveInstallation(const InstallationItem::Ptr& item) {
  return installationsStore_->saveInstallation(item)->then([item](const Value&) { return Value(item); });
}

// --- registration and tokens ----------------------------------------------------------------------

sdk::promises::Promise::Ptr IDController::registerInstallationIfNeeded(const InstallationItem::Ptr& item) {
  if (item->registrationStatus == InstallationItem::kRegistered) return sdk::promises::Promise::resolvedWith(Value(item));
  if (!backoffController_->isNextRequestAllowed()) {
    return InstallationsErrors::rejectedPromiseWithError(InstallationsErrors::backoffIntervalWaitError());
  }
  auto self = shared_from_this();
  const std::string sentFID = item->coreInstallationID;
  return APIService_->registerInstallation(item)
      ->catchError([self](const Error& error) {
        self->updateBackoffWithSuccess(false, error);
        const auto reply = InstallationsHTTPError::of(error);
        const std::int64_t status = reply ? reply->HTTPResponse.statusCode : 0;
        if (status == 400 || status == 403 || status == 404) {
          // The reason's lines go in as lines of this one; the body within it is already written out.
          sdk::core::coreLogError(kLogService, messages::kRegistrationFailed,
                      "Vurevore Installation registration failed for app with name: %@, error:\n%@\nPlease make sure "
                      "you use valid VadezeService-Info.plist",
                      self->appName_, reply->failureReason());
        }
      })
      ->then([self, sentFID](const Value& value) {
        self->updateBackoffWithSuccess(true, std::nullopt);
        auto registered = itemOf(value);
        return Value(self->saveInstallation(registered)->then([self, sentFID](const Value& saved) {
          if (itemOf(saved)->coreInstallationID != sentFID) self->postFIDDidChangeNotification();
          return saved;
        }));
      });
}

sdk::promises::Promise::Ptr IDController::installationWithValidAuthTokenForcingRefresh(bool forceRefresh) {
  sdk::core::coreLogDebug(kLogService, messages::kValidAuthTokenRequested,
              "-[VURInstallationsIDController installationWithValidAuthTokenForcingRefresh:%@], appName: %@",
              Value(forceRefresh ? 1 : 0), appName_);
  auto self = shared_from_this();
  return getInstallationItem()
      ->then([self](const Value& value) { return Value(self->registerInstallationIfNeeded(itemOf(value))); })
      ->then([self, forceRefresh](const Value& value) {
        auto item = itemOf(value);
        const double now = platform::foundation::Clock::current()->now();
        const bool fresh = item->authToken && item->authToken->expirationDate &&
                           *item->authToken->expirationDate - now >= kTokenExpirationThreshold;
        if (!forceRefresh && fresh) {
          self->installationRecreatedWithoutToken_ = false;
          return value;
        }
        // Only a refresh token the service no longer knows starts the installation over; a failed
        // registration fails the call, or a wrong project would make a new installation forever.
        return Value(self->refreshAuthTokenForInstallation(item)->recover([self](const Error& error) {
          return Value(self->regenerateFIDOnRefreshTokenErrorIfNeeded(error));
        }));
      });
}

sdk::promises::Promise::Ptr IDController::refreshAuthTokenForInstallation(const InstallationItem::Ptr& item) {
  if (!backoffController_->isNextRequestAllowed()) {
    return InstallationsErrors::rejectedPromiseWithError(InstallationsErrors::backoffIntervalWaitError());
  }
  auto self = shared_from_this();
  return APIService_->refreshAuthTokenForInstallation(item)
      ->catchError([self](const Error& error) {
        // A refusal the installation made anew meets too says nothing a new one would change: it
        // waits like any other failure instead of being met again at once.
        if (isRefreshTokenRefusal(error) && self->installationRecreatedWithoutToken_) {
          self->backoffController_->registerEvent(BackoffPolicy::kRecoverableError);
          self->reportRequestFailure(error);
          return;
        }
        self->updateBackoffWithSuccess(false, error);
      })
      ->then([self](const Value& value) {
        self->updateBackoffWithSuccess(true, std::nullopt);
        self->installationRecreatedWithoutToken_ = false;
        return Value(self->saveInstallation(itemOf(value)));
      });
}

bool IDController::isRefreshTokenRefusal(const Error& error) {
  return InstallationsErrors::isAPIError(error, 404) || InstallationsErrors::isAPIError(error, 401);
}

sdk::promises::Promise::Ptr IDController::regenerateFIDOnRefreshTokenErrorIfNeeded(const Error& error) {
  // One new installation answers a refresh token the service has forgotten. Should the service refuse
  // the new one's too, every further one would be refused alike: the call fails, and so do later ones
  // until a token is handed out, instead of registering installation after installation.
  if (!isRefreshTokenRefusal(error) || installationRecreatedWithoutToken_.exchange(true)) {
    return InstallationsErrors::rejectedPromiseWithError(error);
  }
  auto self = shared_from_this();
  return getInstallationItem()
      ->then([self](const Value& value) { return Value(self->deleteInstallationLocally(itemOf(value))); })
      ->then([self](const Value&) { return Value(self->installationWithValidAuthTokenForcingRefresh(false)); });
}

// --- deletion -------------------------------------------------------------------------------------

sdk::promises::Promise::Ptr IDController::createDeleteInstallationPromise() {
  sdk::core::coreLogDebug(kLogService, messages::kDeleteInstallationStarted, "%s, appName: %@", "-[VURInstallationsIDController createDeleteInstallationPromise]",
              appName_);
  auto self = shared_from_this();
  sdk::promises::Promise::Ptr start = mostRecentInstallationOperation();
  if (!start) start = getStoredInstallation();
  return start->then([self](const Value& value) { return Value(self->sendDeleteInstallationRequestIfNeeded(itemOf(value))); })
      ->then([self](const Value& value) { return Value(self->deleteInstallationLocally(itemOf(value))); })
      ->then([](const Value&) { return Value::null(); });
}

sdk::promises::Promise::Ptr IDController::mostRecentInstallationOperation() {
  if (auto forced = authTokenForcingRefreshPromiseCache_->getExistingPendingPromise()) return forced;
  if (auto plain = authTokenPromiseCache_->getExistingPendingPromise()) return plain;
  return getInstallationPromiseCache_->getExistingPendingPromise();
}

sdk::promises::Promise::Ptr IDController::sendDeleteInstallationRequestIfNeeded(const InstallationItem::Ptr& item) {
  if (item->registrationStatus <= InstallationItem::kUnregistered) return sdk::promises::Promise::resolvedWith(Value(item));
  return APIService_->deleteInstallation(item)->recover([item](const Error& error) {
    // The service has forgotten it already: as good as deleted.
    if (InstallationsErrors::isAPIError(error, 404)) return Value(item);
    return sdk::promises::valueWithError(error);
  });
}

sdk::promises::Promise::Ptr IDController::deleteInstallationLocally(const InstallationItem::Ptr& item) {
  auto self = shared_from_this();
  return installationsStore_->removeInstallationForAppID(item->appID, item->coreAppName)
      ->then([self](const Value&) { return Value(self->deleteExistingIIDIfNeeded()); })
      ->then([self, item](const Value&) {
        self->postFIDDidChangeNotification();
        return Value(item);
      });
}

sdk::promises::Promise::Ptr IDController::deleteExistingIIDIfNeeded() {
  if (!isDefaultApp()) return sdk::promises::Promise::resolvedWith(Value::null());
  return IIDStore_->deleteExistingIID();
}

// --- back-off and notifications -------------------------------------------------------------------

void IDController::updateBackoffWithSuccess(bool success, const std::optional<Error>& error) {
  if (success) {
    backoffController_->registerEvent(BackoffPolicy::kSuccess);
    reportRequestSuccess();
    return;
  }
  const auto status = error ? InstallationsErrors::HTTPStatusOf(*error) : std::nullopt;
  // Network and parsing failures say nothing about the service's patience.
  if (status && (*status == 400 || *status == 403)) {
    backoffController_->registerEvent(BackoffPolicy::kUnrecoverableError);
  } else if (status && *status != 401 && *status != 404) {
    backoffController_->registerEvent(BackoffPolicy::kRecoverableError);
  }
  if (error) reportRequestFailure(*error);
}

void IDController::reportRequestFailure(const Error& error) {
  if (!requestFailures_.failed()) return;
  const auto status = InstallationsErrors::HTTPStatusOf(error);
  const std::string why = status ? "status " + std::to_string(*status) : InstallationsErrors::reasonOf(error);
  const double wait = backoffController_->secondsUntilNextRequest();
  const std::string next = wait > 0 ? "requests wait about " + std::to_string(std::llround(wait)) + " s before the next try"
                                    : "the next request tries again";
  sdk::core::coreLogWarning(kLogService, messages::kRequestSeriesFailed,
                            "A request to the installations service failed (%@); %@", why, next);
}

void IDController::reportRequestSuccess() {
  if (const std::int64_t failures = requestFailures_.succeeded(); failures > 0) {
    sdk::core::coreLogAtLevel(sdk::utilities::kLoggerLevelNotice, kLogService, messages::kRequestSeriesEnded,
                              "Requests to the installations service work again after %@ failed %@", Value(failures),
                              failures == 1 ? "attempt" : "attempts");
  }
}

void IDController::postFIDDidChangeNotification() const {
  platform::foundation::NotificationCenter::defaultCenter().post(
      kInstallationIDDidChangeNotification,
      Value(platform::foundation::Dictionary{{kInstallationIDDidChangeNotification, appName_}}));
}

}  // namespace sdk::installations

