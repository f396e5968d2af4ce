#include "sdk/utilities/ReachabilityChecker.h"

#include "platform/foundation/Value.h"
#include "sdk/utilities/Logger.h"
#include "sdk/utilities/UtilitiesMessageCodes.h"

namespace sdk::utilities {

using platform::net::ReachabilityTarget;

namespace {

constexpr const char* kService = "[VDUReachability]";

const ReachabilityApi kDefaultApi = {
    [](const std::string& host) { return ReachabilityTarget::createWithName(host); },
    [](const ReachabilityHandle& h, ReachabilityTarget::Callback callback) { return h->setCallback(std::move(callback)); },
    [](const ReachabilityHandle& h) { return h->scheduleWithMainLoop(); },
    [](const ReachabilityHandle& h) { return h->unscheduleFromMainLoop(); },
    [](ReachabilityHandle& h) { h.reset(); },
};

}  // namespace

const ReachabilityApi* defaultReachabilityApi() { return &kDefaultApi; }

const char* reachabilityStatusString(ReachabilityStatus status) {
  switch (status) {
    case kReachabilityNotReachable:
      return "Disconnected";
    case kReachabilityViaWifi:
    case kReachabilityViaCellular:
      return "Connected";
    default:
      return "Unknown";
  }
}

ReachabilityChecker::ReachabilityChecker(Private, std::string host) : host_(std::move(host)), api_(&kDefaultApi) {}

std::shared_ptr<ReachabilityChecker> ReachabilityChecker::initWithReachabilityDelegate(
    std::weak_ptr<ReachabilityDelegate> delegate, const std::string& host) {
  if (host.empty()) {
    logError(kService, false, messages::kReachabilityInvalidHost, "Invalid host specified");
    return nullptr;
  }
  auto checker = std::make_shared<ReachabilityChecker>(Private(), host);
  checker->setReachabilityDelegate(std::move(delegate));
  return checker;
}

ReachabilityChecker::~ReachabilityChecker() {
  {
    std::lock_guard lock(mutex_);
    delegate_.reset();
  }
  stop();
}

bool ReachabilityChecker::start() {
  const ReachabilityApi* api;
  {
    std::lock_guard lock(mutex_);
    api = handle_ ? nullptr : api_;
  }
  // The service is driven outside the lock: its call-backs take the lock themselves.
  if (api) {
    ReachabilityHandle handle = api->createFn(host_);
    if (!handle) return false;
    {
      // Published first, so that the very first report finds the checker running.
      std::lock_guard lock(mutex_);
      handle_ = handle;
    }
    // The service holds the checker weakly: a released checker hears nothing.
    std::weak_ptr<ReachabilityChecker> weak = weak_from_this();
    auto callback = [weak](std::uint32_t flags) {
      if (auto checker = weak.lock()) checker->reachabilityFlagsChanged(flags);
    };
    if (!api->setCallbackFn(handle, callback) || !api->scheduleFn(handle)) {
      {
        std::lock_guard lock(mutex_);
        if (handle_ == handle) handle_ = nullptr;
      }
      api->releaseFn(handle);
      logError(kService, false, messages::kReachabilityNotStarted, "Failed to start reachability handle");
      return false;
    }
  }
  logDebug(kService, false, messages::kReachabilityMonitoring, "Monitoring the network status");
  return true;
}

void ReachabilityChecker::stop() {
  ReachabilityHandle handle;
  const ReachabilityApi* api;
  {
    std::lock_guard lock(mutex_);
    if (!handle_) return;
    status_ = kReachabilityUnknown;
    handle = std::move(handle_);
    handle_ = nullptr;
    api = api_;
  }
  // Outside the lock: unscheduling waits for a call-back in progress, which takes the lock.
  api->unscheduleFn(handle);
  api->releaseFn(handle);
}

bool ReachabilityChecker::isActive() const {
  std::lock_guard lock(mutex_);
  return handle_ != nullptr;
}

void ReachabilityChecker::setReachabilityApi(const ReachabilityApi* api) {
  std::unique_lock lock(mutex_);
  if (handle_) {
    lock.unlock();
    logError(kService, false, messages::kReachabilityChangedWhileRunning,
                "Cannot change reachability API while reachability is running. Call stop first.");
    return;
  }
  api_ = api ? api : &kDefaultApi;
}

const ReachabilityApi* ReachabilityChecker::reachabilityApi() const {
  std::lock_guard lock(mutex_);
  return api_;
}

void ReachabilityChecker::setReachabilityDelegate(std::weak_ptr<ReachabilityDelegate> delegate) {
  std::lock_guard lock(mutex_);
  delegate_ = std::move(delegate);
}

std::shared_ptr<ReachabilityDelegate> ReachabilityChecker::reachabilityDelegate() const {
  std::lock_guard lock(mutex_);
  return delegate_.lock();
}

ReachabilityStatus ReachabilityChecker::statusForFlags(std::uint32_t flags) {
  using namespace platform::net;
  if (!(flags & kReachabilityFlagsReachable)) return kReachabilityNotReachable;
  ReachabilityStatus candidate = (flags & kReachabilityFlagsIsWWAN) ? kReachabilityViaCellular : kReachabilityViaWifi;
  if (!(flags & kReachabilityFlagsConnectionRequired)) return candidate;
  if (!(flags & (kReachabilityFlagsConnectionOnTraffic | kReachabilityFlagsConnectionOnDemand))) {
    return kReachabilityNotReachable;
  }
  return (flags & kReachabilityFlagsInterventionRequired) ? kReachabilityNotReachable : candidate;
}

void ReachabilityChecker::reachabilityFlagsChanged(std::uint32_t flags) {
  ReachabilityStatus status = statusForFlags(flags);
  std::shared_ptr<ReachabilityDelegate> delegate;
  {
    std::lock_guard lock(mutex_);
    // A report that raced with stop() belongs to a run that is over.
    if (!handle_ || status == status_) return;
    status_ = status;
    delegate = delegate_.lock();
  }
  platform::foundation::Value number(static_cast<std::int64_t>(status));
  logDebug(kService, false, messages::kReachabilityStatusChanged, "Network status has changed. Code:%@, status:%@", number,
              reachabilityStatusString(status));
  if (delegate) delegate->reachability(*this, status);
}

ReachabilityStatus ReachabilityChecker::reachabilityStatus() const {
  std::lock_guard lock(mutex_);
  return status_;
}

ReachabilityHandle ReachabilityChecker::reachability() const {
  std::lock_guard lock(mutex_);
  return handle_;
}

}  // namespace sdk::utilities

