// FormatDatabaseHelper2: bringing the catalogue to the bundle's version.
#include "app/storage/CatalogueReplacement.h"
#include "app/storage/CatalogueUpdateStages.h"
#include "app/storage/FormatDatabaseHelper2.h"
#include "app/storage/QuorvelFrameGuidesDatabaseHelper.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/log/Log.h"

namespace {

using Kind = PendingPackageRemap::Kind;

// What of the installed catalogue is the user's, read without changing it.
struct FormatCarryOver {
  std::vector<CameraFormatFull> formats;  // each user format with its camera
  std::vector<QuorvelFrameGuide> crops;   // user crops and frame guides (one table)
  int selectedGuide = 0;                  // 0: none was selected
};

int mapped(const std::vector<UpdateFormatIDObject>& mapping, int id) {
  for (const auto& entry : mapping) {
    if (entry.oldID == id) return entry.newID;
  }
  return id;
}

// The user's crops and frame guides, then the guide selection, then the whole id list, into the copy.
bool carryGuides(const std::string& staging, const FormatCarryOver& old, PendingPackageRemap& remap) {
  QuorvelFrameGuidesDatabaseHelper guides;
  if (!guides.openPath(staging)) return false;
  CatalogueReplacement::fillWithoutSyncing(guides.database());
  CatalogueDatabase::Transaction transaction(guides.database());
  if (!transaction.active()) return false;
  for (QuorvelFrameGuide guide : old.crops) {
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

bool FormatDatabaseHelper2::resetdatabase() {
  database_.close();
  const std::string path = CatalogueDatabase::libraryPath(kFileName);
  // Packages must be on the installed file's numbering before a new mapping is made from it.
  if (!PendingPackageRemap::apply(path)) return false;

  FormatCarryOver old;
  if (platform::foundation::AtomicFile::fileExists(path)) {
    FormatDatabaseHelper2 installed;
    QuorvelFrameGuidesDatabaseHelper guides;
    // A catalogue that cannot be read is kept: its user rows cannot be carried, so it is not replaced.
    if (!installed.database_.openPath(path) || !guides.openPath(path) ||
        !installed.database_.prepare("SELECT id, origin FROM FormatContainer").ok() ||
        !installed.database_.prepare("SELECT id, type, selected FROM QuorvelFrameGuide").ok()) {
      platform::log::write(platform::log::Error, "The camera-format catalogue cannot be read; it is not replaced");
      return false;
    }
    for (auto& mode : installed.getAllCustomShootingModes()) {
      CameraFormatFull full;
      full.manufactorer = installed.getCameraManufacturer(mode.manufacturerID).value_or(CameraManufactor());
      full.shootingMode = std::move(mode);
      old.formats.push_back(std::move(full));
    }
    old.selectedGuide = guides.getSelectedFrameGuide().frameGuideId;
    old.crops = installed.getallCustomCrops();
  }

  return CatalogueReplacement::run(kFileName, kResourceName, [&old](const std::string& staging) {
    PendingPackageRemap remap;
    {
      FormatDatabaseHelper2 fresh;
      if (!fresh.database_.openPath(staging)) return false;
      CatalogueReplacement::fillWithoutSyncing(fresh.database_);
      CatalogueDatabase::Transaction transaction(fresh.database_);
      if (!transaction.active()) return false;
      for (const auto& full : old.formats) {
        CameraManufactor camera = full.manufactorer;
        const auto mode = fresh.insertNewCameraManufactor(camera, full.shootingMode);
        if (!mode) return false;
        remap.add(Kind::Format, full.shootingMode.containerID, mode->containerID);
      }
      CatalogueUpdateStages::reached("staging");
      if (!transaction.commit()) return false;
    }
    return carryGuides(staging, old, remap);
  });
}
