// QuorvelLensAdapterDBHelper: bringing the catalogue to the bundle's version.
#include "app/storage/CatalogueReplacement.h"
#include "app/storage/CatalogueUpdateStages.h"
#include "app/storage/QuorvelLensAdapterDBHelper.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/log/Log.h"

using platform::foundation::AtomicFile;

bool QuorvelLensAdapterDBHelper::resetDB() {
  database_.close();
  const std::string path = CatalogueDatabase::libraryPath(kFileName);
  // Packages must be on the installed file's numbering before a new mapping is made from it.
  if (!PendingPackageRemap::apply(path)) return false;

  // The user's adapters as stored: their raw names, so a name beginning with "aaaa" is not turned
  // into the localised "None" on the way over.
  std::vector<QuorvelLensAdapter> custom;
  if (AtomicFile::fileExists(path)) {
    QuorvelLensAdapterDBHelper installed;
    // A catalogue that cannot be read is kept: its user rows cannot be carried, so it is not replaced.
    if (!installed.database_.openPath(path) ||
        !installed.database_.prepare("SELECT LensAdapterId, AdapterType FROM QuorvelLensAdapter", true).ok()) {
      platform::log::write(platform::log::Error, "The lens adapter catalogue cannot be read; it is not replaced");
      return false;
    }
    custom = installed.readAdapters(
        "SELECT * FROM QuorvelLensAdapter WHERE AdapterType = 1 ORDER BY LOWER (LensAdapterName)", false);
  }

  return CatalogueReplacement::run(kFileName, kResourceName, [&custom](const std::string& staging) {
    QuorvelLensAdapterDBHelper fresh;
    if (!fresh.database_.openPath(staging)) return false;
    CatalogueReplacement::fillWithoutSyncing(fresh.database_);
    CatalogueDatabase::Transaction transaction(fresh.database_);
    if (!transaction.active()) return false;
    PendingPackageRemap remap;
    for (const auto& adapter : custom) {
      const int newId = fresh.insertCustomAdapter(adapter);
      if (newId < 0) return false;
      remap.add(PendingPackageRemap::Kind::Adapter, adapter.adapterId, newId);
    }
    CatalogueUpdateStages::reached("staging");
    return remap.store(fresh.database_) && transaction.commit();
  });
}
