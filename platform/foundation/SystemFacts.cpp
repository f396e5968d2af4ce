#include "platform/foundation/SystemFacts.h"

#include <sys/utsname.h>

#include <mutex>

namespace platform::foundation {
namespace {

std::optional<std::string> machineName() {
  struct utsname record {};
  if (uname(&record) != 0) return std::nullopt;
  return std::string(record.machine);
}

std::mutex& factsMutex() {
  static std::mutex mutex;
  return mutex;
}

// Null until someone reads or replaces the facts; then the facts in force.
std::optional<SystemFacts>& factsSlot() {
  static std::optional<SystemFacts> slot;
  return slot;
}

}  // namespace

const SystemFacts& SystemFacts::defaults() {
  static const SystemFacts facts = [] {
    SystemFacts made;
    made.deviceModel = machineName();
    return made;
  }();
  return facts;
}

SystemFacts SystemFacts::current() {
  std::lock_guard lock(factsMutex());
  auto& slot = factsSlot();
  if (!slot) slot = defaults();
  return *slot;
}

void SystemFacts::setCurrent(SystemFacts facts) {
  std::lock_guard lock(factsMutex());
  factsSlot() = std::move(facts);
}

void SystemFacts::reset() { setCurrent(defaults()); }

ScopedSystemFacts::ScopedSystemFacts(SystemFacts facts) : previous_(SystemFacts::current()) {
  SystemFacts::setCurrent(std::move(facts));
}

ScopedSystemFacts::~ScopedSystemFacts() { SystemFacts::setCurrent(std::move(previous_)); }

}  // namespace platform::foundation
