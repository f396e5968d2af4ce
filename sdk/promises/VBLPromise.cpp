#include "sdk/promises/VBLPromise.h"

#include <atomic>

#include "platform/dispatch/MainLoop.h"
#include "platform/foundation/Format.h"

using platform::foundation::Error;
using platform::foundation::Value;

namespace {

// Never destroyed, like the dispatch group below.
std::mutex& defaultQueueMutex() {
  static auto* const mutex = new std::mutex;
  return *mutex;
}

VBLQueue& defaultQueueSlot() {
  static auto* const queue = new VBLQueue(platform::dispatch::Queue::main());
  return *queue;
}

std::atomic<std::int64_t>& outstandingWork() {
  static std::atomic<std::int64_t> count{0};
  return count;
}

}  // namespace

class VBLPromise::Continuation {
 public:
  explicit Continuation(VBLQueue queue) : queue(std::move(queue)) {}
  virtual ~Continuation() = default;
  // On `queue`, once `source` has settled.
  virtual void run() = 0;

  const VBLQueue queue;
  // The settled promise. Its result never changes again, and handing the continuation to the queue
  // orders the reads here after the writes, so they need no lock; keeping the promise rather than a
  // copy of its result keeps each step of a long chain small.
  Ptr source;
  ContinuationPtr next;

 protected:
  bool fulfilled() const { return source->state_ == State::Fulfilled; }
  const Value& value() const { return source->value_; }
  const Error& error() const { return *source->error_; }
};

class VBLPromise::ObserveContinuation final : public Continuation {
 public:
  ObserveContinuation(VBLQueue queue, FulfillBlock onFulfill, RejectBlock onReject)
      : Continuation(std::move(queue)), onFulfill_(std::move(onFulfill)), onReject_(std::move(onReject)) {}
  void run() override {
    if (fulfilled()) {
      if (onFulfill_) onFulfill_(value());
    } else if (onReject_) {
      onReject_(error());
    }
  }

 private:
  FulfillBlock onFulfill_;
  RejectBlock onReject_;
};

class VBLPromise::ChainContinuation final : public Continuation {
 public:
  ChainContinuation(VBLQueue queue, ChainedFulfillBlock onFulfill, ChainedRejectBlock onReject, Ptr chained)
      : Continuation(std::move(queue)),
        onFulfill_(std::move(onFulfill)),
        onReject_(std::move(onReject)),
        chained_(std::move(chained)) {}
  void run() override {
    if (fulfilled()) {
      chained_->resolveFollowing(queue, onFulfill_ ? onFulfill_(value()) : value());
    } else {
      chained_->resolveFollowing(queue, onReject_ ? onReject_(error()) : VBLValueWithError(error()));
    }
  }

 private:
  ChainedFulfillBlock onFulfill_;
  ChainedRejectBlock onReject_;
  Ptr chained_;
};

class VBLPromise::FollowContinuation final : public Continuation {
 public:
  FollowContinuation(VBLQueue queue, Ptr follower) : Continuation(std::move(queue)), follower_(std::move(follower)) {}
  void run() override {
    if (fulfilled()) {
      follower_->fulfill(value());
    } else {
      follower_->reject(error());
    }
  }

 private:
  Ptr follower_;
};

void VBLPromise::ContinuationDeleter::operator()(Continuation* continuation) const { delete continuation; }

void VBLPromise::enterGroup() {
  if (outstandingWork().fetch_add(1, std::memory_order_acq_rel) == 0) dispatchGroup().enter();
}

void VBLPromise::leaveGroup() {
  if (outstandingWork().fetch_sub(1, std::memory_order_acq_rel) == 1) dispatchGroup().leave();
}

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
  // Copies of a Group share one count; this one lives for the process and is never destroyed, since
  // promises may still resolve on other threads while the process exits.
  static const auto* const group = new platform::dispatch::Group;
  return *group;
}

VBLPromise::Ptr VBLPromise::pendingPromise() { return std::make_shared<VBLPromise>(Private()); }

VBLPromise::Ptr VBLPromise::resolvedWith(Value resolution) {
  return std::make_shared<VBLPromise>(Private(), std::move(resolution));
}

VBLPromise::Ptr VBLPromise::resolvedWith(Error error) { return resolvedWith(VBLValueWithError(std::move(error))); }

VBLPromise::VBLPromise(Private) : state_(State::Pending) { enterGroup(); }

VBLPromise::VBLPromise(Private, Value resolution) {
  if (auto error = VBLErrorFromValue(resolution)) {
    state_ = State::Rejected;
    error_ = std::make_unique<const Error>(std::move(*error));
  } else {
    state_ = State::Fulfilled;
    value_ = std::move(resolution);
  }
}

VBLPromise::~VBLPromise() {
  // A promise nobody can resolve any more must not keep waiters waiting.
  if (state_ == State::Pending) leaveGroup();
  releaseContinuations(std::move(first_));
}

void VBLPromise::releaseContinuations(ContinuationPtr first) {
  // A continuation owns the promise chained after this one, whose continuations own the next, and so
  // on: dropping a long unresolved chain would otherwise release it recursively and run out of stack.
  // The outermost release on a thread drains the chain in a loop; nested ones only hand over.
  struct Drain {
    bool active = false;
    std::vector<ContinuationPtr> waiting;
  };
  thread_local Drain drain;
  while (first) {
    ContinuationPtr next = std::move(first->next);
    drain.waiting.push_back(std::move(first));
    first = std::move(next);
  }
  if (drain.active) return;
  drain.active = true;
  while (!drain.waiting.empty()) {
    ContinuationPtr last = std::move(drain.waiting.back());
    drain.waiting.pop_back();
    last.reset();  // may append to `waiting`
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
  ContinuationPtr first;
  std::vector<std::shared_ptr<void>> released;
  {
    std::lock_guard lock(mutex_);
    if (state_ != State::Pending) return;
    state_ = state;
    value_ = std::move(value);
    if (error) error_ = std::make_unique<const Error>(std::move(*error));
    first.swap(first_);
    last_ = nullptr;
    released.swap(pendingObjects_);
    // Scheduling under the lock keeps the continuations' order against one registered meanwhile, which
    // would otherwise be scheduled straight away. Scheduling only queues: no user code runs here.
    Ptr self = first ? shared_from_this() : nullptr;
    while (first) {
      ContinuationPtr next = std::move(first->next);
      first->source = self;
      schedule(std::move(first));
      first = std::move(next);
    }
  }
  // Leave only after the callbacks entered, so the group is never empty while they are outstanding.
  leaveGroup();
  // `released` goes here, outside the lock: its destructors may release other promises.
}

void VBLPromise::schedule(ContinuationPtr continuation) {
  enterGroup();
  // The block carries a bare pointer, small enough for the function object to hold without a heap
  // allocation of its own; the block owns it and always runs (queues never drop their blocks).
  Continuation* queued = continuation.release();
  queued->queue->async([queued] {
    ContinuationPtr owned(queued);
    owned->run();
    owned.reset();
    leaveGroup();
  });
}

void VBLPromise::submit(const VBLQueue& queue, std::function<void()> block) {
  enterGroup();
  (queue ? queue : defaultDispatchQueue())->async([block = std::move(block)] {
    block();
    leaveGroup();
  });
}

void VBLPromise::addContinuation(ContinuationPtr continuation) {
  std::lock_guard lock(mutex_);
  if (state_ != State::Pending) {
    continuation->source = shared_from_this();
    return schedule(std::move(continuation));
  }
  Continuation* added = continuation.get();
  if (last_) {
    last_->next = std::move(continuation);
  } else {
    first_ = std::move(continuation);
  }
  last_ = added;
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
  if (!error_) return std::nullopt;
  return *error_;
}

void VBLPromise::addPendingObject(std::shared_ptr<void> object) {
  std::lock_guard lock(mutex_);
  if (state_ == State::Pending) pendingObjects_.push_back(std::move(object));
}

void VBLPromise::observeOnQueue(VBLQueue queue, FulfillBlock onFulfill, RejectBlock onReject) {
  if (!queue) queue = defaultDispatchQueue();
  addContinuation(ContinuationPtr(new ObserveContinuation(std::move(queue), std::move(onFulfill), std::move(onReject))));
}

VBLPromise::Ptr VBLPromise::chainOnQueue(VBLQueue queue, ChainedFulfillBlock chainedFulfill,
                                         ChainedRejectBlock chainedReject) {
  if (!queue) queue = defaultDispatchQueue();
  Ptr chained = pendingPromise();
  addContinuation(
      ContinuationPtr(new ChainContinuation(std::move(queue), std::move(chainedFulfill), std::move(chainedReject), chained)));
  return chained;
}

void VBLPromise::resolveFollowing(const VBLQueue& queue, Value result) {
  auto followed = result.objectAs<VBLPromise>();
  if (!followed) return fulfill(std::move(result));
  followed->addContinuation(ContinuationPtr(new FollowContinuation(queue, shared_from_this())));
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
  // Work already on the main queue runs straight through before the wait starts checking the group
  // between blocks: a long chain is one drain, not a check per step.
  if (platform::dispatch::MainLoop::isMainThread()) platform::dispatch::MainLoop::runUntilIdle();
  return VBLPromise::dispatchGroup().waitPumpingMainLoop(timeoutSeconds);
}
