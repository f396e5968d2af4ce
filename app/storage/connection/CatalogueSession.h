#pragma once

#include <memory>
#include <string>

#include "app/storage/connection/CatalogueConnection.h"

namespace app::storage {

// While a session is alive (on the main thread, where every catalogue is used), a catalogue file is
// opened once and every helper on it shares that connection and its prepared statements, instead of
// opening, preparing and closing on every call. Without a session each open is a connection of its
// own, as before. Sessions nest; the outermost one closes the connections, after putting in place the
// catalogues a first start staged (CatalogueSeeding) and nobody has put in place yet.
class CatalogueSession {
 public:
  CatalogueSession();
  ~CatalogueSession();
  CatalogueSession(const CatalogueSession&) = delete;
  CatalogueSession& operator=(const CatalogueSession&) = delete;

  static bool active();
  // The shared connection to `path`, opened on first use; nullptr (with `error`) when it cannot be.
  static std::shared_ptr<CatalogueConnection> connection(const std::string& path, std::string& error);
  // Lets go of the shared connection to `path`, before the file is replaced or moved aside: the next
  // open sees the file that is then in place.
  static void forget(const std::string& path);
  // Closes the shared connection to `path` when nobody else holds it; false when someone does.
  [[nodiscard]] static bool release(const std::string& path);

  // A first start serves its catalogues from copies until it puts them in place (CatalogueSeeding):
  // `copyOf` names the copy that serves a Library path (empty: none), and `publish` puts the copies in
  // place as the outermost session ends, before its connections close.
  struct StagedCopies {
    std::string (*copyOf)(const std::string& path) = nullptr;
    bool (*publish)() = nullptr;
  };
  static void serveStagedCopies(StagedCopies staged);
};

}  // namespace app::storage
