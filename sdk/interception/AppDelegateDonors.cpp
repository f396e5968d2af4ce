#include "sdk/interception/AppDelegateDonors.h"

#include <atomic>
#include <mutex>
#include <type_traits>
#include <vector>

#include "platform/dispatch/Group.h"
#include "platform/dispatch/Queue.h"
#include "platform/foundation/Format.h"
#include "platform/runtime/Send.h"
#include "platform/ui/Application.h"
#include "sdk/interception/AppDelegateSwizzler.h"

namespace sdk::interception {

using platform::runtime::Class;
using platform::runtime::IMP;
using platform::runtime::Object;
using platform::runtime::Selector;
using platform::ui::BackgroundFetchResult;
using Swizzler = AppDelegateSwizzler;

namespace {

// The override of `selector`: every interceptor hears the message first, then the delegate's real
// implementation. A boolean answer is true when any of them answered true; all of them are asked,
// whatever the earlier ones said.
template <class R, class... A>
R deliver(const Selector<R(A...)>& selector, Object& self, A... args) {
  bool handled = false;
  Swizzler::notifyInterceptorsWithMethodSelector(selector.name, [&](Object& interceptor) {
    if constexpr (std::is_void_v<R>) {
      platform::runtime::trySend(interceptor, selector, args...);
    } else {
      handled = platform::runtime::trySend(interceptor, selector, args...).value_or(false) || handled;
    }
  });
  IMP real = Swizzler::originalImplementationForSelector(selector.name, self);
  if (implementationFits<R(A...)>(real)) {
    if constexpr (std::is_void_v<R>) {
      platform::runtime::callImplementation(real, self, selector, args...);
    } else {
      handled = platform::runtime::callImplementation(real, self, selector, args...) || handled;
    }
  }
  if constexpr (!std::is_void_v<R>) return handled;
}

// Installs the override of `selector` under `name`.
template <class R, class... A>
void addForwarding(Class* donor, std::string_view name, const Selector<R(A...)>& selector) {
  static_assert(std::is_void_v<R> || std::is_same_v<R, bool>, "delegate messages answer nothing or a boolean");
  donor->addMethod(name, platform::runtime::makeImplementation<R(A...)>([selector](Object& self, A... args) -> R {
                     return deliver<R, A...>(selector, self, args...);
                   }));
}

// Collects the answers of everyone a remote notification with a fetch handler was handed to. Each
// participant gets a completion of its own that counts its first call only, so a participant that
// calls twice can neither answer twice nor leave the group twice.
class FetchRound : public std::enable_shared_from_this<FetchRound> {
 public:
  platform::ui::FetchCompletionHandler participant() {
    group_.enter();
    auto used = std::make_shared<std::atomic<bool>>(false);
    return [round = shared_from_this(), used](BackgroundFetchResult result) {
      if (used->exchange(true)) return;
      round->add(result);
    };
  }

  // For a participant that could not be called: it leaves without an answer.
  void withdraw(const platform::ui::FetchCompletionHandler& completion) { completion(kWithdrawn); }

  // Once everyone has answered, the system's handler hears the combined answer, once, on the main queue.
  void finish(platform::ui::FetchCompletionHandler systemHandler) {
    group_.notify(platform::dispatch::Queue::main(), [round = shared_from_this(), systemHandler] {
      if (systemHandler) systemHandler(round->combined());
    });
  }

 private:
  static constexpr auto kWithdrawn = static_cast<BackgroundFetchResult>(-1);

  void add(BackgroundFetchResult result) {
    if (result != kWithdrawn) {
      std::lock_guard lock(mutex_);
      results_.push_back(result);
    }
    group_.leave();
  }

  BackgroundFetchResult combined() const {
    std::lock_guard lock(mutex_);
    bool noData = false;
    for (BackgroundFetchResult result : results_) {
      if (result == BackgroundFetchResult::NewData) return BackgroundFetchResult::NewData;
      noData = noData || result == BackgroundFetchResult::NoData;
    }
    return noData ? BackgroundFetchResult::NoData : BackgroundFetchResult::Failed;
  }

  platform::dispatch::Group group_;
  mutable std::mutex mutex_;
  std::vector<BackgroundFetchResult> results_;
};

void didReceiveRemoteNotificationFetch(Object& self, platform::ui::Application& application,
                                       const platform::foundation::Value& userInfo,
                                       const platform::ui::FetchCompletionHandler& completionHandler) {
  const auto& selector = platform::ui::kApplicationDidReceiveRemoteNotificationFetch;
  using Sig = std::remove_cvref_t<decltype(selector)>::Signature;
  auto round = std::make_shared<FetchRound>();
  Swizzler::notifyInterceptorsWithMethodSelector(selector.name, [&](Object& interceptor) {
    auto completion = round->participant();
    if (!platform::runtime::trySend(interceptor, selector, application, userInfo, completion)) {
      round->withdraw(completion);
    }
  });
  IMP real = Swizzler::originalImplementationForSelector(selector.name, self);
  if (implementationFits<Sig>(real)) {
    platform::runtime::callImplementation(real, self, selector, application, userInfo, round->participant());
  }
  round->finish(completionHandler);
}

// The delegate still describes itself by its own class, not by the generated one.
std::string fakeDescription(Object& self) {
  Class* realClass = Swizzler::realClassOfObject(self);
  if (!realClass) return self.defaultDescription();
  return platform::foundation::format("<%@: %p>", realClass->name(), static_cast<const void*>(&self));
}

Class* makeDonorClass() {
  Class* donor = Class::allocateClassPair(nullptr, "VDUAppDelegateSwizzler", platform::runtime::Image::Sdk);
  if (!donor) return Class::named("VDUAppDelegateSwizzler");
  using namespace platform::ui;
  addForwarding(donor, kApplicationOpenURLOptions.name, kApplicationOpenURLOptions);
  addForwarding(donor, kApplicationOpenURLSourceApplication.name, kApplicationOpenURLSourceApplication);
  addForwarding(donor, kApplicationContinueUserActivity.name, kApplicationContinueUserActivity);
  addForwarding(donor, kApplicationHandleEventsForBackgroundURLSession.name,
                kApplicationHandleEventsForBackgroundURLSession);
  addForwarding(donor, AppDelegateDonors::kDonorDidRegister, kApplicationDidRegisterForRemoteNotifications);
  addForwarding(donor, AppDelegateDonors::kDonorDidFailToRegister,
                kApplicationDidFailToRegisterForRemoteNotifications);
  addForwarding(donor, AppDelegateDonors::kDonorDidReceive, kApplicationDidReceiveRemoteNotification);
  donor->addMethod(AppDelegateDonors::kDonorDidReceiveFetch,
                   platform::runtime::makeImplementation<
                       std::remove_cvref_t<decltype(kApplicationDidReceiveRemoteNotificationFetch)>::Signature>(
                       didReceiveRemoteNotificationFetch));
  donor->addMethod(AppDelegateDonors::kFakeDescription,
                   platform::runtime::makeImplementation<std::string()>(fakeDescription));
  Class::registerClassPair(donor);
  return donor;
}

}  // namespace

Class* AppDelegateDonors::donorClass() {
  static Class* const donor = makeDonorClass();
  return donor;
}

}  // namespace sdk::interception

