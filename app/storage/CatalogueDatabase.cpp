#include "app/storage/CatalogueDatabase.h"

#include <sqlite3.h>

#include <cctype>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Paths.h"
#include "platform/log/Log.h"

using platform::foundation::AtomicFile;

namespace app::storage {

namespace {

void logError(const std::string& message) { platform::log::write(platform::log::Error, message); }

bool isIdentifier(const std::string& name) {
  if (name.empty()) return false;
  for (char c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  }
  return true;
}

}  // namespace

CatalogueDatabase::~CatalogueDatabase() { close(); }

std::string CatalogueDatabase::libraryPath(const std::string& fileName) {
  return platform::foundation::Paths::library() + "/" + fileName;
}

std::string CatalogueDatabase::bundlePath(const std::string& resourceName) {
  return platform::foundation::Bundle::main()->pathForResource(resourceName, "db");
}

bool CatalogueDatabase::copyFromBundle(const std::string& path, const std::string& resourceName) {
  const std::string source = bundlePath(resourceName);
  if (source.empty()) {
    logError("Catalogue " + resourceName + ".db is missing from the bundle");
    return false;
  }
  std::string error;
  if (!AtomicFile::copyFile(source, path, &error)) {
    logError("Could not copy catalogue " + resourceName + ".db to " + path + ": " + error);
    return false;
  }
  return true;
}

bool CatalogueDatabase::seedIfMissing(const std::string& path, const std::string& resourceName) {
  return AtomicFile::fileExists(path) || copyFromBundle(path, resourceName);
}

bool CatalogueDatabase::replaceWithBundleCopy(const std::string& path, const std::string& resourceName) {
  return copyFromBundle(path, resourceName);
}

bool CatalogueDatabase::openCatalogue(const std::string& fileName, const std::string& resourceName) {
  const std::string path = libraryPath(fileName);
  return seedIfMissing(path, resourceName) && openPath(path);
}

bool CatalogueDatabase::openPath(const std::string& path) {
  close();
  path_ = path;
  sqlite3* db = nullptr;
  // No SQLITE_OPEN_CREATE: a missing catalogue must stay missing so that it is seeded next time.
  const int result = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  if (result != SQLITE_OK) {
    logError("Could not open catalogue " + path + ": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(result)));
    sqlite3_close(db);
    return false;
  }
  db_ = db;
  return true;
}

void CatalogueDatabase::close() {
  if (!db_) return;
  sqlite3_close_v2(db_);
  db_ = nullptr;
}

CatalogueStatement CatalogueDatabase::prepare(std::string_view sql, bool quiet) {
  if (!db_) {
    logError("Catalogue is not open: " + (path_.empty() ? std::string("(none)") : path_));
    return CatalogueStatement();
  }
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &statement, nullptr) != SQLITE_OK) {
    if (!quiet) logError(std::string("Could not prepare statement: ") + sqlite3_errmsg(db_));
    sqlite3_finalize(statement);
    return CatalogueStatement();
  }
  return CatalogueStatement(statement);
}

bool CatalogueDatabase::execute(std::string_view sql, std::initializer_list<int64_t> parameters) {
  CatalogueStatement statement = prepare(sql);
  if (!statement.ok()) return false;
  int index = 1;
  for (int64_t value : parameters) statement.bind(index++, value);
  if (statement.run()) return true;
  logError("Statement failed: " + errorMessage());
  return false;
}

std::string CatalogueDatabase::errorMessage() const { return db_ ? sqlite3_errmsg(db_) : "catalogue is not open"; }

int CatalogueDatabase::changes() const { return db_ ? sqlite3_changes(db_) : 0; }

std::optional<int> CatalogueDatabase::nextId(std::string_view sql) {
  CatalogueStatement statement = prepare(sql, true);
  if (!statement.ok()) return std::nullopt;
  if (statement.step() == CatalogueStatement::Step::Row) return statement.columnInt(0) + 1;
  return 1;
}

int CatalogueDatabase::nextIdOrLog(std::string_view sql) {
  const auto next = nextId(sql);
  if (!next) {
    logError("Eror fetching the lat id...");
    return -1;
  }
  // A table holding only ids below 1 (the standard packages -2 and -1) still gives out 1 first.
  return *next < 1 ? 1 : *next;
}

bool CatalogueDatabase::remapIds(const std::string& table, const std::string& column,
                                 const std::vector<UpdateFormatIDObject>& mapping) {
  if (!isIdentifier(table) || !isIdentifier(column)) {
    logError("Refusing to remap ids of " + table + "." + column);
    return false;
  }
  if (mapping.empty()) return isOpen();
  Transaction transaction(*this);
  if (!transaction.active()) return false;
  if (!execute("CREATE TEMP TABLE IF NOT EXISTS catalogue_id_map (oldId INTEGER PRIMARY KEY, newId INTEGER)") ||
      !execute("DELETE FROM temp.catalogue_id_map")) {
    return false;
  }
  // OR IGNORE: the first entry of an old id is the one that counts.
  CatalogueStatement insert = prepare("INSERT OR IGNORE INTO temp.catalogue_id_map (oldId, newId) VALUES (?, ?)");
  for (const UpdateFormatIDObject& entry : mapping) {
    insert.bind(1, entry.oldID).bind(2, entry.newID);
    if (!insert.run()) {
      logError("Could not stage id remap: " + errorMessage());
      return false;
    }
    insert.reset();
  }
  insert.release();
  const std::string update = "UPDATE " + table + " SET " + column +
                             " = (SELECT newId FROM temp.catalogue_id_map WHERE oldId = " + table + "." + column +
                             ") WHERE " + column + " IN (SELECT oldId FROM temp.catalogue_id_map)";
  if (!execute(update) || !execute("DELETE FROM temp.catalogue_id_map")) return false;
  return transaction.commit();
}

bool CatalogueDatabase::begin() { return execute("BEGIN IMMEDIATE"); }

bool CatalogueDatabase::inTransaction() const { return db_ && !sqlite3_get_autocommit(db_); }

bool CatalogueDatabase::commit() {
  if (execute("COMMIT")) return true;
  rollback();
  return false;
}

void CatalogueDatabase::rollback() {
  if (inTransaction()) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

}  // namespace app::storage
