#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <typeinfo>
#include <vector>

namespace platform::ui {

// A member function named as an action: its bytes with its type, so the same method of the same
// class always gives the same key and adding it twice can be told apart from adding two methods.
template <class M>
std::string actionKey(M member) {
  std::string key(typeid(M).name());
  key.push_back('#');
  size_t at = key.size();
  key.resize(at + sizeof(M));
  std::memcpy(key.data() + at, &member, sizeof(M));
  return key;
}

// Target-action pairs per event bit. The same target, action and event added twice is kept once:
// screens add their targets again each time they appear, and one tap must still act once.
template <class Sender>
class TargetActionList {
 public:
  using Handler = std::function<void(Sender&)>;

  // Returns whether anything new was added.
  bool add(const void* target, const std::string& action, std::uint64_t events, Handler handler) {
    bool added = false;
    for (std::uint64_t bit = 1; bit && bit <= events; bit <<= 1) {
      if (!(events & bit) || contains(target, action, bit)) continue;
      entries_.push_back({target, action, bit, handler});
      added = true;
    }
    return added;
  }

  // A null action removes every action of the target; a null target matches every target.
  void remove(const void* target, const std::string* action, std::uint64_t events) {
    std::erase_if(entries_, [&](const Entry& e) {
      return (!target || e.target == target) && (!action || e.action == *action) && (e.event & events);
    });
  }

  bool contains(const void* target, const std::string& action, std::uint64_t event) const {
    for (const Entry& e : entries_) {
      if (e.target == target && e.action == action && e.event == event) return true;
    }
    return false;
  }

  // The handlers for one event, in the order they were added; a copy, so an action may change the list.
  std::vector<Handler> handlersFor(std::uint64_t events) const {
    std::vector<Handler> out;
    for (const Entry& e : entries_) {
      if (e.event & events) out.push_back(e.handler);
    }
    return out;
  }

  std::uint64_t allEvents() const {
    std::uint64_t all = 0;
    for (const Entry& e : entries_) all |= e.event;
    return all;
  }
  size_t size() const { return entries_.size(); }

 private:
  struct Entry {
    const void* target;
    std::string action;
    std::uint64_t event;
    Handler handler;
  };
  std::vector<Entry> entries_;
};

}  // namespace platform::ui
