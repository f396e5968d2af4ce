// LensAdapterCatalogue: bringing the catalogue to the bundle's version.
#include "app/storage/CatalogueReplacement.h"
#include "app/storage/CatalogueUpdate.h"
#include "app/storage/LensAdapterCatalogue.h"

using app::storage::CatalogueDatabase;
using app::storage::CatalogueReplacement;
using app::storage::CatalogueUpdate;
using app::storage::PendingPackageRemap;

namespace app::storage {

bool LensAdapterCatalogue::resetDB() {
  return rebuildFrom(CatalogueDatabase::libraryPath(kFileName)) == CatalogueUpdate::Rebuilt::Done;
}

CatalogueUpdate::Rebuilt LensAdapterCatalogue::carryRowsFrom(const std::string& readable) {
  return LensAdapterCatalogue().rebuildFrom(readable);
}

CatalogueUpdate::Rebuilt LensAdapterCatalogue::rebuildFrom(const std::string& source) {
  // The user's adapters as stored: their raw names, so a name beginning with "aaaa" is not turned
  // into the localised "None" on the way over.
  std::vector<model::LensAdapterRecord> custom;
  LensAdapterCatalogue installed;
  const auto opened =
      CatalogueUpdate::openInstalled(database_, installed.database_, source,
                                     {"SELECT LensAdapterId, AdapterType FROM QuorvelLensAdapter"}, "The lens adapter catalogue");
  if (opened == CatalogueUpdate::Installed::Unreadable) return CatalogueUpdate::Rebuilt::SourceUnreadable;
  if (opened == CatalogueUpdate::Installed::Open) {
    custom = installed.readAdapters(
        "SELECT * FROM QuorvelLensAdapter WHERE AdapterType = 1 ORDER BY LOWER (LensAdapterName)", false);
  }

  return CatalogueReplacement::rebuild(kFileName, kResourceName, [&custom](const std::string& staging) {
    LensAdapterCatalogue fresh;
    if (!fresh.database_.openPath(staging)) return false;
    if (!CatalogueReplacement::fillWithoutSyncing(fresh.database_)) return false;
    CatalogueDatabase::Transaction transaction(fresh.database_);
    if (!transaction.active()) return false;
    PendingPackageRemap remap;
    for (const auto& adapter : custom) {
      const int newId = fresh.carryUserAdapter(adapter);
      if (newId < 0) return false;
      remap.add(PendingPackageRemap::Kind::Adapter, adapter.adapterId, newId);
    }
    CatalogueUpdate::reached(CatalogueUpdate::Stage::Staging);
    return remap.store(fresh.database_) && transaction.commit();
  });
}

}  // namespace app::storage

