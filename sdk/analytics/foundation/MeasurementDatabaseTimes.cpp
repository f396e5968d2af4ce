// How far the times in a measurement database go, read before the database is opened.
#include <sqlite3.h>

#include <filesystem>

#include "platform/foundation/DatabaseSideFiles.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"

namespace sdk::analytics {

std::optional<double> MeasurementDatabase::latestEventTimeInFile(const std::string& path, double bound) {
  std::error_code missing;
  if (!std::filesystem::is_regular_file(path, missing)) return std::nullopt;  // never made by a read
  // SQLite would wait on a FIFO at the journal for ever; the store's own open names what stands there.
  if (!platform::foundation::DatabaseSideFiles::strangersBeside(path).empty()) return std::nullopt;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close_v2(db);
    return std::nullopt;
  }
  sqlite3_busy_timeout(db, 1000);
  // Each on its own: a table an older file lacks, or a damaged page, costs only its own answer.
  static constexpr const char* kLatestTimes[] = {
      "SELECT MAX(timestamp) FROM raw_events WHERE timestamp <= ?1",
      "SELECT MAX(bundle_end_timestamp) / 1000.0 FROM queue WHERE bundle_end_timestamp <= ?1 * 1000",
      "SELECT MAX(last_fire_timestamp) FROM events WHERE last_fire_timestamp <= ?1",
      "SELECT MAX(last_bundle_end_timestamp) FROM app_metadata WHERE last_bundle_end_timestamp <= ?1",
  };
  std::optional<double> latest;
  for (const char* sql : kLatestTimes) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_bind_double(statement, 1, bound) == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW &&
        sqlite3_column_type(statement, 0) != SQLITE_NULL) {
      const double time = sqlite3_column_double(statement, 0);
      if (time <= bound && (!latest || time > *latest)) latest = time;
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close_v2(db);
  return latest;
}

}  // namespace sdk::analytics
