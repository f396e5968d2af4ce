#pragma once

#include <mutex>
#include <utility>

namespace sdk::analytics {

// A value that a part of the engine installs at load time (a factory, a settings source) and any thread reads.
// `Owner` keeps two owners of the same value type apart. Never destroyed: queued work may read it while the process
// exits.
template <typename T, typename Owner>
class InstalledValue {
 public:
  static T get() {
    Slot& s = slot();
    std::lock_guard lock(s.mutex);
    return s.value;
  }

  static void set(T value) {
    Slot& s = slot();
    std::lock_guard lock(s.mutex);
    s.value = std::move(value);
  }

 private:
  struct Slot {
    std::mutex mutex;
    T value{};
  };

  static Slot& slot() {
    static auto* value = new Slot;
    return *value;
  }
};

}  // namespace sdk::analytics

