#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/foundation/Value.h"

namespace platform::foundation {

struct Notification {
  std::string name;
  Value userInfo;  // a dictionary, or nil
  const void* sender = nullptr;
};

// Synchronous broadcast of named notifications. post() calls the matching observers on the posting
// thread, in the order they were added, before it returns. Observers may add or remove observers
// (themselves included) and post again from inside a delivery: an observer removed during a delivery is
// not called afterwards, and one added during a delivery first hears the next post. Safe from any thread.
class NotificationCenter {
 public:
  using Handler = std::function<void(const Notification&)>;
  using Token = std::uint64_t;

  // Removes its observer when destroyed (or reset): hold it as long as the observer should hear posts.
  class Observation {
   public:
    Observation() = default;
    ~Observation() { reset(); }
    Observation(Observation&& other) noexcept;
    Observation& operator=(Observation&& other) noexcept;
    Observation(const Observation&) = delete;
    Observation& operator=(const Observation&) = delete;

    Token token() const { return token_; }
    void reset();

   private:
    friend class NotificationCenter;
    struct Registry;
    Observation(std::weak_ptr<Registry> registry, Token token) : registry_(std::move(registry)), token_(token) {}

    std::weak_ptr<Registry> registry_;
    Token token_ = 0;
  };

  NotificationCenter();
  ~NotificationCenter();
  NotificationCenter(const NotificationCenter&) = delete;
  NotificationCenter& operator=(const NotificationCenter&) = delete;

  static NotificationCenter& defaultCenter();

  // An empty name hears every notification; a non-null sender hears only posts from that sender.
  [[nodiscard]] Observation addObserver(std::string name, Handler handler, const void* sender = nullptr);
  // After this returns the observer is never called again, and a call already running on another thread
  // has finished (a call on this thread, when removing from inside the handler, finishes afterwards).
  void removeObserver(Token token);

  void post(const std::string& name, Value userInfo = {}, const void* sender = nullptr);
  void post(const Notification& notification);

 private:
  std::shared_ptr<Observation::Registry> registry_;
};

}  // namespace platform::foundation
