// The value display: its texts, and values typed with the simulated keyboard.
#include "app/main/ValueDisplayView.h"

#include <gtest/gtest.h>

#include <cmath>

#include "app/kit/KitTestSupport.h"
#include "app/kit/UIConstants.h"
#include "app/main/ValueDisplayText.h"
#include "app/optics/MetricToImperialConversion.h"
#include "platform/ui/Keyboard.h"
#include "platform/ui/Window.h"

namespace app::main {

namespace {

using ostrel::testing::KitTestEnvironment;
using platform::ui::make;

TEST(ValueTextTest, NumbersAsTheDisplayShowsThem) {
  namespace text = app::main::valuetext;
  const std::pair<float, const char*> focal[] = {{18, "18.0mm"}, {19.9f, "19.9mm"}, {20, "20mm"},
                                                 {35.4f, "35mm"}, {18.25f, "18.2mm"}, {0.5f, "0.5mm"}};
  for (const auto& [value, shown] : focal) EXPECT_EQ(text::focalLength(value), shown) << value;
  const std::pair<float, const char*> apertures[] = {{2.8f, "f2.8"}, {9.9f, "f9.9"}, {11, "f11"}, {0.8f, "f0.8"},
                                                     {22.5f, "f22"}};
  for (const auto& [value, shown] : apertures) EXPECT_EQ(text::aperture(value), shown) << value;
  // Any length past half a millimetre shows, whole up to five digits and then with a power of ten so the
  // column holds it; what no lens has shows as no value, never as a negative or endless number.
  const std::pair<float, const char*> lenses[] = {
      {12000, "12000mm"}, {99999, "99999mm"}, {99999.5f, "1.0e5mm"}, {100000, "1.0e5mm"}, {123456, "1.2e5mm"},
      {1e9f, "1.0e9mm"}, {3.4e38f, "3.4e38mm"}, {0.4f, "–"}, {-35, "–"}, {NAN, "–"}, {INFINITY, "–"}};
  for (const auto& [value, shown] : lenses) EXPECT_EQ(text::focalLength(value), shown) << value;
  const std::pair<float, const char*> stops[] = {{-641158938624.0f, "–"}, {0.0001f, "–"}, {0.49f, "–"},
                                                 {0.5f, "f0.5"}, {1000, "f1000"}, {1e12f, "–"}, {INFINITY, "–"}};
  for (const auto& [value, shown] : stops) EXPECT_EQ(text::aperture(value), shown) << value;
  const std::pair<const char*, const char*> repairs[] = {
      {"1,5", "1.5"}, {".8", "0.8"}, {"35.", "35"}, {"1.5.", "1.5"}, {"2.8.", "2.8"}, {"", ""}, {",5", "0.5"}};
  for (const auto& [typed, repaired] : repairs) EXPECT_EQ(text::repaired(typed), repaired) << typed;
}

struct MainScreen : ValueDisplayViewDelegate {
  std::vector<std::pair<char, float>> calls;
  void setAperture(float v, ValueDisplayView&) override { calls.emplace_back('a', v); }
  void setDistance(float v, ValueDisplayView&) override { calls.emplace_back('d', v); }
  void setFocalLength(float v, ValueDisplayView&) override { calls.emplace_back('f', v); }
};

class ValueDisplayTest : public ::testing::Test {
 protected:
  ValueDisplayTest() {
    state::FramesObject::getSingleton()->settings.measurementSystem = 0;
    window->makeKeyAndVisible();
    window->addSubview(display);
    display->setDelegate(&screen);
    display->makeDOF();
    display->setFocalLength(35);
    display->setAperture(2.8f);
    display->setDistance(3);
    window->layoutIfNeeded();
  }
  ~ValueDisplayTest() override { keyboard().reset(); }
  static platform::ui::Keyboard& keyboard() { return platform::ui::Keyboard::shared(); }
  void press(const platform::ui::Button& button) {
    const auto r = button.convertRectTo(button.bounds(), nullptr);
    window->touchDown({r.midX(), r.midY()});
    window->touchUp({r.midX(), r.midY()});
  }
  // Taps the value, types and presses Done.
  void type(const platform::ui::Button& button, const std::string& text) {
    press(button);
    keyboard().typeText(text);
    keyboard().pressReturn();
  }

  KitTestEnvironment env;
  std::shared_ptr<platform::ui::Window> window = make<platform::ui::Window>();
  std::shared_ptr<ValueDisplayView> display = make<ValueDisplayView>(platform::ui::Rect{0, 300, 390, 40});
  MainScreen screen;
};

TEST_F(ValueDisplayTest, TypedValuesAreRepairedAndRaisedToTheirFloors) {
  struct Case {
    char column;
    const char* typed;
    float value;
    const char* shown;
  };
  const Case cases[] = {
      {'f', "1,5", 1.5f, "1.5mm"}, {'f', "0.5", 1, "1.0mm"},  {'f', "1.5.", 1.5f, "1.5mm"}, {'f', "35.", 35, "35mm"},
      {'a', ".8", 0.8f, "f0.8"},   {'a', "0.3", 0.5f, "f0.5"}, {'a', "2.8.", 2.8f, "f2.8"},
      {'d', "0.001", 0.01f, "0.01m"},
  };
  for (const auto& c : cases) {
    screen.calls.clear();
    const auto& button = c.column == 'f' ? *display->focalLengthBtn()
                         : c.column == 'a' ? *display->apertureBtn()
                                           : *display->distanceBtn();
    type(button, c.typed);
    ASSERT_EQ(screen.calls.size(), 1u) << c.typed;
    EXPECT_EQ(screen.calls[0].first, c.column);
    EXPECT_FLOAT_EQ(screen.calls[0].second, c.value) << c.typed;
    const auto& label = c.column == 'f' ? *display->focalLengthLabel()
                        : c.column == 'a' ? *display->apertureLabel()
                                          : *display->distanceLabel();
    EXPECT_EQ(label.text(), c.shown) << c.typed;
  }
}

TEST_F(ValueDisplayTest, NothingUsableOrCancelResendsTheOldValue) {
  for (const char* typed : {"", "0", "-4", "abc"}) {
    screen.calls.clear();
    type(*display->focalLengthBtn(), typed);
    EXPECT_EQ(screen.calls, (std::vector<std::pair<char, float>>{{'f', 35}})) << typed;
    EXPECT_EQ(display->focalLengthTextField()->text(), "35mm");
  }
  screen.calls.clear();
  press(*display->apertureBtn());
  keyboard().typeText("50");
  keyboard().pressEscape();  // the bar's Cancel
  EXPECT_EQ(screen.calls, (std::vector<std::pair<char, float>>{{'a', 2.8f}}));
  // The next edit is not cancelled.
  type(*display->apertureBtn(), "4");
  EXPECT_FLOAT_EQ(display->mainAperture(), 4);
}

// Typed digits never stand over the value they replace: each editor hides the label at its place.
TEST_F(ValueDisplayTest, EachEditorHidesTheValueItReplaces) {
  const std::pair<std::shared_ptr<platform::ui::Button>, std::shared_ptr<platform::ui::Label>> columns[] = {
      {display->focalLengthBtn(), display->focalLengthLabel()},
      {display->apertureBtn(), display->apertureLabel()},
      {display->distanceBtn(), display->distanceLabel()}};
  for (const auto& [button, label] : columns) {
    press(*button);
    EXPECT_EQ(label->alpha(), 0) << label->text();
    keyboard().pressEscape();
  }
}

TEST_F(ValueDisplayTest, EditingPreparesTheFieldAndLimitsItsLength) {
  display->isSecondCamera = true;
  press(*display->focalLengthBtn());
  const auto& field = *display->focalLengthTextField();
  EXPECT_TRUE(field.isFirstResponder());
  EXPECT_EQ(field.text(), "");
  EXPECT_EQ(field.alpha(), 1);
  EXPECT_EQ(display->focalLengthLabel()->alpha(), 0);
  EXPECT_EQ(field.textColor(), kit::UIConstants::secondCameraGreen());
  EXPECT_EQ(display->keyboardBarTitleLabel()->text(), "FOCAL LENGTH");
  EXPECT_EQ(field.inputAccessoryView(), display->keyboardBar());
  keyboard().typeText("12345678");
  EXPECT_EQ(field.text(), "1234567");
  keyboard().deleteBackward();
  EXPECT_EQ(field.text(), "123456");
}

TEST_F(ValueDisplayTest, ImperialDistancesAreFeetAndInches) {
  state::FramesObject::getSingleton()->settings.measurementSystem = 1;
  display->setDistance(3);
  EXPECT_EQ(display->distanceLabel()->text(), optics::MetricToImperialConversion::returnFeetInchesString(3));
  type(*display->distanceBtn(), "10'");
  ASSERT_FALSE(screen.calls.empty());
  EXPECT_NEAR(screen.calls.back().second, optics::MetricToImperialConversion::returnMeters("10'"), 1e-6);
  EXPECT_NEAR(screen.calls.back().second, 3.048, 0.01);
}

TEST_F(ValueDisplayTest, PagesArrangeTheColumns) {
  struct Case {
    void (ValueDisplayView::*make)();
    double alphas[3];
    double offsets[3];
    bool enabled[3];
  };
  const Case cases[] = {{&ValueDisplayView::makeDOF, {1, 1, 1}, {-120, 0, 120}, {true, true, true}},
                        {&ValueDisplayView::makeFOV, {1, 0, 1}, {-60, 0, 60}, {true, false, true}},
                        {&ValueDisplayView::makeLensMatch, {1, 1, 0}, {-60, 60, 120}, {true, true, false}}};
  for (const auto& c : cases) {
    ((*display).*c.make)();
    const platform::ui::Label* labels[] = {display->focalLengthLabel().get(), display->apertureLabel().get(),
                                           display->distanceLabel().get()};
    const platform::ui::Button* buttons[] = {display->focalLengthBtn().get(), display->apertureBtn().get(),
                                             display->distanceBtn().get()};
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(labels[i]->alpha(), c.alphas[i]);
      EXPECT_EQ(labels[i]->center().x, 195 + c.offsets[i]);
      EXPECT_EQ(buttons[i]->isEnabled(), c.enabled[i]);
    }
  }
}

TEST_F(ValueDisplayTest, ThePickerRowsAreTheFStopTable) {
  const auto& matrix = state::FramesObject::getSingleton()->fMatrix;
  EXPECT_EQ(display->numberOfComponentsInPickerView(), 2);
  EXPECT_EQ(display->numberOfRowsInComponent(0), static_cast<int>(matrix.fNumDisplay().size()));
  EXPECT_EQ(display->numberOfRowsInComponent(1), static_cast<int>(matrix.fNumDisplaySecondRow().size()));
  ASSERT_FALSE(matrix.fNumDisplay().empty());
  EXPECT_EQ(display->titleForRow(0, 0), matrix.fNumDisplay()[0]);
  EXPECT_EQ(display->titleForRow(-1, 0), "");
}

}  // namespace

}  // namespace app::main

