#include "app/storage/CameraFormatCatalogueUpdate.h"

#include "app/storage/CameraFormatCatalogue.h"
#include "app/storage/FrameGuideCatalogue.h"
#include "app/storage/recovery/CatalogueReplacement.h"

namespace app::storage {

namespace {

using Kind = PendingPackageRemap::Kind;

// What of the installed catalogue is the user's, read without changing it.
struct FormatCarryOver {
  std::vector<model::CameraFormatFull> formats;  // each user format with its camera
  std::vector<model::FrameGuide> crops;   // user crops and frame guides (one table)
  int selectedGuide = 0;                  // 0: none was selected
};

int mapped(const std::vector<model::UpdateFormatIDObject>& mapping, int id) {
  for (const auto& entry : mapping) {
    if (entry.oldID == id) return entry.newID;
  }
  return id;
}

// The user's crops and frame guides, then the guide selection, then the whole id list, into the copy.
bool carryGuides(const std::string& staging, const FormatCarryOver& old, PendingPackageRemap& remap) {
  FrameGuideCatalogue guides;
  if (!guides.openPath(staging)) return false;
  if (!CatalogueReplacement::fillWithoutSyncing(guides.database())) return false;
  CatalogueDatabase::Transaction transaction(guides.database());
  if (!transaction.active()) return false;
  for (model::FrameGuide guide : old.crops) {
    const int oldId = guide.frameGuideId;
    int newId = guides.insertFrameGuide4Update(guide);
    // The new catalogue ships a row of the same size: packages on the user's row move to it.
    if (newId < 0) newId = guides.frameGuideIdOfSize(guide.width, guide.height);
    if (newId < 0) return false;
    remap.add(Kind::Crop, oldId, newId);
  }
  remap.add(Kind::FrameGuide, remap.entries(Kind::Crop));
  if (old.selectedGuide > 0) {
    // Exactly one guide stays selected: the one chosen before, under its new id.
    if (!guides.deselectAllFrameGuids() ||
        !guides.selectFrameGuide(mapped(remap.entries(Kind::Crop), old.selectedGuide))) {
      return false;
    }
  }
  return remap.store(guides.database()) && transaction.commit();
}

// The person's cameras and formats into the copy at `staging`, their new ids into `remap`.
bool carryFormats(const std::string& staging, const FormatCarryOver& old, PendingPackageRemap& remap) {
  CameraFormatCatalogue fresh;
  if (!fresh.database().openPath(staging)) return false;
  if (!CatalogueReplacement::fillWithoutSyncing(fresh.database())) return false;
  CatalogueDatabase::Transaction transaction(fresh.database());
  if (!transaction.active()) return false;
  for (const auto& full : old.formats) {
    model::Camera camera = full.manufacturer;
    const auto mode = fresh.insertNewCameraManufacturer(camera, full.shootingMode);
    if (!mode) return false;
    remap.add(Kind::Format, full.shootingMode.containerID, mode->containerID);
  }
  CatalogueUpdate::reached(CatalogueUpdate::Stage::Staging);
  return transaction.commit();
}

}  // namespace

CatalogueUpdate::Rebuilt CameraFormatCatalogueUpdate::run(CameraFormatCatalogue& own, const std::string& source) {
  FormatCarryOver old;
  CameraFormatCatalogue installed;
  const auto opened = CatalogueUpdate::openInstalled(
      own.database(), installed.database(), source,
      {"SELECT id, origin FROM FormatContainer", "SELECT id, type, selected FROM QuorvelFrameGuide"},
      "The camera-format catalogue");
  if (opened == CatalogueUpdate::Installed::Unreadable) return CatalogueUpdate::Rebuilt::SourceUnreadable;
  if (opened == CatalogueUpdate::Installed::Open) {
    FrameGuideCatalogue guides;
    if (!guides.openPath(installed.database().path())) return CatalogueUpdate::Rebuilt::SourceUnreadable;
    for (auto& mode : installed.getAllCustomShootingModes()) {
      model::CameraFormatFull full;
      full.manufacturer = installed.getCameraManufacturer(mode.manufacturerID).value_or(model::Camera());
      full.shootingMode = std::move(mode);
      old.formats.push_back(std::move(full));
    }
    old.selectedGuide = guides.getSelectedFrameGuide().frameGuideId;
    old.crops = installed.getallCustomCrops();
  }
  return CatalogueReplacement::rebuild(CameraFormatCatalogue::kKind, [&old](const std::string& staging) {
    PendingPackageRemap remap;
    return carryFormats(staging, old, remap) && carryGuides(staging, old, remap);
  });
}

CatalogueUpdate::Rebuilt CameraFormatCatalogueUpdate::carryRowsFrom(const std::string& readable) {
  CameraFormatCatalogue own;
  return run(own, readable);
}

std::vector<CatalogueKind::PersonsRowQuery> CameraFormatCatalogueUpdate::personsRows() {
  const CatalogueKind& kind = CameraFormatCatalogue::kKind;
  const std::string camera =
      "SELECT printf('camera|%s|%s|%.3f|%.3f|%.3f|%s', m.manufactor, f.shootingMode, f.width, f.height, f.anamorphic, "
      "f.aspectratio)";
  const std::string cameras = " FROM FormatContainer f LEFT JOIN ManufactorTable m ON m.id = f.manufactorId WHERE " +
                              kind.personsRowsOf("FormatContainer", "f.");
  // A ratio of the person's, or the shipped one of the same size.
  const std::string ratio = "SELECT printf('ratio|%.3f|%.3f', width, height)";
  return {{camera + ", NULL" + cameras, camera + cameras},
          {ratio + ", NULL FROM QuorvelFrameGuide WHERE " + kind.personsRowsOf("QuorvelFrameGuide"),
           ratio + " FROM QuorvelFrameGuide"}};
}

}  // namespace app::storage

