#pragma once

#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <type_traits>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/Value.h"

namespace sdk::utilities {

// What "nil" means for a stored value: an empty Value, a null pointer or an empty function. Values of
// other types are never nil.
template <typename T>
bool isNilValue(const T& value) {
  if constexpr (std::is_same_v<T, platform::foundation::Value>) {
    return value.isNil();
  } else if constexpr (requires { static_cast<bool>(value); }) {
    return !static_cast<bool>(value);
  } else {
    return false;
  }
}

// A dictionary that any thread may use: every access runs on the instance's own serial queue, reads
// waiting for their answer and writes returning at once. A read issued after a write from the same
// thread therefore sees that write. Missing keys read as a default-constructed (nil) value.
//
// Hold it in a std::shared_ptr or as a member; it is neither copyable nor movable, since queued writes
// refer to it.
template <typename Key = std::string, typename T = platform::foundation::Value>
class MutableDictionary {
 public:
  using Map = std::map<Key, T>;

  MutableDictionary() : queue_(platform::dispatch::Queue::serial("VDUMutableDictionary")) {}
  ~MutableDictionary() {
    // Queued writes refer to `objects_`: let them finish before it goes.
    queue_->sync([] {});
  }
  MutableDictionary(const MutableDictionary&) = delete;
  MutableDictionary& operator=(const MutableDictionary&) = delete;

  T objectForKey(const Key& key) const {
    T result{};
    queue_->sync([&] {
      auto found = objects_.find(key);
      if (found != objects_.end()) result = found->second;
    });
    return result;
  }
  T objectForKeyedSubscript(const Key& key) const { return objectForKey(key); }

  // A nil value removes the key, the same as the subscript form; storing nil is never meaningful.
  void setObject(T value, Key key) {
    queue_->async([this, value = std::move(value), key = std::move(key)]() mutable {
      if (isNilValue(value)) {
        objects_.erase(key);
      } else {
        objects_.insert_or_assign(std::move(key), std::move(value));
      }
    });
  }
  void setObjectForKeyedSubscript(T value, Key key) { setObject(std::move(value), std::move(key)); }

  void removeObjectForKey(Key key) {
    queue_->async([this, key = std::move(key)] { objects_.erase(key); });
  }
  void removeAllObjects() {
    queue_->async([this] { objects_.clear(); });
  }

  std::size_t count() const {
    std::size_t result = 0;
    queue_->sync([&] { result = objects_.size(); });
    return result;
  }

  // A snapshot: later writes do not change it.
  Map dictionary() const {
    Map result;
    queue_->sync([&] { result = objects_; });
    return result;
  }

  std::string description() const {
    std::ostringstream out;
    queue_->sync([&] {
      out << "{";
      for (const auto& [key, value] : objects_) {
        out << "\n    " << key << " = ";
        if constexpr (requires { value.description(); }) {
          out << value.description();
        } else if constexpr (requires { out << value; }) {
          out << value;
        } else {
          out << "<object>";
        }
        out << ";";
      }
      out << (objects_.empty() ? "}" : "\n}");
    });
    return out.str();
  }

 private:
  Map objects_;  // touched only on queue_
  std::shared_ptr<platform::dispatch::Queue> queue_;
};

}  // namespace sdk::utilities

