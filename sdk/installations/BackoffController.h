#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>

namespace sdk::installations {

// Throttles requests to the installations service after failures, in memory for one launch.
class BackoffPolicy {
 public:
  enum EventType : std::int64_t { kSuccess = 0, kRecoverableError = 1, kUnrecoverableError = 2 };
  virtual ~BackoffPolicy() = default;
  virtual bool isNextRequestAllowed() = 0;
  virtual void registerEvent(std::int64_t eventType) = 0;
  // How long requests still wait; 0 when the next one may go now.
  virtual double secondsUntilNextRequest() = 0;
};

// One day after an unrecoverable failure (400, 403); after a run of n recoverable ones, 2^n seconds
// and a random part of a second, never more than 30 minutes; nothing after a success.
class BackoffController final : public BackoffPolicy {
 public:
  static constexpr double kUnrecoverableInterval = 86400;
  static constexpr double kMaxRecoverableInterval = 1800;

  struct EventData {
    std::int64_t eventType;
    double lastEventDate;
    std::int64_t eventCount;
    double backoffTimeInterval;
  };

  // The current date from the process clock unless given.
  explicit BackoffController(std::function<double()> currentDateProvider = {});

  bool isNextRequestAllowed() override;
  void registerEvent(std::int64_t eventType) override;
  double secondsUntilNextRequest() override;
  std::optional<EventData> lastEventData() const;

  static double backoffTimeIntervalWithEvent(std::int64_t eventType, std::int64_t eventCount);
  static double recoverableErrorBackoffTimeForAttemptNumber(std::int64_t attempt);
  static double randomMilliseconds();

 private:
  std::function<double()> currentDateProvider_;
  mutable std::mutex mutex_;
  std::optional<EventData> lastEventData_;
};

}  // namespace sdk::installations

