#include "sdk/utilities/KeychainStorage.h"

#include "platform/foundation/AtomicFile.h"
#include "platform/security/Keychain.h"
#include "sdk/promises/PromiseError.h"
#include "sdk/utilities/KeychainUtils.h"
#include "sdk/utilities/SecureCoding.h"

namespace sdk::utilities {

using platform::foundation::Dictionary;
using platform::foundation::Error;
using platform::foundation::Value;
using platform::security::Keychain;

namespace {

// A group and a key as one cache key; the length prefix keeps ("a", "bc") apart from ("ab", "c").
std::string cacheKey(const std::string& key, const KeychainStorage::AccessGroup& accessGroup) {
  if (!accessGroup) return "-" + key;
  return "+" + std::to_string(accessGroup->size()) + ":" + *accessGroup + key;
}

}  // namespace

KeychainStorage::KeychainStorage(std::string service)
    : KeychainStorage(std::move(service), std::make_shared<KeychainCache>(kCacheCountLimit)) {}

KeychainStorage::KeychainStorage(std::string service, std::shared_ptr<KeychainCache> cache)
    : keychainQueue_(platform::dispatch::Queue::serial("com.gul.KeychainStorage.Keychain")),
      inMemoryCacheQueue_(platform::dispatch::Queue::serial("com.gul.KeychainStorage.InMemoryCache")),
      service_(std::move(service)),
      inMemoryCache_(cache ? std::move(cache) : std::make_shared<KeychainCache>(kCacheCountLimit)) {
  // Items whose atomic write was cut off by a kill left hidden temporaries no read ever looks at.
  platform::foundation::AtomicFile::removeStaleTemporaries(Keychain::folder());
}

Dictionary KeychainStorage::keychainQueryWithKey(const std::string& key, const AccessGroup& accessGroup) const {
  Dictionary query = {{Keychain::kClass, Value(Keychain::kClassGenericPassword)},
                      {Keychain::kService, Value(service_)},
                      {Keychain::kAccount, Value(key)}};
  if (accessGroup) query[Keychain::kAccessGroup] = Value(*accessGroup);
  return query;
}

sdk::promises::Promise::Ptr KeychainStorage::getObjectForKey(const std::string& key, const std::string& objectClass,
                                                    const AccessGroup& accessGroup) {
  auto cache = inMemoryCache_;
  std::string cached = cacheKey(key, accessGroup);
  sdk::promises::Promise::Ptr lookup = sdk::promises::Promise::onQueueDo(inMemoryCacheQueue_, [cache, cached] { return cache->objectForKey(cached); })
                               ->onQueueValidate(inMemoryCacheQueue_, [](const Value& object) { return !object.isNil(); });
  // Keep the store's parts, not the store: a read in flight finishes even if the store is released.
  auto store = std::make_shared<KeychainStorage>(*this);
  return lookup->recover([store, key, objectClass, accessGroup](const Error&) {
    return Value(store->getObjectFromKeychainForKey(key, objectClass, accessGroup));
  });
}

sdk::promises::Promise::Ptr KeychainStorage::getObjectFromKeychainForKey(const std::string& key, const std::string& objectClass,
                                                                const AccessGroup& accessGroup) {
  Dictionary query = keychainQueryWithKey(key, accessGroup);
  auto cache = inMemoryCache_;
  std::string cached = cacheKey(key, accessGroup);
  return sdk::promises::Promise::onQueueDo(keychainQueue_,
                               [query, objectClass] {
                                 auto data = KeychainUtils::getItemWithQuery(query);
                                 if (!data.ok()) return sdk::promises::valueWithError(data.error());
                                 if (!*data) return Value();
                                 auto object = SecureCoding::unarchivedObjectOfClass(objectClass, **data);
                                 return object.ok() ? *object : sdk::promises::valueWithError(object.error());
                               })
      ->onQueueThen(inMemoryCacheQueue_, [cache, cached](const Value& object) {
        if (!object.isNil()) cache->setObject(object, cached);
        return object;
      });
}

sdk::promises::Promise::Ptr KeychainStorage::setObject(const Value& object, const std::string& key, const AccessGroup& accessGroup) {
  Dictionary query = keychainQueryWithKey(key, accessGroup);
  auto cache = inMemoryCache_;
  std::string cached = cacheKey(key, accessGroup);
  auto token = std::make_shared<std::uint64_t>(0);
  return sdk::promises::Promise::onQueueDo(inMemoryCacheQueue_,
                               [cache, cached, object, token] {
                                 *token = cache->setObject(object, cached);
                                 return Value::null();
                               })
      ->onQueueThen(keychainQueue_,
                    [object, query](const Value&) {
                      auto data = SecureCoding::archivedDataWithRootObject(object);
                      if (!data.ok()) return sdk::promises::valueWithError(data.error());
                      if (auto set = KeychainUtils::setItem(*data, query); !set.ok()) {
                        return sdk::promises::valueWithError(set.error());
                      }
                      return Value::null();
                    })
      // A failed write takes its object out of the cache again, unless a later write replaced it.
      ->onQueueRecover(inMemoryCacheQueue_, [cache, cached, token](const Error& error) {
        cache->removeObjectForKeyIfToken(cached, *token);
        return sdk::promises::valueWithError(error);
      });
}

sdk::promises::Promise::Ptr KeychainStorage::removeObjectForKey(const std::string& key, const AccessGroup& accessGroup) {
  Dictionary query = keychainQueryWithKey(key, accessGroup);
  auto cache = inMemoryCache_;
  std::string cached = cacheKey(key, accessGroup);
  return sdk::promises::Promise::onQueueDo(inMemoryCacheQueue_,
                               [cache, cached] {
                                 cache->removeObjectForKey(cached);
                                 return Value::null();
                               })
      ->onQueueThen(keychainQueue_, [query](const Value&) {
        if (auto removed = KeychainUtils::removeItemWithQuery(query); !removed.ok()) {
          return sdk::promises::valueWithError(removed.error());
        }
        return Value::null();
      });
}

void KeychainStorage::resetInMemoryCache() { inMemoryCache_->removeAllObjects(); }

}  // namespace sdk::utilities

