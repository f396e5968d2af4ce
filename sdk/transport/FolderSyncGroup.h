#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace sdk::transport {

// Stores that arrive together share one folder sync. Each event file is flushed and renamed into its
// folder at once, but the folder entry that makes the rename survive a power cut is synced once for a
// burst: a store reports success only after that sync, so the promise "stored means stored, power
// cut or not" holds while a burst of n events costs n + 1 syncs instead of 2n.
//
// The group knows a burst from the stores still queued behind the one running: the last of them (or
// the kMaximumDeferred-th, so a steady stream never starves its reports) syncs and reports for all.
// Anything else that moves or deletes event files flushes first, so that no report of success can
// follow a move of a file whose entry was never made durable.
//
// storeQueued() may be called from any thread; every other call runs on the storage's queue.
class FolderSyncGroup {
 public:
  static constexpr std::size_t kMaximumDeferred = 128;

  // Before a store is put on the queue.
  void storeQueued() { queued_.fetch_add(1, std::memory_order_relaxed); }
  // When that store starts running on the queue.
  void storeStarted() { queued_.fetch_sub(1, std::memory_order_relaxed); }
  // A file renamed into `folder`: `reportSuccess` runs once the folder is synced.
  void add(std::string folder, std::function<void()> reportSuccess);
  // Syncs and reports when no store waits behind or enough reports wait; else leaves them for later.
  void flushIfBurstEnded();
  // Syncs every folder with renames not yet durable, then runs their reports in the order added.
  void flush();

 private:
  struct Pending {
    std::string folder;
    std::function<void()> reportSuccess;
  };
  std::atomic<long> queued_{0};
  std::vector<Pending> pending_;
};

}  // namespace sdk::transport

