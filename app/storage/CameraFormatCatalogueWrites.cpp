// CameraFormatCatalogue: user cameras and formats, ids and deletes.
#include "app/storage/CameraFormatCatalogue.h"
#include "app/storage/LogError.h"
#include "platform/log/Log.h"

using app::storage::CatalogueDatabase;
using app::storage::CatalogueStatement;

namespace app::storage {

namespace {

using Step = CatalogueStatement::Step;

using app::storage::logError;

}  // namespace

int CameraFormatCatalogue::nextId(const char* sql) {
  const auto next = database_.nextId(sql);
  if (!next) return -1;
  return *next < 1 ? 1 : *next;
}

int CameraFormatCatalogue::getLastContainerID() {
  return nextId("SELECT id FROM FormatContainer ORDER BY id DESC LIMIT 1");
}

int CameraFormatCatalogue::getLastFormatID() { return getLastContainerID(); }

int CameraFormatCatalogue::getLastManufacturerID() {
  return nextId("SELECT id FROM ManufactorTable ORDER BY id DESC LIMIT 1");
}

int CameraFormatCatalogue::checkIfCustomManufacturerExist() {
  auto statement = database_.prepare(
      "SELECT * FROM ManufactorTable WHERE manufactor = '000aaaCustom' ORDER BY id DESC LIMIT 1", true);
  return statement.step() == Step::Row ? statement.columnInt(0) : -1;
}

int CameraFormatCatalogue::insertCustomManufacturer(model::Camera& manufacturer) {
  const int id = getLastManufacturerID();
  if (id < 0) return -1;
  auto statement =
      database_.prepareInsert("INSERT INTO ManufactorTable (id,manufactor,model,type,origin) VALUES(?,?,?,?,?)");
  statement.bind(1, id).bind(2, manufacturer.manufacturer).bind(3, "").bind(4, "Cine").bind(5, CatalogueKind::kPersons);
  if (!CatalogueDatabase::finishInsert(statement)) return -1;
  manufacturer.manufacturerId = id;
  return id;
}

int CameraFormatCatalogue::insertNewFormat(model::CameraShootingMode& mode) {
  const int id = getLastContainerID();
  if (id < 0) return -1;
  auto statement = database_.prepareInsert(
      "INSERT INTO FormatContainer (id,manufactorId,shootingMode,anamorphic,width,height,category,origin,"
      "aspectratio,orderNumber) VALUES(?,?,?,?,?,?,?,?,?,?)");
  statement.bind(1, id)
      .bind(2, mode.manufacturerID)
      .bind(3, mode.shootingMode)
      .bind(4, static_cast<double>(mode.anamorphotic))
      .bind(5, static_cast<double>(mode.width))
      .bind(6, static_cast<double>(mode.height))
      .bind(7, "Cine")
      .bind(8, CatalogueKind::kPersons)
      .bind(9, mode.aspectRatio)
      .bind(10, 0);
  if (!CatalogueDatabase::finishInsert(statement)) return -1;
  mode.containerID = id;
  return id;
}

std::optional<model::CameraShootingMode> CameraFormatCatalogue::insertNewCameraManufacturer(model::Camera& manufacturer,
                                                                                   model::CameraShootingMode mode) {
  CatalogueDatabase::Transaction transaction(database_);
  if (!transaction.active()) return std::nullopt;
  model::Camera stored = manufacturer;
  if (insertCustomManufacturer(stored) < 0) return std::nullopt;
  mode.manufacturerID = stored.manufacturerId;
  if (insertNewFormat(mode) < 0 || !transaction.commit()) return std::nullopt;
  manufacturer.manufacturerId = stored.manufacturerId;
  return mode;
}

// The camera and its formats go together: a format never outlives its camera.
std::optional<int> CameraFormatCatalogue::deleteCustomFormat(const model::Camera& manufacturer) {
  const auto modes = getAllShootingModesForManufacturer(manufacturer.manufacturerId);
  const int firstFormat = modes.empty() ? 0 : modes.front().containerID;
  CatalogueDatabase::Transaction transaction(database_);
  const bool deleted =
      transaction.active() &&
      database_.runDelete("DELETE FROM FormatContainer WHERE manufactorId = ?", {manufacturer.manufacturerId}) &&
      database_.runDelete("DELETE FROM ManufactorTable WHERE id = ?", {manufacturer.manufacturerId}) &&
      transaction.commit();
  if (!deleted) return std::nullopt;
  return firstFormat;
}

bool CameraFormatCatalogue::deleteContainer(int formatId) {
  return database_.runDelete("DELETE FROM FormatContainer WHERE id = ?", {formatId});
}

}  // namespace app::storage

