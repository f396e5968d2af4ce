#include "sdk/transport/FolderSyncGroup.h"

#include <set>

#include "platform/foundation/AtomicFile.h"

namespace sdk::transport {

void FolderSyncGroup::add(std::string folder, std::function<void()> reportSuccess) {
  pending_.push_back({std::move(folder), std::move(reportSuccess)});
}

void FolderSyncGroup::flushIfBurstEnded() {
  if (queued_.load(std::memory_order_relaxed) <= 0 || pending_.size() >= kMaximumDeferred) flush();
}

void FolderSyncGroup::flush() {
  if (pending_.empty()) return;
  std::vector<Pending> due;
  due.swap(pending_);  // a report may store again
  std::set<std::string> folders;
  for (const auto& entry : due) folders.insert(entry.folder);
  for (const auto& folder : folders) platform::foundation::AtomicFile::syncFolder(folder);
  for (auto& entry : due) entry.reportSuccess();
}

}  // namespace sdk::transport

