#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "platform/dispatch/Group.h"
#include "platform/dispatch/Queue.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/Value.h"
#include "sdk/promises/PromiseCombine.h"
#include "sdk/promises/PromiseContinue.h"
#include "sdk/promises/PromiseError.h"
#include "sdk/promises/PromiseMake.h"
#include "sdk/promises/PromiseTypes.h"
#include "sdk/promises/PromiseWrap.h"

namespace sdk::promises {

// A promise: pending until it is fulfilled with a Value or rejected with an Error, exactly once. Results
// are dynamic Values; TypedPromise<T> puts a type on top for callers that know it.
//
// Callbacks always run asynchronously on the queue they were registered for (the default queue, the
// main queue unless replaced, when none is given), submitted through the promise dispatch group, and
// never under a promise's lock. Every promise made pending is counted in that group until it resolves
// or is released, so waiting on the group waits for all outstanding promise work.
//
// Blocks that continue a chain answer with a Value that may hold a plain value (fulfils), an error made
// by valueWithError (rejects) or another promise (the chain follows it).
class Promise final : public platform::foundation::Object,
                      public PromiseContinue,
                      public PromiseMake,
                      public PromiseCombine,
                      public PromiseWrap {
 public:
  using Ptr = PromiseTypes::Ptr;
  using Value = PromiseTypes::Value;
  using Error = PromiseTypes::Error;
  using Array = PromiseTypes::Array;
  using OptionalError = PromiseTypes::OptionalError;

  enum class State : std::int64_t { Pending = 0, Fulfilled = 1, Rejected = 2 };

  using FulfillBlock = PromiseTypes::FulfillBlock;
  using RejectBlock = PromiseTypes::RejectBlock;
  using ChainedFulfillBlock = PromiseTypes::ChainedFulfillBlock;
  using ChainedRejectBlock = PromiseTypes::ChainedRejectBlock;
  using AsyncWorkBlock = PromiseTypes::AsyncWorkBlock;
  using DoWorkBlock = PromiseTypes::DoWorkBlock;
  using RetryConditionBlock = PromiseTypes::RetryConditionBlock;
  using ReduceBlock = PromiseTypes::ReduceBlock;

  // --- core ---------------------------------------------------------------------------------------
  static DispatchQueuePtr defaultDispatchQueue();
  static void setDefaultDispatchQueue(DispatchQueuePtr queue);
  static platform::dispatch::Group dispatchGroup();

  static Ptr pendingPromise();
  // Already rejected when `resolution` carries an error, else fulfilled with it (nil allowed). Never
  // counted in the dispatch group.
  static Ptr resolvedWith(Value resolution);
  static Ptr resolvedWith(Error error);

  struct Private {
    explicit Private() = default;
  };
  explicit Promise(Private);                    // pending
  Promise(Private, Value resolution);           // resolved
  ~Promise() override;

  // A Value carrying an error rejects instead. Later resolutions are ignored.
  void fulfill(Value value);
  void reject(Error error);

  State state() const;
  bool isPending() const { return state() == State::Pending; }
  bool isFulfilled() const { return state() == State::Fulfilled; }
  bool isRejected() const { return state() == State::Rejected; }
  Value value() const;
  std::optional<Error> error() const;

  // Keeps `object` alive until the promise resolves; ignored once it has.
  void addPendingObject(std::shared_ptr<void> object);

  void observeOnQueue(DispatchQueuePtr queue, FulfillBlock onFulfill, RejectBlock onReject);
  // A new promise resolved by the block that matches how this one resolves (or by the same result when
  // that block is empty).
  Ptr chainOnQueue(DispatchQueuePtr queue, ChainedFulfillBlock chainedFulfill, ChainedRejectBlock chainedReject);

  std::string description() const override;

  // --- the operator families: PromiseContinue (then, catch, recover, always, validate, delay, timeout,
  // reduce), PromiseMake (async, do, retry), PromiseCombine (all, any, race) and PromiseWrap.
  //
  // Each has its dot syntax: getters answering a callable that takes the method's arguments (the
  // queue first for the ...On forms) and calls it, so a chain reads as it does with blocks:
  //
  //   Promise::doOn()(queue, work)->then()(next)->catchOn()(queue, report)->always()(cleanUp);
  //
  // An instance's callable keeps the promise alive until it is called or dropped.
  template <class... A>
  using Call = PromiseTypes::Call<A...>;
  template <class... R>
  using WrapWork = PromiseTypes::WrapWork<R...>;

  static Call<> pending();
  static Call<Value> resolved();

 private:
  friend class PromiseContinue;
  friend class PromiseMake;
  friend class PromiseCombine;

  // One registered interest in the result: scheduled on its queue once the promise settles, carrying
  // the result with it. Kinds: an observer's two blocks, a chain step, a promise following another, and
  // an object merely kept alive until the promise settles (never scheduled).
  // The queue a continuation runs on. The main queue lives as long as the process, so it is held without
  // a reference count (an owner-less pointer) and copying it costs nothing; any other queue is kept alive.
  class TargetQueue {
   public:
    TargetQueue() = default;
    explicit TargetQueue(DispatchQueuePtr queue);
    // The default queue, read without a lock while it is unchanged.
    static TargetQueue defaultQueue();
    platform::dispatch::Queue* operator->() const { return queue_.get(); }
    explicit operator bool() const { return queue_ != nullptr; }
    const DispatchQueuePtr& shared() const { return queue_; }

   private:
    DispatchQueuePtr queue_;
  };
  // What a continuation's run did with the count in the promise group it ran under, and with itself.
  enum class RunOutcome { CountLeft, CountHandedOn, CountAndSelfHandedOn };

  // What the members of one join (all, any) report to: one state for all of them, so that each
  // member's observer holds no more than the join and the member's place in it.
  class Join {
   public:
    // Made with `holders` references: one for each member's observer, and one for the walk that
    // registers them.
    explicit Join(std::size_t holders) : holders_(holders) {}
    virtual ~Join() = default;
    virtual void fulfilled(std::size_t member, const Value& value) = 0;
    virtual void rejected(std::size_t member, const Error& error) = 0;
    // Gives up `count` references; the last one deletes the join.
    void release(std::size_t count = 1) {
      if (holders_.fetch_sub(count, std::memory_order_acq_rel) == count) delete this;
    }

   private:
    std::atomic<std::size_t> holders_;
  };
  // Has `join` hear on `queue` how this promise settles, as its member at `place`.
  void reportTo(const TargetQueue& queue, Join& join, std::size_t place);

  class Continuation;
  class JoinContinuation;
  class ObserveContinuation;
  class ChainContinuation;
  class FollowContinuation;
  class KeepAlive;
  struct ChainedPromise;
  struct ContinuationDeleter {
    void operator()(Continuation* continuation) const;
  };
  using ContinuationPtr = std::unique_ptr<Continuation, ContinuationDeleter>;

  // What `head_` holds once it no longer lists continuations, and the flag a pending promise's head
  // carries when the promise holds a count of its own in the promise group. Continuations are aligned,
  // so a pointer never has these low bits set.
  static constexpr std::uintptr_t kSettling = 1;
  static constexpr std::uintptr_t kFulfilled = 2;
  static constexpr std::uintptr_t kRejected = 3;
  static constexpr std::uintptr_t kCounted = 4;
  static bool isPendingHead(std::uintptr_t head) { return (head & 3) == 0; }
  static Continuation* listOf(std::uintptr_t head) { return reinterpret_cast<Continuation*>(head & ~std::uintptr_t{7}); }

  // A promise made by a chain step is not counted in the group by itself: until its source settles the
  // source's count covers it, and afterwards the step's own. Such a promise left pending when its step
  // is dropped unrun (the source released unsettled) takes a count of its own here.
  void countIfOrphaned();
  struct CoveredByStep {};
  Promise(Private, CoveredByStep);

  static Ptr adopt(Ptr promise);
  Ptr self() const { return self_.lock(); }
  // `carriesCount`: the caller hands over one count in the promise group (a step that has run);
  // `owner`: a reference to this promise the caller gives up, which then needs no taking.
  void resolve(Value value, std::unique_ptr<const Error> error, bool carriesCount = false, Ptr owner = nullptr);
  // Resolves with a block's result: a promise is followed on `queue`, an error Value rejects.
  void resolveFollowing(const TargetQueue& queue, Value result, bool carriesCount, Ptr owner = nullptr);
  Ptr chain(TargetQueue queue, ChainedFulfillBlock chainedFulfill, ChainedRejectBlock chainedReject);
  void addContinuation(ContinuationPtr continuation);
  // The head once no resolution is under way: the continuation list of a pending promise, or the tag
  // of a settled one. Settling only queues work, so the wait is brief.
  std::uintptr_t settledHead() const;
  // Hands the continuation to its queue, which runs it under one count in the promise group.
  static void schedule(ContinuationPtr continuation);
  static void submit(const DispatchQueuePtr& queue, std::function<void()> block);
  // Releases a list of continuations, then gives up `counts` in the promise group.
  static void releaseContinuations(ContinuationPtr first, std::int64_t counts = 0);
  // The promise group counts outstanding promise work as one: entered when the first piece starts,
  // left when the last one ends, so each piece costs an atomic step, not a lock.
  static void enterGroup(std::int64_t pieces = 1);
  static void leaveGroup(std::int64_t pieces = 1);

  // A pending promise's registrations, newest first (with kCounted), swapped for a tag when it settles:
  // registering and settling meet on this one word instead of a lock.
  std::atomic<std::uintptr_t> head_{0};
  std::weak_ptr<Promise> self_;
  // Written once, by the thread that moves `head_` to kSettling, before any reader can see it settled.
  Value value_;
  // Held by pointer: most promises fulfil, and a chain keeps every pending promise alive at once.
  std::unique_ptr<const Error> error_;
};

// Pumps the main loop on the main thread until every promise is resolved and every callback has run,
// or `timeoutSeconds` pass; true when everything finished. For tests.
[[nodiscard]] bool waitForPromisesWithTimeout(double timeoutSeconds);

}  // namespace sdk::promises

