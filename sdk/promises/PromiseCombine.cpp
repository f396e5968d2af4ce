// The operators that combine several promises: all, any and race.
#include <mutex>

#include "sdk/promises/Promise.h"

namespace sdk::promises {

using platform::foundation::Array;
using platform::foundation::Error;
using platform::foundation::Value;

namespace {

// What the members of one all/any have reported so far. Each member's observer writes its own slot, so
// the tally never refers back to the members: a dropped all/any over members nobody else holds (and
// nobody can resolve any more) is released with them, instead of the members, their observers and the
// tally keeping each other alive and the result pending in the promise group for good.
struct Tally {
  explicit Tally(std::size_t count) : results(count) {}
  std::mutex mutex;
  Array results;  // a member's value (nil as null) or its error, as it arrives
  std::size_t fulfilled = 0;
  std::size_t settled = 0;
};

Value nullForNil(Value value) { return value.isNil() ? Value::null() : value; }

}  // namespace

Promise::Array Promise::arrayOf(const std::vector<Ptr>& promises) {
  Array values;
  values.reserve(promises.size());
  for (const auto& promise : promises) values.emplace_back(promise);
  return values;
}

Promise::Ptr Promise::all(Array promises) { return onQueueAll(defaultDispatchQueue(), std::move(promises)); }

Promise::Ptr Promise::onQueueAll(DispatchQueuePtr queue, Array elements) {
  if (elements.empty()) return resolvedWith(Value(Array()));
  return onQueueAsync(queue, [queue, elements = std::move(elements)](FulfillBlock fulfill, RejectBlock reject) {
    std::vector<Ptr> promises;
    for (const auto& element : elements) {
      if (auto promise = element.objectAs<Promise>()) {
        promises.push_back(std::move(promise));
      } else if (auto error = errorFromValue(element)) {
        reject(*error);
        return;
      } else {
        promises.push_back(resolvedWith(element));
      }
    }
    // Each member reports exactly once, so counting reports replaces a walk over every sibling per
    // report, which made large joins quadratic.
    auto tally = std::make_shared<Tally>(promises.size());
    for (std::size_t i = 0; i < promises.size(); ++i) {
      promises[i]->observeOnQueue(
          queue,
          [tally, i, fulfill](const Value& value) {
            Array values;
            {
              std::lock_guard lock(tally->mutex);
              tally->results[i] = nullForNil(value);
              if (++tally->fulfilled != tally->results.size()) return;
              values.swap(tally->results);
            }
            fulfill(Value(std::move(values)));
          },
          [reject](const Error& error) { reject(error); });
    }
  });
}

Promise::Ptr Promise::any(Array promises) { return onQueueAny(defaultDispatchQueue(), std::move(promises)); }

Promise::Ptr Promise::onQueueAny(DispatchQueuePtr queue, Array elements) {
  if (elements.empty()) return resolvedWith(Value(Array()));
  return onQueueAsync(queue, [queue, elements = std::move(elements)](FulfillBlock fulfill, RejectBlock reject) {
    std::vector<Ptr> promises;
    for (const auto& element : elements) {
      auto promise = element.objectAs<Promise>();
      promises.push_back(promise ? std::move(promise) : resolvedWith(element));
    }
    auto tally = std::make_shared<Tally>(promises.size());
    // Called with the member's slot filled; the last report decides.
    auto settle = [tally, fulfill, reject](std::size_t i, Value result, bool fulfilled) {
      Array results;
      bool anyFulfilled;
      {
        std::lock_guard lock(tally->mutex);
        tally->results[i] = std::move(result);
        if (fulfilled) ++tally->fulfilled;
        if (++tally->settled != tally->results.size()) return;
        anyFulfilled = tally->fulfilled > 0;
        results.swap(tally->results);
      }
      if (anyFulfilled) return fulfill(Value(std::move(results)));
      reject(*errorFromValue(results[i]));  // every member failed: the last error to arrive
    };
    for (std::size_t i = 0; i < promises.size(); ++i) {
      promises[i]->observeOnQueue(
          queue, [settle, i](const Value& value) { settle(i, nullForNil(value), true); },
          [settle, i](const Error& error) { settle(i, valueWithError(error), false); });
    }
  });
}

Promise::Ptr Promise::race(Array promises) { return onQueueRace(defaultDispatchQueue(), std::move(promises)); }

Promise::Ptr Promise::onQueueRace(DispatchQueuePtr queue, Array elements) {
  return onQueueAsync(queue, [queue, elements = std::move(elements)](FulfillBlock fulfill, RejectBlock reject) {
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

}  // namespace sdk::promises

