#include "platform/foundation/IdentityFacts.h"

#include <mutex>

namespace platform::foundation {
namespace {

std::mutex& identityFactsMutex() {
  static std::mutex mutex;
  return mutex;
}

IdentityFacts& factsInForce() {
  static IdentityFacts facts;
  return facts;
}

}  // namespace

IdentityFacts IdentityFacts::current() {
  std::lock_guard lock(identityFactsMutex());
  return factsInForce();
}

void IdentityFacts::setCurrent(IdentityFacts facts) {
  std::lock_guard lock(identityFactsMutex());
  factsInForce() = std::move(facts);
}

void IdentityFacts::reset() { setCurrent(IdentityFacts{}); }

ScopedIdentityFacts::ScopedIdentityFacts(IdentityFacts facts) : previous_(IdentityFacts::current()) {
  IdentityFacts::setCurrent(std::move(facts));
}

ScopedIdentityFacts::~ScopedIdentityFacts() { IdentityFacts::setCurrent(std::move(previous_)); }

}  // namespace platform::foundation
