#include "app/storage/connection/AttachedCatalogue.h"

#include "app/storage/connection/CatalogueDatabase.h"
#include "app/storage/connection/LogError.h"
#include "platform/foundation/DatabaseSideFiles.h"

using platform::foundation::DatabaseSideFiles;

namespace app::storage {

AttachedCatalogue::AttachedCatalogue(CatalogueDatabase& database, const std::string& path, const std::string& schema)
    : database_(database), schema_(schema) {
  const auto place = DatabaseSideFiles::placeOf(path);
  if (place.state != DatabaseSideFiles::Place::State::File) {
    whyNot_ = place.state == DatabaseSideFiles::Place::State::Missing ? "nothing stands at " + path
                                                                       : place.what + " stands at " + place.where;
    return;
  }
  auto attach = database_.prepare("ATTACH DATABASE ? AS " + schema_, true);
  attach.bind(1, path);
  attached_ = attach.run();
  attach.release();
  if (!attached_) {
    whyNot_ = "it could not be opened beside " + database_.path() + " (" + database_.errorMessage() + ")";
    return;
  }
  // The journal mode answers with the mode the file is left in, which is the one that counts.
  auto mode = database_.prepare("PRAGMA " + schema_ + ".journal_mode = DELETE", true);
  const bool rollbackJournal = mode.step() == CatalogueStatement::Step::Row && mode.columnText(0) == "delete";
  mode.release();
  if (!rollbackJournal || !database_.execute("PRAGMA " + schema_ + ".synchronous = FULL")) {
    whyNot_ = "it does not keep a rollback journal";
    detach();
  }
}

AttachedCatalogue::~AttachedCatalogue() { detach(); }

void AttachedCatalogue::detach() {
  if (!attached_) return;
  attached_ = false;
  if (!database_.execute("DETACH DATABASE " + schema_)) logError("Could not detach " + schema_ + " from " + database_.path());
}

}  // namespace app::storage
