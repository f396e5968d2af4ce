#pragma once

#include <array>
#include <string>
#include <vector>

#include "app/model/LensAdapterRecord.h"
#include "app/storage/connection/CatalogueDatabase.h"
#include "app/storage/recovery/CatalogueKind.h"

namespace app::storage {

// The adapter catalogue "QuorvelLensAdapterDb.db": shipped adapters beside the user's own. A stored
// name that begins with "aaaa" (the "no adapter" row) reads back as the localised "None", except in
// getAdapterNameList, which gives names as stored.
//
// Use: make a helper, openDb(false), a few operations, closeDb(). Failures are logged and yield the
// empty value: an empty list, an adapter with its initial values, false, or -1 for an id.
class LensAdapterCatalogue {
 public:
  static constexpr const char* kFileName = "QuorvelLensAdapterDb.db";
  static constexpr const char* kResourceName = "QuorvelLensAdapterDb";
  // The tables without which the file is not this catalogue.
  static constexpr std::array<const char*, 1> kTables{"QuorvelLensAdapter"};
  // An adapter the person made has AdapterType 1.
  static constexpr std::array<CatalogueKind::PersonsMark, 1> kPersonsMarks{{{"QuorvelLensAdapter", "AdapterType"}}};
  static const CatalogueKind kKind;

  // With reset, the catalogue is first brought to the bundle's version (resetDB).
  [[nodiscard]] bool openDb(bool reset);
  void closeDb() { database_.close(); }
  app::storage::CatalogueDatabase& database() { return database_; }
  // Whether the adapters' selection flags may not be the app's last choice (SelectionTrust).
  [[nodiscard]] bool selectionMayBeStale() const { return database_.mayHoldStaleSelections(kTables[0]); }

  std::vector<model::LensAdapterRecord> getAllAdapters();
  std::vector<model::LensAdapterRecord> getAllCustomAdapters();
  // The selected adapter (the last one when several are); initial values when none is selected.
  model::LensAdapterRecord getSelectedLensAdapter();
  [[nodiscard]] bool deselectAllAdapter();
  [[nodiscard]] bool selectAdapter(int adapterId);
  // Leaves exactly `adapterId` selected, writing only the rows whose flag changes (none when it
  // already is the one selected adapter, so that nothing reaches the disk).
  [[nodiscard]] bool selectOnlyAdapter(int adapterId);
  [[nodiscard]] bool deleteAdapter(const model::LensAdapterRecord& adapter);
  // Both store a user adapter (type 1, empty comment) under the next id and return it, or -1 when
  // nothing was stored; insertNewAdapter also makes it the one selected adapter.
  [[nodiscard]] int insertNewAdapter(const model::LensAdapterRecord& adapter);
  [[nodiscard]] int insertCustomAdapter(const model::LensAdapterRecord& adapter);
  [[nodiscard]] int getLastAdapterID();

  // Replaces the catalogue by the bundle's and carries the user's adapters over under new ids, in
  // name order, re-pointing stored packages in one mapping. The new catalogue is assembled beside the
  // old one and swapped in whole: if any step fails the old catalogue and the packages stay untouched,
  // and a crash after the swap leaves the mapping in the new file for the next open to finish.
  [[nodiscard]] bool resetDB();
  // The same from what could be read of a damaged catalogue: how the adapter catalogue's rows are carried.
  [[nodiscard]] static CatalogueUpdate::Rebuilt carryRowsFrom(const std::string& readable);
  // The person's adapters as a copy holds them (PersonsRows).
  static std::vector<CatalogueKind::PersonsRowQuery> personsRows();

  model::LensAdapterRecord getLensAdapter(int adapterId);
  std::vector<std::string> getAdapterNameList();       // names as stored
  std::vector<std::string> getAdapterShortNameList();  // each width factor as text
  model::LensAdapterRecord getAdapter4Name(const std::string& name);

  // Catalogue id of an adapter of the old fixed list, by its short (respectively long) name; 1 for a
  // name that is not in the list.
  [[nodiscard]] static int getAdapterID4OldName(const std::string& name);
  [[nodiscard]] static int getAdapterID4OldNameFULL(const std::string& name);

 private:
  // resetDB with the user's adapters read from `source`.
  [[nodiscard]] CatalogueUpdate::Rebuilt rebuildFrom(const std::string& source);
  // The person's adapters, by name.
  static std::string customAdapters();
  std::vector<model::LensAdapterRecord> readAdapters(const std::string& sql, bool noneRule);
  model::LensAdapterRecord readOne(app::storage::CatalogueStatement& statement);
  [[nodiscard]] int insertAdapter(const model::LensAdapterRecord& adapter, bool withComment);
  // A user adapter carried into a new catalogue by an update: everything the user gave it, comment too.
  [[nodiscard]] int carryUserAdapter(const model::LensAdapterRecord& adapter);

  app::storage::CatalogueDatabase database_;
};

}  // namespace app::storage

