#pragma once

#include <optional>
#include <string>

#include "app/storage/PackageDatabaseHelper.h"
#include "app/storage/connection/AttachedCatalogue.h"
#include "app/storage/connection/CatalogueDatabase.h"

namespace app::storage {

// A change to one catalogue and the stored packages that follow it (a row deleted and the saved packages
// on it), made as one step: the package catalogue is attached to the catalogue's connection and one
// transaction spans both files, committed in both or in neither whatever stops it (AttachedCatalogue).
// The catalogue's helper works on its own connection and packages() on the same one; the transactions
// either opens join this one.
//
// Where one step cannot be had, nothing is changed and a warning says why: the package catalogue is
// missing or something else stands in its place, it is left alone for now (in use elsewhere, or its
// rescue not finished), another program holds it or it may only be read; or the catalogue holds
// renumbered ids its stored packages do not follow yet. The change then waits whole: the person asks
// for it again once that is gone.
class StepWithPackages {
 public:
  // Begins the step on `catalogue`, an open helper's connection outside any transaction; `what` names
  // the change as a sentence begins ("The delete of the camera \"Aaa\"").
  StepWithPackages(CatalogueDatabase& catalogue, const std::string& what);
  ~StepWithPackages();
  StepWithPackages(const StepWithPackages&) = delete;
  StepWithPackages& operator=(const StepWithPackages&) = delete;

  explicit operator bool() const { return transaction_ && transaction_->active(); }
  // The stored packages, on the step's connection.
  PackageDatabaseHelper& packages() { return packages_; }
  // Commits both files; false (with the warning) when it could not be, and then neither changed.
  [[nodiscard]] bool commit();

 private:
  // Why the package catalogue cannot take part now; empty when it can.
  static std::string whyPackagesCannotFollow(const std::string& cataloguePath);
  void waits(const std::string& why) const;

  std::string what_;
  std::optional<AttachedCatalogue> attached_;
  PackageDatabaseHelper packages_;
  std::optional<CatalogueDatabase::Transaction> transaction_;  // last: it ends before the rest goes
};

}  // namespace app::storage
