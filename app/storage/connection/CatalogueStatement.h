#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3_stmt;

namespace app::storage {

class CatalogueConnection;

// One prepared statement of a catalogue file, finalized when it goes out of scope. A statement that
// could not be prepared (bad SQL, or a catalogue that failed to open) is inert: binds are ignored,
// step() reports Error and every column reads as zero or empty, so callers fall through to the empty
// result they return on failure.
class CatalogueStatement {
 public:
  enum class Step { Row, Done, Error };

  CatalogueStatement() = default;
  explicit CatalogueStatement(sqlite3_stmt* statement) : statement_(statement) {}
  // A statement that goes back to `owner`'s cache for the next use of `sql` instead of being finalized.
  CatalogueStatement(sqlite3_stmt* statement, std::shared_ptr<CatalogueConnection> owner, std::string sql)
      : statement_(statement), owner_(std::move(owner)), sql_(std::move(sql)) {}
  ~CatalogueStatement();
  CatalogueStatement(CatalogueStatement&& other) noexcept;
  CatalogueStatement& operator=(CatalogueStatement&& other) noexcept;
  CatalogueStatement(const CatalogueStatement&) = delete;
  CatalogueStatement& operator=(const CatalogueStatement&) = delete;

  [[nodiscard]] bool ok() const { return statement_ != nullptr; }

  // Parameters are numbered from 1, as in the SQL text.
  CatalogueStatement& bind(int index, int value);
  CatalogueStatement& bind(int index, int64_t value);
  CatalogueStatement& bind(int index, double value);
  CatalogueStatement& bind(int index, std::string_view text);
  CatalogueStatement& bind(int index, const char* text) { return bind(index, std::string_view(text)); }

  Step step();
  // Steps to the end; true when the statement completed.
  [[nodiscard]] bool run();
  // Makes the statement ready to run again with new bindings.
  void reset();
  // Finalizes now; false when SQLite reports an error for the statement's last run.
  [[nodiscard]] bool finalize();
  // SQLite's reason for the last failure on the statement's connection; empty once finalized.
  std::string errorMessage() const;
  // Finalizes now, for a statement whose outcome its run already gave.
  void release() { static_cast<void>(finalize()); }

  // Columns are numbered from 0. NULL reads as 0, 0.0 or the empty text.
  [[nodiscard]] int columnInt(int index) const;
  [[nodiscard]] int64_t columnInt64(int index) const;
  double columnDouble(int index) const;
  float columnFloat(int index) const { return static_cast<float>(columnDouble(index)); }
  std::string columnText(int index) const;
  std::optional<std::string> columnOptionalText(int index) const;  // nullopt for NULL
  [[nodiscard]] bool columnIsNull(int index) const;
  [[nodiscard]] int columnCount() const;

 private:
  sqlite3_stmt* statement_ = nullptr;
  int lastResult_ = 0;
  std::shared_ptr<CatalogueConnection> owner_;  // set for a statement that is kept for reuse
  std::string sql_;
};

}  // namespace app::storage

