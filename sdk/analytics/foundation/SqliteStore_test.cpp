#include "sdk/analytics/foundation/SqliteStore.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "sdk/analytics/foundation/SyncCountingVfsTestSupport.h"
#include "sdk/analytics/foundation/WriteAheadLogScan.h"
#include "sdk/analytics/foundation/FoundationMessageCodes.h"
#include "testing/FileContents.h"
#include "testing/TempContainer.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Error;
using platform::foundation::Value;

class SqliteStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto opened = SqliteStore::initWithDatabasePath(container.pathFor("store.sql"));
    ASSERT_TRUE(opened.ok()) << opened.error();
    store = *opened;
    ASSERT_TRUE(store->ensureTableWithName("snapshots", {{"sdk_name", "TEXT NOT NULL PRIMARY KEY"},
                                                         {"snapshotProto", "BLOB NOT NULL"},
                                                         {"timestamp", "REAL NOT NULL"}}));
  }
  std::int64_t count() {
    auto rows = store->recordsForQuery("SELECT count(*) AS n FROM snapshots", {});
    return rows ? rows->front().at("n").toInt64() : -1;
  }
  bool insert(const std::string& name) {
    return store
        ->upsertRecord(
            {{"sdk_name", Value(name)}, {"snapshotProto", Value::data({1, 2, 3})}, {"timestamp", Value(1.5)}},
            "snapshots")
        .ok();
  }

  ostrel::testing::MonitorScope scope;
  ostrel::testing::TempContainer container;
  std::shared_ptr<SqliteStore> store;
};

TEST_F(SqliteStoreTest, TablesGainMissingColumnsAndRowsKeepTheirKinds) {
  ASSERT_TRUE(insert("abt"));
  ASSERT_TRUE(store->ensureTableWithName(
      "snapshots", {{"sdk_name", "TEXT NOT NULL PRIMARY KEY"}, {"manually_activated", "INTEGER"}}));
  ASSERT_TRUE(store->upsertRecord({{"sdk_name", Value("abt")},
                                   {"snapshotProto", Value::data({9})},
                                   {"timestamp", Value(2.0)},
                                   {"manually_activated", Value(1)}},
                                  "snapshots"));
  auto rows = store->recordsForQuery("SELECT * FROM snapshots WHERE sdk_name = ?", {Value("abt")});
  ASSERT_TRUE(rows);
  ASSERT_EQ(rows->size(), 1u);  // replaced, not added
  const auto& row = rows->front();
  EXPECT_EQ(row.at("snapshotProto"), Value::data({9}));
  EXPECT_TRUE(row.at("timestamp").isReal());
  EXPECT_TRUE(row.at("manually_activated").isInteger());
  EXPECT_EQ(store->databasePath(), container.pathFor("store.sql"));
}

TEST_F(SqliteStoreTest, DeletesAndCounts) {
  for (const char* name : {"a", "b", "c", "d"}) ASSERT_TRUE(insert(name));
  EXPECT_TRUE(store->deleteRecordFromTableWithName("snapshots", "sdk_name", Value("a")));
  EXPECT_EQ(*store->deleteRecordsFromTableWithName("snapshots", "sdk_name IN (?, ?)", {Value("b"), Value("zz")}), 1);
  EXPECT_EQ(count(), 2);
  auto missing = store->recordsForQuery("SELECT * FROM nowhere", {});
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error().domain, "com.vadeze.vmp.measurement.ErrorDomain");
  EXPECT_FALSE(store->recordsForQuery("SELECT * FROM snapshots WHERE sdk_name = ?", {}));  // unbound
}

TEST_F(SqliteStoreTest, StatementsKeptForReuseAnswerForTheirOwnParametersAndHoldNothingOpen) {
  for (const char* name : {"a", "b", "c"}) ASSERT_TRUE(insert(name));
  const std::string byName = "SELECT sdk_name FROM snapshots WHERE sdk_name >= ? ORDER BY sdk_name";
  for (int round = 0; round < 2; ++round) {
    auto fromB = store->recordsForQuery(byName, {Value("b")});
    ASSERT_TRUE(fromB) << fromB.error();
    EXPECT_EQ(fromB->size(), 2u);
    auto fromC = store->recordsForQuery(byName, {Value("c")});
    ASSERT_TRUE(fromC) << fromC.error();
    ASSERT_EQ(fromC->size(), 1u);
    EXPECT_EQ(fromC->front().at("sdk_name"), Value("c"));
  }
  // A use that failed to bind leaves the statement ready for the next.
  EXPECT_FALSE(store->recordsForQuery(byName, {}));
  EXPECT_EQ(store->recordsForQuery(byName, {Value("a")})->size(), 3u);

  // Nothing read before holds the file: another connection can fold the whole log into it.
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(store->databasePath().c_str(), &other), SQLITE_OK);
  int logFrames = -1, checkpointed = -1;
  EXPECT_EQ(sqlite3_wal_checkpoint_v2(other, nullptr, SQLITE_CHECKPOINT_TRUNCATE, &logFrames, &checkpointed), SQLITE_OK);
  EXPECT_EQ(logFrames, checkpointed);
  sqlite3_close(other);

  // Kept statements go with the file.
  ASSERT_TRUE(store->closeAndDeleteDatabase());
  EXPECT_FALSE(store->recordsForQuery(byName, {Value("a")}));
}

TEST_F(SqliteStoreTest, OnlyPlainNamesAreSplicedIntoSQL) {
  const std::string bad[] = {"", "1table", "snap shots", "x; DROP TABLE snapshots", "a\"b", "t--"};
  for (const std::string& name : bad) {
    EXPECT_FALSE(store->ensureTableWithName(name, {{"a", "TEXT"}})) << name;
    EXPECT_FALSE(store->upsertRecord({{"sdk_name", Value("x")}}, name)) << name;
    EXPECT_FALSE(store->upsertRecord({{name, Value("x")}}, "snapshots")) << name;
    EXPECT_FALSE(store->deleteRecordFromTableWithName("snapshots", name, Value(1))) << name;
  }
  EXPECT_EQ(count(), 0);
}

TEST_F(SqliteStoreTest, TransactionsCommitRollBackAndNest) {
  EXPECT_TRUE(store->performTransaction([&] { return insert("kept"); }));
  EXPECT_FALSE(store->performTransaction([&] { return insert("undone") && false; }));
  auto throwing = [&]() -> bool {
    EXPECT_TRUE(insert("thrown"));
    throw std::runtime_error("boom");
  };
  EXPECT_THROW(static_cast<void>(store->performTransaction(throwing)), std::runtime_error);
  EXPECT_FALSE(store->isInTransaction());
  EXPECT_EQ(count(), 1);

  // A nested transaction: the inner one's rollback undoes only its own work.
  EXPECT_TRUE(store->performTransaction([&] {
    EXPECT_TRUE(insert("outer"));
    EXPECT_FALSE(store->performTransaction([&] { return insert("inner-undone") && false; }));
    EXPECT_TRUE(store->performTransaction([&] { return insert("inner-kept"); }));
    return true;
  }));
  EXPECT_EQ(count(), 3);
  // An outer rollback takes the committed inner work with it.
  EXPECT_FALSE(store->performTransaction([&] {
    EXPECT_TRUE(store->performTransaction([&] { return insert("inner"); }));
    return false;
  }));
  EXPECT_EQ(count(), 3);
}

// What must follow a stored row (a count kept elsewhere, a line saying it is stored) runs once the row
// is committed for good, and never for a row rolled back, in its savepoint or with the whole transaction.
TEST_F(SqliteStoreTest, ActionsAfterACommitRunOnlyOnceTheirRowsAreCommittedForGood) {
  std::vector<std::string> ran;
  auto insertThen = [&](const std::string& name) {
    const bool inserted = insert(name);
    store->afterCommit([&ran, name] { ran.push_back(name); });
    return inserted;
  };
  EXPECT_TRUE(insertThen("alone"));
  EXPECT_EQ(ran, (std::vector<std::string>{"alone"})) << "outside a transaction: at once";
  ran.clear();

  EXPECT_TRUE(store->performTransaction([&] {
    EXPECT_TRUE(insertThen("outer"));
    EXPECT_TRUE(store->performTransaction([&] { return insertThen("inner-kept"); }));
    EXPECT_FALSE(store->performTransaction([&] { return insertThen("inner-undone") && false; }));
    EXPECT_TRUE(store->performTransaction([&] {
      EXPECT_FALSE(store->performTransaction([&] { return insertThen("innermost-undone") && false; }));
      return insertThen("second-kept");
    }));
    EXPECT_TRUE(ran.empty()) << "before the commit";
    return true;
  }));
  EXPECT_EQ(ran, (std::vector<std::string>{"outer", "inner-kept", "second-kept"}));
  ran.clear();

  // A savepoint kept, then the whole transaction rolled back: nothing was stored, nothing follows.
  EXPECT_FALSE(store->performTransaction([&] {
    EXPECT_TRUE(store->performTransaction([&] { return insertThen("released"); }));
    return false;
  }));
  auto throwing = [&]() -> bool {
    EXPECT_TRUE(insertThen("thrown"));
    throw std::runtime_error("boom");
  };
  EXPECT_THROW(static_cast<void>(store->performTransaction(throwing)), std::runtime_error);
  EXPECT_TRUE(ran.empty());
  EXPECT_TRUE(store->performTransaction([&] { return true; }));
  EXPECT_TRUE(ran.empty()) << "a later commit runs nothing dropped before";
}

TEST_F(SqliteStoreTest, ANewFileReachesTheWriteAheadLogWithOneFlushAndAReopenWithNone) {
  testing::SyncCountingVfs vfs;
  std::string path = container.pathFor("fresh.sql");
  auto opened = SqliteStore::initWithDatabasePath(path);
  ASSERT_TRUE(opened) << opened.error();
  EXPECT_EQ(vfs.syncs(), 1);  // the first page, in place; no rollback journal on disk
  auto mode = (*opened)->recordsForQuery("PRAGMA journal_mode", {});
  ASSERT_TRUE(mode);
  EXPECT_EQ(mode->front().begin()->second.toString(), "wal");
  ASSERT_TRUE((*opened)->ensureTableWithName("t", {{"a", "TEXT"}}));
  ASSERT_TRUE((*opened)->upsertRecord({{"a", Value("kept")}}, "t"));
  opened->reset();

  vfs.reset();
  auto again = SqliteStore::initWithDatabasePath(path);
  ASSERT_TRUE(again) << again.error();
  EXPECT_EQ(vfs.syncs(), 0);
  auto rows = (*again)->recordsForQuery("SELECT a FROM t", {});
  ASSERT_TRUE(rows);
  ASSERT_EQ(rows->size(), 1u);
  EXPECT_EQ(rows->front().at("a"), Value("kept"));
  mode = (*again)->recordsForQuery("PRAGMA journal_mode", {});
  EXPECT_EQ(mode->front().begin()->second.toString(), "wal");
}

TEST_F(SqliteStoreTest, CommitsFlushedLaterShareOneFlushAndOrdinaryCommitsAreFlushedAsTheyAreMade) {
  testing::SyncCountingVfs vfs;
  auto opened = SqliteStore::initWithDatabasePath(container.pathFor("later.sql"));
  ASSERT_TRUE(opened) << opened.error();
  auto later = *opened;
  ASSERT_TRUE(later->ensureTableWithName("t", {{"a", "INTEGER"}}));
  auto add = [&](int value) { return later->upsertRecord({{"a", Value(value)}}, "t").ok(); };
  vfs.reset();
  ASSERT_TRUE(later->flushLog());
  EXPECT_EQ(vfs.syncs(), 0) << "nothing waited for a flush";
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(later->performTransactionFlushedLater([&] { return add(i); }));
  EXPECT_EQ(vfs.syncs(), 0);
  ASSERT_TRUE(later->flushLog());
  EXPECT_EQ(vfs.syncs(), 1);
  ASSERT_TRUE(later->flushLog());
  EXPECT_EQ(vfs.syncs(), 1) << "nothing left to flush";

  ASSERT_TRUE(later->performTransaction([&] { return add(9); }));
  EXPECT_EQ(vfs.syncs(), 2) << "an ordinary commit is still flushed at once";
  EXPECT_FALSE(later->performTransactionFlushedLater([&] { return add(10) && false; }));
  ASSERT_TRUE(later->flushLog());
  EXPECT_EQ(vfs.syncs(), 2) << "a rolled-back transaction leaves nothing to flush";

  // Nested in an ordinary transaction, it is flushed with it.
  ASSERT_TRUE(later->performTransaction([&] { return later->performTransactionFlushedLater([&] { return add(11); }).ok(); }));
  EXPECT_EQ(vfs.syncs(), 3);
  ASSERT_TRUE(later->flushLog());
  EXPECT_EQ(vfs.syncs(), 3);

  // What waits for a flush is flushed when the store closes.
  ASSERT_TRUE(later->performTransactionFlushedLater([&] { return add(12); }));
  later.reset();
  opened = SqliteStore::initWithDatabasePath(container.pathFor("later.sql"));
  EXPECT_EQ(vfs.syncs(), 4);
  auto rows = (*opened)->recordsForQuery("SELECT count(*) AS n FROM t", {});
  ASSERT_TRUE(rows);
  EXPECT_EQ(rows->front().at("n"), Value(6));
}

TEST_F(SqliteStoreTest, AnOpenShortensALongLogAndLeavesAShortOneAlone) {
  const std::string path = container.pathFor("log.sql");
  auto logBytes = [&] {
    std::error_code missing;
    auto bytes = std::filesystem::file_size(path + "-wal", missing);
    return missing ? std::uintmax_t{0} : bytes;
  };
  // Each commit adds at least one page to the log, which only grows while the store is open.
  auto addRows = [&](int from, int count) {
    auto store = SqliteStore::initWithDatabasePath(path).valueOr(nullptr);
    ASSERT_TRUE(store);
    ASSERT_TRUE(store->executeStatement("PRAGMA wal_autocheckpoint=0", {}));
    ASSERT_TRUE(store->ensureTableWithName("t", {{"a", "INTEGER"}}));
    for (int i = from; i < from + count; ++i) {
      ASSERT_TRUE(store->performTransactionFlushedLater([&] { return store->upsertRecord({{"a", Value(i)}}, "t").ok(); }));
    }
  };
  addRows(0, 20);
  const auto shortLog = logBytes();
  ASSERT_GT(shortLog, 0u);
  {
    auto store = SqliteStore::initWithDatabasePath(path).valueOr(nullptr);
    ASSERT_TRUE(store);
    EXPECT_EQ(logBytes(), shortLog) << "a short log is not copied at open";
  }
  addRows(20, SqliteStore::kLogPagesKeptAtOpen);
  ASSERT_GT(logBytes(), static_cast<std::uintmax_t>(SqliteStore::kLogPagesKeptAtOpen) * 4096);

  auto reopened = SqliteStore::initWithDatabasePath(path).valueOr(nullptr);
  ASSERT_TRUE(reopened);
  EXPECT_EQ(logBytes(), 0u);
  auto rows = reopened->recordsForQuery("SELECT count(*) AS n FROM t", {});
  ASSERT_TRUE(rows);
  EXPECT_EQ(rows->front().at("n"), Value(20 + SqliteStore::kLogPagesKeptAtOpen));
}

// Overwrites `length` bytes of the file at `offset` with bytes no page or frame would hold.
void scribble(const std::string& path, std::streamoff offset, int length) {
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  file.seekp(offset);
  for (int i = 0; i < length; ++i) file.put(static_cast<char>(i * 31 + 7));
}

// A scan of the log meets only what SQLite wrote: a FIFO or an endless device in its place is not
// waited on or read for ever, and holds no transaction.
TEST(WriteAheadLogScanTest, WhatIsNotALogIsNotRead) {
  ostrel::testing::TempContainer container;
  const std::string fifo = container.pathFor("store.sql-wal");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(WriteAheadLogScan::of(fifo).damaged());
  std::filesystem::create_symlink("/dev/urandom", container.pathFor("other.sql-wal"));
  EXPECT_EQ(WriteAheadLogScan::of(container.pathFor("other.sql-wal")).keptFrames(), 0);
}

TEST_F(SqliteStoreTest, ADamagedFileIsKeptAsideWithItsDateAndASecondDamageKeepsBoth) {
  std::string path = container.pathFor("garbage.sql");
  for (int damage = 1; damage <= 2; ++damage) {
    // Without its log, which would otherwise answer for the pages written over here.
    std::filesystem::remove(path + "-wal");
    {
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      for (int i = 0; i < 4096; ++i) out << static_cast<char>(i * 7 + damage);
    }
    auto opened = SqliteStore::initWithDatabasePath(path);
    ASSERT_TRUE(opened) << opened.error();
    const auto kept = ostrel::testing::damagedCopiesOf(path);
    ASSERT_EQ(kept.size(), static_cast<std::size_t>(damage));
    EXPECT_EQ(ostrel::testing::contentsOf(kept.back()).size(), 4096u);
    EXPECT_TRUE(scope.console.contains("Moved aside and recreated. Path: " + kept.back()));
    EXPECT_TRUE((*opened)->ensureTableWithName("t", {{"a", "TEXT"}}));
    if (damage == 2) {
      EXPECT_TRUE((*opened)->closeAndDeleteDatabase());
      EXPECT_FALSE(std::filesystem::exists(path));
      EXPECT_FALSE((*opened)->recordsForQuery("SELECT 1", {}));  // closed
    }
  }
}

TEST_F(SqliteStoreTest, ADatabaseWithDamagedPagesIsMovedAsideToo) {
  std::string path = container.pathFor("pages.sql");
  {
    auto original = SqliteStore::initWithDatabasePath(path).valueOr(nullptr);
    ASSERT_TRUE(original);
    ASSERT_TRUE(original->ensureTableWithName("t", {{"a", "TEXT"}}));
    for (int i = 0; i < 200; ++i) {
      ASSERT_TRUE(original->upsertRecord({{"a", Value(std::string(100, 'a' + i % 26))}}, "t"));
    }
    ASSERT_TRUE(original->executeStatement("PRAGMA wal_checkpoint(TRUNCATE)", {}));
  }
  scribble(path, 4096, 8192);  // the second and third pages; the header stays intact
  auto opened = SqliteStore::initWithDatabasePath(path);
  ASSERT_TRUE(opened) << opened.error();
  auto reopened = *opened;
  EXPECT_EQ(ostrel::testing::damagedCopiesOf(path).size(), 1u);
  EXPECT_FALSE(reopened->recordsForQuery("SELECT * FROM t", {}));  // a fresh, empty database
}

// A link to a database elsewhere is used as that database, its log beside it; a link that leads nowhere
// or in a loop, or a FIFO, is left in place and the store is not opened: nothing is made at a far end.
TEST_F(SqliteStoreTest, ALinkIsFollowedOnlyToADatabaseThatIsThere) {
  namespace fs = std::filesystem;
  const std::string elsewhere = container.pathFor("Elsewhere");
  fs::create_directory(elsewhere);
  {
    auto there = SqliteStore::initWithDatabasePath(elsewhere + "/there.sql").valueOr(nullptr);
    ASSERT_TRUE(there && there->ensureTableWithName("t", {{"a", "TEXT"}}));
  }
  fs::create_symlink(elsewhere + "/there.sql", container.pathFor("linked.sql"));
  auto linked = SqliteStore::initWithDatabasePath(container.pathFor("linked.sql")).valueOr(nullptr);
  ASSERT_TRUE(linked);
  EXPECT_TRUE(linked->upsertRecord({{"a", Value(std::string("through"))}}, "t"));
  EXPECT_TRUE(fs::is_symlink(container.pathFor("linked.sql")));
  EXPECT_FALSE(fs::exists(container.pathFor("linked.sql-wal"))) << "its log is beside the file it leads to";

  fs::create_symlink(elsewhere + "/moved.sql", container.pathFor("nowhere.sql"));
  fs::create_symlink("loop.sql", container.pathFor("loop.sql"));
  ASSERT_EQ(::mkfifo(container.pathFor("fifo.sql").c_str(), 0600), 0);
  for (const auto& [name, what] : {std::pair{"nowhere.sql", "a link that leads nowhere"}, {"loop.sql", "a link in a loop"},
                                   {"fifo.sql", "a FIFO"}}) {
    const auto refused = SqliteStore::initWithDatabasePath(container.pathFor(name));
    ASSERT_FALSE(refused) << name;
    EXPECT_NE(refused.error().localizedDescription().find(std::string("it is ") + what + ", not a file"), std::string::npos)
        << refused.error();
    EXPECT_TRUE(ostrel::testing::damagedCopiesOf(container.pathFor(name)).empty()) << name;
  }
  EXPECT_FALSE(fs::exists(elsewhere + "/moved.sql")) << "nothing made at the far end";
  EXPECT_TRUE(fs::is_symlink(container.pathFor("nowhere.sql")));
  EXPECT_TRUE(fs::is_fifo(container.pathFor("fifo.sql")));
}

// Deleting the store through a link the person made deletes what they keep where it leads, its log and
// index too, never only the link: the link stays, and the store is made afresh at its far end.
TEST_F(SqliteStoreTest, ADeleteThroughALinkDeletesWhatItLeadsTo) {
  namespace fs = std::filesystem;
  const std::string far = container.pathFor("Elsewhere/kept.sql");
  fs::create_directory(container.pathFor("Elsewhere"));
  { ASSERT_TRUE(SqliteStore::initWithDatabasePath(far)); }
  fs::create_symlink(far, container.pathFor("linked.sql"));
  auto linked = SqliteStore::initWithDatabasePath(container.pathFor("linked.sql")).valueOr(nullptr);
  ASSERT_TRUE(linked && linked->ensureTableWithName("t", {{"a", "TEXT"}}));
  ASSERT_TRUE(linked->upsertRecord({{"a", Value(std::string("private"))}}, "t"));
  ASSERT_TRUE(fs::exists(far + "-wal"));

  ASSERT_TRUE(linked->closeAndDeleteDatabase());
  EXPECT_EQ(fs::file_size(far), 0u) << "nothing of what it held is left";
  for (const char* side : {"-wal", "-shm"}) EXPECT_FALSE(fs::exists(far + side)) << side;
  EXPECT_EQ(fs::read_symlink(container.pathFor("linked.sql")), far);

  auto fresh = SqliteStore::initWithDatabasePath(container.pathFor("linked.sql"));
  ASSERT_TRUE(fresh) << fresh.error();
  const auto tables = (*fresh)->recordsForQuery("SELECT count(*) AS n FROM sqlite_master", {});
  ASSERT_TRUE(tables);
  EXPECT_EQ(tables->front().at("n").toInt64(), 0);
  EXPECT_TRUE(ostrel::testing::damagedCopiesOf(far).empty());
  EXPECT_TRUE(fs::is_symlink(container.pathFor("linked.sql")));
}

// A start reads every page only while the file is small; damage in a larger one is found by the statement
// that meets it, and the next open checks the file whole and keeps it aside.
TEST_F(SqliteStoreTest, ALargeFileIsCheckedWholeOnlyAfterAStatementMetDamage) {
  std::string path = container.pathFor("large.sql");
  {
    auto original = SqliteStore::initWithDatabasePath(path).valueOr(nullptr);
    ASSERT_TRUE(original);
    ASSERT_TRUE(original->ensureTableWithName("t", {{"a", "BLOB"}}));
    ASSERT_TRUE(original->performTransaction([&] {
      for (int i = 0; i < 800; ++i) {
        if (!original->upsertRecord({{"a", Value::data(platform::foundation::Data(3000, i % 251))}}, "t")) return false;
      }
      return true;
    }));
    ASSERT_TRUE(original->executeStatement("PRAGMA wal_checkpoint(TRUNCATE)", {}));
  }
  ASSERT_GT(std::filesystem::file_size(path), SqliteStore::kWholeCheckBytes);
  scribble(path, static_cast<std::streamoff>(std::filesystem::file_size(path) / 2), 4096 * 4);

  {
    auto opened = SqliteStore::initWithDatabasePath(path);
    ASSERT_TRUE(opened) << opened.error();
    EXPECT_TRUE(ostrel::testing::damagedCopiesOf(path).empty()) << "no whole check at this open";
    EXPECT_FALSE((*opened)->recordsForQuery("SELECT sum(length(a)) AS n FROM t", {}));
    EXPECT_TRUE(scope.logged(messages::kDamagedDatabaseNoted));
  }

  auto next = SqliteStore::initWithDatabasePath(path);
  ASSERT_TRUE(next) << next.error();
  EXPECT_EQ(ostrel::testing::damagedCopiesOf(path).size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(path + ".damage-noted"));
}

// Seventeen commits in the log, one of its frames damaged: SQLite keeps those before the damage and
// drops the rest; the open says how many, keeps the log's bytes, and a later open says nothing more.
TEST_F(SqliteStoreTest, ADamagedLogSaysWhatItDropsAndKeepsACopy) {
  std::string path = container.pathFor("log.sql");
  const auto fill = [&](int rows) {
    auto writer = SqliteStore::initWithDatabasePath(path).valueOr(nullptr);
    ASSERT_TRUE(writer);
    ASSERT_TRUE(writer->ensureTableWithName("t", {{"a", "TEXT"}}));
    for (int i = 0; i < rows; ++i) ASSERT_TRUE(writer->upsertRecord({{"a", Value(std::to_string(i))}}, "t"));
  };
  const auto rows = [&](SqliteStore& reader) {
    auto counted = reader.recordsForQuery("SELECT count(*) AS n FROM t", {});
    return counted ? counted->front().at("n").toInt64() : -1;
  };
  for (int damage = 1; damage <= 2; ++damage) {
    fill(17);
    const std::string log = path + "-wal";
    ASSERT_GT(std::filesystem::file_size(log), 8u * (4096 + 24));
    // Inside the page of the sixth frame: its checksum no longer matches.
    scribble(log, 32 + 5 * (4096 + 24) + 24 + 100, 16);
    scope.console.clear();
    auto reopened = SqliteStore::initWithDatabasePath(path).valueOr(nullptr);
    ASSERT_TRUE(reopened);
    EXPECT_LT(rows(*reopened), 17 * damage);
    EXPECT_TRUE(scope.logged(messages::kDamagedLogTransactionsDropped));
    const auto kept = ostrel::testing::damagedCopiesOf(log);
    ASSERT_EQ(kept.size(), static_cast<std::size_t>(damage));
    EXPECT_TRUE(scope.console.contains("the log kept as: " + kept.back()) ||
                scope.console.contains(", " + kept.back())) << kept.back();
    EXPECT_EQ(std::filesystem::file_size(kept.back()) % (4096 + 24), 32u);
    reopened.reset();

    scope.console.clear();
    auto again = SqliteStore::initWithDatabasePath(path).valueOr(nullptr);
    ASSERT_TRUE(again);
    EXPECT_FALSE(scope.console.contains(Monitor::formattedCode(messages::kDamagedLogTransactionsDropped)))
        << "the damage is reported once";
    EXPECT_EQ(ostrel::testing::damagedCopiesOf(log).size(), static_cast<std::size_t>(damage));
  }
}

}  // namespace

}  // namespace sdk::analytics

