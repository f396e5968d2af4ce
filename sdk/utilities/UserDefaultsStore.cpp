#include "sdk/utilities/UserDefaultsStore.h"

#include <mutex>

#include "platform/dispatch/Queue.h"
#include "platform/dispatch/Timer.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/PreferencesDomain.h"
#include "platform/foundation/UserDefaults.h"
#include "sdk/utilities/Logger.h"
#include "sdk/utilities/UtilitiesMessageCodes.h"

namespace sdk::utilities {

using platform::foundation::PreferencesDomain;
using platform::foundation::Value;

namespace {

constexpr const char* kReadService = "<VadezeUtilities>";
constexpr const char* kWriteService = "[VadezeUtilities/UserDefaults]";

std::string messageCode(long code) { return platform::foundation::format("I-VDU%06ld", code); }

// The reason goes with the line: a file that is not there to be written (a FIFO, a folder in its place)
// is left as it is, and this is where the person learns why nothing is saved.
void synchronizeDomain(const std::shared_ptr<PreferencesDomain>& domain) {
  platform::foundation::Error error;
  if (!domain->synchronize(&error)) {
    logError(kWriteService, false, messageCode(messages::kUserDefaultsNotSynchronized),
             "Cannot synchronize user defaults to disk\n%@", error.localizedDescription());
  }
}

}  // namespace

// The pending delayed synchronisation of one store. There is at most one timer: a write only notes its
// time, and a timer that finds a later write re-arms itself for one delay after it, so a burst of
// writes costs one timer per delay instead of a cancel and a new timer (and a clock-thread wake-up)
// each. Its timer holds it only weakly, so a released store's timer finds nothing to do.
struct UserDefaultsStore::WriteBehind {
  std::mutex mutex;
  std::shared_ptr<platform::dispatch::Timer> timer;
  std::shared_ptr<PreferencesDomain> domain;  // the domain the pending changes went to
  double lastWrite = 0;                        // monotonic seconds of the latest change
};

std::shared_ptr<platform::dispatch::Queue> UserDefaultsStore::synchronizeQueue() {
  static auto queue = platform::dispatch::Queue::serial("com.vadeze.VDUUserDefaults.synchronize");
  return queue;
}

std::shared_ptr<UserDefaultsStore> UserDefaultsStore::standardUserDefaults() {
  // Never destroyed; what it has pending is written by the preferences' exit hook.
  static auto* instance = new std::shared_ptr<UserDefaultsStore>(std::make_shared<UserDefaultsStore>());
  return *instance;
}

UserDefaultsStore::UserDefaultsStore() : UserDefaultsStore(std::string()) {}

UserDefaultsStore::UserDefaultsStore(const std::string& suiteName)
    : appName_(suiteName.empty() ? PreferencesDomain::currentApplication() : suiteName),
      writeBehind_(std::make_shared<WriteBehind>()) {
  // What a write killed before its rename left behind is never read; clear it when the store opens.
  platform::foundation::AtomicFile::removeStaleTemporaries(platform::foundation::Paths::preferences());
}

UserDefaultsStore::~UserDefaultsStore() {
  std::shared_ptr<PreferencesDomain> pending;
  {
    std::lock_guard lock(writeBehind_->mutex);
    if (writeBehind_->timer) {
      writeBehind_->timer->invalidate();
      writeBehind_->timer.reset();
      pending = writeBehind_->domain;
    }
  }
  if (pending) synchronizeDomain(pending);
}

Value UserDefaultsStore::objectForKey(const std::string& key) const {
  if (key.empty()) {
    logWarning(kReadService, false, messageCode(messages::kUserDefaultsInvalidKeyRead), "Cannot get object for invalid user default key.");
    return Value();
  }
  return PreferencesDomain::named(appName_)->copyValue(key);
}

void UserDefaultsStore::setObject(const Value& value, const std::string& key) {
  if (key.empty()) {
    logWarning(kWriteService, false, messageCode(messages::kUserDefaultsInvalidKeyWritten), "Cannot set object for invalid user default key.");
    return;
  }
  // The domain refuses whatever has no property-list form, checked all the way down: exactly the six
  // kinds the store accepts.
  auto domain = PreferencesDomain::named(appName_);
  if (!domain->setValue(key, value)) {
    logWarning(kWriteService, false, messageCode(messages::kUserDefaultsInvalidObject),
                  "Cannot set invalid object to user defaults. Must be a string, number, array, dictionary, date, or "
                  "data. Value: %@",
                  value);
    return;
  }
  scheduleSynchronize(std::move(domain));
}

std::optional<std::string> UserDefaultsStore::stringForKey(const std::string& key) const {
  return platform::foundation::stringFromDefaultsValue(objectForKey(key));
}

std::optional<platform::foundation::Array> UserDefaultsStore::arrayForKey(const std::string& key) const {
  return platform::foundation::arrayFromDefaultsValue(objectForKey(key));
}

std::optional<platform::foundation::Dictionary> UserDefaultsStore::dictionaryForKey(const std::string& key) const {
  return platform::foundation::dictionaryFromDefaultsValue(objectForKey(key));
}

void UserDefaultsStore::synchronize() { synchronizeDomain(PreferencesDomain::named(appName_)); }

void UserDefaultsStore::scheduleSynchronize() { scheduleSynchronize(PreferencesDomain::named(appName_)); }

void UserDefaultsStore::scheduleSynchronize(std::shared_ptr<PreferencesDomain> domain) {
  const double now = platform::foundation::Clock::current()->monotonic();
  std::lock_guard lock(writeBehind_->mutex);
  writeBehind_->lastWrite = now;
  writeBehind_->domain = std::move(domain);
  if (!writeBehind_->timer) armSynchronize(writeBehind_, kSynchronizeDelay);
}

// Called under the write-behind's lock.
void UserDefaultsStore::armSynchronize(const std::shared_ptr<WriteBehind>& writeBehind, double delay) {
  std::weak_ptr<WriteBehind> weak = writeBehind;
  writeBehind->timer = platform::dispatch::Timer::scheduled(
      delay, false, synchronizeQueue(), [weak](platform::dispatch::Timer& timer) {
        auto state = weak.lock();
        if (!state) return;
        std::shared_ptr<PreferencesDomain> domain;
        std::shared_ptr<platform::dispatch::Timer> firing;  // outlives its own replacement below
        {
          std::lock_guard lock(state->mutex);
          if (state->timer.get() != &timer) return;  // replaced meanwhile
          firing = state->timer;
          // A change since the timer was set moves the synchronisation to one delay after it.
          double due = state->lastWrite + kSynchronizeDelay;
          double now = platform::foundation::Clock::current()->monotonic();
          // Less than a clock tick left is due now: a timer for it would fire at this very instant
          // and find the same remainder again, for ever.
          if (due - now >= kClockTick) return armSynchronize(state, due - now);
          state->timer.reset();
          domain = state->domain;
        }
        synchronizeDomain(domain);
      });
}

}  // namespace sdk::utilities

