// The operators that combine several promises: all, any and race.
#include <atomic>

#include "sdk/promises/VBLPromise.h"

using platform::foundation::Array;
using platform::foundation::Error;
using platform::foundation::Value;

namespace {

// The promises of one all/any and how many of them have reported so far.
struct Join {
  explicit Join(std::vector<VBLPromise::Ptr> list) : promises(std::move(list)) {}
  const std::vector<VBLPromise::Ptr> promises;
  std::atomic<std::size_t> fulfilled{0};
  std::atomic<std::size_t> settled{0};
};

Value nullForNil(Value value) { return value.isNil() ? Value::null() : value; }

// Values of the fulfilled and errors of the rejected, in array order.
Value combined(const std::vector<VBLPromise::Ptr>& promises) {
  Array results;
  results.reserve(promises.size());
  for (const auto& promise : promises) {
    if (auto error = promise->error()) {
      results.push_back(VBLValueWithError(*error));
    } else {
      results.push_back(nullForNil(promise->value()));
    }
  }
  return Value(std::move(results));
}

}  // namespace

VBLPromise::Array VBLPromise::arrayOf(const std::vector<Ptr>& promises) {
  Array values;
  values.reserve(promises.size());
  for (const auto& promise : promises) values.emplace_back(promise);
  return values;
}

VBLPromise::Ptr VBLPromise::all(Array promises) { return onQueueAll(defaultDispatchQueue(), std::move(promises)); }

VBLPromise::Ptr VBLPromise::onQueueAll(VBLQueue queue, Array elements) {
  if (elements.empty()) return resolvedWith(Value(Array()));
  return onQueueAsync(queue, [queue, elements = std::move(elements)](FulfillBlock fulfill, RejectBlock reject) {
    std::vector<Ptr> promises;
    for (const auto& element : elements) {
      if (auto promise = element.objectAs<VBLPromise>()) {
        promises.push_back(std::move(promise));
      } else if (auto error = VBLErrorFromValue(element)) {
        reject(*error);
        return;
      } else {
        promises.push_back(resolvedWith(element));
      }
    }
    // Each promise reports exactly once, so counting reports replaces a walk over every sibling per
    // report, which made large joins quadratic.
    auto join = std::make_shared<Join>(std::move(promises));
    for (const auto& promise : join->promises) {
      promise->observeOnQueue(
          queue,
          [join, fulfill](const Value&) {
            if (join->fulfilled.fetch_add(1) + 1 != join->promises.size()) return;
            Array values;
            values.reserve(join->promises.size());
            for (const auto& each : join->promises) values.push_back(nullForNil(each->value()));
            fulfill(Value(std::move(values)));
          },
          [reject](const Error& error) { reject(error); });
    }
  });
}

VBLPromise::Ptr VBLPromise::any(Array promises) { return onQueueAny(defaultDispatchQueue(), std::move(promises)); }

VBLPromise::Ptr VBLPromise::onQueueAny(VBLQueue queue, Array elements) {
  if (elements.empty()) return resolvedWith(Value(Array()));
  return onQueueAsync(queue, [queue, elements = std::move(elements)](FulfillBlock fulfill, RejectBlock reject) {
    std::vector<Ptr> promises;
    for (const auto& element : elements) {
      auto promise = element.objectAs<VBLPromise>();
      promises.push_back(promise ? std::move(promise) : resolvedWith(element));
    }
    auto join = std::make_shared<Join>(std::move(promises));
    for (const auto& promise : join->promises) {
      promise->observeOnQueue(
          queue,
          [join, fulfill](const Value&) {
            join->fulfilled.fetch_add(1);
            if (join->settled.fetch_add(1) + 1 == join->promises.size()) fulfill(combined(join->promises));
          },
          [join, fulfill, reject](const Error& error) {
            if (join->settled.fetch_add(1) + 1 != join->promises.size()) return;
            if (join->fulfilled.load() > 0) {
              fulfill(combined(join->promises));
            } else {
              reject(error);
            }
          });
    }
  });
}

VBLPromise::Ptr VBLPromise::race(Array promises) { return onQueueRace(defaultDispatchQueue(), std::move(promises)); }

VBLPromise::Ptr VBLPromise::onQueueRace(VBLQueue queue, Array elements) {
  return onQueueAsync(queue, [queue, elements = std::move(elements)](FulfillBlock fulfill, RejectBlock reject) {
    // A plain value is already settled, so it wins before any promise is looked at.
    for (const auto& element : elements) {
      if (!element.objectAs<VBLPromise>()) {
        fulfill(element);
        return;
      }
    }
    for (const auto& element : elements) element.objectAs<VBLPromise>()->observeOnQueue(queue, fulfill, reject);
  });
}
