// CatalogueDatabase: the update, delete and insert steps every catalogue class shares.
#include "app/storage/CatalogueDatabase.h"
#include "app/storage/LogError.h"
#include "platform/log/Log.h"

namespace app::storage {

void CatalogueDatabase::logUpdateFailure() const {
  logError("Error, failed to prepare statement while updating." + errorMessage());
}

bool CatalogueDatabase::runUpdate(std::string_view sql, std::initializer_list<int64_t> parameters) {
  CatalogueStatement statement = prepare(sql, true);
  if (!statement.ok()) {
    logUpdateFailure();
    return false;
  }
  int index = 1;
  for (int64_t value : parameters) statement.bind(index++, value);
  const bool done = statement.run();
  if (!statement.finalize()) logError("Failed to finalize data statement, normally error handling here.");
  return done;
}

bool CatalogueDatabase::runDelete(std::string_view sql, std::initializer_list<int64_t> parameters) {
  CatalogueStatement statement = prepare(sql, true);
  if (!statement.ok()) {
    logError("DATABASE ERROR WHILE DELETING ID");
    return false;
  }
  int index = 1;
  for (int64_t value : parameters) statement.bind(index++, value);
  return statement.run();
}

CatalogueStatement CatalogueDatabase::prepareInsert(std::string_view sql) {
  CatalogueStatement statement = prepare(sql, true);
  if (!statement.ok()) logError("Error, failed to prepare statement, normally handle error here.");
  return statement;
}

bool CatalogueDatabase::finishInsert(CatalogueStatement& statement) {
  if (!statement.ok()) return false;
  const bool done = statement.run();
  if (!done) logError("Failed to do data statement, normally error handling here.");
  if (!statement.finalize()) logError("Failed to finalize data statement, normally error handling here.");
  return done;
}

}  // namespace app::storage

