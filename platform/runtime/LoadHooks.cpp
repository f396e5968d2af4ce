#include "platform/runtime/LoadHooks.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <vector>

namespace platform::runtime {
namespace {

struct Hook {
  int order;
  std::uint64_t sequence;
  std::function<void()> run;
};

struct Hooks {
  std::mutex mutex;
  std::vector<Hook> pending;
  std::uint64_t nextSequence = 0;
};

Hooks& hooks() {
  static auto* instance = new Hooks;
  return *instance;
}

}  // namespace

void addLoadHook(int order, std::function<void()> hook) {
  if (!hook) return;
  auto& h = hooks();
  std::lock_guard lock(h.mutex);
  h.pending.push_back({order, h.nextSequence++, std::move(hook)});
}

std::size_t runLoadHooks() {
  auto& h = hooks();
  std::size_t ran = 0;
  for (;;) {
    Hook next;
    {
      // Take one hook at a time and run it unlocked: hooks register classes and may add hooks.
      std::lock_guard lock(h.mutex);
      if (h.pending.empty()) return ran;
      auto first = std::min_element(h.pending.begin(), h.pending.end(), [](const Hook& a, const Hook& b) {
        return a.order != b.order ? a.order < b.order : a.sequence < b.sequence;
      });
      next = std::move(*first);
      h.pending.erase(first);
    }
    ++ran;
    next.run();
  }
}

std::size_t pendingLoadHooks() {
  auto& h = hooks();
  std::lock_guard lock(h.mutex);
  return h.pending.size();
}

}  // namespace platform::runtime
