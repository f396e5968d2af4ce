// CameraFormatCatalogue: bringing the catalogue to the bundle's version.
#include "app/storage/CatalogueReplacement.h"
#include "app/storage/CatalogueUpdate.h"
#include "app/storage/CameraFormatCatalogue.h"
#include "app/storage/FrameGuideCatalogue.h"

using app::storage::CatalogueDatabase;
using app::storage::CatalogueReplacement;
using app::storage::CatalogueUpdate;
using app::storage::PendingPackageRemap;

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

}  // namespace

bool CameraFormatCatalogue::resetdatabase() {
  return rebuildFrom(CatalogueDatabase::libraryPath(kFileName)) == CatalogueUpdate::Rebuilt::Done;
}

CatalogueUpdate::Rebuilt CameraFormatCatalogue::carryRowsFrom(const std::string& readable) {
  return CameraFormatCatalogue().rebuildFrom(readable);
}

CatalogueUpdate::Rebuilt CameraFormatCatalogue::rebuildFrom(const std::string& source) {
  FormatCarryOver old;
  CameraFormatCatalogue installed;
  const auto opened = CatalogueUpdate::openInstalled(
      database_, installed.database_, source,
      {"SELECT id, origin FROM FormatContainer", "SELECT id, type, selected FROM QuorvelFrameGuide"},
      "The camera-format catalogue");
  if (opened == CatalogueUpdate::Installed::Unreadable) return CatalogueUpdate::Rebuilt::SourceUnreadable;
  if (opened == CatalogueUpdate::Installed::Open) {
    FrameGuideCatalogue guides;
    if (!guides.openPath(installed.database_.path())) return CatalogueUpdate::Rebuilt::SourceUnreadable;
    for (auto& mode : installed.getAllCustomShootingModes()) {
      model::CameraFormatFull full;
      full.manufacturer = installed.getCameraManufacturer(mode.manufacturerID).value_or(model::Camera());
      full.shootingMode = std::move(mode);
      old.formats.push_back(std::move(full));
    }
    old.selectedGuide = guides.getSelectedFrameGuide().frameGuideId;
    old.crops = installed.getallCustomCrops();
  }

  return CatalogueReplacement::rebuild(kFileName, kResourceName, [&old](const std::string& staging) {
    PendingPackageRemap remap;
    {
      CameraFormatCatalogue fresh;
      if (!fresh.database_.openPath(staging)) return false;
      if (!CatalogueReplacement::fillWithoutSyncing(fresh.database_)) return false;
      CatalogueDatabase::Transaction transaction(fresh.database_);
      if (!transaction.active()) return false;
      for (const auto& full : old.formats) {
        model::Camera camera = full.manufacturer;
        const auto mode = fresh.insertNewCameraManufacturer(camera, full.shootingMode);
        if (!mode) return false;
        remap.add(Kind::Format, full.shootingMode.containerID, mode->containerID);
      }
      CatalogueUpdate::reached(CatalogueUpdate::Stage::Staging);
      if (!transaction.commit()) return false;
    }
    return carryGuides(staging, old, remap);
  });
}

}  // namespace app::storage

