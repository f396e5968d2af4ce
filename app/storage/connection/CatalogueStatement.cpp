#include "app/storage/connection/CatalogueStatement.h"

#include <sqlite3.h>

#include <utility>

#include "app/storage/connection/CatalogueConnection.h"

namespace app::storage {

CatalogueStatement::~CatalogueStatement() { release(); }

CatalogueStatement::CatalogueStatement(CatalogueStatement&& other) noexcept
    : statement_(std::exchange(other.statement_, nullptr)),
      lastResult_(other.lastResult_),
      owner_(std::move(other.owner_)),
      sql_(std::move(other.sql_)) {}

CatalogueStatement& CatalogueStatement::operator=(CatalogueStatement&& other) noexcept {
  if (this != &other) {
    release();
    statement_ = std::exchange(other.statement_, nullptr);
    lastResult_ = other.lastResult_;
    owner_ = std::move(other.owner_);
    sql_ = std::move(other.sql_);
  }
  return *this;
}

CatalogueStatement& CatalogueStatement::bind(int index, int value) {
  if (statement_) sqlite3_bind_int(statement_, index, value);
  return *this;
}

CatalogueStatement& CatalogueStatement::bind(int index, int64_t value) {
  if (statement_) sqlite3_bind_int64(statement_, index, value);
  return *this;
}

CatalogueStatement& CatalogueStatement::bind(int index, double value) {
  if (statement_) sqlite3_bind_double(statement_, index, value);
  return *this;
}

CatalogueStatement& CatalogueStatement::bind(int index, std::string_view text) {
  if (statement_) {
    sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  }
  return *this;
}

CatalogueStatement::Step CatalogueStatement::step() {
  if (!statement_) return Step::Error;
  lastResult_ = sqlite3_step(statement_);
  if (lastResult_ == SQLITE_ROW) return Step::Row;
  if (lastResult_ == SQLITE_DONE) return Step::Done;
  return Step::Error;
}

bool CatalogueStatement::run() {
  Step result;
  while ((result = step()) == Step::Row) {
  }
  return result == Step::Done;
}

void CatalogueStatement::reset() {
  if (!statement_) return;
  sqlite3_reset(statement_);
  sqlite3_clear_bindings(statement_);
}

std::string CatalogueStatement::errorMessage() const {
  return statement_ ? sqlite3_errmsg(sqlite3_db_handle(statement_)) : std::string();
}

bool CatalogueStatement::finalize() {
  if (!statement_) return true;
  const bool ok = lastResult_ == 0 || lastResult_ == SQLITE_ROW || lastResult_ == SQLITE_DONE;
  if (owner_) {
    owner_->giveBack(std::move(sql_), std::exchange(statement_, nullptr));
    owner_.reset();
    return ok;
  }
  const int result = sqlite3_finalize(std::exchange(statement_, nullptr));
  return result == SQLITE_OK && ok;
}

int CatalogueStatement::columnInt(int index) const {
  return statement_ ? sqlite3_column_int(statement_, index) : 0;
}

int64_t CatalogueStatement::columnInt64(int index) const {
  return statement_ ? sqlite3_column_int64(statement_, index) : 0;
}

double CatalogueStatement::columnDouble(int index) const {
  return statement_ ? sqlite3_column_double(statement_, index) : 0.0;
}

std::string CatalogueStatement::columnText(int index) const {
  return columnOptionalText(index).value_or(std::string());
}

std::optional<std::string> CatalogueStatement::columnOptionalText(int index) const {
  if (!statement_ || sqlite3_column_type(statement_, index) == SQLITE_NULL) return std::nullopt;
  const auto* text = sqlite3_column_text(statement_, index);
  const int size = sqlite3_column_bytes(statement_, index);
  if (!text) return std::string();
  return std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(size));
}

bool CatalogueStatement::columnIsNull(int index) const {
  return !statement_ || sqlite3_column_type(statement_, index) == SQLITE_NULL;
}

int CatalogueStatement::columnCount() const { return statement_ ? sqlite3_column_count(statement_) : 0; }

}  // namespace app::storage

