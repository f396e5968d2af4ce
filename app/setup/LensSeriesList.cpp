#include "app/setup/LensSeriesList.h"

#include "app/setup/SectionedList.h"
#include "app/storage/LensDatabaseHelper.h"

namespace app::setup {

void LensSeriesList::load(const LensFilters& filters) {
  storage::LensDatabaseHelper catalogue;
  if (catalogue.openDb(false)) {
    all_ = filters.anyActive() ? catalogue.getLensManufacturersWithFilterPrime(filters.prime, filters.zoom,
                                                                             filters.spherical, filters.anamorphic)
                               : catalogue.getAllLensManufacturers();
  } else {
    all_.clear();
  }
  catalogue.closeDb();
  auto grouped = SectionedList::group(all_, [](const model::LensManufacturer& series) { return series.manufacturer; });
  keys_ = std::move(grouped.keys);
  sections_ = std::move(grouped.sections);
  if (searching_) search(query_);
}

void LensSeriesList::startSearch() {
  searching_ = true;
  query_.clear();
  results_ = all_;
}

void LensSeriesList::search(const std::string& text) {
  query_ = text;
  results_ = SectionedList::search(all_, text, [](const model::LensManufacturer& series) { return series.getListString(); });
}

void LensSeriesList::endSearch() {
  searching_ = false;
  query_.clear();
  results_.clear();
}

size_t LensSeriesList::numberOfRows(size_t section) const {
  if (searching_) return section == 0 ? results_.size() : 0;
  return section < sections_.size() ? sections_[section].size() : 0;
}

std::optional<model::LensManufacturer> LensSeriesList::seriesAt(const platform::ui::IndexPath& indexPath) const {
  if (indexPath.section < 0 || indexPath.row < 0) return std::nullopt;
  const auto section = static_cast<size_t>(indexPath.section);
  const auto row = static_cast<size_t>(indexPath.row);
  if (row >= numberOfRows(section)) return std::nullopt;
  return searching_ ? results_[row] : sections_[section][row];
}

std::optional<platform::ui::IndexPath> LensSeriesList::indexPathOf(int manufacturerId) const {
  for (size_t section = 0; section < sections_.size(); ++section) {
    for (size_t row = 0; row < sections_[section].size(); ++row) {
      if (sections_[section][row].manufacturerId == manufacturerId) {
        return platform::ui::IndexPath::forRow(static_cast<std::int64_t>(row), static_cast<std::int64_t>(section));
      }
    }
  }
  return std::nullopt;
}

}  // namespace app::setup

