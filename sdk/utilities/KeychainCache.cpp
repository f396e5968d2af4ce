#include "sdk/utilities/KeychainCache.h"

namespace sdk::utilities {

using platform::foundation::Value;

KeychainCache::KeychainCache(std::size_t countLimit) : countLimit_(countLimit) {}

Value KeychainCache::objectForKey(const std::string& key) {
  std::lock_guard lock(mutex_);
  auto found = entries_.find(key);
  if (found == entries_.end()) return Value();
  uses_.splice(uses_.begin(), uses_, found->second.use);
  return found->second.object;
}

std::uint64_t KeychainCache::setObject(Value object, const std::string& key) {
  std::lock_guard lock(mutex_);
  std::uint64_t token = nextToken_++;
  auto found = entries_.find(key);
  if (found != entries_.end()) {
    found->second.object = std::move(object);
    found->second.token = token;
    uses_.splice(uses_.begin(), uses_, found->second.use);
    return token;
  }
  uses_.push_front(key);
  entries_.emplace(key, Entry{std::move(object), token, uses_.begin()});
  while (countLimit_ > 0 && entries_.size() > countLimit_) {
    entries_.erase(uses_.back());
    uses_.pop_back();
  }
  return token;
}

void KeychainCache::removeObjectForKey(const std::string& key) {
  std::lock_guard lock(mutex_);
  auto found = entries_.find(key);
  if (found == entries_.end()) return;
  uses_.erase(found->second.use);
  entries_.erase(found);
}

void KeychainCache::removeObjectForKeyIfToken(const std::string& key, std::uint64_t token) {
  std::lock_guard lock(mutex_);
  auto found = entries_.find(key);
  if (found == entries_.end() || found->second.token != token) return;
  uses_.erase(found->second.use);
  entries_.erase(found);
}

void KeychainCache::removeAllObjects() {
  std::lock_guard lock(mutex_);
  entries_.clear();
  uses_.clear();
}

std::size_t KeychainCache::count() const {
  std::lock_guard lock(mutex_);
  return entries_.size();
}

}  // namespace sdk::utilities

