#include "sdk/promises/PromiseCombine.h"

#include <atomic>
#include <optional>
#include <typeinfo>

#include "sdk/promises/Promise.h"

namespace sdk::promises {

using platform::foundation::Array;
using platform::foundation::Error;
using platform::foundation::Value;
using Ptr = Promise::Ptr;

// A join's slots, one a member, and the count of members still to report. The joins never refer
// back to their members: a dropped all/any over members nobody else holds (and nobody can resolve any
// more) is released with them, instead of the members, their observers and the join keeping each
// other alive and the result pending in the promise group for good.
class PromiseCombine::JoinSlots : public Promise::Join {
 protected:
  JoinSlots(std::size_t members, Ptr result)
      : Join(members + 1), slots_(members), left_(members), result_(std::move(result)) {}
  // Each member writes only its own slot, once, so the count is all they share: true for the member
  // that takes it to zero, which sees every slot written.
  bool fill(std::size_t member, const Value& value) {
    if (value.isNil()) {
      slots_[member] = Value::null();
    } else {
      slots_[member] = value;
    }
    return left_.fetch_sub(1, std::memory_order_acq_rel) == 1;
  }

  Array slots_;
  std::atomic<std::size_t> left_;
  Ptr result_;
};

class PromiseCombine::AllJoin final : public PromiseCombine::JoinSlots {
 public:
  // An error among the elements rejects at once.
  static constexpr bool kErrorsReject = true;
  AllJoin(std::size_t members, Ptr result) : JoinSlots(members, std::move(result)) {}
  void fulfilled(std::size_t member, const Value& value) override {
    if (fill(member, value)) result_->fulfill(Value(std::move(slots_)));
  }
  // The first rejection settles the result; later ones are ignored by it.
  void rejected(std::size_t, const Error& error) override { result_->reject(error); }
};

// Its slots hold each member's value (nil as null) or its error.
class PromiseCombine::AnyJoin final : public PromiseCombine::JoinSlots {
 public:
  // An error among the elements is a member that failed.
  static constexpr bool kErrorsReject = false;
  AnyJoin(std::size_t members, Ptr result) : JoinSlots(members, std::move(result)) {}
  void fulfilled(std::size_t member, const Value& value) override {
    anyFulfilled_.store(true, std::memory_order_relaxed);
    if (fill(member, value)) settle(member);
  }
  void rejected(std::size_t member, const Error& error) override {
    if (fill(member, valueWithError(error))) settle(member);
  }

 private:
  // The last report decides: when every member failed, the last error to arrive rejects.
  void settle(std::size_t last) {
    if (anyFulfilled_.load(std::memory_order_relaxed)) return result_->fulfill(Value(std::move(slots_)));
    result_->reject(*errorFromValue(slots_[last]));
  }

  std::atomic<bool> anyFulfilled_{false};
};

PromiseCombine::Array PromiseCombine::arrayOf(const std::vector<Ptr>& promises) {
  Array values;
  values.reserve(promises.size());
  for (const auto& promise : promises) values.emplace_back(promise);
  return values;
}

Ptr PromiseCombine::promiseIn(const Value& element) {
  auto object = element.object();
  // A promise is of no subclass: its type says it, without a cast's walk.
  if (!object || typeid(*object) != typeid(Promise)) return nullptr;
  auto* promise = static_cast<Promise*>(object.get());
  return Ptr(std::move(object), promise);
}

template <typename JoinKind>
Ptr PromiseCombine::onQueueJoin(DispatchQueuePtr queue, Array elements) {
  if (elements.empty()) return Promise::resolvedWith(Value(Array()));
  if (!queue) queue = Promise::defaultDispatchQueue();
  Ptr result = Promise::pendingPromise();
  Promise::submit(queue, [queue, result, elements = std::move(elements)] {
    const Promise::TargetQueue target(queue);
    auto* join = new JoinKind(elements.size(), result);
    std::size_t observed = 0;
    for (; observed < elements.size(); ++observed) {
      auto member = promiseIn(elements[observed]);
      if (!member) {
        // The members before such an error may still report, to a result already settled.
        if (auto error = JoinKind::kErrorsReject ? errorFromValue(elements[observed]) : std::nullopt) {
          result->reject(*error);
          break;
        }
        member = Promise::resolvedWith(elements[observed]);
      }
      member->reportTo(target, *join, observed);
    }
    // The walk's own reference, and those of the members it did not reach.
    join->release(elements.size() - observed + 1);
  });
  return result;
}

Ptr PromiseCombine::all(Array promises) { return onQueueAll(Promise::defaultDispatchQueue(), std::move(promises)); }

Ptr PromiseCombine::onQueueAll(DispatchQueuePtr queue, Array elements) {
  return onQueueJoin<AllJoin>(std::move(queue), std::move(elements));
}

Ptr PromiseCombine::any(Array promises) { return onQueueAny(Promise::defaultDispatchQueue(), std::move(promises)); }

Ptr PromiseCombine::onQueueAny(DispatchQueuePtr queue, Array elements) {
  return onQueueJoin<AnyJoin>(std::move(queue), std::move(elements));
}

Ptr PromiseCombine::race(Array promises) { return onQueueRace(Promise::defaultDispatchQueue(), std::move(promises)); }

Ptr PromiseCombine::onQueueRace(DispatchQueuePtr queue, Array elements) {
  return Promise::onQueueAsync(queue, [queue, elements = std::move(elements)](Promise::FulfillBlock fulfill,
                                                                             Promise::RejectBlock reject) {
    // A plain value is already settled, so it wins before any promise is looked at.
    for (const auto& element : elements) {
      if (!element.objectAs<Promise>()) {
        fulfill(element);
        return;
      }
    }
    for (const auto& element : elements) element.objectAs<Promise>()->observeOnQueue(queue, fulfill, reject);
  });
}

// The dot syntax.

PromiseCombine::Call<PromiseCombine::Array> PromiseCombine::all() { return PromiseTypes::unbound(&PromiseCombine::all); }

PromiseCombine::Call<DispatchQueuePtr, PromiseCombine::Array> PromiseCombine::allOn() {
  return PromiseTypes::unbound(&PromiseCombine::onQueueAll);
}

PromiseCombine::Call<PromiseCombine::Array> PromiseCombine::any() { return PromiseTypes::unbound(&PromiseCombine::any); }

PromiseCombine::Call<DispatchQueuePtr, PromiseCombine::Array> PromiseCombine::anyOn() {
  return PromiseTypes::unbound(&PromiseCombine::onQueueAny);
}

PromiseCombine::Call<PromiseCombine::Array> PromiseCombine::race() { return PromiseTypes::unbound(&PromiseCombine::race); }

PromiseCombine::Call<DispatchQueuePtr, PromiseCombine::Array> PromiseCombine::raceOn() {
  return PromiseTypes::unbound(&PromiseCombine::onQueueRace);
}

}  // namespace sdk::promises

