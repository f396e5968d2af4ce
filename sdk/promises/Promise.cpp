#include "sdk/promises/Promise.h"

#include <atomic>
#include <thread>

#include "platform/dispatch/MainLoop.h"
#include "platform/foundation/Format.h"
#include "sdk/promises/StepPool.h"

namespace sdk::promises {

using platform::foundation::Error;
using platform::foundation::Value;

namespace {

// Never destroyed, like the dispatch group below.
std::mutex& defaultQueueMutex() {
  static auto* const mutex = new std::mutex;
  return *mutex;
}

DispatchQueuePtr& defaultQueueSlot() {
  static auto* const queue = new DispatchQueuePtr(platform::dispatch::Queue::main());
  return *queue;
}

// Bumped by every change of the default queue, so a thread can keep the queue it last read and skip the
// lock while nothing changed: every operator without a queue asks for it.
std::atomic<std::uint64_t> defaultQueueGeneration{1};

std::atomic<std::int64_t>& outstandingWork() {
  static std::atomic<std::int64_t> count{0};
  return count;
}

}  // namespace

class Promise::Continuation {
 public:
  explicit Continuation(TargetQueue queue) : queue(std::move(queue)) {}
  virtual ~Continuation() = default;
  // On `queue`, once `source` has settled, under one count in the promise group.
  virtual RunOutcome run() { return RunOutcome::CountLeft; }
  // What the owner does when done with it; a chain step lives inside its promise and only lets go.
  virtual void destroy() { delete this; }

  // Empty for a kept object, which is released on settling instead of scheduled.
  TargetQueue queue;
  // The settled promise. Its result never changes again, and handing the continuation to the queue
  // orders the reads here after the writes, so they need no lock; keeping the promise rather than a
  // copy of its result keeps each step of a long chain small.
  Ptr source;
  ContinuationPtr next;

 protected:
  bool fulfilled() const { return !source->error_; }
  const Value& value() const { return source->value_; }
  const Error& error() const { return *source->error_; }
};

class Promise::KeepAlive final : public Continuation {
 public:
  explicit KeepAlive(std::shared_ptr<void> object) : Continuation(TargetQueue()), object_(std::move(object)) {}

 private:
  std::shared_ptr<void> object_;
};

class Promise::ObserveContinuation final : public Continuation {
 public:
  ObserveContinuation(TargetQueue queue, FulfillBlock onFulfill, RejectBlock onReject)
      : Continuation(std::move(queue)), onFulfill_(std::move(onFulfill)), onReject_(std::move(onReject)) {}
  RunOutcome run() override {
    if (fulfilled()) {
      if (onFulfill_) onFulfill_(value());
    } else if (onReject_) {
      onReject_(error());
    }
    return RunOutcome::CountLeft;
  }

 private:
  FulfillBlock onFulfill_;
  RejectBlock onReject_;
};

class Promise::JoinContinuation final : public Continuation {
 public:
  JoinContinuation(TargetQueue queue, Join& join, std::size_t member)
      : Continuation(std::move(queue)), join_(join), member_(member) {}
  ~JoinContinuation() override { join_.release(); }
  // A join makes one for each member, tens of thousands at once: they come from the pool.
  static void* operator new(std::size_t bytes) {
    static_assert(sizeof(JoinContinuation) <= StepPool::kSmallBlockBytes);
    return StepPool::allocate(bytes);
  }
  static void operator delete(void* block, std::size_t bytes) { StepPool::release(block, bytes); }
  RunOutcome run() override {
    if (fulfilled()) {
      join_.fulfilled(member_, value());
    } else {
      join_.rejected(member_, error());
    }
    return RunOutcome::CountLeft;
  }

 private:
  Join& join_;  // one of its references
  std::size_t member_;
};

// The step that resolves a chained promise. It shares one allocation with that promise, and holds it
// until the step has run or been dropped; then it lets go of everything, the promise last.
class Promise::ChainContinuation final : public Continuation {
 public:
  ChainContinuation(TargetQueue queue, ChainedFulfillBlock onFulfill, ChainedRejectBlock onReject)
      : Continuation(std::move(queue)),
        onFulfill_(std::move(onFulfill)),
        onReject_(onReject ? std::make_unique<ChainedRejectBlock>(std::move(onReject)) : nullptr) {}
  RunOutcome run() override {
    Value result = fulfilled() ? (onFulfill_ ? onFulfill_(value()) : value())
                               : (onReject_ ? (*onReject_)(error()) : valueWithError(error()));
    // Everything but the chained promise goes now. The reference to it, which keeps the allocation
    // holding this step, goes to whatever settles it next: nothing here may be touched afterwards.
    onFulfill_ = nullptr;
    onReject_.reset();
    source.reset();
    TargetQueue target = std::move(queue);
    Promise* promise = chained.get();
    promise->resolveFollowing(target, std::move(result), true, std::move(chained));
    return RunOutcome::CountAndSelfHandedOn;
  }
  void destroy() override {
    // The blocks' captures and the source go now, as a separately allocated step's would.
    onFulfill_ = nullptr;
    onReject_.reset();
    source.reset();
    queue = TargetQueue();
    if (chained.use_count() > 1) chained->countIfOrphaned();
    Ptr last = std::move(chained);
    // `last` may be the final owner of the allocation holding this step: nothing touches it after.
  }

  Ptr chained;

 private:
  ChainedFulfillBlock onFulfill_;
  // Most steps continue only a fulfilment (then, validate): a reject block is the exception and costs
  // a separate allocation, so each step of a long chain stays small.
  std::unique_ptr<ChainedRejectBlock> onReject_;
};

struct Promise::ChainedPromise {
  ChainedPromise(TargetQueue queue, ChainedFulfillBlock onFulfill, ChainedRejectBlock onReject)
      : promise(Private(), CoveredByStep()), step(std::move(queue), std::move(onFulfill), std::move(onReject)) {}
  Promise promise;
  ChainContinuation step;
};

class Promise::FollowContinuation final : public Continuation {
 public:
  FollowContinuation(TargetQueue queue, Ptr follower) : Continuation(std::move(queue)), follower_(std::move(follower)) {}
  ~FollowContinuation() override {
    if (follower_.use_count() > 1) follower_->countIfOrphaned();
  }
  RunOutcome run() override {
    Promise* follower = follower_.get();
    if (fulfilled()) {
      follower->resolve(value(), nullptr, true, std::move(follower_));
    } else {
      follower->resolve(Value(), std::make_unique<const Error>(error()), true, std::move(follower_));
    }
    return RunOutcome::CountHandedOn;
  }

 private:
  Ptr follower_;
};

void Promise::ContinuationDeleter::operator()(Continuation* continuation) const { continuation->destroy(); }

void Promise::enterGroup(std::int64_t pieces) {
  if (outstandingWork().fetch_add(pieces, std::memory_order_acq_rel) == 0) dispatchGroup().enter();
}

void Promise::leaveGroup(std::int64_t pieces) {
  if (outstandingWork().fetch_sub(pieces, std::memory_order_acq_rel) == pieces) dispatchGroup().leave();
}

namespace {
// The main queue without its reference count: it is never destroyed.
const DispatchQueuePtr& unownedMainQueue() {
  static const auto* const queue = new DispatchQueuePtr(std::shared_ptr<void>(), platform::dispatch::Queue::main().get());
  return *queue;
}
}  // namespace

Promise::TargetQueue::TargetQueue(DispatchQueuePtr queue)
    : queue_(queue.get() == unownedMainQueue().get() ? unownedMainQueue() : std::move(queue)) {}

Promise::TargetQueue Promise::TargetQueue::defaultQueue() {
  // Remembered only while it is the main queue, which is held without owning it: no thread's end (nor
  // the process's) releases a queue from here.
  thread_local std::uint64_t seen = 0;
  thread_local TargetQueue cached;
  if (defaultQueueGeneration.load(std::memory_order_acquire) == seen) return cached;
  std::lock_guard lock(defaultQueueMutex());
  TargetQueue current(defaultQueueSlot());
  if (current.queue_ == unownedMainQueue()) {
    cached = current;
    seen = defaultQueueGeneration.load(std::memory_order_relaxed);
  }
  return current;
}

DispatchQueuePtr Promise::defaultDispatchQueue() {
  // Handed out owned: a caller may compare or keep it like any queue.
  DispatchQueuePtr queue = TargetQueue::defaultQueue().shared();
  return queue.get() == unownedMainQueue().get() ? platform::dispatch::Queue::main() : queue;
}

void Promise::setDefaultDispatchQueue(DispatchQueuePtr queue) {
  if (!queue) return;
  std::lock_guard lock(defaultQueueMutex());
  defaultQueueSlot() = std::move(queue);
  defaultQueueGeneration.fetch_add(1, std::memory_order_release);
}

platform::dispatch::Group Promise::dispatchGroup() {
  // Copies of a Group share one count; this one lives for the process and is never destroyed, since
  // promises may still resolve on other threads while the process exits.
  static const auto* const group = new platform::dispatch::Group;
  return *group;
}

Promise::Ptr Promise::adopt(Ptr promise) {
  promise->self_ = promise;
  return promise;
}

// Promises come from the pool too: a join over many is made whole before any of them settles, as a
// long chain is.
Promise::Ptr Promise::pendingPromise() {
  return adopt(std::allocate_shared<Promise>(StepAllocator<Promise>(), Private()));
}

Promise::Ptr Promise::resolvedWith(Value resolution) {
  return adopt(std::allocate_shared<Promise>(StepAllocator<Promise>(), Private(), std::move(resolution)));
}

Promise::Ptr Promise::resolvedWith(Error error) { return resolvedWith(valueWithError(std::move(error))); }

Promise::Promise(Private) : head_(kCounted) { enterGroup(); }

Promise::Promise(Private, CoveredByStep) {}

Promise::Promise(Private, Value resolution) {
  if (auto error = errorFromValue(resolution)) {
    error_ = std::make_unique<const Error>(std::move(*error));
    head_.store(kRejected, std::memory_order_relaxed);
  } else {
    value_ = std::move(resolution);
    head_.store(kFulfilled, std::memory_order_relaxed);
  }
}

Promise::~Promise() {
  // Nobody settles a promise while it is being destroyed: the settling thread holds a reference.
  std::uintptr_t head = head_.load(std::memory_order_acquire);
  if (!isPendingHead(head)) return;
  // A promise nobody can resolve any more must not keep waiters waiting; its count goes once its
  // continuations have.
  releaseContinuations(ContinuationPtr(listOf(head)), (head & kCounted) ? 1 : 0);
}

void Promise::releaseContinuations(ContinuationPtr first, std::int64_t counts) {
  // A continuation owns the promise chained after this one, whose continuations own the next, and so
  // on: dropping a long unresolved chain would otherwise release it recursively and run out of stack.
  // The outermost release on a thread drains the chain in a loop; nested ones only hand over, their
  // counts with them. The counts go last: until then they cover the promises chained after these,
  // which take counts of their own as their steps are dropped while someone still holds them, and the
  // group must not look empty in between.
  if (!first) {
    if (counts > 0) leaveGroup(counts);
    return;
  }
  struct Drain {
    bool active = false;
    std::int64_t counts = 0;
    std::vector<ContinuationPtr> waiting;
  };
  thread_local Drain drain;
  while (first) {
    ContinuationPtr next = std::move(first->next);
    drain.waiting.push_back(std::move(first));
    first = std::move(next);
  }
  drain.counts += counts;
  if (drain.active) return;
  drain.active = true;
  while (!drain.waiting.empty()) {
    ContinuationPtr last = std::move(drain.waiting.back());
    drain.waiting.pop_back();
    last.reset();  // may append to `waiting`
  }
  drain.active = false;
  if (const std::int64_t held = std::exchange(drain.counts, 0); held > 0) leaveGroup(held);
}

void Promise::fulfill(Value value) {
  if (auto error = errorFromValue(value)) {
    resolve(Value(), std::make_unique<const Error>(std::move(*error)));
  } else {
    resolve(std::move(value), nullptr);
  }
}

void Promise::reject(Error error) { resolve(Value(), std::make_unique<const Error>(std::move(error))); }

void Promise::resolve(Value value, std::unique_ptr<const Error> error, bool carriesCount, Ptr owner) {
  std::uintptr_t head = head_.load(std::memory_order_acquire);
  do {
    if (!isPendingHead(head)) {  // settled, or being settled by another thread
      if (carriesCount) leaveGroup();
      return;
    }
  } while (!head_.compare_exchange_weak(head, kSettling, std::memory_order_acquire, std::memory_order_acquire));
  value_ = std::move(value);
  error_ = std::move(error);

  // The list is newest first: turn it into registration order, setting kept objects aside.
  ContinuationPtr ordered;
  ContinuationPtr kept;
  std::int64_t scheduled = 0;
  for (ContinuationPtr item(listOf(head)); item;) {
    ContinuationPtr next = std::move(item->next);
    ContinuationPtr& into = item->queue ? ordered : kept;
    scheduled += item->queue ? 1 : 0;
    item->next = std::move(into);
    into = std::move(item);
    item = std::move(next);
  }
  // The counts at hand (this promise's own, the caller's) pass to the callbacks; those that need more
  // add theirs before any of them can run, so the group never looks empty while work is outstanding.
  const std::int64_t held = ((head & kCounted) ? 1 : 0) + (carriesCount ? 1 : 0);
  if (scheduled > held) enterGroup(scheduled - held);
  // Scheduling before publishing the result keeps the continuations' order against one registered
  // meanwhile, which waits for the result and is scheduled after them. Scheduling only queues.
  // `source` also keeps this promise alive until the result is published: a callback may run and let go
  // of its reference on another thread before then.
  Ptr source = scheduled == 0 ? nullptr : owner ? std::move(owner) : self();
  const std::uintptr_t settled = error_ ? kRejected : kFulfilled;
  while (ordered) {
    ContinuationPtr next = std::move(ordered->next);
    ordered->source = source;
    schedule(std::move(ordered));
    ordered = std::move(next);
  }
  head_.store(settled, std::memory_order_release);
  // Kept objects go last, outside the settling: their destructors may release other promises, which
  // the counts left over cover until they are gone.
  releaseContinuations(std::move(kept), held > scheduled ? held - scheduled : 0);
}

void Promise::countIfOrphaned() {
  std::uintptr_t head = head_.load(std::memory_order_acquire);
  if (!isPendingHead(head) || (head & kCounted)) return;
  // Counted before the flag is published, so a resolution that takes the count finds it entered.
  enterGroup();
  while (isPendingHead(head) && !(head & kCounted)) {
    if (head_.compare_exchange_weak(head, head | kCounted, std::memory_order_acq_rel, std::memory_order_acquire)) return;
  }
  leaveGroup();  // settled or counted meanwhile
}

std::uintptr_t Promise::settledHead() const {
  std::uintptr_t head = head_.load(std::memory_order_acquire);
  while (head == kSettling) {
    std::this_thread::yield();
    head = head_.load(std::memory_order_acquire);
  }
  return head;
}

void Promise::schedule(ContinuationPtr continuation) {
  // The block carries a bare pointer, small enough for the function object to hold without a heap
  // allocation of its own; the block owns it and always runs (queues never drop their blocks).
  Continuation* queued = continuation.release();
  queued->queue->async([queued] {
    ContinuationPtr owned(queued);
    switch (owned->run()) {
      case RunOutcome::CountLeft:
        owned.reset();
        leaveGroup();
        break;
      case RunOutcome::CountHandedOn:
        owned.reset();
        break;
      case RunOutcome::CountAndSelfHandedOn:
        (void)owned.release();  // may already be gone with the allocation it lived in
        break;
    }
  });
}

void Promise::submit(const DispatchQueuePtr& queue, std::function<void()> block) {
  enterGroup();
  (queue ? queue : defaultDispatchQueue())->async([block = std::move(block)] {
    block();
    leaveGroup();
  });
}

void Promise::addContinuation(ContinuationPtr continuation) {
  std::uintptr_t head = settledHead();
  while (isPendingHead(head)) {
    continuation->next.reset(listOf(head));
    const auto added = reinterpret_cast<std::uintptr_t>(continuation.get()) | (head & kCounted);
    if (head_.compare_exchange_weak(head, added, std::memory_order_acq_rel, std::memory_order_acquire)) {
      continuation.release();
      return;
    }
    (void)continuation->next.release();  // still owned by the list
    if (head == kSettling) head = settledHead();
  }
  // Already settled: straight to the queue, or, for a kept object, nothing to keep it for.
  if (!continuation->queue) return;
  continuation->source = self();
  enterGroup();
  schedule(std::move(continuation));
}

Promise::State Promise::state() const {
  switch (settledHead()) {
    case kFulfilled:
      return State::Fulfilled;
    case kRejected:
      return State::Rejected;
    default:
      return State::Pending;
  }
}

Value Promise::value() const { return settledHead() == kFulfilled ? value_ : Value(); }

std::optional<Error> Promise::error() const {
  if (settledHead() != kRejected) return std::nullopt;
  return *error_;
}

void Promise::addPendingObject(std::shared_ptr<void> object) {
  addContinuation(ContinuationPtr(new KeepAlive(std::move(object))));
}

void Promise::observeOnQueue(DispatchQueuePtr queue, FulfillBlock onFulfill, RejectBlock onReject) {
  TargetQueue target = queue ? TargetQueue(std::move(queue)) : TargetQueue::defaultQueue();
  addContinuation(ContinuationPtr(new ObserveContinuation(std::move(target), std::move(onFulfill), std::move(onReject))));
}

void Promise::reportTo(const TargetQueue& queue, Join& join, std::size_t place) {
  addContinuation(ContinuationPtr(new JoinContinuation(queue, join, place)));
}

Promise::Ptr Promise::chainOnQueue(DispatchQueuePtr queue, ChainedFulfillBlock chainedFulfill,
                                         ChainedRejectBlock chainedReject) {
  TargetQueue target = queue ? TargetQueue(std::move(queue)) : TargetQueue::defaultQueue();
  return chain(std::move(target), std::move(chainedFulfill), std::move(chainedReject));
}

Promise::Ptr Promise::chain(TargetQueue queue, ChainedFulfillBlock chainedFulfill,
                                  ChainedRejectBlock chainedReject) {
  // The chained promise and the step that resolves it are made together: one block per step, from the
  // pool that keeps steps' memory for the next ones.
  auto block = std::allocate_shared<ChainedPromise>(StepAllocator<ChainedPromise>(), std::move(queue),
                                                    std::move(chainedFulfill), std::move(chainedReject));
  ChainContinuation* step = &block->step;
  Promise* promise = &block->promise;
  Ptr chained = adopt(Ptr(std::move(block), promise));
  step->chained = chained;
  addContinuation(ContinuationPtr(step));
  return chained;
}

void Promise::resolveFollowing(const TargetQueue& queue, Value result, bool carriesCount, Ptr owner) {
  auto followed = result.objectAs<Promise>();
  if (!followed) {
    if (auto error = errorFromValue(result)) {
      return resolve(Value(), std::make_unique<const Error>(std::move(*error)), carriesCount, std::move(owner));
    }
    return resolve(std::move(result), nullptr, carriesCount, std::move(owner));
  }
  // Until the followed promise settles, its count (or whatever covers it) covers this one too.
  followed->addContinuation(ContinuationPtr(new FollowContinuation(queue, owner ? std::move(owner) : self())));
  if (carriesCount) leaveGroup();
}

Promise::Call<> Promise::pending() {
  return [] { return pendingPromise(); };
}

Promise::Call<Promise::Value> Promise::resolved() {
  return [](Value resolution) { return resolvedWith(std::move(resolution)); };
}

std::string Promise::description() const {
  const void* self = this;
  switch (state()) {
    case State::Fulfilled:
      return platform::foundation::format("<%@ %p> Fulfilled: %@", "VBLPromise", self, value_);
    case State::Rejected:
      return platform::foundation::format("<%@ %p> Rejected: %@", "VBLPromise", self, *error_);
    case State::Pending:
      break;
  }
  return platform::foundation::format("<%@ %p> Pending", "VBLPromise", self);
}

bool waitForPromisesWithTimeout(double timeoutSeconds) {
  // Work already on the main queue runs straight through before the wait starts checking the group
  // between blocks: a long chain is one drain, not a check per step.
  if (platform::dispatch::MainLoop::isMainThread()) platform::dispatch::MainLoop::runUntilIdle();
  return Promise::dispatchGroup().waitPumpingMainLoop(timeoutSeconds);
}

}  // namespace sdk::promises

