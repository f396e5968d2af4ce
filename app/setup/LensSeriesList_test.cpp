#include "app/setup/LensSeriesList.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/setup/LensPickerTestSupport.h"
#include "app/setup/SectionedList.h"

namespace app::setup {

namespace {

using app::setup::LensFilters;
using app::setup::LensSeriesList;
using ostrel::testing::LensPickerTestEnvironment;

bool lists(const std::vector<model::LensManufacturer>& series, int id) {
  return std::any_of(series.begin(), series.end(), [id](const auto& s) { return s.manufacturerId == id; });
}

class LensSeriesListTest : public ::testing::Test {
 protected:
  LensPickerTestEnvironment env;
};

TEST(LensFilters, EachPairExcludesItselfAndCombinesWithTheOther) {
  LensFilters filters;
  filters.togglePrime();
  filters.toggleSpherical();
  EXPECT_EQ(filters, (LensFilters{true, false, true, false}));
  filters.toggleZoom();
  EXPECT_EQ(filters, (LensFilters{false, true, true, false}));
  filters.toggleAnamorphic();
  EXPECT_EQ(filters, (LensFilters{false, true, false, true}));
  // Switching a filter off leaves its partner off.
  filters.toggleAnamorphic();
  EXPECT_EQ(filters, (LensFilters{false, true, false, false}));
  EXPECT_TRUE(filters.anyActive());
  filters.clear();
  EXPECT_FALSE(filters.anyActive());
}

TEST_F(LensSeriesListTest, SqueezeFiltersLetTheAnySqueezeMarkerThrough) {
  const int spherical = LensPickerTestEnvironment::addSeries("Aaa Spherical", 1.0f);
  const int any = LensPickerTestEnvironment::addSeries("Aaa Any", -1.0f);
  const int ana = LensPickerTestEnvironment::addSeries("Aaa Squeezed", 1.33f);
  const int zoom = LensPickerTestEnvironment::addSeries("Aaa Zoom", 2.0f, "Zoom Lens");
  struct Case {
    LensFilters filters;
    bool spherical, any, ana, zoom;
  } cases[] = {
      {{}, true, true, true, true},
      {{false, false, true, false}, true, true, false, false},
      {{false, false, false, true}, false, true, true, true},
      {{true, false, false, false}, true, true, true, false},
      {{false, true, false, false}, false, false, false, true},
      {{true, false, false, true}, false, true, true, false},
      {{false, true, true, false}, false, false, false, false},
  };
  for (const auto& c : cases) {
    LensSeriesList list;
    list.load(c.filters);
    const auto& all = list.all();
    EXPECT_EQ(lists(all, spherical), c.spherical);
    EXPECT_EQ(lists(all, any), c.any);
    EXPECT_EQ(lists(all, ana), c.ana);
    EXPECT_EQ(lists(all, zoom), c.zoom);
  }
}

TEST_F(LensSeriesListTest, SectionsFollowTheMakersFirstLetterAndFindEverySeries) {
  const int umlaut = LensPickerTestEnvironment::addSeries("Überoptik", 1.0f);
  const int nameless = LensPickerTestEnvironment::addSeries("", 1.0f);
  LensSeriesList list;
  list.load({});
  ASSERT_FALSE(list.indexTitles().empty());
  EXPECT_EQ(list.indexTitles().size(), list.sections().size());
  size_t rows = 0;
  for (size_t section = 0; section < list.numberOfSections(); ++section) {
    rows += list.numberOfRows(section);
    for (const auto& series : list.sections()[section]) {
      EXPECT_EQ(app::setup::SectionedList::sectionKey(series.manufacturer), list.indexTitles()[section]);
    }
  }
  EXPECT_EQ(rows, list.all().size()) << "every series stands in exactly one section";
  for (int id : {umlaut, nameless, 250}) {
    auto at = list.indexPathOf(id);
    ASSERT_TRUE(at) << id;
    EXPECT_EQ(list.seriesAt(*at)->manufacturerId, id);
  }
  EXPECT_EQ(list.seriesAt(*list.indexPathOf(umlaut))->manufacturer, "Überoptik");
  EXPECT_FALSE(list.indexPathOf(99999));
  EXPECT_FALSE(list.seriesAt({static_cast<std::int64_t>(list.numberOfSections()), 0}));
  EXPECT_FALSE(list.seriesAt({0, -1}));
}

TEST_F(LensSeriesListTest, SearchCoversOnlyTheFilteredListAndSurvivesAReload) {
  const int spherical = LensPickerTestEnvironment::addSeries("Zzyzx Glass", 1.0f);
  const int ana = LensPickerTestEnvironment::addSeries("Zzyzx Glass Ana", 2.0f);
  LensSeriesList list;
  list.load({});
  list.startSearch();
  EXPECT_EQ(list.results().size(), list.all().size()) << "before a word is typed every series is a result";
  list.search("glass  ZZYZX");
  ASSERT_EQ(list.results().size(), 2u);
  EXPECT_EQ(list.numberOfSections(), 1u);
  EXPECT_EQ(list.seriesAt({0, 0})->manufacturerId, spherical);
  EXPECT_EQ(list.seriesAt({0, 1})->manufacturerId, ana);

  list.load({false, false, true, false});
  ASSERT_EQ(list.results().size(), 1u);
  EXPECT_EQ(list.results()[0].manufacturerId, spherical);

  list.endSearch();
  EXPECT_FALSE(list.searching());
  EXPECT_EQ(list.numberOfSections(), list.sections().size());
}

}  // namespace

}  // namespace app::setup

