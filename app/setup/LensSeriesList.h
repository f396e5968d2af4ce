#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/model/LensManufacturer.h"
#include "app/setup/LensFilters.h"
#include "platform/ui/IndexPath.h"

namespace app::setup {

// What the lens picker's first page lists: every lens series passing the filters, in catalogue order,
// grouped into sections under the first letter of the maker; or, while searching, the series of that
// filtered list matching the search words, in one section.
class LensSeriesList {
 public:
  // Reads the series from the lens catalogue through a connection of its own; the search, when one is
  // running, is run again on the new list.
  void load(const LensFilters& filters);

  void startSearch();  // every series of the list matches until words are typed
  void search(const std::string& text);
  void endSearch();
  bool searching() const { return searching_; }
  // While searching a non-empty text was typed (the picker's sections come back for an empty one).
  void setSearching(bool searching) { searching_ = searching; }

  const std::vector<model::LensManufacturer>& all() const { return all_; }
  const std::vector<std::string>& indexTitles() const { return keys_; }
  const std::vector<std::vector<model::LensManufacturer>>& sections() const { return sections_; }
  const std::vector<model::LensManufacturer>& results() const { return results_; }

  // The table's shape: one section of results while searching, else the sections.
  size_t numberOfSections() const { return searching_ ? 1 : sections_.size(); }
  size_t numberOfRows(size_t section) const;
  // nullopt for a row that is not listed.
  std::optional<model::LensManufacturer> seriesAt(const platform::ui::IndexPath& indexPath) const;
  // Where the series stands among the sections; nullopt when it is not listed.
  std::optional<platform::ui::IndexPath> indexPathOf(int manufacturerId) const;

 private:
  std::vector<model::LensManufacturer> all_;
  std::vector<std::string> keys_;
  std::vector<std::vector<model::LensManufacturer>> sections_;
  std::vector<model::LensManufacturer> results_;
  std::string query_;
  bool searching_ = false;
};

}  // namespace app::setup

