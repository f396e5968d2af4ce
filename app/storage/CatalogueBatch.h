#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "app/storage/CameraFormatCatalogue.h"
#include "app/storage/LensAdapterCatalogue.h"
#include "app/storage/LensDatabaseHelper.h"
#include "app/storage/OpenCatalogue.h"
#include "app/storage/PackageDatabaseHelper.h"
#include "app/storage/connection/CatalogueDatabase.h"
#include "app/storage/connection/CatalogueSession.h"

namespace app::storage {

// Many small writes to the four catalogues made as one commit per catalogue (the start packages and
// the selections of a start): each commit costs several flushes to the disk, so a start that wrote
// every selection flag on its own waited for dozens of them. Everything written while the batch is
// open joins its transactions, through the session's shared connections; nothing of it is on the disk
// until commit(), and a batch that ends without commit() leaves the catalogues as they were.
//
// The lens, camera-format and adapter catalogues take only selection writes in a batch (which series,
// lenses, frame guide and adapter are selected). Loading both standard packages selects one package's
// choices and then the other's. The series, frame guide and adapter selections are held, not written,
// until a reader filters by them or the batch commits (CatalogueDatabase::selectOnly), so only the last
// of each reaches the file, and only if it differs. The lens flags are written as they come; when a
// catalogue's flags end as they began, its transaction is rolled back instead of committed, so that a
// start that changes nothing writes nothing.
//
// Not for catalogue updates: those attach files and rename them, which an open transaction forbids.
class CatalogueBatch {
 public:
  CatalogueBatch();
  ~CatalogueBatch();
  CatalogueBatch(const CatalogueBatch&) = delete;
  CatalogueBatch& operator=(const CatalogueBatch&) = delete;

  // Commits every catalogue that changed; false (logged) when one could not be, the others stay
  // committed.
  [[nodiscard]] bool commit();

 private:
  // The lens, camera-format and adapter catalogues, each null when it did not open.
  std::array<CatalogueDatabase*, 3> watched();

  CatalogueSession session_;  // first: the helpers below must share its connections
  OpenCatalogue<LensDatabaseHelper> lenses_;
  OpenCatalogue<CameraFormatCatalogue> formats_;
  OpenCatalogue<LensAdapterCatalogue> adapters_;
  OpenCatalogue<PackageDatabaseHelper> packages_;
  std::optional<CatalogueDatabase::Transaction> transactions_[4];
  int64_t changesBefore_[3] = {};  // rows written on each watched catalogue's connection before the batch
};

}  // namespace app::storage

