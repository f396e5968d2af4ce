#include "sdk/installations/VURInstallationsIDController.h"

#include "platform/foundation/Clock.h"
#include "platform/foundation/NotificationCenter.h"
#include "sdk/core/REDIri.h"
#include "sdk/core/VURLogger.h"
#include "sdk/installations/InstallationsShared.h"
#include "sdk/installations/VURInstallationsErrorUtil.h"

using platform::foundation::Array;
using platform::foundation::Error;
using platform::foundation::Value;

using sdk::installations::kLogService;

namespace {

VURInstallationsItem::Ptr itemOf(const Value& value) { return value.objectAs<VURInstallationsItem>(); }

}  // namespace

VURInstallationsIDController::Ptr VURInstallationsIDController::initWithVadezeAppID(
    const std::string& appID, const std::string& appName, const std::string& APIKey, const std::string& projectID,
    const std::string& GCMSenderID, const std::optional<std::string>& accessGroup, const std::string& serviceURL) {
  auto secureStorage = std::make_shared<VDUKeychainStorage>(keychainServiceWithAppID(appID));
  return initWithVadezeAppID(appID, appName, std::make_shared<VURInstallationsStore>(secureStorage, accessGroup),
                             std::make_shared<VURInstallationsAPIService>(APIKey, projectID, serviceURL),
                             std::make_shared<VURInstallationsIIDStore>(),
                             std::make_shared<VURInstallationsIIDTokenStore>(GCMSenderID),
                             std::make_shared<VURInstallationsBackoffController>());
}

VURInstallationsIDController::Ptr VURInstallationsIDController::initWithVadezeAppID(
    const std::string& appID, const std::string& appName, std::shared_ptr<VURInstallationsStore> installationsStore,
    std::shared_ptr<VURInstallationsAPIService> APIService, std::shared_ptr<VURInstallationsIIDStore> IIDStore,
    std::shared_ptr<VURInstallationsIIDTokenStore> IIDTokenStore,
    std::shared_ptr<VURInstallationsBackoffControllerProtocol> backoffController) {
  auto controller = std::make_shared<VURInstallationsIDController>(
      Private(), appID, appName, std::move(installationsStore), std::move(APIService), std::move(IIDStore),
      std::move(IIDTokenStore), std::move(backoffController));
  std::weak_ptr<VURInstallationsIDController> weak = controller;
  auto handler = [weak](auto operation) {
    return [weak, operation]() -> VBLPromise::Ptr {
      auto self = weak.lock();
      if (!self) {
        return VURInstallationsErrorUtil::rejectedPromiseWithError(
            VURInstallationsErrorUtil::installationsErrorWithCode(0, "The installations controller is gone.", std::nullopt));
      }
      return operation(*self);
    };
  };
  controller->getInstallationPromiseCache_ = std::make_unique<VURInstallationsSingleOperationPromiseCache>(
      handler([](VURInstallationsIDController& c) { return c.createGetInstallationItemPromise(); }));
  controller->authTokenPromiseCache_ = std::make_unique<VURInstallationsSingleOperationPromiseCache>(
      handler([](VURInstallationsIDController& c) { return c.installationWithValidAuthTokenForcingRefresh(false); }));
  controller->authTokenForcingRefreshPromiseCache_ = std::make_unique<VURInstallationsSingleOperationPromiseCache>(
      handler([](VURInstallationsIDController& c) { return c.installationWithValidAuthTokenForcingRefresh(true); }));
  controller->deleteInstallationPromiseCache_ = std::make_unique<VURInstallationsSingleOperationPromiseCache>(
      handler([](VURInstallationsIDController& c) { return c.createDeleteInstallationPromise(); }));
  return controller;
}

VURInstallationsIDController::VURInstallationsIDController(
    Private, std::string appID, std::string appName, std::shared_ptr<VURInstallationsStore> installationsStore,
    std::shared_ptr<VURInstallationsAPIService> APIService, std::shared_ptr<VURInstallationsIIDStore> IIDStore,
    std::shared_ptr<VURInstallationsIIDTokenStore> IIDTokenStore,
    std::shared_ptr<VURInstallationsBackoffControllerProtocol> backoffController)
    : appID_(std::move(appID)),
      appName_(std::move(appName)),
      installationsStore_(std::move(installationsStore)),
      IIDStore_(std::move(IIDStore)),
      IIDTokenStore_(std::move(IIDTokenStore)),
      APIService_(std::move(APIService)),
      backoffController_(std::move(backoffController)) {}

bool VURInstallationsIDController::isDefaultApp() const { return appName_ == REDIri::kDefaultAppName; }

// --- public operations ----------------------------------------------------------------------------

VBLPromise::Ptr VURInstallationsIDController::getInstallationItem() {
  return getInstallationPromiseCache_->getExistingPendingOrCreateNewPromise();
}

VBLPromise::Ptr VURInstallationsIDController::getAuthTokenForcingRefresh(bool forceRefresh) {
  if (forceRefresh) return authTokenForcingRefreshPromiseCache_->getExistingPendingOrCreateNewPromise();
  // A forced refresh already running satisfies a plain request too.
  if (auto forced = authTokenForcingRefreshPromiseCache_->getExistingPendingPromise()) return forced;
  return authTokenPromiseCache_->getExistingPendingOrCreateNewPromise();
}

VBLPromise::Ptr VURInstallationsIDController::deleteInstallation() {
  return deleteInstallationPromiseCache_->getExistingPendingOrCreateNewPromise();
}

// --- get or create --------------------------------------------------------------------------------

VBLPromise::Ptr VURInstallationsIDController::createGetInstallationItemPromise() {
  VURLogDebug(kLogService, "I-FIS002000", "%s, appName: %@", "-[VURInstallationsIDController createGetInstallationItemPromise]",
              appName_);
  auto self = shared_from_this();
  VBLPromise::Ptr item =
      getStoredInstallation()->recover([self](const Error&) { return Value(self->createAndSaveFID()); });
  // Registration and the first token follow in the background; their result is not waited for.
  item->then([self](const Value& value) {
    (void)self->getAuthTokenForcingRefresh(false);
    return value;
  });
  return item;
}

VBLPromise::Ptr VURInstallationsIDController::getStoredInstallation() {
  return installationsStore_->installationForAppID(appID_, appName_)->then([](const Value& value) {
    auto item = itemOf(value);
    Error error;
    if (item && item->isValid(&error)) return value;
    if (!item) error = VURInstallationsErrorUtil::installationsErrorWithCode(0, "No stored installation.", std::nullopt);
    VURLogWarning(kLogService, "I-FIS002004", "Stored installation validation error: %@", error.description());
    return VBLValueWithError(error);
  });
}

VBLPromise::Ptr VURInstallationsIDController::createAndSaveFID() {
  auto self = shared_from_this();
  return migrateOrGenerateInstallation()
      ->then([self](const Value& value) { return Value(self->saveInstallation(itemOf(value))); })
      ->then([self](const Value& value) {
        self->postFIDDidChangeNotification();
        return value;
      });
}

VBLPromise::Ptr VURInstallationsIDController::migrateOrGenerateInstallation() {
  auto self = shared_from_this();
  if (!isDefaultApp()) return VBLPromise::resolvedWith(Value(createInstallationWithFID(VURInstallationsItem::generateFID(), std::nullopt)));
  return VBLPromise::all(Array{Value(IIDStore_->existingIID()), Value(IIDTokenStore_->existingIIDDefaultToken())})
      ->then([self](const Value& results) {
        return Value(self->createInstallationWithFID(results.at(0).toString(), results.at(1).toString()));
      })
      ->recover([self](const Error&) {
        return Value(self->createInstallationWithFID(VURInstallationsItem::generateFID(), std::nullopt));
      });
}

VURInstallationsItem::Ptr VURInstallationsIDController::createInstallationWithFID(
    const std::string& FID, const std::optional<std::string>& IIDDefaultToken) const {
  auto item = std::make_shared<VURInstallationsItem>(appID_, appName_);
  item->vurevoreInstallationID = FID;
  item->IIDDefaultToken = IIDDefaultToken;
  item->registrationStatus = VURInstallationsItem::kUnregistered;
  return item;
}

VBLPromise::Ptr VURInstallationsIDController::saveInstallation(const VURInstallationsItem::Ptr& item) {
  return installationsStore_->saveInstallation(item)->then([item](const Value&) { return Value(item); });
}

// --- registration and tokens ----------------------------------------------------------------------

VBLPromise::Ptr VURInstallationsIDController::registerInstallationIfNeeded(const VURInstallationsItem::Ptr& item) {
  if (item->registrationStatus == VURInstallationsItem::kRegistered) return VBLPromise::resolvedWith(Value(item));
  if (!backoffController_->isNextRequestAllowed()) {
    return VURInstallationsErrorUtil::rejectedPromiseWithError(VURInstallationsErrorUtil::backoffIntervalWaitError());
  }
  auto self = shared_from_this();
  const std::string sentFID = item->vurevoreInstallationID;
  return APIService_->registerInstallation(item)
      ->catchError([self](const Error& error) {
        self->updateBackoffWithSuccess(false, error);
        const auto status = VURInstallationsErrorUtil::HTTPStatusOf(error);
        if (status == 400 || status == 403 || status == 404) {
          VURLogError(kLogService, "I-FIS002003",
                      "Vurevore Installation registration failed for app with name: %@, error:\n%@\nPlease make sure "
                      "you use valid VadezeService-Info.plist",
                      self->appName_, VURInstallationsErrorUtil::failureReasonOf(error));
        }
      })
      ->then([self, sentFID](const Value& value) {
        self->updateBackoffWithSuccess(true, std::nullopt);
        auto registered = itemOf(value);
        return Value(self->saveInstallation(registered)->then([self, sentFID](const Value& saved) {
          if (itemOf(saved)->vurevoreInstallationID != sentFID) self->postFIDDidChangeNotification();
          return saved;
        }));
      });
}

VBLPromise::Ptr VURInstallationsIDController::installationWithValidAuthTokenForcingRefresh(bool forceRefresh) {
  VURLogDebug(kLogService, "I-FIS002001",
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
        if (!forceRefresh && fresh) return value;
        // Only a refresh token the service no longer knows starts the installation over; a failed
        // registration fails the call, or a wrong project would make a new installation forever.
        return Value(self->refreshAuthTokenForInstallation(item)->recover([self](const Error& error) {
          return Value(self->regenerateFIDOnRefreshTokenErrorIfNeeded(error));
        }));
      });
}

VBLPromise::Ptr VURInstallationsIDController::refreshAuthTokenForInstallation(const VURInstallationsItem::Ptr& item) {
  if (!backoffController_->isNextRequestAllowed()) {
    return VURInstallationsErrorUtil::rejectedPromiseWithError(VURInstallationsErrorUtil::backoffIntervalWaitError());
  }
  auto self = shared_from_this();
  return APIService_->refreshAuthTokenForInstallation(item)
      ->catchError([self](const Error& error) { self->updateBackoffWithSuccess(false, error); })
      ->then([self](const Value& value) {
        self->updateBackoffWithSuccess(true, std::nullopt);
        return Value(self->saveInstallation(itemOf(value)));
      });
}

VBLPromise::Ptr VURInstallationsIDController::regenerateFIDOnRefreshTokenErrorIfNeeded(const Error& error) {
  if (!VURInstallationsErrorUtil::isAPIError(error, 404) && !VURInstallationsErrorUtil::isAPIError(error, 401)) {
    return VURInstallationsErrorUtil::rejectedPromiseWithError(error);
  }
  auto self = shared_from_this();
  return getInstallationItem()
      ->then([self](const Value& value) { return Value(self->deleteInstallationLocally(itemOf(value))); })
      ->then([self](const Value&) { return Value(self->installationWithValidAuthTokenForcingRefresh(false)); });
}

// --- deletion -------------------------------------------------------------------------------------

VBLPromise::Ptr VURInstallationsIDController::createDeleteInstallationPromise() {
  VURLogDebug(kLogService, "I-FIS002002", "%s, appName: %@", "-[VURInstallationsIDController createDeleteInstallationPromise]",
              appName_);
  auto self = shared_from_this();
  VBLPromise::Ptr start = mostRecentInstallationOperation();
  if (!start) start = getStoredInstallation();
  return start->then([self](const Value& value) { return Value(self->sendDeleteInstallationRequestIfNeeded(itemOf(value))); })
      ->then([self](const Value& value) { return Value(self->deleteInstallationLocally(itemOf(value))); })
      ->then([](const Value&) { return Value::null(); });
}

VBLPromise::Ptr VURInstallationsIDController::mostRecentInstallationOperation() {
  if (auto forced = authTokenForcingRefreshPromiseCache_->getExistingPendingPromise()) return forced;
  if (auto plain = authTokenPromiseCache_->getExistingPendingPromise()) return plain;
  return getInstallationPromiseCache_->getExistingPendingPromise();
}

VBLPromise::Ptr VURInstallationsIDController::sendDeleteInstallationRequestIfNeeded(const VURInstallationsItem::Ptr& item) {
  if (item->registrationStatus <= VURInstallationsItem::kUnregistered) return VBLPromise::resolvedWith(Value(item));
  return APIService_->deleteInstallation(item)->recover([item](const Error& error) {
    // The service has forgotten it already: as good as deleted.
    if (VURInstallationsErrorUtil::isAPIError(error, 404)) return Value(item);
    return VBLValueWithError(error);
  });
}

VBLPromise::Ptr VURInstallationsIDController::deleteInstallationLocally(const VURInstallationsItem::Ptr& item) {
  auto self = shared_from_this();
  return installationsStore_->removeInstallationForAppID(item->appID, item->vurevoreAppName)
      ->then([self](const Value&) { return Value(self->deleteExistingIIDIfNeeded()); })
      ->then([self, item](const Value&) {
        self->postFIDDidChangeNotification();
        return Value(item);
      });
}

VBLPromise::Ptr VURInstallationsIDController::deleteExistingIIDIfNeeded() {
  if (!isDefaultApp()) return VBLPromise::resolvedWith(Value::null());
  return IIDStore_->deleteExistingIID();
}

// --- back-off and notifications -------------------------------------------------------------------

void VURInstallationsIDController::updateBackoffWithSuccess(bool success, const std::optional<Error>& error) {
  if (success) {
    backoffController_->registerEvent(VURInstallationsBackoffControllerProtocol::kSuccess);
    return;
  }
  const auto status = error ? VURInstallationsErrorUtil::HTTPStatusOf(*error) : std::nullopt;
  if (!status) return;  // network and parsing failures say nothing about the service's patience
  if (*status == 400 || *status == 403) {
    backoffController_->registerEvent(VURInstallationsBackoffControllerProtocol::kUnrecoverableError);
  } else if (*status != 401 && *status != 404) {
    backoffController_->registerEvent(VURInstallationsBackoffControllerProtocol::kRecoverableError);
  }
}

void VURInstallationsIDController::postFIDDidChangeNotification() const {
  platform::foundation::NotificationCenter::defaultCenter().post(
      kVURInstallationIDDidChangeNotification,
      Value(platform::foundation::Dictionary{{kVURInstallationIDDidChangeNotification, appName_}}));
}
