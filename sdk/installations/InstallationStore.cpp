#include "sdk/installations/InstallationStore.h"

#include "platform/foundation/PreferencesDomain.h"
#include "sdk/core/CoreLogger.h"
#include "sdk/installations/InstallationItem.h"
#include "sdk/installations/InstallationsErrors.h"
#include "sdk/installations/InstallationsMessageCodes.h"
#include "sdk/installations/InstallationsShared.h"

namespace sdk::installations {

using platform::foundation::Error;
using platform::foundation::Value;

InstallationStore::InstallationStore(std::shared_ptr<sdk::utilities::KeychainStorage> secureStorage,
                                             std::optional<std::string> accessGroup)
    : secureStorage_(std::move(secureStorage)),
      accessGroup_(std::move(accessGroup)),
      queue_(platform::dispatch::Queue::serial(kQueueLabel)),
      userDefaults_(std::make_shared<sdk::utilities::UserDefaultsStore>(kUserDefaultsSuiteName)) {
  StoredInstallationItem::registerArchiveClasses();
}

sdk::promises::Promise::Ptr InstallationStore::installationExistsForAppID(const std::string& appID, const std::string& appName) {
  const std::string identifier = InstallationItem::identifierWithAppID(appID, appName);
  auto defaults = userDefaults_;
  return sdk::promises::Promise::onQueueDo(queue_, [defaults, identifier, appID, appName] {
    if (defaults->objectForKey(identifier).isNil()) {
      return sdk::promises::valueWithError(InstallationsErrors::installationItemNotFoundForAppID(appID, appName));
    }
    return Value::null();
  });
}

namespace {

// How the marker went and what becomes of the installation, for the log line: with the damaged
// preferences file kept aside, or unread where something else stands in the file's place; empty when
// the file was read (or missing) and the marker is simply not there.
std::string howTheMarkerWent() {
  const auto domain = platform::foundation::PreferencesDomain::named(InstallationStore::kUserDefaultsSuiteName);
  if (const std::string damaged = domain->keptAsidePath(); !damaged.empty()) {
    return "with the damaged preferences file " + damaged +
           "; its record is intact, so the installation is kept and marked again";
  }
  if (const std::string standing = domain->leftUnreadInPlace(); !standing.empty()) {
    return "unread, as " + domain->path() + " is " + standing +
           ", which is left in place; its record is intact, so the installation is kept";
  }
  return {};
}

// A marker that went with a preferences file that could not be read vouched for the record beside it:
// the file was this install's, so the record is too, and no reinstall. A record still there and
// readable is trusted and marked again (where the file's place takes a file); only without one is the
// installation made anew.
sdk::promises::Promise::Ptr remarkRecordIfMarkerLost(const std::shared_ptr<sdk::utilities::KeychainStorage>& storage,
                                                     const std::shared_ptr<InstallationStore>& store,
                                                     const std::string& identifier,
                                                     const std::optional<std::string>& group, const Error& notFound) {
  const std::string lost = howTheMarkerWent();
  if (lost.empty()) return sdk::promises::Promise::resolvedWith(notFound);
  return storage->getObjectForKey(identifier, StoredInstallationItem::kClassName, group)
      ->then([store, identifier, lost, notFound](const Value& stored) {
        if (!stored.objectAs<StoredInstallationItem>()) return sdk::promises::valueWithError(notFound);
        sdk::core::coreLogAtLevel(sdk::utilities::kLoggerLevelNotice, kLogService, messages::kMarkerWrittenAgain,
                                  "The installation %@ lost its marker %@", identifier, lost);
        return Value(store->setInstallationExists(true, identifier));
      });
}

}  // namespace

sdk::promises::Promise::Ptr InstallationStore::installationForAppID(const std::string& appID, const std::string& appName) {
  const std::string identifier = InstallationItem::identifierWithAppID(appID, appName);
  auto storage = secureStorage_;
  auto group = accessGroup_;
  auto self = std::make_shared<InstallationStore>(*this);  // the parts, so the chain outlives the store
  return installationExistsForAppID(appID, appName)
      ->onQueueRecover(queue_,
                       [storage, self, identifier, group](const Error& notFound) {
                         return Value(remarkRecordIfMarkerLost(storage, self, identifier, group, notFound));
                       })
      ->onQueueThen(queue_,
                    [storage, identifier, group](const Value&) {
                      return Value(storage->getObjectForKey(identifier, StoredInstallationItem::kClassName, group));
                    })
      ->onQueueThen(queue_, [appID, appName](const Value& stored) {
        auto record = stored.objectAs<StoredInstallationItem>();
        if (!record) return sdk::promises::valueWithError(InstallationsErrors::installationItemNotFoundForAppID(appID, appName));
        auto item = std::make_shared<InstallationItem>(appID, appName);
        item->updateWithStoredItem(*record);
        return Value(item);
      });
}

sdk::promises::Promise::Ptr InstallationStore::saveInstallation(const std::shared_ptr<InstallationItem>& item) {
  const std::string identifier = item->identifier();
  auto stored = item->storedItem();
  auto self = std::make_shared<InstallationStore>(*this);  // the parts, so the chain outlives the store
  return secureStorage_->setObject(Value(stored), identifier, accessGroup_)
      ->onQueueThen(queue_, [self, identifier](const Value&) { return Value(self->setInstallationExists(true, identifier)); });
}

sdk::promises::Promise::Ptr InstallationStore::removeInstallationForAppID(const std::string& appID, const std::string& appName) {
  const std::string identifier = InstallationItem::identifierWithAppID(appID, appName);
  auto self = std::make_shared<InstallationStore>(*this);
  return secureStorage_->removeObjectForKey(identifier, accessGroup_)
      ->onQueueThen(queue_, [self, identifier](const Value&) { return Value(self->setInstallationExists(false, identifier)); });
}

sdk::promises::Promise::Ptr InstallationStore::setInstallationExists(bool exists, const std::string& identifier) {
  auto defaults = userDefaults_;
  return sdk::promises::Promise::onQueueDo(queue_, [defaults, exists, identifier] {
    if (exists) {
      defaults->setBool(true, identifier);
    } else {
      defaults->removeObjectForKey(identifier);
    }
    // The marker decides whether the record is trusted at the next launch: it reaches the disk now,
    // before the ID it vouches for is handed out, not a second later with the defaults' other writes.
    defaults->synchronize();
    return Value::null();
  });
}

}  // namespace sdk::installations

