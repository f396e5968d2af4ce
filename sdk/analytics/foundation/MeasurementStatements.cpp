#include "sdk/analytics/foundation/MeasurementStatements.h"

#include <utility>

#include "sdk/analytics/foundation/FoundationMessageCodes.h"
#include "sdk/analytics/foundation/MeasurementError.h"
#include "sdk/analytics/foundation/Monitor.h"

namespace sdk::analytics {

using platform::foundation::ErrorOr;
using platform::foundation::Value;

ErrorOr<std::vector<MeasurementStatements::Row>> MeasurementStatements::query(const std::string& sql,
                                                                              const std::vector<Value>& params,
                                                                              std::int64_t code, const char* what) {
  auto rows = store_->recordsForQuery(sql, params);
  if (!rows) {
    const std::string reason = rows.error().localizedDescription();
    Monitor::shared()->logWithLevel(LogLevel::kMonitoredError, code, std::string(what) + ". Error", Value(reason));
    return measurementErrorWithCode(code, std::string(what) + ": " + reason);
  }
  return rows;
}

ErrorOr<std::int64_t> MeasurementStatements::execute(const std::string& sql, const std::vector<Value>& params,
                                                     std::int64_t code, const char* what) {
  auto changed = store_->executeStatement(sql, params);
  if (!changed) {
    const std::string reason = changed.error().localizedDescription();
    Monitor::shared()->logWithLevel(LogLevel::kMonitoredError, code, std::string(what) + ". Error", Value(reason));
    return measurementErrorWithCode(code, std::string(what) + ": " + reason);
  }
  return changed;
}

ErrorOr<void> MeasurementStatements::run(const std::string& sql, const std::vector<Value>& params, std::int64_t code,
                                         const char* what) {
  TRY(execute(sql, params, code, what));
  return {};
}

ErrorOr<std::int64_t> MeasurementStatements::scalar(const std::string& sql, const std::vector<Value>& params,
                                                    std::int64_t code, const char* what) {
  auto rows = TRY(query(sql, params, code, what));
  if (rows.empty() || rows.front().empty()) return std::int64_t{0};
  return rows.front().begin()->second.toInt64();
}

MeasurementStatements::Error MeasurementStatements::refuse(std::int64_t code, const std::string& description) {
  Monitor::shared()->logWithLevel(LogLevel::kMonitoredError, code, description);
  return measurementErrorWithCode(code, description);
}

ErrorOr<void> MeasurementStatements::transaction(const std::function<bool()>& block) {
  auto done = store_->performTransaction(block);
  if (!done) {
    Monitor::shared()->logWithLevel(LogLevel::kMonitoredError, messages::kTransactionFailed,
                                    "Transaction failed. " + done.error().localizedDescription());
  }
  return done;
}

ErrorOr<void> MeasurementStatements::inTransaction(const std::function<ErrorOr<void>()>& step) {
  std::optional<Error> failure;
  auto done = transaction([&] {
    auto result = step();
    if (!result) failure = std::move(result).releaseError();
    return !failure;
  });
  if (failure) return *failure;
  return done;
}

void MeasurementStatements::dropUnreadableRow(const char* table, std::int64_t rowID, const std::string& reason) {
  Monitor::shared()->logWithLevel(LogLevel::kMonitoredError, messages::kUnreadableRowDeleted,
                                  std::string("Data loss. Deleting unreadable row. Table, row, reason"), Value(table),
                                  Value(rowID), Value(reason));
  // Best effort: a row that stays is met, and dropped, again next time.
  (void)store_->executeStatement(std::string("DELETE FROM ") + table + " WHERE rowid = ?", {Value(rowID)});
}

Value MeasurementStatements::columnValue(const AnalyticsValue& value) {
  if (value.isString()) return Value(value.stringValue());
  if (value.isDouble()) return Value(value.doubleValue());
  return Value(value.int64Value());
}

std::optional<AnalyticsValue> MeasurementStatements::valueFromColumn(const Value& column) {
  if (column.isInteger()) return AnalyticsValue(column.toInt64());
  if (column.isReal()) return AnalyticsValue(column.toDouble());
  if (column.isString()) return AnalyticsValue(*column.string());
  return std::nullopt;
}

const platform::foundation::Data* MeasurementStatements::blob(const Row& row, const char* column) {
  auto found = row.find(column);
  return found == row.end() ? nullptr : found->second.data();
}

}  // namespace sdk::analytics
