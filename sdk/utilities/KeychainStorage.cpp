#include "sdk/utilities/KeychainStorage.h"

#include "platform/foundation/AtomicFile.h"
#include "platform/log/Log.h"
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

// An item whose file reads but whose value does not decode (damaged inside, or of a class this build
// does not know) reads as missing once it is kept aside, as a damaged file is: failing on it instead
// would make its owner write a new value over it, and the old one would be gone without a word.
bool keepUndecodableValueAside(const Dictionary& query, const platform::foundation::Data& value) {
  const auto kept = Keychain::keepItemsAside(Value(query), &value);
  const std::string what = "value of keychain item " + Value(query)[Keychain::kService].toString() + " " +
                           Value(query)[Keychain::kAccount].toString();
  if (kept.empty()) {
    platform::log::write(platform::log::Error, "The " + what + " cannot be read and could not be moved aside");
    return false;
  }
  for (const auto& path : kept) {
    platform::log::write(platform::log::Warning,
                         "The " + what + " could not be read; it is kept as " + path + " and a new value may take its place");
  }
  return true;
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
                                 if (object.ok()) return *object;
                                 // The next write would replace the only copy of what was stored.
                                 return keepUndecodableValueAside(query, **data)
                                            ? Value()
                                            : sdk::promises::valueWithError(object.error());
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

sdk::promises::Promise::Ptr KeychainStorage::uncacheThenOnKeychain(const std::string& key, const AccessGroup& accessGroup,
                                                                  std::function<Value(const Dictionary&)> work) {
  Dictionary query = keychainQueryWithKey(key, accessGroup);
  auto cache = inMemoryCache_;
  std::string cached = cacheKey(key, accessGroup);
  return sdk::promises::Promise::onQueueDo(inMemoryCacheQueue_,
                               [cache, cached] {
                                 cache->removeObjectForKey(cached);
                                 return Value::null();
                               })
      ->onQueueThen(keychainQueue_, [query, work = std::move(work)](const Value&) { return work(query); });
}

sdk::promises::Promise::Ptr KeychainStorage::removeObjectForKey(const std::string& key, const AccessGroup& accessGroup) {
  return uncacheThenOnKeychain(key, accessGroup, [](const Dictionary& query) {
    if (auto removed = KeychainUtils::removeItemWithQuery(query); !removed.ok()) {
      return sdk::promises::valueWithError(removed.error());
    }
    return Value::null();
  });
}

void KeychainStorage::resetInMemoryCache() { inMemoryCache_->removeAllObjects(); }

}  // namespace sdk::utilities

