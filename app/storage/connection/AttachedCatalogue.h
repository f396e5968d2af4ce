#pragma once

#include <string>

namespace app::storage {

class CatalogueDatabase;

// Another catalogue file joined to an open connection under a schema name for as long as this lives, so
// that one transaction spans both files. Both keep a rollback journal and flush each commit: SQLite then
// commits such a transaction in every file or in none, a kill or a power cut at any moment included
// (its super-journal ties the files' journals together). A write-ahead log would commit each file on its
// own, so a file that will not leave it is not joined.
//
// Only a file is joined: ATTACH would make a missing one (a catalogue then never seeded) and wait for
// ever on a FIFO. Not inside a transaction: SQLite refuses to attach there.
class AttachedCatalogue {
 public:
  AttachedCatalogue(CatalogueDatabase& database, const std::string& path, const std::string& schema);
  ~AttachedCatalogue();
  AttachedCatalogue(const AttachedCatalogue&) = delete;
  AttachedCatalogue& operator=(const AttachedCatalogue&) = delete;

  explicit operator bool() const { return attached_; }
  // Why it could not be joined, in words ("nothing stands at ..."); empty once joined.
  const std::string& whyNot() const { return whyNot_; }

 private:
  void detach();

  CatalogueDatabase& database_;
  std::string schema_;
  bool attached_ = false;
  std::string whyNot_;
};

}  // namespace app::storage
