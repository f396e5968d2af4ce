#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "app/model/Camera.h"
#include "app/model/CameraFormatFull.h"
#include "app/model/CameraShootingMode.h"
#include "app/model/Crop.h"
#include "app/model/FrameGuide.h"
#include "app/storage/connection/CatalogueDatabase.h"
#include "app/storage/recovery/CatalogueKind.h"

namespace app::storage {

// A camera id of an older numbering, resolved to a format and a crop.
struct FormatRefObject {
  int containerID = 0;
  int cropID = 0;
};

// The camera-format catalogue "QuorvelFormatDatabase.db": cameras (ManufactorTable), their formats
// (FormatContainer), and the rows of FrameGuide, each both a crop and a frame guide. The
// frame-guide side of the same file is FrameGuideCatalogue.
//
// Use: make a helper, openDb(false), a few operations, closeDb(). Failures are logged and yield the
// empty value: an empty list, nullopt, false, or -1 for an id.
class CameraFormatCatalogue {
 public:
  static constexpr const char* kFileName = "QuorvelFormatDatabase.db";
  static constexpr const char* kResourceName = "QuorvelFormatDatabase";
  // The tables without which the file is not this catalogue.
  static constexpr std::array<const char*, 3> kTables{"ManufactorTable", "FormatContainer", "QuorvelFrameGuide"};
  // A camera, format, crop or frame guide the person made has origin (or type) 1.
  static constexpr std::array<CatalogueKind::PersonsMark, 3> kPersonsMarks{
      {{"ManufactorTable", "origin"}, {"FormatContainer", "origin"}, {"QuorvelFrameGuide", "type"}}};
  static const CatalogueKind kKind;

  // With reset, the catalogue is first brought to the bundle's version (resetdatabase).
  [[nodiscard]] bool openDb(bool reset);
  void closeDb() { database_.close(); }
  app::storage::CatalogueDatabase& database() { return database_; }

  std::vector<model::Camera> getAllManufacturers();  // by maker and model
  std::vector<model::Camera> getAllManufacturersCine();
  std::vector<model::Camera> getAllManufacturersPhoto();
  std::optional<model::Camera> getCameraManufacturer(int manufacturerId);
  // A format without a name of its own reads as "Video" (a Cine format) or "Still".
  std::optional<model::CameraShootingMode> getCameraFormat(int formatId);
  std::vector<model::CameraShootingMode> getAllShootingModesForManufacturer(int manufacturerId);
  std::vector<model::CameraFormatFull> getAllCameraFormatSetupsAndManufacturer();
  std::vector<model::CameraFormatFull> getAllCameraFormatSetupsAndManufacturerCineOnly();
  std::vector<model::CameraFormatFull> getAllCameraFormatSetupsAndManufacturerPhotoOnly();

  // Inserts return the new id (also written into the record), or -1 when nothing was stored. A user
  // format is always a "Cine" format of its own user camera, with an empty model.
  [[nodiscard]] int insertNewFormat(model::CameraShootingMode& mode);
  [[nodiscard]] int insertCustomManufacturer(model::Camera& manufacturer);
  // Both rows or neither; the mode comes back with its camera and format ids, nullopt on failure.
  std::optional<model::CameraShootingMode> insertNewCameraManufacturer(model::Camera& manufacturer, model::CameraShootingMode mode);
  [[nodiscard]] int checkIfCustomManufacturerExist();
  [[nodiscard]] int getLastContainerID();
  [[nodiscard]] int getLastFormatID();
  [[nodiscard]] int getLastManufacturerID();

  // Deletes a user camera with its formats, all or nothing; returns the id of its first format (0 when
  // it had none) so that the packages on it can be removed, or nullopt when nothing was deleted.
  [[nodiscard]] std::optional<int> deleteCustomFormat(const model::Camera& manufacturer);
  [[nodiscard]] bool deleteContainer(int formatId);

  // Every crop of the table, offered for `mode` (which supplies only the format id).
  std::vector<model::Crop> getCropsForNativeFormat(const model::CameraShootingMode& mode);
  std::optional<model::Crop> getCropForID(int cropId);
  std::optional<FormatRefObject> getFormatRefObjectForOldCameraID(int oldCameraId);
  std::vector<model::CameraShootingMode> getAllCustomShootingModes();  // user formats, names left empty
  std::vector<model::FrameGuide> getallCustomCrops();           // user crops and frame guides

  // Replaces the catalogue by the bundle's and carries the user's cameras, formats, crops and frame
  // guide selection over, re-pointing the stored packages in one mapping (CameraFormatCatalogueUpdate).
  // The new catalogue is assembled beside the old one and swapped in whole: if any step fails, the old
  // catalogue and the packages stay exactly as they were and this returns false.
  [[nodiscard]] bool resetdatabase();

 private:
  std::vector<model::Camera> readManufacturers(const char* sql);
  std::vector<model::CameraShootingMode> readModes(const std::string& sql, std::optional<int> parameter, bool keepName);
  std::vector<model::CameraFormatFull> readFull(const char* filter);
  [[nodiscard]] int nextId(const char* sql);

  app::storage::CatalogueDatabase database_;
};

}  // namespace app::storage

