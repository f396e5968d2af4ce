// QuorvelLensAdapterDBHelper: bringing the catalogue to the bundle's version.
#include <cstdio>

#include "app/storage/PackageDatabaseHelper.h"
#include "app/storage/QuorvelLensAdapterDBHelper.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/log/Log.h"

using platform::foundation::AtomicFile;

namespace {

void logError(const std::string& message) { platform::log::write(platform::log::Error, message); }

}  // namespace

bool QuorvelLensAdapterDBHelper::resetDB() {
  database_.close();
  const std::string path = CatalogueDatabase::libraryPath(kFileName);

  // The user's adapters as stored: their raw names, so a name beginning with "aaaa" is not turned
  // into the localised "None" on the way over.
  std::vector<QuorvelLensAdapter> custom;
  if (AtomicFile::fileExists(path)) {
    QuorvelLensAdapterDBHelper old;
    if (old.database_.openPath(path)) {
      custom = old.readAdapters(
          "SELECT * FROM QuorvelLensAdapter WHERE AdapterType = 1 ORDER BY LOWER (LensAdapterName)", false);
    }
  }

  const std::string staging = path + ".updating";
  if (!CatalogueDatabase::replaceWithBundleCopy(staging, kResourceName)) return false;
  std::vector<UpdateFormatIDObject> mapping;
  bool carried = false;
  {
    QuorvelLensAdapterDBHelper fresh;
    if (fresh.database_.openPath(staging)) {
      CatalogueDatabase::Transaction transaction(fresh.database_);
      carried = transaction.active();
      for (const auto& adapter : custom) {
        if (!carried) break;
        const int newId = fresh.insertCustomAdapter(adapter);
        carried = newId >= 0;
        mapping.push_back({.oldID = adapter.adapterId, .newID = newId});
      }
      carried = carried && transaction.commit();
    }
  }
  if (!carried || std::rename(staging.c_str(), path.c_str()) != 0) {
    logError("Lens adapter catalogue update failed; the installed catalogue is kept");
    AtomicFile::removeFile(staging);
    return false;
  }

  PackageDatabaseHelper packages;
  packages.openDb(false);
  if (!packages.remapAdapterIds(mapping)) logError("Could not re-point packages to the renumbered adapters");
  packages.closeDb();
  return true;
}
