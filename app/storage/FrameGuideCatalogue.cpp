#include "app/storage/FrameGuideCatalogue.h"

#include "app/storage/recovery/CatalogueSeeding.h"
#include "app/storage/recovery/CatalogueOpening.h"

using app::storage::CatalogueDatabase;
using app::storage::CatalogueStatement;

namespace app::storage {

namespace {

using Step = CatalogueStatement::Step;

constexpr const char* kGuideFileName = "QuorvelFrameGuideDB.db";
constexpr const char* kGuideResourceName = "QuorvelFrameGuideDB";

}  // namespace

model::FrameGuide FrameGuideCatalogue::guideFromRow(const CatalogueStatement& row) {
  model::FrameGuide guide;
  guide.frameGuideId = row.columnInt(0);
  guide.width = row.columnFloat(1);
  guide.height = row.columnFloat(2);
  guide.selected = row.columnInt(3);
  guide.type = row.columnInt(4);
  return guide;
}

bool FrameGuideCatalogue::openDb(bool reset) {
  if (reset) return resetDB() && database_.openPath(dbPath_);
  dbPath_ = CatalogueDatabase::libraryPath(kFileName);
  return CatalogueOpening::openForHelper(database_, CameraFormatCatalogue::kKind);
}

bool FrameGuideCatalogue::openPath(const std::string& path) {
  dbPath_ = path;
  return database_.openPath(path);
}

bool FrameGuideCatalogue::resetDB() {
  database_.close();
  const std::string path = CatalogueDatabase::libraryPath(kGuideFileName);
  if (!CatalogueSeeding::replaceWithBundleCopy(path, kGuideResourceName)) return false;
  dbPath_ = path;
  return true;
}

std::vector<model::FrameGuide> FrameGuideCatalogue::readGuides(const std::string& sql,
                                                                            std::optional<int> parameter) {
  std::vector<model::FrameGuide> guides;
  auto statement = database_.prepare(sql, true);
  if (parameter) statement.bind(1, *parameter);
  const auto held = database_.heldSelection();
  while (statement.step() == Step::Row) {
    guides.push_back(guideFromRow(statement));
    if (held) guides.back().selected = guides.back().frameGuideId == *held ? 1 : 0;
  }
  return guides;
}

std::vector<model::FrameGuide> FrameGuideCatalogue::getAllFrameGuides() {
  return readGuides("SELECT * FROM QuorvelFrameGuide ORDER BY sortValue ASC", std::nullopt);
}

bool FrameGuideCatalogue::deselectAllFrameGuids() {
  return database_.writeSelection("UPDATE QuorvelFrameGuide SET selected = 0");
}

bool FrameGuideCatalogue::selectFrameGuide(int frameGuideId) {
  return database_.writeSelection("UPDATE QuorvelFrameGuide SET selected = 1 WHERE id = ?", {frameGuideId});
}

bool FrameGuideCatalogue::selectOnlyFrameGuide(int frameGuideId) {
  return database_.selectOnly("UPDATE QuorvelFrameGuide SET selected = (id = ?1) WHERE selected IS NOT (id = ?1)",
                              frameGuideId);
}

model::FrameGuide FrameGuideCatalogue::getSelectedFrameGuide() {
  if (!database_.writeHeldSelection()) database_.logUpdateFailure();
  const auto guides = readGuides("SELECT * FROM QuorvelFrameGuide WHERE selected = 1", std::nullopt);
  return guides.empty() ? model::FrameGuide() : guides.back();
}

std::optional<model::FrameGuide> FrameGuideCatalogue::getFrameGuide(int frameGuideId) {
  const auto guides = readGuides("SELECT * FROM QuorvelFrameGuide WHERE id = ?", frameGuideId);
  if (guides.empty()) return std::nullopt;
  return guides.back();
}

int FrameGuideCatalogue::frameGuideIdOfSize(float width, float height) {
  // Sizes the user typed are stored as single-precision values widened, shipped ones as the decimal
  // figure: 1.85 from either must be the same guide, so they are equal to within float precision.
  auto statement = database_.prepare(
      "SELECT id FROM QuorvelFrameGuide WHERE ABS(width - ?1) <= 0.000001 * ABS(?1) AND "
      "ABS(height - ?2) <= 0.000001 * ABS(?2)",
      true);
  if (!statement.ok()) {
    database_.logUpdateFailure();
    return -1;
  }
  statement.bind(1, static_cast<double>(width)).bind(2, static_cast<double>(height));
  if (statement.step() != Step::Row) return -1;
  const int id = statement.columnInt(0);
  return id > 0 ? id : -1;
}

bool FrameGuideCatalogue::frameGuideExists(const model::FrameGuide& guide) {
  return frameGuideIdOfSize(guide.width, guide.height) > 0;
}

bool FrameGuideCatalogue::deleteFrameGuide(const model::FrameGuide& guide) {
  return database_.runDelete("DELETE FROM QuorvelFrameGuide WHERE id = ?", {guide.frameGuideId});
}

int FrameGuideCatalogue::getLastFrameGuideID() {
  return database_.nextIdOrLog("SELECT id FROM QuorvelFrameGuide ORDER BY id DESC LIMIT 1");
}

// A user guide: its size, sorted by its ratio, never selected on its own.
FrameGuideCatalogue::Inserted FrameGuideCatalogue::insertUserGuide(model::FrameGuide& guide) {
  if (frameGuideExists(guide)) return Inserted::Exists;
  const int id = getLastFrameGuideID();
  if (id < 0) return Inserted::Failed;
  auto statement = database_.prepareInsert(
      "INSERT INTO QuorvelFrameGuide (id,width,height,selected,type,sortValue) VALUES(?,?,?,?,?,?)");
  const float sortValue = guide.width / guide.height;
  statement.bind(1, id)
      .bind(2, static_cast<double>(guide.width))
      .bind(3, static_cast<double>(guide.height))
      .bind(4, 0)
      .bind(5, CatalogueKind::kPersons)
      .bind(6, static_cast<double>(sortValue));
  if (!CatalogueDatabase::finishInsert(statement)) return Inserted::Failed;
  guide.frameGuideId = id;
  return Inserted::Stored;
}

bool FrameGuideCatalogue::insertFrameGuide(model::FrameGuide& guide) {
  const int previousId = guide.frameGuideId;
  CatalogueDatabase::Transaction transaction(database_);
  const Inserted result = insertUserGuide(guide);
  if (result == Inserted::Stored &&
      !(deselectAllFrameGuids() && selectFrameGuide(guide.frameGuideId) && transaction.commit())) {
    // The new row went back with the selection: the record must not name an id nothing is stored under.
    guide.frameGuideId = previousId;
  }
  return result == Inserted::Exists;
}

bool FrameGuideCatalogue::insertFrameGuideFromCameraSetup(model::FrameGuide& guide) {
  return insertUserGuide(guide) == Inserted::Exists;
}

int FrameGuideCatalogue::insertFrameGuide4Update(model::FrameGuide& guide) {
  return insertUserGuide(guide) == Inserted::Stored ? guide.frameGuideId : -1;
}

}  // namespace app::storage

