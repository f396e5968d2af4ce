#include "platform/foundation/NotificationCenter.h"

#include <algorithm>
#include <condition_variable>
#include <thread>

namespace platform::foundation {

struct NotificationCenter::Observation::Registry {
  struct Entry {
    Token token = 0;
    std::string name;
    const void* sender = nullptr;
    Handler handler;
    // Guards `removed` and `callers`: the threads inside the handler right now.
    std::mutex mutex;
    std::condition_variable idle;
    bool removed = false;
    std::vector<std::thread::id> callers;

    bool hears(const Notification& notification) const {
      return (name.empty() || name == notification.name) && (!sender || sender == notification.sender);
    }
  };

  std::mutex mutex;
  std::vector<std::shared_ptr<Entry>> entries;
  Token nextToken = 1;

  void remove(Token token);
  void deliver(Entry& entry, const Notification& notification);
};

void NotificationCenter::Observation::Registry::remove(Token token) {
  std::shared_ptr<Entry> entry;
  {
    std::lock_guard lock(mutex);
    auto found = std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return e->token == token; });
    if (found == entries.end()) return;
    entry = *found;
    entries.erase(found);
  }
  // Waiting for other threads' calls lets an owner free what its handler uses right after removal.
  // Calls on this thread are not waited for: they are the caller's own stack.
  std::unique_lock lock(entry->mutex);
  entry->removed = true;
  auto self = std::this_thread::get_id();
  entry->idle.wait(lock, [&] {
    return std::all_of(entry->callers.begin(), entry->callers.end(), [&](auto id) { return id == self; });
  });
}

void NotificationCenter::Observation::Registry::deliver(Entry& entry, const Notification& notification) {
  auto self = std::this_thread::get_id();
  {
    std::lock_guard lock(entry.mutex);
    if (entry.removed) return;
    entry.callers.push_back(self);
  }
  struct Leave {
    Entry& entry;
    std::thread::id self;
    ~Leave() {
      {
        std::lock_guard lock(entry.mutex);
        entry.callers.erase(std::find(entry.callers.begin(), entry.callers.end(), self));
      }
      entry.idle.notify_all();
    }
  } leave{entry, self};
  entry.handler(notification);
}

NotificationCenter::Observation::Observation(Observation&& other) noexcept
    : registry_(std::move(other.registry_)), token_(other.token_) {
  other.token_ = 0;
}

NotificationCenter::Observation& NotificationCenter::Observation::operator=(Observation&& other) noexcept {
  if (this != &other) {
    reset();
    registry_ = std::move(other.registry_);
    token_ = other.token_;
    other.token_ = 0;
  }
  return *this;
}

void NotificationCenter::Observation::reset() {
  if (auto registry = registry_.lock()) registry->remove(token_);
  registry_.reset();
  token_ = 0;
}

NotificationCenter::NotificationCenter() : registry_(std::make_shared<Observation::Registry>()) {}
NotificationCenter::~NotificationCenter() = default;

NotificationCenter& NotificationCenter::defaultCenter() {
  // Never destroyed, so observations held by other static objects stay valid at exit.
  static NotificationCenter* center = new NotificationCenter;
  return *center;
}

NotificationCenter::Observation NotificationCenter::addObserver(std::string name, Handler handler,
                                                                const void* sender) {
  auto entry = std::make_shared<Observation::Registry::Entry>();
  entry->name = std::move(name);
  entry->sender = sender;
  entry->handler = std::move(handler);
  if (!entry->handler) return {};
  std::lock_guard lock(registry_->mutex);
  entry->token = registry_->nextToken++;
  registry_->entries.push_back(entry);
  return Observation(registry_, entry->token);
}

void NotificationCenter::removeObserver(Token token) {
  if (token != 0) registry_->remove(token);
}

void NotificationCenter::post(const std::string& name, Value userInfo, const void* sender) {
  post(Notification{name, std::move(userInfo), sender});
}

void NotificationCenter::post(const Notification& notification) {
  std::vector<std::shared_ptr<Observation::Registry::Entry>> hearing;
  {
    std::lock_guard lock(registry_->mutex);
    for (const auto& entry : registry_->entries) {
      if (entry->hears(notification)) hearing.push_back(entry);
    }
  }
  for (const auto& entry : hearing) registry_->deliver(*entry, notification);
}

}  // namespace platform::foundation
