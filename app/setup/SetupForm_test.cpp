// The shared form and list helpers of the setup screens.
#include <gtest/gtest.h>

#include <cmath>

#include "app/kit/KitTestSupport.h"
#include "app/kit/UIConstants.h"
#include "app/setup/SetupForm.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Window.h"

namespace app::setup {

namespace {

using app::setup::FormCheck;
using app::setup::FormKeyboardBars;
using app::setup::FormNumber;
using app::setup::isMarkedInputError;
using platform::ui::make;
using platform::ui::TextField;

TEST(SetupFormNumber, ReadsCommasAsDotsAndTakesOnlyWholeFiniteNumbersAboveZero) {
  struct Case {
    const char* text;
    bool numeric;
    float value;
    bool positive;
  };
  const Case cases[] = {
      {"36", true, 36.0f, true},
      {"36,5", true, 36.5f, true},
      {"36.5", true, 36.5f, true},
      {" 24 ", true, 24.0f, true},
      {".5", true, 0.5f, true},
      {"2.", true, 2.0f, true},
      {"12abc", false, 12.0f, false},  // begins with digits, still not a number
      {"abc", false, 0.0f, false},
      {"", false, 0.0f, false},
      {"   ", false, 0.0f, false},
      {"1,5,3", false, 1.5f, false},
      {"inf", false, 0.0f, false},
      {"nan", false, 0.0f, false},
      {"0x1p3", false, 0.0f, false},
      {"0", true, 0.0f, false},
      {"-5", true, -5.0f, false},
      {"1e39", true, INFINITY, false},  // beyond float range
      {"1e-60", true, 0.0f, false},
      {"2e1", true, 20.0f, true},
      {"1e", false, 1.0f, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormNumber::isNumeric(c.text), c.numeric) << '"' << c.text << '"';
    EXPECT_EQ(FormNumber::value(c.text), c.value) << '"' << c.text << '"';
    EXPECT_EQ(FormNumber::isPositive(c.text), c.positive) << '"' << c.text << '"';
  }
}

class SetupFormTest : public ::testing::Test {
 protected:
  SetupFormTest() {
    window->makeKeyAndVisible();
    window->addSubview(form);
    for (int tag = 1; tag <= 3; ++tag) {
      auto field = make<TextField>(platform::ui::Rect{16, 40.0 * tag, 200, 30});
      field->setTag(tag);
      field->setReturnKeyType(tag < 3 ? platform::ui::ReturnKeyType::Next : platform::ui::ReturnKeyType::Done);
      form->addSubview(field);
      fields.push_back(field);
    }
  }
  std::vector<bool> marks() const {
    std::vector<bool> out;
    for (const auto& field : fields) out.push_back(isMarkedInputError(*field));
    return out;
  }

  ostrel::testing::KitTestEnvironment env;
  std::shared_ptr<platform::ui::Window> window = make<platform::ui::Window>();
  std::shared_ptr<platform::ui::View> form = make<platform::ui::View>(platform::ui::Rect{0, 100, 390, 200});
  std::vector<std::shared_ptr<TextField>> fields;
};

TEST_F(SetupFormTest, ACheckMarksExactlyTheFieldsInErrorAndClearsTheMarksOfTheRunBefore) {
  struct Case {
    const char* name;
    const char* width;
    const char* height;
    std::vector<bool> marked;
  };
  const Case cases[] = {
      {"My Camera", "36", "24", {false, false, false}},
      {"", "36", "24", {true, false, false}},
      {"  ", "36,0", "24", {true, false, false}},
      {"My Camera", "36mm", "", {false, true, true}},
      {"My Camera", "-36", "0", {false, true, true}},
      {"My Camera", "1e39", "24", {false, true, false}},
      {"", "x", "y", {true, true, true}},
  };
  for (const auto& c : cases) {
    fields[0]->setText(c.name);
    fields[1]->setText(c.width);
    fields[2]->setText(c.height);
    FormCheck check({fields[0].get(), fields[1].get(), fields[2].get()});
    check.requireText(*fields[0]).requirePositiveNumber(*fields[1]).requirePositiveNumber(*fields[2]);
    EXPECT_EQ(marks(), c.marked) << c.name << " " << c.width << " x " << c.height;
    EXPECT_EQ(check.failed(), (c.marked != std::vector<bool>{false, false, false}));
  }
  fields[2]->setText("x");
  FormCheck({fields[0].get(), fields[1].get(), fields[2].get()}).requirePositiveNumber(*fields[2]);
  const auto& layer = fields[2]->layer();
  EXPECT_EQ(ostrel::testing::bytes(layer.borderColor()), ostrel::testing::bytes(kit::UIConstants::redWarning()));
  EXPECT_EQ(layer.borderWidth(), 2.0);
  EXPECT_EQ(layer.cornerRadius(), 4.0);
  EXPECT_TRUE(fields[2]->clipsToBounds());
}

TEST_F(SetupFormTest, NextMovesThroughTheFieldsByTagAndDoneGivesTheKeyboardUp) {
  ASSERT_TRUE(fields[0]->becomeFirstResponder());
  EXPECT_TRUE(FormKeyboardBars::returnKey(*fields[0]));
  EXPECT_TRUE(fields[1]->isFirstResponder());
  EXPECT_TRUE(FormKeyboardBars::focusNext(*form, fields[1]->tag()));
  EXPECT_TRUE(fields[2]->isFirstResponder());
  EXPECT_FALSE(FormKeyboardBars::focusNext(*form, fields[2]->tag()));
  EXPECT_TRUE(FormKeyboardBars::returnKey(*fields[2]));
  EXPECT_FALSE(fields[2]->isFirstResponder());

  int next = 0, cancel = 0, done = 0;
  auto nextBar = FormKeyboardBars::nextBar([&] { ++cancel; }, [&] { ++next; });
  ASSERT_EQ(nextBar->items().size(), 3u);
  EXPECT_EQ(nextBar->items()[0]->systemItem(), platform::ui::BarButtonSystemItem::Cancel);
  EXPECT_EQ(nextBar->items()[2]->title(), "Next");
  nextBar->items()[2]->performAction();
  nextBar->items()[0]->performAction();
  auto doneBar = FormKeyboardBars::doneBar([&] { ++done; });
  EXPECT_EQ(doneBar->items().back()->title(), "Done");
  doneBar->items().back()->performAction();
  EXPECT_EQ((std::vector<int>{next, cancel, done}), (std::vector<int>{1, 1, 1}));
  EXPECT_EQ(nextBar->frame().height(), platform::ui::Toolbar::kHeight);
}

}  // namespace

}  // namespace app::setup

