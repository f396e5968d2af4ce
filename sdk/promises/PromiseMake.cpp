#include "sdk/promises/PromiseMake.h"

#include <utility>

#include "sdk/promises/Promise.h"

namespace sdk::promises {

using platform::foundation::Error;
using platform::foundation::Value;
using Ptr = Promise::Ptr;

namespace {

struct RetryPlan {
  DispatchQueuePtr queue;
  double interval;
  Promise::RetryConditionBlock condition;
  Promise::DoWorkBlock work;
  Promise::Ptr result;
};

void attempt(const std::shared_ptr<const RetryPlan>& plan, std::int64_t remaining) {
  auto handle = [plan, remaining](const Value& outcome) {
    auto error = errorFromValue(outcome);
    if (!error) {
      plan->result->fulfill(outcome);
    } else if (remaining > 0 && (!plan->condition || plan->condition(remaining, *error))) {
      plan->queue->after(plan->interval, [plan, remaining] { attempt(plan, remaining - 1); });
    } else {
      plan->result->reject(*error);
    }
  };
  Value outcome = plan->work();
  if (auto promise = outcome.objectAs<Promise>()) {
    promise->observeOnQueue(plan->queue, handle, [handle](const Error& error) { handle(valueWithError(error)); });
  } else {
    handle(outcome);
  }
}

}  // namespace

Ptr PromiseMake::async(AsyncWorkBlock work) { return onQueueAsync(Promise::defaultDispatchQueue(), std::move(work)); }

Ptr PromiseMake::onQueueAsync(DispatchQueuePtr queue, AsyncWorkBlock work) {
  if (!queue) queue = Promise::defaultDispatchQueue();
  Ptr promise = Promise::pendingPromise();
  Promise::submit(queue, [queue, promise, work = std::move(work)] {
    work([promise, queue](const Value& value) { promise->resolveFollowing(Promise::TargetQueue(queue), value, false); },
         [promise](const Error& error) { promise->reject(error); });
  });
  return promise;
}

Ptr PromiseMake::doWork(DoWorkBlock work) { return onQueueDo(Promise::defaultDispatchQueue(), std::move(work)); }

Ptr PromiseMake::onQueueDo(DispatchQueuePtr queue, DoWorkBlock work) {
  if (!queue) queue = Promise::defaultDispatchQueue();
  Ptr promise = Promise::pendingPromise();
  Promise::submit(queue, [queue, promise, work = std::move(work)] {
    promise->resolveFollowing(Promise::TargetQueue(queue), work(), false);
  });
  return promise;
}

Ptr PromiseMake::retry(DoWorkBlock work) { return onQueueRetry(Promise::defaultDispatchQueue(), std::move(work)); }

Ptr PromiseMake::onQueueRetry(DispatchQueuePtr queue, DoWorkBlock work) {
  return onQueueAttempts(std::move(queue), 1, std::move(work));
}

Ptr PromiseMake::attempts(std::int64_t count, DoWorkBlock work) {
  return onQueueAttempts(Promise::defaultDispatchQueue(), count, std::move(work));
}

Ptr PromiseMake::onQueueAttempts(DispatchQueuePtr queue, std::int64_t count, DoWorkBlock work) {
  return onQueueAttempts(std::move(queue), count, 1.0, nullptr, std::move(work));
}

Ptr PromiseMake::attempts(std::int64_t count, double interval, RetryConditionBlock condition,
                                     DoWorkBlock work) {
  return onQueueAttempts(Promise::defaultDispatchQueue(), count, interval, std::move(condition), std::move(work));
}

Ptr PromiseMake::onQueueAttempts(DispatchQueuePtr queue, std::int64_t count, double interval,
                                            RetryConditionBlock condition, DoWorkBlock work) {
  if (!queue) queue = Promise::defaultDispatchQueue();
  Ptr result = Promise::pendingPromise();
  auto plan = std::make_shared<const RetryPlan>(
      RetryPlan{std::move(queue), interval, std::move(condition), std::move(work), result});
  attempt(plan, count);
  return result;
}

// The dot syntax.

PromiseMake::Call<PromiseMake::AsyncWorkBlock> PromiseMake::async() { return PromiseTypes::unbound(&PromiseMake::async); }

PromiseMake::Call<DispatchQueuePtr, PromiseMake::AsyncWorkBlock> PromiseMake::asyncOn() {
  return PromiseTypes::unbound(&PromiseMake::onQueueAsync);
}

PromiseMake::Call<DispatchQueuePtr, PromiseMake::DoWorkBlock> PromiseMake::doOn() {
  return PromiseTypes::unbound(&PromiseMake::onQueueDo);
}

PromiseMake::Call<PromiseMake::DoWorkBlock> PromiseMake::retry() { return PromiseTypes::unbound(&PromiseMake::retry); }

PromiseMake::Call<DispatchQueuePtr, PromiseMake::DoWorkBlock> PromiseMake::retryOn() {
  return PromiseTypes::unbound(&PromiseMake::onQueueRetry);
}

PromiseMake::Call<std::int64_t, double, PromiseMake::RetryConditionBlock, PromiseMake::DoWorkBlock>
PromiseMake::retryAgain() {
  return [](std::int64_t count, double interval, RetryConditionBlock condition, DoWorkBlock work) {
    return attempts(count, interval, std::move(condition), std::move(work));
  };
}

PromiseMake::Call<DispatchQueuePtr, std::int64_t, double, PromiseMake::RetryConditionBlock, PromiseMake::DoWorkBlock>
PromiseMake::retryAgainOn() {
  return [](DispatchQueuePtr queue, std::int64_t count, double interval, RetryConditionBlock condition,
            DoWorkBlock work) {
    return onQueueAttempts(std::move(queue), count, interval, std::move(condition), std::move(work));
  };
}

}  // namespace sdk::promises

