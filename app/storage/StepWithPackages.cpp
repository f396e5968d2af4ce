#include "app/storage/StepWithPackages.h"

#include "app/storage/recovery/PendingPackageRemap.h"
#include "platform/log/Log.h"

namespace app::storage {

namespace {

constexpr const char* kSchema = "packages";

std::string packagesPath() { return CatalogueDatabase::libraryPath(PackageCatalogue::kFileName); }

}  // namespace

std::string StepWithPackages::whyPackagesCannotFollow(const std::string& cataloguePath) {
  // Stored packages on the ids an update left behind would be matched against the new ones: the list
  // goes first, and while it cannot, nothing is changed by id.
  if (!PendingPackageRemap::apply(cataloguePath)) return "the stored packages do not follow its renumbered rows yet";
  return PendingPackageRemap::whyPackageCatalogueCannotJoin();
}

StepWithPackages::StepWithPackages(CatalogueDatabase& catalogue, const std::string& what) : what_(what) {
  if (const std::string why = whyPackagesCannotFollow(catalogue.path()); !why.empty()) {
    waits(why);
    return;
  }
  attached_.emplace(catalogue, packagesPath(), kSchema);
  if (!*attached_) {
    waits("the package catalogue: " + attached_->whyNot());
    return;
  }
  packages_.database().shareConnectionOf(catalogue);
  // BEGIN IMMEDIATE takes the write lock of every file attached: another program's lock on either
  // refuses the step here, before anything is written.
  transaction_.emplace(catalogue);
  if (!transaction_->active()) {
    waits("a catalogue it spans is held by another program or may only be read (" + catalogue.errorMessage() + ")");
  }
}

StepWithPackages::~StepWithPackages() {
  transaction_.reset();
  packages_.closeDb();
}

bool StepWithPackages::commit() {
  if (!*this) return false;
  if (transaction_->commit()) return true;
  waits("it could not be stored (is the disk full?)");
  return false;
}

void StepWithPackages::waits(const std::string& why) const {
  platform::log::write(platform::log::Warning, what_ + " and the stored packages that follow it wait: " + why +
                                                   "; nothing of it is stored, and the catalogues stay as they were");
}

}  // namespace app::storage
