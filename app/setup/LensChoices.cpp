#include "app/setup/LensChoices.h"

#include "app/storage/LensDatabaseHelper.h"
#include "app/storage/OpenCatalogue.h"
#include "platform/log/Log.h"
#include "app/storage/CatalogueRowDeletion.h"

namespace app::setup {

using LensCatalogue = app::storage::OpenCatalogue<storage::LensDatabaseHelper>;

namespace {

// Writes the lens's own flag; a failure is the catalogue's to log.
void writeSelection(const model::LensObject& lens) {
  LensCatalogue catalogue;
  if (catalogue) (void)catalogue->selectLens(lens);
}

}  // namespace

bool LensChoices::hasLenses(int seriesId) {
  LensCatalogue catalogue;
  return catalogue && !catalogue->getAllLensesForManufacturer(seriesId).empty();
}

void LensChoices::chooseSeries(int seriesId) {
  LensCatalogue catalogue;
  if (!catalogue) return;
  // One statement: a refusal leaves the flags as they were, never none or two selected.
  (void)catalogue->selectOnlyManufacturer(seriesId);
}

LensChoices::Lenses LensChoices::lensesOf(int seriesId) {
  Lenses found;
  LensCatalogue catalogue;
  if (!catalogue) return found;
  found.lenses = catalogue->getAllLensesForManufacturer(seriesId);
  if (!found.lenses.empty() && catalogue->getSelectedLenses4Manufacturer(seriesId).empty()) {
    model::LensObject shortest = found.lenses.front();
    shortest.selected = 1;
    if (catalogue->selectLens(shortest)) {
      found.lenses = catalogue->getAllLensesForManufacturer(seriesId);
      found.selectedShortest = true;
    }
  }
  return found;
}

void LensChoices::clearDoubleSelected(const model::LensObject& tapped, std::vector<model::LensObject>& lenses) {
  if (!tapped.isPrime()) return;
  for (auto& lens : lenses) {
    if (lens.selected == 1 && lens.focalLength == tapped.focalLength) {
      lens.selected = 0;
      writeSelection(lens);
    }
  }
}

void LensChoices::selectPrime(model::LensObject& lens, std::vector<model::LensObject>& lenses) {
  clearDoubleSelected(lens, lenses);
  lens.selected = 1;
  for (auto& listed : lenses) {
    if (listed.lensId == lens.lensId) listed.selected = 1;
  }
  writeSelection(lens);
}

void LensChoices::selectZoom(model::LensObject& lens) {
  lens.selected = 1;
  LensCatalogue catalogue;
  if (!catalogue) return;
  (void)catalogue->deselectLensesForManufacturer(lens.manufacturerId);
  (void)catalogue->selectLens(lens);
}

void LensChoices::deselect(model::LensObject& lens) {
  lens.selected = 0;
  writeSelection(lens);
}

LensChoices::Deleted LensChoices::deleteLens(const model::LensObject& lens, size_t lensesListed) {
  if (lensesListed < 2) return Deleted::LastLens;
  if (!storage::CatalogueRowDeletion::lens(lens)) return Deleted::Refused;
  platform::log::write(platform::log::Notice, "Lens " + std::to_string(lens.lensId) + " was deleted from its catalogue");
  return Deleted::Done;
}

LensChoices::Deleted LensChoices::deleteSeries(int seriesId) {
  if (!storage::CatalogueRowDeletion::series(seriesId)) return Deleted::Refused;
  platform::log::write(platform::log::Notice,
                       "Lens series " + std::to_string(seriesId) + " was deleted from its catalogue with its lenses");
  return Deleted::Done;
}

}  // namespace app::setup

