#include "sdk/installations/VURInstallationsStore.h"

#include "sdk/installations/VURInstallationsErrorUtil.h"
#include "sdk/installations/VURInstallationsItem.h"

using platform::foundation::Error;
using platform::foundation::Value;

VURInstallationsStore::VURInstallationsStore(std::shared_ptr<VDUKeychainStorage> secureStorage,
                                             std::optional<std::string> accessGroup)
    : secureStorage_(std::move(secureStorage)),
      accessGroup_(std::move(accessGroup)),
      queue_(platform::dispatch::Queue::serial(kQueueLabel)),
      userDefaults_(std::make_shared<VDUUserDefaults>(kUserDefaultsSuiteName)) {
  VURInstallationsStoredItem::registerArchiveClasses();
}

VBLPromise::Ptr VURInstallationsStore::installationExistsForAppID(const std::string& appID, const std::string& appName) {
  const std::string identifier = VURInstallationsItem::identifierWithAppID(appID, appName);
  auto defaults = userDefaults_;
  return VBLPromise::onQueueDo(queue_, [defaults, identifier, appID, appName] {
    if (defaults->objectForKey(identifier).isNil()) {
      return VBLValueWithError(VURInstallationsErrorUtil::installationItemNotFoundForAppID(appID, appName));
    }
    return Value::null();
  });
}

VBLPromise::Ptr VURInstallationsStore::installationForAppID(const std::string& appID, const std::string& appName) {
  const std::string identifier = VURInstallationsItem::identifierWithAppID(appID, appName);
  auto storage = secureStorage_;
  auto group = accessGroup_;
  return installationExistsForAppID(appID, appName)
      ->onQueueThen(queue_,
                    [storage, identifier, group](const Value&) {
                      return Value(storage->getObjectForKey(identifier, VURInstallationsStoredItem::kClassName, group));
                    })
      ->onQueueThen(queue_, [appID, appName](const Value& stored) {
        auto record = stored.objectAs<VURInstallationsStoredItem>();
        if (!record) return VBLValueWithError(VURInstallationsErrorUtil::installationItemNotFoundForAppID(appID, appName));
        auto item = std::make_shared<VURInstallationsItem>(appID, appName);
        item->updateWithStoredItem(*record);
        return Value(item);
      });
}

VBLPromise::Ptr VURInstallationsStore::saveInstallation(const std::shared_ptr<VURInstallationsItem>& item) {
  const std::string identifier = item->identifier();
  auto stored = item->storedItem();
  auto self = std::make_shared<VURInstallationsStore>(*this);  // the parts, so the chain outlives the store
  return secureStorage_->setObject(Value(stored), identifier, accessGroup_)
      ->onQueueThen(queue_, [self, identifier](const Value&) { return Value(self->setInstallationExists(true, identifier)); });
}

VBLPromise::Ptr VURInstallationsStore::removeInstallationForAppID(const std::string& appID, const std::string& appName) {
  const std::string identifier = VURInstallationsItem::identifierWithAppID(appID, appName);
  auto self = std::make_shared<VURInstallationsStore>(*this);
  return secureStorage_->removeObjectForKey(identifier, accessGroup_)
      ->onQueueThen(queue_, [self, identifier](const Value&) { return Value(self->setInstallationExists(false, identifier)); });
}

VBLPromise::Ptr VURInstallationsStore::setInstallationExists(bool exists, const std::string& identifier) {
  auto defaults = userDefaults_;
  return VBLPromise::onQueueDo(queue_, [defaults, exists, identifier] {
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
