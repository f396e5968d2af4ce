#include "sdk/utilities/VDUReachabilityChecker.h"

#include "platform/foundation/Value.h"
#include "sdk/utilities/VDULogger.h"

using platform::net::ReachabilityTarget;

namespace {

constexpr const char* kService = "[VDUReachability]";

const VDUReachabilityApi kDefaultApi = {
    [](const std::string& host) { return ReachabilityTarget::createWithName(host); },
    [](const VDUReachabilityHandle& h, ReachabilityTarget::Callback callback) { return h->setCallback(std::move(callback)); },
    [](const VDUReachabilityHandle& h) { return h->scheduleWithMainLoop(); },
    [](const VDUReachabilityHandle& h) { return h->unscheduleFromMainLoop(); },
    [](VDUReachabilityHandle& h) { h.reset(); },
};

}  // namespace

const VDUReachabilityApi* VDUDefaultReachabilityApi() { return &kDefaultApi; }

const char* VDUReachabilityStatusString(VDUReachabilityStatus status) {
  switch (status) {
    case kVDUReachabilityNotReachable:
      return "Disconnected";
    case kVDUReachabilityViaWifi:
    case kVDUReachabilityViaCellular:
      return "Connected";
    default:
      return "Unknown";
  }
}

VDUReachabilityChecker::VDUReachabilityChecker(Private, std::string host) : host_(std::move(host)), api_(&kDefaultApi) {}

std::shared_ptr<VDUReachabilityChecker> VDUReachabilityChecker::initWithReachabilityDelegate(
    std::weak_ptr<VDUReachabilityDelegate> delegate, const std::string& host) {
  if (host.empty()) {
    VDULogError(kService, false, "I-REA902001", "Invalid host specified");
    return nullptr;
  }
  auto checker = std::make_shared<VDUReachabilityChecker>(Private(), host);
  checker->setReachabilityDelegate(std::move(delegate));
  return checker;
}

VDUReachabilityChecker::~VDUReachabilityChecker() {
  {
    std::lock_guard lock(mutex_);
    delegate_.reset();
  }
  stop();
}

bool VDUReachabilityChecker::start() {
  const VDUReachabilityApi* api;
  {
    std::lock_guard lock(mutex_);
    api = handle_ ? nullptr : api_;
  }
  // The service is driven outside the lock: its call-backs take the lock themselves.
  if (api) {
    VDUReachabilityHandle handle = api->createFn(host_);
    if (!handle) return false;
    {
      // Published first, so that the very first report finds the checker running.
      std::lock_guard lock(mutex_);
      handle_ = handle;
    }
    // The service holds the checker weakly: a released checker hears nothing.
    std::weak_ptr<VDUReachabilityChecker> weak = weak_from_this();
    auto callback = [weak](std::uint32_t flags) {
      if (auto checker = weak.lock()) checker->reachabilityFlagsChanged(flags);
    };
    if (!api->setCallbackFn(handle, callback) || !api->scheduleFn(handle)) {
      {
        std::lock_guard lock(mutex_);
        if (handle_ == handle) handle_ = nullptr;
      }
      api->releaseFn(handle);
      VDULogError(kService, false, "I-REA902002", "Failed to start reachability handle");
      return false;
    }
  }
  VDULogDebug(kService, false, "I-REA902003", "Monitoring the network status");
  return true;
}

void VDUReachabilityChecker::stop() {
  VDUReachabilityHandle handle;
  const VDUReachabilityApi* api;
  {
    std::lock_guard lock(mutex_);
    if (!handle_) return;
    status_ = kVDUReachabilityUnknown;
    handle = std::move(handle_);
    handle_ = nullptr;
    api = api_;
  }
  // Outside the lock: unscheduling waits for a call-back in progress, which takes the lock.
  api->unscheduleFn(handle);
  api->releaseFn(handle);
}

bool VDUReachabilityChecker::isActive() const {
  std::lock_guard lock(mutex_);
  return handle_ != nullptr;
}

void VDUReachabilityChecker::setReachabilityApi(const VDUReachabilityApi* api) {
  std::unique_lock lock(mutex_);
  if (handle_) {
    lock.unlock();
    VDULogError(kService, false, "I-REA902000",
                "Cannot change reachability API while reachability is running. Call stop first.");
    return;
  }
  api_ = api ? api : &kDefaultApi;
}

const VDUReachabilityApi* VDUReachabilityChecker::reachabilityApi() const {
  std::lock_guard lock(mutex_);
  return api_;
}

void VDUReachabilityChecker::setReachabilityDelegate(std::weak_ptr<VDUReachabilityDelegate> delegate) {
  std::lock_guard lock(mutex_);
  delegate_ = std::move(delegate);
}

std::shared_ptr<VDUReachabilityDelegate> VDUReachabilityChecker::reachabilityDelegate() const {
  std::lock_guard lock(mutex_);
  return delegate_.lock();
}

VDUReachabilityStatus VDUReachabilityChecker::statusForFlags(std::uint32_t flags) {
  using namespace platform::net;
  if (!(flags & kReachabilityFlagsReachable)) return kVDUReachabilityNotReachable;
  VDUReachabilityStatus candidate = (flags & kReachabilityFlagsIsWWAN) ? kVDUReachabilityViaCellular : kVDUReachabilityViaWifi;
  if (!(flags & kReachabilityFlagsConnectionRequired)) return candidate;
  if (!(flags & (kReachabilityFlagsConnectionOnTraffic | kReachabilityFlagsConnectionOnDemand))) {
    return kVDUReachabilityNotReachable;
  }
  return (flags & kReachabilityFlagsInterventionRequired) ? kVDUReachabilityNotReachable : candidate;
}

void VDUReachabilityChecker::reachabilityFlagsChanged(std::uint32_t flags) {
  VDUReachabilityStatus status = statusForFlags(flags);
  std::shared_ptr<VDUReachabilityDelegate> delegate;
  {
    std::lock_guard lock(mutex_);
    // A report that raced with stop() belongs to a run that is over.
    if (!handle_ || status == status_) return;
    status_ = status;
    delegate = delegate_.lock();
  }
  platform::foundation::Value number(static_cast<std::int64_t>(status));
  VDULogDebug(kService, false, "I-REA902004", "Network status has changed. Code:%@, status:%@", number,
              VDUReachabilityStatusString(status));
  if (delegate) delegate->reachability(*this, status);
}

VDUReachabilityStatus VDUReachabilityChecker::reachabilityStatus() const {
  std::lock_guard lock(mutex_);
  return status_;
}

VDUReachabilityHandle VDUReachabilityChecker::reachability() const {
  std::lock_guard lock(mutex_);
  return handle_;
}
