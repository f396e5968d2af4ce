#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <optional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/Clock.h"
#include "sdk/promises/Promise.h"
#include "sdk/transport/TransportEvent.h"
#include "sdk/transport/LifecycleObserver.h"
#include "testing/TempContainer.h"

namespace ostrel::testing {

// A payload of fixed bytes.
class BytesDataObject final : public sdk::transport::EventPayload {
 public:
  explicit BytesDataObject(std::string bytes) : bytes_(std::move(bytes)) {}
  platform::foundation::Data transportBytes() const override { return {bytes_.begin(), bytes_.end()}; }

 private:
  std::string bytes_;
};

inline std::shared_ptr<sdk::transport::TransportEvent> makeEvent(const std::string& mappingID, std::int64_t target, std::int64_t qosTier,
                                              const std::string& payload = "payload") {
  auto event = sdk::transport::TransportEvent::initWithMappingIDTarget(mappingID, target);
  event->setDataObject(std::make_shared<BytesDataObject>(payload));
  event->setQosTier(qosTier);
  return event;
}

// An application that counts its background tasks, so tests see that every task begun was ended.
class CountingApplication final : public sdk::transport::ApplicationInterface {
 public:
  sdk::transport::BackgroundTaskID beginBackgroundTaskWithName(const std::string& name, std::function<void()>) override {
    std::lock_guard lock(mutex_);
    open_[next_] = name;
    ++begun_;
    return next_++;
  }
  void endBackgroundTask(sdk::transport::BackgroundTaskID identifier) override {
    std::lock_guard lock(mutex_);
    open_.erase(identifier);
  }
  bool isRunningInBackground() const override { return background_.load(); }
  void setBackground(bool background) { background_.store(background); }

  std::size_t openTasks() const {
    std::lock_guard lock(mutex_);
    return open_.size();
  }
  std::size_t begunTasks() const {
    std::lock_guard lock(mutex_);
    return begun_;
  }

 private:
  mutable std::mutex mutex_;
  std::map<sdk::transport::BackgroundTaskID, std::string> open_;
  sdk::transport::BackgroundTaskID next_ = 1;
  std::size_t begun_ = 0;
  std::atomic<bool> background_{false};
};

// Runs nothing until every block queued on `queue` before the call has run.
inline void drain(const std::shared_ptr<platform::dispatch::Queue>& queue) { queue->sync([] {}); }

// The settled promise's value, or its error: waits on a future, never on time.
struct Settled {
  platform::foundation::Value value;
  std::optional<platform::foundation::Error> error;
};
inline Settled await(const sdk::promises::Promise::Ptr& promise, const std::shared_ptr<platform::dispatch::Queue>& queue) {
  auto result = std::make_shared<std::promise<Settled>>();
  promise->observeOnQueue(
      queue, [result](const platform::foundation::Value& value) { result->set_value({value, std::nullopt}); },
      [result](const platform::foundation::Error& error) { result->set_value({{}, error}); });
  return result->get_future().get();
}

}  // namespace ostrel::testing

namespace ostrel::testing {

// An uploader that only records what it was asked to upload.
class RecordingUploader final : public sdk::transport::Uploader {
 public:
  struct Call {
    std::int64_t target;
    std::uint32_t conditions;
    bool operator==(const Call&) const = default;
  };
  void uploadTarget(std::int64_t target, std::uint32_t conditions) override {
    std::lock_guard lock(mutex_);
    calls_.push_back({target, conditions});
  }
  std::vector<Call> calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
  }
  void clear() {
    std::lock_guard lock(mutex_);
    calls_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<Call> calls_;
};

inline std::ostream& operator<<(std::ostream& out, const RecordingUploader::Call& call) {
  return out << "{" << call.target << ", " << call.conditions << "}";
}

}  // namespace ostrel::testing
