#include "app/storage/CatalogueUpdateStages.h"

#include <utility>

namespace {

// Catalogue updates run on the main thread only, so the listener needs no guard.
CatalogueUpdateStages::Observer& observer() {
  static CatalogueUpdateStages::Observer instance;
  return instance;
}

}  // namespace

CatalogueUpdateStages::Observer CatalogueUpdateStages::setObserver(Observer listener) {
  return std::exchange(observer(), std::move(listener));
}

void CatalogueUpdateStages::reached(std::string_view stage) {
  if (observer()) observer()(stage);
}
