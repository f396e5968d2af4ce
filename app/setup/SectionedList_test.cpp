#include "app/setup/SectionedList.h"

#include <gtest/gtest.h>

namespace app::setup {

namespace {

using app::setup::SectionedList;

TEST(SectionedList, KeysAreTheFirstCodePointOfTheUpperCasedName) {
  EXPECT_EQ(SectionedList::sectionKey("zeiss"), "Z");
  EXPECT_EQ(SectionedList::sectionKey("Überweit"), "Ü");
  EXPECT_EQ(SectionedList::sectionKey("über"), "Ü");
  EXPECT_EQ(SectionedList::sectionKey("жук"), "Ж");
  EXPECT_EQ(SectionedList::sectionKey("35 Optics"), "3");
  EXPECT_EQ(SectionedList::sectionKey(""), "#");
  // Malformed bytes neither crash nor vanish: they make a key of their own.
  EXPECT_FALSE(SectionedList::sectionKey("\xff" "abc").empty());
}

TEST(SectionedList, SectionsKeepTheOrderOfFirstAppearance) {
  const std::vector<std::string> names{"Angenieux", "arri", "Cooke", "Übermaker", "", "Canon", "übel"};
  auto grouped = SectionedList::group(names, [](const std::string& n) { return n; });
  EXPECT_EQ(grouped.keys, (std::vector<std::string>{"A", "C", "Ü", "#"}));
  ASSERT_EQ(grouped.sections.size(), 4u);
  EXPECT_EQ(grouped.sections[0], (std::vector<std::string>{"Angenieux", "arri"}));
  EXPECT_EQ(grouped.sections[1], (std::vector<std::string>{"Cooke", "Canon"}));
  EXPECT_EQ(grouped.sections[2], (std::vector<std::string>{"Übermaker", "übel"}));
  EXPECT_EQ(grouped.sections[3], (std::vector<std::string>{""}));
  EXPECT_TRUE(SectionedList::group(std::vector<std::string>{}, [](const std::string& n) { return n; }).keys.empty());
}

TEST(SectionedList, SearchNeedsEveryWordInAnyCase) {
  struct Case {
    const char* text;
    const char* query;
    bool matches;
  } cases[] = {
      {"Cooke Panchro/i Classic", "cooke  classic", true},  // the empty word between two blanks is skipped
      {"Cooke Panchro/i Classic", "CLASSIC cooke", true},
      {"Cooke Panchro/i Classic", "cooke s4", false},
      {"Cooke Panchro/i Classic", "", true},
      {"Cooke Panchro/i Classic", "   ", true},
      {"Über Optik", "über", true},
      {"Über Optik", "ÜBER", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SectionedList::matchesAllWords(c.text, c.query), c.matches) << c.text << " / " << c.query;
  }
  const std::vector<std::string> names{"Zeiss Ultra Prime", "Cooke S4", "Zeiss Master Prime"};
  EXPECT_EQ(SectionedList::search(names, "prime zeiss", [](const std::string& n) { return n; }),
            (std::vector<std::string>{"Zeiss Ultra Prime", "Zeiss Master Prime"}));
}

}  // namespace

}  // namespace app::setup

