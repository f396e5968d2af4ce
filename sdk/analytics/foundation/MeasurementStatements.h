#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Error.h"
#include "platform/foundation/ErrorOr.h"
#include "platform/foundation/Value.h"
#include "sdk/analytics/foundation/AnalyticsValue.h"
#include "sdk/analytics/foundation/SqliteStore.h"

namespace sdk::analytics {

// The statements every table of the measurement database runs through: a failure is logged with its
// code and words and comes back as an error of the measurement domain, so each table says only what
// it asks.
class MeasurementStatements {
 public:
  using Error = platform::foundation::Error;
  template <typename T>
  using ErrorOr = platform::foundation::ErrorOr<T>;
  using Row = SqliteStore::Row;
  using Value = platform::foundation::Value;

  explicit MeasurementStatements(std::shared_ptr<SqliteStore> store) : store_(std::move(store)) {}

  SqliteStore& store() { return *store_; }
  const SqliteStore& store() const { return *store_; }

  // Runs a query or statement; a failure is logged with `code` and `what` and returned.
  ErrorOr<std::vector<Row>> query(const std::string& sql, const std::vector<Value>& params, std::int64_t code,
                                  const char* what);
  ErrorOr<std::int64_t> execute(const std::string& sql, const std::vector<Value>& params, std::int64_t code,
                                const char* what);
  // Statements whose count of changed rows nobody reads.
  ErrorOr<void> run(const std::string& sql, const std::vector<Value>& params, std::int64_t code, const char* what);
  // The single integer of "SELECT count(...)"-like queries.
  ErrorOr<std::int64_t> scalar(const std::string& sql, const std::vector<Value>& params, std::int64_t code,
                               const char* what);
  // Logs `description` under `code` and makes it the error.
  Error refuse(std::int64_t code, const std::string& description);
  // performTransaction with the store's error, logged.
  ErrorOr<void> transaction(const std::function<bool()>& block);
  // Runs `step` in a transaction that is undone when the step fails; the step's own error is the one
  // returned, else the transaction's.
  ErrorOr<void> inTransaction(const std::function<ErrorOr<void>()>& step);
  void dropUnreadableRow(const char* table, std::int64_t rowID, const std::string& reason);

  // A value as a column stores it, and back; a column of another type holds no value.
  static Value columnValue(const AnalyticsValue& value);
  static std::optional<AnalyticsValue> valueFromColumn(const Value& column);
  // The blob in `column` of the row; none when the row has no such column or it holds no blob.
  static const platform::foundation::Data* blob(const Row& row, const char* column);

 private:
  std::shared_ptr<SqliteStore> store_;
};

}  // namespace sdk::analytics
