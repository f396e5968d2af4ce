#include "app/storage/connection/SelectionTrust.h"

#include <algorithm>
#include <cstdint>
#include <map>

#include "platform/foundation/SequenceChecker.h"

namespace app::storage {

namespace {

// What befell one catalogue's writes, each event numbered in the order of the run: a table's flags are
// trusted when the last write of them that reached the file came after every refusal that may have
// been meant for them.
struct Writes {
  int refusals = 0;
  uint64_t lastRefusedAnyTable = 0;
  std::map<std::string, uint64_t, std::less<>> lastRefused;
  std::map<std::string, uint64_t, std::less<>> lastWritten;
};

struct Record {
  uint64_t events = 0;
  std::map<std::string, Writes, std::less<>> catalogues;
  platform::foundation::SequenceChecker sequence;
};

// Catalogues are written on the main thread only, so the record needs no guard; a debug run stops on a
// use from anywhere else.
Record& record() {
  static Record kept;
  DCHECK_CALLED_ON_VALID_SEQUENCE(kept.sequence);
  return kept;
}

uint64_t lastIn(const std::map<std::string, uint64_t, std::less<>>& events, std::string_view table) {
  const auto found = events.find(table);
  return found == events.end() ? 0 : found->second;
}

}  // namespace

void SelectionTrust::refused(const std::string& path, std::string_view table) {
  if (path.empty()) return;
  Record& all = record();
  Writes& writes = all.catalogues[path];
  ++writes.refusals;
  (table.empty() ? writes.lastRefusedAnyTable : writes.lastRefused[std::string(table)]) = ++all.events;
}

void SelectionTrust::written(const std::string& path, std::string_view table) {
  if (path.empty() || table.empty()) return;
  Record& all = record();
  all.catalogues[path].lastWritten[std::string(table)] = ++all.events;
}

bool SelectionTrust::mayBeStale(const std::string& path, std::string_view table) {
  const auto found = record().catalogues.find(path);
  if (found == record().catalogues.end()) return false;
  const Writes& writes = found->second;
  const uint64_t refusedLast = std::max(writes.lastRefusedAnyTable, lastIn(writes.lastRefused, table));
  return refusedLast > lastIn(writes.lastWritten, table);
}

int SelectionTrust::refusals(const std::string& path) {
  const auto found = record().catalogues.find(path);
  return found == record().catalogues.end() ? 0 : found->second.refusals;
}

}  // namespace app::storage
