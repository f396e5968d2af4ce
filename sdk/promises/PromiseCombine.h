#pragma once

#include <cstddef>
#include <vector>

#include "sdk/promises/PromiseTypes.h"

namespace sdk::promises {

// The operators that combine several promises: all, any and race, each with its queue form and its
// dot-syntax getters. Elements may be promises (as Values) or plain values; an error Value among them
// rejects. A promise has them as class methods (see Promise.h).
class PromiseCombine {
 public:
  using Ptr = PromiseTypes::Ptr;
  using Array = PromiseTypes::Array;
  template <class... A>
  using Call = PromiseTypes::Call<A...>;

  static Ptr all(Array promises);
  static Ptr onQueueAll(DispatchQueuePtr queue, Array promises);
  static Ptr any(Array promises);
  static Ptr onQueueAny(DispatchQueuePtr queue, Array promises);
  static Ptr race(Array promises);
  static Ptr onQueueRace(DispatchQueuePtr queue, Array promises);
  static Array arrayOf(const std::vector<Ptr>& promises);

  static Call<Array> all();
  static Call<DispatchQueuePtr, Array> allOn();
  static Call<Array> any();
  static Call<DispatchQueuePtr, Array> anyOn();
  static Call<Array> race();
  static Call<DispatchQueuePtr, Array> raceOn();

 protected:
  PromiseCombine() = default;

 private:
  class JoinSlots;
  class AllJoin;
  class AnyJoin;
  // The promise an element holds, or null.
  static Ptr promiseIn(const PromiseTypes::Value& element);
  // A join of `JoinKind` over `elements`, started on `queue`: a plain element is a member already
  // fulfilled with it.
  template <typename JoinKind>
  static Ptr onQueueJoin(DispatchQueuePtr queue, Array elements);
};

}  // namespace sdk::promises
