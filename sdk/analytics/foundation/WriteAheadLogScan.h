#pragma once

#include <cstdint>
#include <string>

namespace sdk::analytics {

// What a SQLite write-ahead log holds, read the way SQLite reads it back when a database is opened:
// frames count from the start while each carries the log header's salts and a checksum that continues
// the one before; only whole transactions (up to a commit frame) are kept. A damaged frame therefore
// drops every transaction committed after it, silently. The scan finds those: frames past the damage
// that still carry this log's salts were written in this log's life, and each commit frame among them
// was a transaction someone was told had been stored.
//
// Frames of an earlier life of the log (other salts) and a transaction left unfinished by a crash (no
// commit frame) are not damage: SQLite leaves them out by design.
class WriteAheadLogScan {
 public:
  static WriteAheadLogScan of(const std::string& path);

  // Frames SQLite keeps: those up to the last commit frame before the damage, if any.
  std::int64_t keptFrames() const { return keptFrames_; }
  // Transactions committed after the damage, and the frames from the damage to the last of them.
  std::int64_t droppedTransactions() const { return droppedTransactions_; }
  std::int64_t droppedFrames() const { return droppedFrames_; }
  bool damaged() const { return droppedTransactions_ > 0; }

 private:
  std::int64_t keptFrames_ = 0;
  std::int64_t droppedTransactions_ = 0;
  std::int64_t droppedFrames_ = 0;
};

}  // namespace sdk::analytics
