#pragma once

#include <cstdint>

#include "sdk/promises/PromiseTypes.h"

namespace sdk::promises {

// The operators that make promises from work: async, do and retry, each with its queue form and its
// dot-syntax getters. A promise has them as class methods (see Promise.h).
class PromiseMake {
 public:
  using Ptr = PromiseTypes::Ptr;
  using AsyncWorkBlock = PromiseTypes::AsyncWorkBlock;
  using DoWorkBlock = PromiseTypes::DoWorkBlock;
  using RetryConditionBlock = PromiseTypes::RetryConditionBlock;
  template <class... A>
  using Call = PromiseTypes::Call<A...>;

  static Ptr async(AsyncWorkBlock work);
  static Ptr onQueueAsync(DispatchQueuePtr queue, AsyncWorkBlock work);
  static Ptr doWork(DoWorkBlock work);
  static Ptr onQueueDo(DispatchQueuePtr queue, DoWorkBlock work);

  // The work runs at most count + 1 times, the first time at once on the calling thread, then on the
  // queue `interval` seconds after each failure (1 retry and 1 second unless given).
  static Ptr retry(DoWorkBlock work);
  static Ptr onQueueRetry(DispatchQueuePtr queue, DoWorkBlock work);
  static Ptr attempts(std::int64_t count, DoWorkBlock work);
  static Ptr onQueueAttempts(DispatchQueuePtr queue, std::int64_t count, DoWorkBlock work);
  static Ptr attempts(std::int64_t count, double interval, RetryConditionBlock condition, DoWorkBlock work);
  static Ptr onQueueAttempts(DispatchQueuePtr queue, std::int64_t count, double interval, RetryConditionBlock condition,
                             DoWorkBlock work);

  static Call<AsyncWorkBlock> async();
  static Call<DispatchQueuePtr, AsyncWorkBlock> asyncOn();
  static Call<DispatchQueuePtr, DoWorkBlock> doOn();
  static Call<DoWorkBlock> retry();
  static Call<DispatchQueuePtr, DoWorkBlock> retryOn();
  // The full form: count, interval, condition, work.
  static Call<std::int64_t, double, RetryConditionBlock, DoWorkBlock> retryAgain();
  static Call<DispatchQueuePtr, std::int64_t, double, RetryConditionBlock, DoWorkBlock> retryAgainOn();

 protected:
  PromiseMake() = default;
};

}  // namespace sdk::promises
