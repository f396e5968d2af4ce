// The operators that make promises from work: async, do and retry.
#include "sdk/promises/Promise.h"

namespace sdk::promises {

using platform::foundation::Error;
using platform::foundation::Value;

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

Promise::Ptr Promise::async(AsyncWorkBlock work) { return onQueueAsync(defaultDispatchQueue(), std::move(work)); }

Promise::Ptr Promise::onQueueAsync(DispatchQueuePtr queue, AsyncWorkBlock work) {
  if (!queue) queue = defaultDispatchQueue();
  Ptr promise = pendingPromise();
  submit(queue, [queue, promise, work = std::move(work)] {
    work([promise, queue](const Value& value) { promise->resolveFollowing(TargetQueue(queue), value, false); },
         [promise](const Error& error) { promise->reject(error); });
  });
  return promise;
}

Promise::Ptr Promise::doWork(DoWorkBlock work) { return onQueueDo(defaultDispatchQueue(), std::move(work)); }

Promise::Ptr Promise::onQueueDo(DispatchQueuePtr queue, DoWorkBlock work) {
  if (!queue) queue = defaultDispatchQueue();
  Ptr promise = pendingPromise();
  submit(queue, [queue, promise, work = std::move(work)] { promise->resolveFollowing(TargetQueue(queue), work(), false); });
  return promise;
}

Promise::Ptr Promise::retry(DoWorkBlock work) { return onQueueRetry(defaultDispatchQueue(), std::move(work)); }

Promise::Ptr Promise::onQueueRetry(DispatchQueuePtr queue, DoWorkBlock work) {
  return onQueueAttempts(std::move(queue), 1, std::move(work));
}

Promise::Ptr Promise::attempts(std::int64_t count, DoWorkBlock work) {
  return onQueueAttempts(defaultDispatchQueue(), count, std::move(work));
}

Promise::Ptr Promise::onQueueAttempts(DispatchQueuePtr queue, std::int64_t count, DoWorkBlock work) {
  return onQueueAttempts(std::move(queue), count, 1.0, nullptr, std::move(work));
}

Promise::Ptr Promise::attempts(std::int64_t count, double interval, RetryConditionBlock condition,
                                     DoWorkBlock work) {
  return onQueueAttempts(defaultDispatchQueue(), count, interval, std::move(condition), std::move(work));
}

Promise::Ptr Promise::onQueueAttempts(DispatchQueuePtr queue, std::int64_t count, double interval,
                                            RetryConditionBlock condition, DoWorkBlock work) {
  if (!queue) queue = defaultDispatchQueue();
  Ptr result = pendingPromise();
  auto plan = std::make_shared<const RetryPlan>(
      RetryPlan{std::move(queue), interval, std::move(condition), std::move(work), result});
  attempt(plan, count);
  return result;
}

}  // namespace sdk::promises

