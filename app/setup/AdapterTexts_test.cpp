// The adapter form's input rules and the adapter list's factor texts.
#include <gtest/gtest.h>

#include <cmath>

#include "app/setup/AdapterForm.h"
#include "app/setup/AdapterRowTexts.h"

namespace app::setup {

namespace {

using app::setup::AdapterForm;
using app::setup::AdapterRowTexts;

TEST(AdapterFormFactor, AcceptsOnlyOneDecimalFactorAnAdapterCanHave) {
  struct Case {
    const char* text;
    float expected;  // 0 for refused
  };
  const Case cases[] = {
      {"0.65", 0.65f}, {"1,33", 1.33f}, {" 2 ", 2.0f}, {"1.", 1.0f}, {".5", 0.5f}, {"1e1", 10.0f},
      {"0", 0}, {"0,0", 0}, {"-2", 0}, {"abc", 0}, {"2x", 0}, {"", 0}, {"  ", 0}, {"inf", 0},
      {"nan", 0}, {"0x1p3", 0}, {"1e39", 0}, {"1,2,3", 0}, {"1 2", 0}, {"+", 0}, {"1e-50", 0},
      // From a tenth to a hundred times: beyond that no adapter exists and every lens behind it would be none.
      {"0,1", 0.1f}, {"10.5", 10.5f}, {"12", 12.0f}, {"100", 100.0f}, {"0.09", 0}, {"100.5", 0}, {"1e9", 0},
      {"0.0001", 0},
  };
  for (const auto& c : cases) {
    const auto factor = AdapterForm::factor(c.text);
    if (c.expected == 0) {
      EXPECT_FALSE(factor) << '"' << c.text << "\" must be refused";
    } else {
      ASSERT_TRUE(factor) << '"' << c.text << "\" must be accepted";
      EXPECT_FLOAT_EQ(*factor, c.expected) << c.text;
    }
  }
}

TEST(AdapterFormFactor, MarksEachFieldForItsOwnFault) {
  EXPECT_FALSE(AdapterForm::check("Booster", "0.71").anyError());
  const auto noName = AdapterForm::check("", "0.71");
  EXPECT_TRUE(noName.nameError);
  EXPECT_FALSE(noName.factorError);
  const auto both = AdapterForm::check("", "");
  EXPECT_TRUE(both.nameError && both.factorError);
  const auto zero = AdapterForm::check("Zero", "0");
  EXPECT_FALSE(zero.nameError);
  EXPECT_TRUE(zero.factorError);
}

TEST(AdapterFormFactor, AnamorphicStoresTheInverseWidthAndAUnitHeight) {
  const auto plain = AdapterForm::adapter("Reducer", 0.65f, false);
  EXPECT_FLOAT_EQ(plain.adapterValueWidth, 0.65f);
  EXPECT_FLOAT_EQ(plain.adapterValueHeight, 0.65f);
  EXPECT_EQ(plain.adapterType, 1);
  EXPECT_TRUE(plain.comment.empty());
  const auto ana = AdapterForm::adapter("Ana", 2.0f, true);
  EXPECT_FLOAT_EQ(ana.adapterValueWidth, 0.5f);
  EXPECT_FLOAT_EQ(ana.adapterValueHeight, 1.0f);
  const auto unit = AdapterForm::adapter("One", 1.0f, true);
  EXPECT_EQ(unit.adapterValueWidth, 1.0f);
  EXPECT_EQ(unit.adapterValueHeight, 1.0f);
  EXPECT_TRUE(AdapterRowTexts::factorHidden(unit)) << "a factor of 1 with the toggle on changes nothing";
}

TEST(AdapterRowTexts, FourKindsOfRow) {
  auto adapter = [](float width, float height, int type) {
    model::LensAdapterRecord a;
    a.adapterValueWidth = width;
    a.adapterValueHeight = height;
    a.adapterType = type;
    return a;
  };
  EXPECT_EQ(AdapterRowTexts::factorText(adapter(0.65f, 0.65f, 0)), "0.65x");
  EXPECT_EQ(AdapterRowTexts::factorText(adapter(0.5f, 1.0f, 0)), "2x ANA");
  EXPECT_EQ(AdapterRowTexts::factorText(adapter(0.65f, 0.65f, 1)), "0.65x CUSTOM");
  EXPECT_EQ(AdapterRowTexts::factorText(adapter(0.5f, 1.0f, 1)), "2x ANA | CUSTOM");
  EXPECT_EQ(AdapterRowTexts::factorText(adapter(1.0f / 1.33f, 1.0f, 1)), "1.33x ANA | CUSTOM");
  EXPECT_FALSE(AdapterRowTexts::factorHidden(adapter(0.65f, 0.65f, 0)));
  EXPECT_TRUE(AdapterRowTexts::factorHidden(adapter(1.0f, 1.0f, 0)));
}

}  // namespace

}  // namespace app::setup

