#include "app/storage/recovery/CatalogueUpdate.h"

#include <utility>

#include "app/storage/connection/CatalogueDatabase.h"
#include "app/storage/recovery/CatalogueOpening.h"
#include "app/storage/recovery/CataloguePlace.h"
#include "app/storage/recovery/CatalogueRescue.h"
#include "app/storage/recovery/PendingPackageRemap.h"
#include "platform/foundation/Check.h"
#include "platform/log/Log.h"

namespace app::storage {

namespace {

// Catalogue updates run on the main thread only, so the listener needs no guard.
CatalogueUpdate::Observer& observer() {
  static CatalogueUpdate::Observer instance;
  return instance;
}

}  // namespace

CatalogueUpdate::Observer CatalogueUpdate::setObserver(Observer listener) {
  return std::exchange(observer(), std::move(listener));
}

void CatalogueUpdate::reached(Stage stage) {
  if (observer()) observer()(stage);
}

const char* CatalogueUpdate::name(Stage stage) {
  switch (stage) {
    case Stage::Staging: return "staging";
    case Stage::Staged: return "staged";
    case Stage::Swapped: return "swapped";
    case Stage::Remapping: return "remapping";
  }
  return "?";
}

void CatalogueUpdate::keptInstalled(const std::string& fileName) {
  platform::log::write(platform::log::Warning, fileName + " stays at its installed version; the update is tried again");
}

CatalogueUpdate::Installed CatalogueUpdate::openInstalled(CatalogueDatabase& own, CatalogueDatabase& installed,
                                                          const std::string& path,
                                                          std::initializer_list<const char*> probes,
                                                          const std::string& what) {
  own.close();
  const auto place = CataloguePlace::stateOf(path);
  // Nothing is built in place of what is not a catalogue or of one left alone (in use elsewhere, damaged
  // and not yet kept aside), nor in a place a rescue keeps empty until it can fill it with the
  // person's rows.
  if (place == CataloguePlace::State::Unreadable || CatalogueOpening::isLeftAlone(path) ||
      (place == CataloguePlace::State::Missing && CatalogueRescue::isPendingAt(path))) {
    platform::log::write(platform::log::Error, what + " cannot be read; it is not replaced");
    return Installed::Unreadable;
  }
  if (!PendingPackageRemap::apply(path)) return Installed::Unreadable;
  if (place == CataloguePlace::State::Missing) return Installed::Missing;
  bool readable = installed.openPath(path);
  for (const char* probe : probes) readable = readable && installed.prepare(probe, true).ok();
  if (!readable) {
    platform::log::write(platform::log::Error, what + " cannot be read; it is not replaced");
    return Installed::Unreadable;
  }
  // (5): the rows read for the update are on the installed numbering, never on a list left half-applied.
  DCHECK(!PendingPackageRemap::isPending(installed));
  return Installed::Open;
}

}  // namespace app::storage

