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
#include "sdk/promises/PromiseError.h"

namespace sdk::promises {

using DispatchQueuePtr = std::shared_ptr<platform::dispatch::Queue>;

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
class Promise final : public platform::foundation::Object {
 public:
  using Ptr = std::shared_ptr<Promise>;
  using Value = platform::foundation::Value;
  using Error = platform::foundation::Error;
  using Array = platform::foundation::Array;

  enum class State : std::int64_t { Pending = 0, Fulfilled = 1, Rejected = 2 };

  using FulfillBlock = std::function<void(const Value&)>;
  using RejectBlock = std::function<void(const Error&)>;
  using ChainedFulfillBlock = std::function<Value(const Value&)>;
  using ChainedRejectBlock = std::function<Value(const Error&)>;
  // What async and wrap hand their work: `fulfill` follows a promise and rejects on an error Value.
  using AsyncWorkBlock = std::function<void(FulfillBlock fulfill, RejectBlock reject)>;
  using DoWorkBlock = std::function<Value()>;
  using RetryConditionBlock = std::function<bool(std::int64_t remainingAttempts, const Error& error)>;
  using ReduceBlock = std::function<Value(const Value& partial, const Value& item)>;

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

  // --- continuing one promise ---------------------------------------------------------------------
  Ptr then(ChainedFulfillBlock work);
  Ptr onQueueThen(DispatchQueuePtr queue, ChainedFulfillBlock work);
  // Runs `reject` on a rejection; the result still rejects with the same error.
  Ptr catchError(RejectBlock reject);
  Ptr onQueueCatch(DispatchQueuePtr queue, RejectBlock reject);
  Ptr recover(ChainedRejectBlock recovery);
  Ptr onQueueRecover(DispatchQueuePtr queue, ChainedRejectBlock recovery);
  Ptr always(std::function<void()> work);
  Ptr onQueueAlways(DispatchQueuePtr queue, std::function<void()> work);
  Ptr validate(std::function<bool(const Value&)> predicate);
  Ptr onQueueValidate(DispatchQueuePtr queue, std::function<bool(const Value&)> predicate);
  // Fulfils `interval` seconds after this one does; a rejection passes at once.
  Ptr delay(double interval);
  Ptr onQueueDelay(DispatchQueuePtr queue, double interval);
  // Rejects with the timed-out error unless this one settles within `interval` seconds.
  Ptr timeout(double interval);
  Ptr onQueueTimeout(DispatchQueuePtr queue, double interval);
  // Folds `items` into this promise's value, one chain step per item; no items gives this promise.
  Ptr reduce(Array items, ReduceBlock combine);
  Ptr onQueueReduce(DispatchQueuePtr queue, Array items, ReduceBlock combine);

  // --- making promises from work ------------------------------------------------------------------
  static Ptr async(AsyncWorkBlock work);
  static Ptr onQueueAsync(DispatchQueuePtr queue, AsyncWorkBlock work);
  static Ptr doWork(DoWorkBlock work);
  static Ptr onQueueDo(DispatchQueuePtr queue, DoWorkBlock work);

  // --- combining several --------------------------------------------------------------------------
  // Elements may be promises (as Values) or plain values; an error Value among them rejects.
  static Ptr all(Array promises);
  static Ptr onQueueAll(DispatchQueuePtr queue, Array promises);
  static Ptr any(Array promises);
  static Ptr onQueueAny(DispatchQueuePtr queue, Array promises);
  static Ptr race(Array promises);
  static Ptr onQueueRace(DispatchQueuePtr queue, Array promises);
  static Array arrayOf(const std::vector<Ptr>& promises);

  // --- retrying failing work ----------------------------------------------------------------------
  // The work runs at most count + 1 times, the first time at once on the calling thread, then on the
  // queue `interval` seconds after each failure (1 retry and 1 second unless given).
  static Ptr retry(DoWorkBlock work);
  static Ptr onQueueRetry(DispatchQueuePtr queue, DoWorkBlock work);
  static Ptr attempts(std::int64_t count, DoWorkBlock work);
  static Ptr onQueueAttempts(DispatchQueuePtr queue, std::int64_t count, DoWorkBlock work);
  static Ptr attempts(std::int64_t count, double interval, RetryConditionBlock condition, DoWorkBlock work);
  static Ptr onQueueAttempts(DispatchQueuePtr queue, std::int64_t count, double interval, RetryConditionBlock condition,
                             DoWorkBlock work);

  // --- wrapping completion-handler APIs -----------------------------------------------------------
  using OptionalError = std::optional<Error>;
  static Ptr wrapCompletion(std::function<void(std::function<void()>)> work);
  static Ptr wrapObjectCompletion(std::function<void(std::function<void(Value)>)> work);
  static Ptr wrapErrorCompletion(std::function<void(std::function<void(OptionalError)>)> work);
  static Ptr wrapObjectOrErrorCompletion(std::function<void(std::function<void(Value, OptionalError)>)> work);
  static Ptr wrapErrorOrObjectCompletion(std::function<void(std::function<void(OptionalError, Value)>)> work);
  static Ptr wrap2ObjectsOrErrorCompletion(
      std::function<void(std::function<void(Value, Value, OptionalError)>)> work);
  static Ptr wrapBoolCompletion(std::function<void(std::function<void(bool)>)> work);
  static Ptr wrapBoolOrErrorCompletion(std::function<void(std::function<void(bool, OptionalError)>)> work);
  static Ptr wrapIntegerCompletion(std::function<void(std::function<void(std::int64_t)>)> work);
  static Ptr wrapIntegerOrErrorCompletion(std::function<void(std::function<void(std::int64_t, OptionalError)>)> work);
  static Ptr wrapDoubleCompletion(std::function<void(std::function<void(double)>)> work);
  static Ptr wrapDoubleOrErrorCompletion(std::function<void(std::function<void(double, OptionalError)>)> work);

  static Ptr onQueueWrapCompletion(DispatchQueuePtr queue, std::function<void(std::function<void()>)> work);
  static Ptr onQueueWrapObjectCompletion(DispatchQueuePtr queue, std::function<void(std::function<void(Value)>)> work);
  static Ptr onQueueWrapErrorCompletion(DispatchQueuePtr queue, std::function<void(std::function<void(OptionalError)>)> work);
  static Ptr onQueueWrapObjectOrErrorCompletion(
      DispatchQueuePtr queue, std::function<void(std::function<void(Value, OptionalError)>)> work);
  static Ptr onQueueWrapErrorOrObjectCompletion(
      DispatchQueuePtr queue, std::function<void(std::function<void(OptionalError, Value)>)> work);
  static Ptr onQueueWrap2ObjectsOrErrorCompletion(
      DispatchQueuePtr queue, std::function<void(std::function<void(Value, Value, OptionalError)>)> work);
  static Ptr onQueueWrapBoolCompletion(DispatchQueuePtr queue, std::function<void(std::function<void(bool)>)> work);
  static Ptr onQueueWrapBoolOrErrorCompletion(
      DispatchQueuePtr queue, std::function<void(std::function<void(bool, OptionalError)>)> work);
  static Ptr onQueueWrapIntegerCompletion(DispatchQueuePtr queue,
                                          std::function<void(std::function<void(std::int64_t)>)> work);
  static Ptr onQueueWrapIntegerOrErrorCompletion(
      DispatchQueuePtr queue, std::function<void(std::function<void(std::int64_t, OptionalError)>)> work);
  static Ptr onQueueWrapDoubleCompletion(DispatchQueuePtr queue, std::function<void(std::function<void(double)>)> work);
  static Ptr onQueueWrapDoubleOrErrorCompletion(
      DispatchQueuePtr queue, std::function<void(std::function<void(double, OptionalError)>)> work);

  // --- dot syntax ---------------------------------------------------------------------------------
  // Getters answering a callable that takes the method's arguments (the queue first for the ...On
  // forms) and calls it, so a chain reads as it does with blocks:
  //
  //   Promise::doOn()(queue, work)->then()(next)->catchOn()(queue, report)->always()(cleanUp);
  //
  // An instance's callable keeps the promise alive until it is called or dropped.
  template <class... A>
  using Call = std::function<Ptr(A...)>;
  template <class... R>
  using WrapWork = std::function<void(std::function<void(R...)>)>;

  static Call<> pending();
  static Call<Value> resolved();
  Call<ChainedFulfillBlock> then() const;
  Call<DispatchQueuePtr, ChainedFulfillBlock> thenOn() const;
  Call<RejectBlock> catchError() const;
  Call<DispatchQueuePtr, RejectBlock> catchOn() const;
  Call<ChainedRejectBlock> recover() const;
  Call<DispatchQueuePtr, ChainedRejectBlock> recoverOn() const;
  Call<std::function<void()>> always() const;
  Call<DispatchQueuePtr, std::function<void()>> alwaysOn() const;
  Call<std::function<bool(const Value&)>> validate() const;
  Call<DispatchQueuePtr, std::function<bool(const Value&)>> validateOn() const;
  Call<double> delay() const;
  Call<DispatchQueuePtr, double> delayOn() const;
  Call<double> timeout() const;
  Call<DispatchQueuePtr, double> timeoutOn() const;
  Call<Array, ReduceBlock> reduce() const;
  Call<DispatchQueuePtr, Array, ReduceBlock> reduceOn() const;
  static Call<AsyncWorkBlock> async();
  static Call<DispatchQueuePtr, AsyncWorkBlock> asyncOn();
  static Call<DispatchQueuePtr, DoWorkBlock> doOn();
  static Call<Array> all();
  static Call<DispatchQueuePtr, Array> allOn();
  static Call<Array> any();
  static Call<DispatchQueuePtr, Array> anyOn();
  static Call<Array> race();
  static Call<DispatchQueuePtr, Array> raceOn();
  static Call<DoWorkBlock> retry();
  static Call<DispatchQueuePtr, DoWorkBlock> retryOn();
  // The full form: count, interval, condition, work.
  static Call<std::int64_t, double, RetryConditionBlock, DoWorkBlock> retryAgain();
  static Call<DispatchQueuePtr, std::int64_t, double, RetryConditionBlock, DoWorkBlock> retryAgainOn();
  static Call<WrapWork<>> wrapCompletion();
  static Call<DispatchQueuePtr, WrapWork<>> wrapCompletionOn();
  static Call<WrapWork<Value>> wrapObjectCompletion();
  static Call<DispatchQueuePtr, WrapWork<Value>> wrapObjectCompletionOn();
  static Call<WrapWork<OptionalError>> wrapErrorCompletion();
  static Call<DispatchQueuePtr, WrapWork<OptionalError>> wrapErrorCompletionOn();
  static Call<WrapWork<Value, OptionalError>> wrapObjectOrErrorCompletion();
  static Call<DispatchQueuePtr, WrapWork<Value, OptionalError>> wrapObjectOrErrorCompletionOn();
  static Call<WrapWork<OptionalError, Value>> wrapErrorOrObjectCompletion();
  static Call<DispatchQueuePtr, WrapWork<OptionalError, Value>> wrapErrorOrObjectCompletionOn();
  static Call<WrapWork<Value, Value, OptionalError>> wrap2ObjectsOrErrorCompletion();
  static Call<DispatchQueuePtr, WrapWork<Value, Value, OptionalError>> wrap2ObjectsOrErrorCompletionOn();
  static Call<WrapWork<bool>> wrapBoolCompletion();
  static Call<DispatchQueuePtr, WrapWork<bool>> wrapBoolCompletionOn();
  static Call<WrapWork<bool, OptionalError>> wrapBoolOrErrorCompletion();
  static Call<DispatchQueuePtr, WrapWork<bool, OptionalError>> wrapBoolOrErrorCompletionOn();
  static Call<WrapWork<std::int64_t>> wrapIntegerCompletion();
  static Call<DispatchQueuePtr, WrapWork<std::int64_t>> wrapIntegerCompletionOn();
  static Call<WrapWork<std::int64_t, OptionalError>> wrapIntegerOrErrorCompletion();
  static Call<DispatchQueuePtr, WrapWork<std::int64_t, OptionalError>> wrapIntegerOrErrorCompletionOn();
  static Call<WrapWork<double>> wrapDoubleCompletion();
  static Call<DispatchQueuePtr, WrapWork<double>> wrapDoubleCompletionOn();
  static Call<WrapWork<double, OptionalError>> wrapDoubleOrErrorCompletion();
  static Call<DispatchQueuePtr, WrapWork<double, OptionalError>> wrapDoubleOrErrorCompletionOn();

 private:
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
  class JoinSlots;
  class AllJoin;
  class AnyJoin;
  // Has `join` hear on `queue` how this promise settles, as its member at `place`.
  void reportTo(const TargetQueue& queue, Join& join, std::size_t place);
  // The promise an element holds, or null.
  static Ptr promiseIn(const Value& element);
  // A join of `JoinKind` over `elements`, started on `queue`: a plain element is a member already
  // fulfilled with it.
  template <typename JoinKind>
  static Ptr onQueueJoin(DispatchQueuePtr queue, Array elements);

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

