#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/model/FrameGuide.h"
#include "app/storage/CameraFormatCatalogue.h"
#include "app/storage/connection/CatalogueDatabase.h"

namespace app::storage {

// The frame guides of the camera-format catalogue (the same file as CameraFormatCatalogue's) and the
// one selected guide. A guide is known by its size: no two rows share a width and height (equal to
// within single precision, so that a typed 1.85 is the shipped 1.85).
//
// Use: make a helper, openDb(false), a few operations, closeDb(). Failures are logged and yield the
// empty value.
class FrameGuideCatalogue {
 public:
  // The camera-format catalogue's own file.
  static constexpr const char* kFileName = CameraFormatCatalogue::kFileName;

  // With reset, opens the separate frame-guide catalogue instead, freshly copied from the bundle.
  [[nodiscard]] bool openDb(bool reset);
  void closeDb() { database_.close(); }
  app::storage::CatalogueDatabase& database() { return database_; }
  // Whether the guides' selection flags may not be the app's last choice (SelectionTrust).
  [[nodiscard]] bool selectionMayBeStale() const { return database_.mayHoldStaleSelections("QuorvelFrameGuide"); }
  // Opens the catalogue file at `path` (for the format catalogue's update, which fills a copy).
  [[nodiscard]] bool openPath(const std::string& path);

  std::vector<model::FrameGuide> getAllFrameGuides();  // by ratio
  [[nodiscard]] bool deselectAllFrameGuids();
  [[nodiscard]] bool selectFrameGuide(int frameGuideId);    // other rows keep their flag
  // Leaves exactly `frameGuideId` selected, writing only the rows whose flag changes.
  [[nodiscard]] bool selectOnlyFrameGuide(int frameGuideId);
  model::FrameGuide getSelectedFrameGuide();  // id 0 when none is selected
  // Inserts a user guide and makes it the one selected guide. True when a guide of that size already
  // existed (nothing inserted, selection unchanged); false when it was inserted or could not be.
  [[nodiscard]] bool insertFrameGuide(model::FrameGuide& guide);
  [[nodiscard]] bool frameGuideExists(const model::FrameGuide& guide);
  [[nodiscard]] bool deleteFrameGuide(const model::FrameGuide& guide);
  // As insertFrameGuide, leaving the selection alone.
  [[nodiscard]] bool insertFrameGuideFromCameraSetup(model::FrameGuide& guide);
  [[nodiscard]] int getLastFrameGuideID();
  // Puts the bundle's frame-guide catalogue "QuorvelFrameGuideDB.db" in place and points the helper at
  // it; false (and nothing changed) when the bundle has none.
  [[nodiscard]] bool resetDB();
  std::optional<model::FrameGuide> getFrameGuide(int frameGuideId);
  // The new id, or -1 when a guide of that size exists (or nothing could be stored).
  [[nodiscard]] int insertFrameGuide4Update(model::FrameGuide& guide);
  // The id of the guide of exactly this size, -1 when there is none.
  [[nodiscard]] int frameGuideIdOfSize(float width, float height);

  // Columns 0-4 of a FrameGuide row, in stored order.
  static model::FrameGuide guideFromRow(const app::storage::CatalogueStatement& row);

 private:
  enum class Inserted { Stored, Exists, Failed };
  Inserted insertUserGuide(model::FrameGuide& guide);
  std::vector<model::FrameGuide> readGuides(const std::string& sql, std::optional<int> parameter);

  app::storage::CatalogueDatabase database_;
  std::string dbPath_;
};

}  // namespace app::storage

