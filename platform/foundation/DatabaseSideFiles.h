#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform::foundation {

// The files SQLite keeps beside a database, its rollback journal ("-journal"), write-ahead log ("-wal")
// and shared-memory index ("-shm"), looked at before the database is opened or attached. SQLite opens
// them itself, following links and waiting: a FIFO at a rollback journal holds the open for ever (its
// check for a journal to roll back opens it for reading), and a folder, a device or a file this process
// may not open there is answered with "disk I/O error", which reads as a damaged database. So only a
// regular file that this process can read and write is taken for a side file the database may use;
// anything else standing there is someone else's, and the database is not opened while it stands.
// Looking follows no link, throws nothing and never waits.
class DatabaseSideFiles {
 public:
  // One of them: the suffix SQLite names it by, and its name in words for a message.
  struct SideFile {
    const char* suffix;
    const char* name;
  };
  static constexpr SideFile kJournal{"-journal", "journal"};
  static constexpr SideFile kWriteAheadLog{"-wal", "write-ahead log"};
  static constexpr SideFile kSharedMemoryIndex{"-shm", "shared-memory index"};
  static constexpr SideFile kAll[] = {kJournal, kWriteAheadLog, kSharedMemoryIndex};

  // "<databasePath>-wal" for kWriteAheadLog.
  [[nodiscard]] static std::string of(const std::string& databasePath, SideFile side) { return databasePath + side.suffix; }
  // Whether `name`, a file name or a path, is one SQLite gives a side file (it ends in a side file's suffix).
  [[nodiscard]] static bool isSideFile(std::string_view name);

  struct Stranger {
    std::string path;
    // What stands there, in words: "a FIFO", "a link to a device", "a file that cannot be opened
    // (Permission denied)".
    std::string what;
  };
  // What stands at a database's path, looked at before it is opened: nothing; a file SQLite can use (a
  // link to one too) with nothing beside it that SQLite could not use; or anything else, named by what
  // stands where (the database's path, or that of the side file in the way).
  struct Place {
    enum class State { Missing, File, Unreadable };
    State state = State::Missing;
    std::string what;
    std::string where;
  };
  [[nodiscard]] static Place placeOf(const std::string& databasePath);

  // What stands beside the database at `databasePath` that SQLite could not use as its own; empty
  // when nothing does. For a link to a database, beside the file it leads to, where SQLite keeps them.
  [[nodiscard]] static std::vector<Stranger> strangersBeside(const std::string& databasePath);
  // The path the side files of the database at `databasePath` are named after: for a link to a
  // database, the file it leads to.
  [[nodiscard]] static std::string namedAfter(const std::string& databasePath);
  // "a FIFO stands at <path>-journal", and for several "...; a folder stands at <path>-wal".
  [[nodiscard]] static std::string described(const std::vector<Stranger>& strangers);
};

}  // namespace platform::foundation
