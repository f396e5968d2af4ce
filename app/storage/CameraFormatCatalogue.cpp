#include "app/storage/CameraFormatCatalogue.h"

#include "app/model/NumericText.h"
#include "app/storage/CameraFormatCatalogueUpdate.h"
#include "app/storage/FrameGuideCatalogue.h"
#include "app/storage/connection/LogError.h"
#include "app/storage/recovery/CatalogueOpening.h"
#include "app/storage/recovery/CatalogueUpdate.h"
#include "platform/log/Log.h"

using app::storage::CatalogueDatabase;
using app::storage::CatalogueStatement;
using app::model::NumericText;
using app::storage::CatalogueUpdate;
namespace app::storage {

namespace {

using Step = CatalogueStatement::Step;

constexpr const char* kModeColumns =
    "SELECT  FormatContainer.id,FormatContainer.manufactorId,  FormatContainer.shootingMode, "
    "FormatContainer.width,FormatContainer.height, FormatContainer.anamorphic,FormatContainer.category, "
    "FormatContainer.origin,FormatContainer.aspectratio";

// The nine format columns. A format without a name of its own is shown by its kind.
model::CameraShootingMode modeFromRow(const CatalogueStatement& row, bool keepName) {
  model::CameraShootingMode mode;
  mode.containerID = row.columnInt(0);
  mode.manufacturerID = row.columnInt(1);
  mode.width = row.columnFloat(3);
  mode.height = row.columnFloat(4);
  mode.anamorphotic = row.columnFloat(5);
  mode.category = row.columnText(6);
  mode.formatOrigin = row.columnInt(7);
  mode.aspectRatio = row.columnText(8);
  const std::string stored = row.columnText(2);
  mode.shootingModeNameOrig = !stored.empty();
  if (!keepName) return mode;
  mode.shootingMode = mode.shootingModeNameOrig                      ? stored
                      : NumericText::contains(mode.category, "Cine") ? "Video"
                                                                     : "Still";
  return mode;
}

}  // namespace

constinit const CatalogueKind CameraFormatCatalogue::kKind{.fileName = kFileName,
                                                           .resourceName = kResourceName,
                                                           .tables = kTables,
                                                           .carryRows = &CameraFormatCatalogueUpdate::carryRowsFrom,
                                                           .marks = kPersonsMarks,
                                                           .personsRows = &CameraFormatCatalogueUpdate::personsRows};

bool CameraFormatCatalogue::openDb(bool reset) {
  if (reset && !resetdatabase()) CatalogueUpdate::keptInstalled(kFileName);
  return CatalogueOpening::openForHelper(database_, kKind);
}

bool CameraFormatCatalogue::resetdatabase() {
  return CameraFormatCatalogueUpdate::run(*this, CatalogueDatabase::libraryPath(kFileName)) ==
         CatalogueUpdate::Rebuilt::Done;
}

std::vector<model::Camera> CameraFormatCatalogue::readManufacturers(const char* sql) {
  std::vector<model::Camera> cameras;
  auto statement = database_.prepare(sql, true);
  while (statement.step() == Step::Row) {
    cameras.emplace_back(statement.columnInt(0), statement.columnText(1), statement.columnText(2),
                         statement.columnText(3), statement.columnInt(4));
  }
  return cameras;
}

std::vector<model::Camera> CameraFormatCatalogue::getAllManufacturers() {
  return readManufacturers("SELECT * FROM ManufactorTable ORDER BY LOWER (manufactor), LOWER (model)");
}

std::vector<model::Camera> CameraFormatCatalogue::getAllManufacturersCine() {
  return readManufacturers(
      "SELECT * FROM ManufactorTable WHERE type = 'Cine' ORDER BY LOWER (manufactor), LOWER (model)");
}

std::vector<model::Camera> CameraFormatCatalogue::getAllManufacturersPhoto() {
  return readManufacturers(
      "SELECT * FROM ManufactorTable WHERE type = 'Photo' ORDER BY LOWER (manufactor), LOWER (model)");
}

std::optional<model::Camera> CameraFormatCatalogue::getCameraManufacturer(int manufacturerId) {
  auto statement = database_.prepare(
      "SELECT ManufactorTable.id, ManufactorTable.manufactor, ManufactorTable.model,ManufactorTable.type,"
      "ManufactorTable.origin FROM ManufactorTable WHERE ManufactorTable.id = ?",
      true);
  if (!statement.ok()) {
    database_.logUpdateFailure();
    return std::nullopt;
  }
  statement.bind(1, manufacturerId);
  std::optional<model::Camera> camera;
  while (statement.step() == Step::Row) {
    camera.emplace(statement.columnInt(0), statement.columnText(1), statement.columnText(2), statement.columnText(3),
                   statement.columnInt(4));
  }
  return camera;
}

std::vector<model::CameraShootingMode> CameraFormatCatalogue::readModes(const std::string& sql, std::optional<int> parameter,
                                                                 bool keepName) {
  std::vector<model::CameraShootingMode> modes;
  auto statement = database_.prepare(sql, true);
  if (!statement.ok()) {
    database_.logUpdateFailure();
    return modes;
  }
  if (parameter) statement.bind(1, *parameter);
  while (statement.step() == Step::Row) modes.push_back(modeFromRow(statement, keepName));
  return modes;
}

std::optional<model::CameraShootingMode> CameraFormatCatalogue::getCameraFormat(int formatId) {
  auto modes =
      readModes(std::string(kModeColumns) + " FROM FormatContainer WHERE FormatContainer.id = ?", formatId, true);
  if (modes.empty()) return std::nullopt;
  return modes.back();
}

std::vector<model::CameraShootingMode> CameraFormatCatalogue::getAllShootingModesForManufacturer(int manufacturerId) {
  return readModes(
      std::string(kModeColumns) +
          " FROM FormatContainer WHERE FormatContainer.manufactorId = ?  ORDER BY FormatContainer.orderNumber",
      manufacturerId, true);
}

std::vector<model::CameraShootingMode> CameraFormatCatalogue::getAllCustomShootingModes() {
  return readModes(std::string(kModeColumns) + " FROM FormatContainer WHERE " + kKind.personsRowsOf("FormatContainer"), std::nullopt,
                   false);
}

std::vector<model::CameraFormatFull> CameraFormatCatalogue::readFull(const char* filter) {
  std::vector<model::CameraFormatFull> formats;
  auto statement = database_.prepare(
      std::string(kModeColumns) +
          ",ManufactorTable.id, ManufactorTable.manufactor,ManufactorTable.model  FROM ManufactorTable, "
          "FormatContainer WHERE ManufactorTable.id = FormatContainer.manufactorId" +
          filter + " ORDER BY LOWER (ManufactorTable.manufactor), LOWER (ManufactorTable.model), FormatContainer.id",
      true);
  if (!statement.ok()) database_.logUpdateFailure();
  while (statement.step() == Step::Row) {
    model::CameraFormatFull full;
    full.shootingMode = modeFromRow(statement, true);
    // The joined camera takes its kind from the format; the lists never show its origin.
    full.manufacturer = model::Camera(statement.columnInt(9), statement.columnText(10), statement.columnText(11),
                                         full.shootingMode.category, 0);
    formats.push_back(std::move(full));
  }
  return formats;
}

std::vector<model::CameraFormatFull> CameraFormatCatalogue::getAllCameraFormatSetupsAndManufacturer() { return readFull(""); }

std::vector<model::CameraFormatFull> CameraFormatCatalogue::getAllCameraFormatSetupsAndManufacturerCineOnly() {
  return readFull(" AND FormatContainer.category = 'Cine'");
}

std::vector<model::CameraFormatFull> CameraFormatCatalogue::getAllCameraFormatSetupsAndManufacturerPhotoOnly() {
  return readFull(" AND FormatContainer.category = 'Photo'");
}

std::vector<model::Crop> CameraFormatCatalogue::getCropsForNativeFormat(const model::CameraShootingMode& mode) {
  std::vector<model::Crop> crops;
  auto statement = database_.prepare(
      "SELECT QuorvelFrameGuide.id, QuorvelFrameGuide.width, QuorvelFrameGuide.height, QuorvelFrameGuide.sortValue, "
      "QuorvelFrameGuide.type FROM QuorvelFrameGuide ORDER BY sortValue ASC",
      true);
  if (!statement.ok()) database_.logUpdateFailure();
  while (statement.step() == Step::Row) {
    const float width = statement.columnFloat(1);
    const float height = statement.columnFloat(2);
    model::Crop crop;
    crop.cropID = statement.columnInt(0);
    crop.sortValue = statement.columnFloat(3);
    crop.formatID = mode.containerID;
    crop.customType = statement.columnInt(4);
    crop.value = width / height;
    crop.aspectRatio = model::FrameGuide::ratioText(width, height);
    crops.push_back(std::move(crop));
  }
  return crops;
}

std::optional<model::Crop> CameraFormatCatalogue::getCropForID(int cropId) {
  auto statement = database_.prepare(
      "SELECT QuorvelFrameGuide.id, QuorvelFrameGuide.width, QuorvelFrameGuide.height, QuorvelFrameGuide.sortValue, "
      "QuorvelFrameGuide.type FROM QuorvelFrameGuide WHERE QuorvelFrameGuide.id = ?",
      true);
  if (!statement.ok()) {
    database_.logUpdateFailure();
    return std::nullopt;
  }
  statement.bind(1, cropId);
  std::optional<model::Crop> crop;
  while (statement.step() == Step::Row) {
    // Only what a package needs of its crop: the id, the ratio text and whether it is the user's.
    crop.emplace();
    crop->cropID = statement.columnInt(0);
    crop->aspectRatio = model::FrameGuide::ratioText(statement.columnFloat(1), statement.columnFloat(2));
    crop->customType = statement.columnInt(4);
  }
  return crop;
}

std::optional<FormatRefObject> CameraFormatCatalogue::getFormatRefObjectForOldCameraID(int oldCameraId) {
  auto statement = database_.prepare(
      "SELECT cameraformatRef.containerid,cameraformatRef.aspectratioid FROM cameraformatRef WHERE id = ?", true);
  if (!statement.ok()) {
    database_.logUpdateFailure();
    return std::nullopt;
  }
  statement.bind(1, oldCameraId);
  std::optional<FormatRefObject> reference;
  while (statement.step() == Step::Row) {
    reference = FormatRefObject{.containerID = statement.columnInt(0), .cropID = statement.columnInt(1)};
  }
  return reference;
}

std::vector<model::FrameGuide> CameraFormatCatalogue::getallCustomCrops() {
  std::vector<model::FrameGuide> guides;
  auto statement = database_.prepare("SELECT * FROM QuorvelFrameGuide WHERE " + kKind.personsRowsOf("QuorvelFrameGuide"), true);
  if (!statement.ok()) database_.logUpdateFailure();
  while (statement.step() == Step::Row) guides.push_back(FrameGuideCatalogue::guideFromRow(statement));
  return guides;
}

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

