#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/Value.h"
#include "sdk/promises/Promise.h"
#include "sdk/utilities/KeychainCache.h"

namespace sdk::utilities {

// An object store in the keychain with a promise interface: one generic-password item per key (and
// access group) under the store's service name, holding the object's secure keyed archive, with a
// small cache in front. Cache work runs on one serial queue and keychain work on another; callers may
// call from any thread.
//
// The cache is keyed by access group and key together, so a read in one group is never served
// another group's object; and when a write fails, the object it put in the cache is taken out again
// before the promise rejects, so no later read returns an object that was never stored.
class KeychainStorage {
 public:
  using Value = platform::foundation::Value;
  using AccessGroup = std::optional<std::string>;

  static constexpr std::size_t kCacheCountLimit = 5;

  explicit KeychainStorage(std::string service);
  KeychainStorage(std::string service, std::shared_ptr<KeychainCache> cache);

  // Fulfils with the object (nil when there is none); rejects on a keychain or archive failure.
  sdk::promises::Promise::Ptr getObjectForKey(const std::string& key, const std::string& objectClass, const AccessGroup& accessGroup);
  // `object` must be archivable (a plain value or a registered KeyedCodable). Fulfils with null.
  sdk::promises::Promise::Ptr setObject(const Value& object, const std::string& key, const AccessGroup& accessGroup);
  // Fulfils with null, also when there was no item.
  sdk::promises::Promise::Ptr removeObjectForKey(const std::string& key, const AccessGroup& accessGroup);
  // The keychain half of a read: fulfils with the object or nil and caches a found object. A stored
  // value that does not decode is kept aside, named in a warning, and reads as nil.
  sdk::promises::Promise::Ptr getObjectFromKeychainForKey(const std::string& key, const std::string& objectClass,
                                              const AccessGroup& accessGroup);
  void resetInMemoryCache();
  platform::foundation::Dictionary keychainQueryWithKey(const std::string& key, const AccessGroup& accessGroup) const;

  const std::string& service() const { return service_; }
  const std::shared_ptr<platform::dispatch::Queue>& keychainQueue() const { return keychainQueue_; }
  const std::shared_ptr<platform::dispatch::Queue>& inMemoryCacheQueue() const { return inMemoryCacheQueue_; }

 private:
  // Takes the key's object out of the cache, then runs `work` with the item's query on the keychain queue.
  sdk::promises::Promise::Ptr uncacheThenOnKeychain(const std::string& key, const AccessGroup& accessGroup,
                                                    std::function<Value(const platform::foundation::Dictionary&)> work);

  std::shared_ptr<platform::dispatch::Queue> keychainQueue_;
  std::shared_ptr<platform::dispatch::Queue> inMemoryCacheQueue_;
  std::string service_;
  std::shared_ptr<KeychainCache> inMemoryCache_;
};

}  // namespace sdk::utilities

