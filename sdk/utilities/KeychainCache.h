#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <mutex>
#include <string>

#include "platform/foundation/Value.h"

namespace sdk::utilities {

// The object cache in front of a keychain store: at most `countLimit` entries, the least recently used
// evicted first. Each stored entry gets a token, so a writer can later take back exactly its own
// entry and never one a later writer put under the same key. Thread-safe.
class KeychainCache {
 public:
  using Value = platform::foundation::Value;

  explicit KeychainCache(std::size_t countLimit);

  // nil on a miss.
  Value objectForKey(const std::string& key);
  std::uint64_t setObject(Value object, const std::string& key);
  void removeObjectForKey(const std::string& key);
  // Removes the entry only when it is still the one stored with `token`.
  void removeObjectForKeyIfToken(const std::string& key, std::uint64_t token);
  void removeAllObjects();
  std::size_t count() const;

 private:
  struct Entry {
    Value object;
    std::uint64_t token;
    std::list<std::string>::iterator use;
  };
  const std::size_t countLimit_;
  mutable std::mutex mutex_;
  std::map<std::string, Entry> entries_;
  std::list<std::string> uses_;  // most recent first
  std::uint64_t nextToken_ = 1;
};

}  // namespace sdk::utilities

