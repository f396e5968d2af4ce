#include "sdk/promises/VBLPromise.h"

#include "platform/foundation/Format.h"

using platform::foundation::Error;
using platform::foundation::Value;

namespace {

std::mutex& defaultQueueMutex() {
  static std::mutex mutex;
  return mutex;
}

VBLQueue& defaultQueueSlot() {
  static VBLQueue queue = platform::dispatch::Queue::main();
  return queue;
}

}  // namespace

VBLQueue VBLPromise::defaultDispatchQueue() {
  std::lock_guard lock(defaultQueueMutex());
  return defaultQueueSlot();
}

void VBLPromise::setDefaultDispatchQueue(VBLQueue queue) {
  if (!queue) return;
  std::lock_guard lock(defaultQueueMutex());
  defaultQueueSlot() = std::move(queue);
}

platform::dispatch::Group VBLPromise::dispatchGroup() {
  // Copies of a Group share one count; this one lives for the process.
  static const platform::dispatch::Group group;
  return group;
}

VBLPromise::Ptr VBLPromise::pendingPromise() { return std::make_shared<VBLPromise>(Private()); }

VBLPromise::Ptr VBLPromise::resolvedWith(Value resolution) {
  return std::make_shared<VBLPromise>(Private(), std::move(resolution));
}

VBLPromise::Ptr VBLPromise::resolvedWith(Error error) { return resolvedWith(VBLValueWithError(std::move(error))); }

VBLPromise::VBLPromise(Private) : state_(State::Pending) { dispatchGroup().enter(); }

VBLPromise::VBLPromise(Private, Value resolution) {
  if (auto error = VBLErrorFromValue(resolution)) {
    state_ = State::Rejected;
    error_ = std::move(error);
  } else {
    state_ = State::Fulfilled;
    value_ = std::move(resolution);
  }
}

VBLPromise::~VBLPromise() {
  // A promise nobody can resolve any more must not keep waiters waiting.
  if (state_ == State::Pending) dispatchGroup().leave();
  releaseObservers(std::move(observers_));
}

void VBLPromise::releaseObservers(std::vector<Observer> observers) {
  // An observer owns the promise chained after this one, whose observers own the next, and so on:
  // dropping a long unresolved chain would otherwise release it recursively and run out of stack.
  // The outermost release on a thread drains the chain in a loop; nested ones only hand over.
  struct Drain {
    bool active = false;
    std::vector<Observer> waiting;
  };
  thread_local Drain drain;
  if (observers.empty()) return;
  if (drain.active) {
    for (auto& observer : observers) drain.waiting.push_back(std::move(observer));
    return;
  }
  drain.active = true;
  while (!observers.empty()) {
    observers.clear();
    observers.swap(drain.waiting);
  }
  drain.active = false;
}

void VBLPromise::fulfill(Value value) {
  if (auto error = VBLErrorFromValue(value)) {
    resolve(State::Rejected, Value(), std::move(error));
  } else {
    resolve(State::Fulfilled, std::move(value), std::nullopt);
  }
}

void VBLPromise::reject(Error error) { resolve(State::Rejected, Value(), std::move(error)); }

void VBLPromise::resolve(State state, Value value, std::optional<Error> error) {
  std::vector<Observer> observers;
  std::vector<std::shared_ptr<void>> released;
  {
    std::lock_guard lock(mutex_);
    if (state_ != State::Pending) return;
    state_ = state;
    value_ = std::move(value);
    error_ = std::move(error);
    observers.swap(observers_);
    released.swap(pendingObjects_);
    // Submitting under the lock keeps the observers' order against one registered meanwhile, which
    // would otherwise be submitted straight away. Submitting only queues a block: no user code runs here.
    for (auto& observer : observers) {
      if (state_ == State::Fulfilled) {
        submit(observer.queue, [block = std::move(observer.onFulfill), result = value_] { block(result); });
      } else {
        submit(observer.queue, [block = std::move(observer.onReject), result = *error_] { block(result); });
      }
    }
  }
  // Leave only after the callbacks entered, so the group is never empty while they are outstanding.
  dispatchGroup().leave();
  // `observers` and `released` go here, outside the lock: their destructors may release other promises.
}

void VBLPromise::submit(const VBLQueue& queue, std::function<void()> block) {
  dispatchGroup().async(queue ? queue : defaultDispatchQueue(), std::move(block));
}

VBLPromise::State VBLPromise::state() const {
  std::lock_guard lock(mutex_);
  return state_;
}

Value VBLPromise::value() const {
  std::lock_guard lock(mutex_);
  return value_;
}

std::optional<Error> VBLPromise::error() const {
  std::lock_guard lock(mutex_);
  return error_;
}

void VBLPromise::addPendingObject(std::shared_ptr<void> object) {
  std::lock_guard lock(mutex_);
  if (state_ == State::Pending) pendingObjects_.push_back(std::move(object));
}

void VBLPromise::observeOnQueue(VBLQueue queue, FulfillBlock onFulfill, RejectBlock onReject) {
  if (!queue) queue = defaultDispatchQueue();
  // An observer may care about one outcome only; the other must not call an empty function.
  if (!onFulfill) onFulfill = [](const Value&) {};
  if (!onReject) onReject = [](const Error&) {};
  std::lock_guard lock(mutex_);
  switch (state_) {
    case State::Pending:
      observers_.push_back(Observer{std::move(queue), std::move(onFulfill), std::move(onReject)});
      break;
    case State::Fulfilled:
      submit(queue, [block = std::move(onFulfill), result = value_] { block(result); });
      break;
    case State::Rejected:
      submit(queue, [block = std::move(onReject), result = *error_] { block(result); });
      break;
  }
}

VBLPromise::Ptr VBLPromise::chainOnQueue(VBLQueue queue, ChainedFulfillBlock chainedFulfill,
                                         ChainedRejectBlock chainedReject) {
  if (!queue) queue = defaultDispatchQueue();
  Ptr chained = pendingPromise();
  auto resolver = [queue, chained](Value result) { chained->resolveFollowing(queue, std::move(result)); };
  observeOnQueue(
      queue,
      [resolver, chainedFulfill = std::move(chainedFulfill)](const Value& value) {
        resolver(chainedFulfill ? chainedFulfill(value) : value);
      },
      [resolver, chainedReject = std::move(chainedReject)](const Error& error) {
        resolver(chainedReject ? chainedReject(error) : VBLValueWithError(error));
      });
  return chained;
}

void VBLPromise::resolveFollowing(const VBLQueue& queue, Value result) {
  auto followed = result.objectAs<VBLPromise>();
  if (!followed) return fulfill(std::move(result));
  followed->observeOnQueue(
      queue, [self = shared_from_this()](const Value& value) { self->fulfill(value); },
      [self = shared_from_this()](const Error& error) { self->reject(error); });
}

std::string VBLPromise::description() const {
  std::lock_guard lock(mutex_);
  const void* self = this;
  switch (state_) {
    case State::Fulfilled:
      return platform::foundation::format("<%@ %p> Fulfilled: %@", "VBLPromise", self, value_);
    case State::Rejected:
      return platform::foundation::format("<%@ %p> Rejected: %@", "VBLPromise", self, *error_);
    case State::Pending:
      break;
  }
  return platform::foundation::format("<%@ %p> Pending", "VBLPromise", self);
}

bool VBLWaitForPromisesWithTimeout(double timeoutSeconds) {
  return VBLPromise::dispatchGroup().waitPumpingMainLoop(timeoutSeconds);
}
