#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dispatch/MainLoop.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/Keyboard.h"
#include "platform/ui/KeyboardKeysView.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/Responder.h"
#include "platform/ui/SearchBar.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/Window.h"
#include "testing/MainThreadEnvironment.h"

namespace platform::ui {
namespace {

using foundation::Notification;

// Records every delegate call and applies the value editor's rule: from 7 characters on, only edits
// that do not grow the text are accepted.
class RecordingDelegate : public TextFieldDelegate {
 public:
  std::vector<std::string> calls;
  bool allowBegin = true;

  bool textFieldShouldBeginEditing(TextField&) override {
    calls.push_back("shouldBegin");
    return allowBegin;
  }
  void textFieldDidBeginEditing(TextField&) override { calls.push_back("didBegin"); }
  bool textField(TextField& field, TextRange range, const std::string& replacement) override {
    calls.push_back("change:" + std::to_string(range.location) + "," + std::to_string(range.length) + ":" +
                    replacement);
    if (field.text().size() < 7) return true;
    return replacement.size() <= range.length;
  }
  void textFieldDidEndEditing(TextField& field) override { calls.push_back("didEnd:" + field.text()); }
  bool textFieldShouldReturn(TextField& field) override {
    calls.push_back("return");
    field.resignFirstResponder();
    return true;
  }
};

class TextInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = make<Window>(Screen::named("phone"));
    first = make<TextField>(Rect{20, 100, 200, 30});
    second = make<TextField>(Rect{20, 200, 200, 30});
    first->setDelegate(&delegate);
    window->addSubview(first);
    window->addSubview(second);
    for (const char* name : {kKeyboardWillShowNotification, kKeyboardDidShowNotification,
                             kKeyboardWillHideNotification, kKeyboardDidHideNotification}) {
      observers.push_back(foundation::NotificationCenter::defaultCenter().addObserver(
          name, [this](const Notification& n) { posted.push_back(n); }));
    }
  }
  void TearDown() override {
    Responder::resignCurrent();
    Keyboard::shared().reset();
    env.drain();
  }
  void advance(double seconds) { env.advance(seconds); }
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& n : posted) out.push_back(n.name);
    return out;
  }

  ostrel::testing::MainThreadEnvironment env;
  std::shared_ptr<foundation::ManualClock> clock = env.clock();
  std::shared_ptr<Window> window;
  std::shared_ptr<TextField> first, second;
  RecordingDelegate delegate;
  std::vector<foundation::NotificationCenter::Observation> observers;
  std::vector<Notification> posted;
};

TEST_F(TextInputTest, FirstResponderMovesBetweenFieldsAndEndsWithEndEditing) {
  EXPECT_TRUE(first->becomeFirstResponder());
  EXPECT_TRUE(first->isFirstResponder());
  EXPECT_TRUE(first->isEditing());
  EXPECT_TRUE(second->becomeFirstResponder());
  EXPECT_FALSE(first->isFirstResponder());
  EXPECT_EQ(Responder::current(), second.get());
  EXPECT_EQ(delegate.calls, (std::vector<std::string>{"shouldBegin", "didBegin", "didEnd:"}));

  // endEditing on a subtree that does not hold the first responder leaves it alone.
  auto elsewhere = make<View>(Rect{0, 0, 10, 10});
  window->addSubview(elsewhere);
  EXPECT_TRUE(elsewhere->endEditing(true));
  EXPECT_TRUE(second->isFirstResponder());
  EXPECT_TRUE(window->endEditing(true));
  EXPECT_EQ(Responder::current(), nullptr);
}

TEST_F(TextInputTest, RefusalsAndWindowlessViewsKeepTheRole) {
  delegate.allowBegin = false;
  EXPECT_FALSE(first->becomeFirstResponder());
  EXPECT_EQ(Responder::current(), nullptr);
  auto loose = make<TextField>(Rect{0, 0, 50, 20});
  EXPECT_FALSE(loose->becomeFirstResponder());  // not in a window
  auto plain = make<View>(Rect{0, 0, 50, 20});
  window->addSubview(plain);
  EXPECT_FALSE(plain->becomeFirstResponder());
  second->setEnabled(false);
  EXPECT_FALSE(second->becomeFirstResponder());
}

TEST_F(TextInputTest, RemovingTheFirstResponderFromItsWindowResignsIt) {
  auto box = make<View>(Rect{0, 0, 300, 300});
  auto inner = make<TextField>(Rect{0, 0, 100, 30});
  inner->setDelegate(&delegate);
  box->addSubview(inner);
  window->addSubview(box);
  ASSERT_TRUE(inner->becomeFirstResponder());
  box->removeFromSuperview();
  EXPECT_EQ(Responder::current(), nullptr);
  EXPECT_EQ(delegate.calls.back(), "didEnd:");
  EXPECT_FALSE(Keyboard::shared().isVisible());
}

TEST_F(TextInputTest, EveryKeyGoesThroughShouldChange) {
  ASSERT_TRUE(first->becomeFirstResponder());
  EXPECT_TRUE(Keyboard::shared().typeText("1234567"));
  EXPECT_EQ(first->text(), "1234567");
  Keyboard::shared().typeText("8");  // refused: the text would grow past 7
  EXPECT_EQ(first->text(), "1234567");
  Keyboard::shared().deleteBackward();  // accepted: it shrinks
  EXPECT_EQ(first->text(), "123456");
  EXPECT_EQ(delegate.calls[2], "change:0,0:1");
  EXPECT_EQ(delegate.calls.back(), "change:6,1:");
  // Characters count as code points, not bytes.
  first->setText("");
  Keyboard::shared().typeText("ä€");
  EXPECT_EQ(first->text(), "ä€");
  Keyboard::shared().deleteBackward();
  EXPECT_EQ(first->text(), "ä");
}

TEST_F(TextInputTest, ReplaceCutsRangesToTheText) {
  first->setText("abc");
  EXPECT_TRUE(first->replaceCharacters({1, 99}, "Z"));
  EXPECT_EQ(first->text(), "aZ");
  EXPECT_TRUE(first->replaceCharacters({50, 3}, "!"));
  EXPECT_EQ(first->text(), "aZ!");
}

TEST_F(TextInputTest, KeyboardPostsFramesAndDurationAndRisesOnTheClock) {
  ASSERT_TRUE(first->becomeFirstResponder());
  ASSERT_EQ(names(), (std::vector<std::string>{kKeyboardWillShowNotification}));
  const foundation::Value& info = posted[0].userInfo;
  Rect begin = *RectValue::from(info[kKeyboardFrameBeginUserInfoKey]);
  Rect end = *RectValue::from(info[kKeyboardFrameEndUserInfoKey]);
  EXPECT_EQ(begin, Rect(0, 844, 390, 291));
  EXPECT_EQ(end, Rect(0, 844 - 291, 390, 291));
  EXPECT_DOUBLE_EQ(info[kKeyboardAnimationDurationUserInfoKey].toDouble(), Keyboard::kAnimationDuration);
  EXPECT_EQ(Keyboard::shared().frame(), end);
  // The model frame is the end frame at once; did-show waits for the animation.
  EXPECT_EQ(Keyboard::shared().view()->frame(), end);
  advance(0.2);
  EXPECT_EQ(names().size(), 1u);
  advance(0.06);
  EXPECT_EQ(names().back(), kKeyboardDidShowNotification);
  EXPECT_EQ(*RectValue::from(posted.back().userInfo[kKeyboardFrameEndUserInfoKey]), end);

  // Moving to another field keeps the keyboard up without notifications.
  second->becomeFirstResponder();
  EXPECT_EQ(names().size(), 2u);

  second->resignFirstResponder();
  EXPECT_EQ(names().back(), kKeyboardWillHideNotification);
  EXPECT_EQ(*RectValue::from(posted.back().userInfo[kKeyboardFrameBeginUserInfoKey]), end);
  EXPECT_EQ(*RectValue::from(posted.back().userInfo[kKeyboardFrameEndUserInfoKey]), begin);
  EXPECT_NE(Keyboard::shared().view()->superview(), nullptr);
  advance(0.25);
  EXPECT_EQ(names().back(), kKeyboardDidHideNotification);
  EXPECT_EQ(Keyboard::shared().view()->superview(), nullptr);
}

TEST_F(TextInputTest, ShowingAgainWhileHidingDropsTheStaleDidHide) {
  first->becomeFirstResponder();
  advance(0.3);
  first->resignFirstResponder();
  advance(0.1);
  first->becomeFirstResponder();
  advance(0.5);
  std::vector<std::string> expected{kKeyboardWillShowNotification, kKeyboardDidShowNotification,
                                    kKeyboardWillHideNotification, kKeyboardWillShowNotification,
                                    kKeyboardDidShowNotification};
  EXPECT_EQ(names(), expected);
  EXPECT_TRUE(Keyboard::shared().view()->window() == window.get());
}

TEST_F(TextInputTest, HeightFollowsTheDeviceAndIncludesTheAccessory) {
  auto small = make<Window>(Screen::named("phone-small"));
  auto field = make<TextField>(Rect{0, 0, 100, 30});
  auto bar = make<View>(Rect{0, 0, 10, 44});
  field->setInputAccessoryView(bar);
  small->addSubview(field);
  ASSERT_TRUE(field->becomeFirstResponder());
  Rect end = *RectValue::from(posted.back().userInfo[kKeyboardFrameEndUserInfoKey]);
  EXPECT_EQ(end, Rect(0, 667 - 216 - 44, 375, 260));
  // The accessory lies on top of the keys, full width, and takes the touches there.
  EXPECT_EQ(bar->convertRectTo(bar->bounds(), nullptr), Rect(0, 667 - 260, 375, 44));
  EXPECT_EQ(small->hitTest({100, 667 - 240}, nullptr), bar.get());
  EXPECT_NE(small->hitTest({100, 667 - 100}, nullptr), field.get());
}

TEST_F(TextInputTest, ReturnAndEscapeKeys) {
  ASSERT_TRUE(first->becomeFirstResponder());
  EXPECT_TRUE(Keyboard::shared().pressReturn());
  EXPECT_EQ(delegate.calls.back(), "didEnd:");
  EXPECT_EQ(delegate.calls[delegate.calls.size() - 2], "return");
  EXPECT_FALSE(Keyboard::shared().pressReturn());  // nobody edits now

  second->becomeFirstResponder();
  EXPECT_TRUE(Keyboard::shared().pressEscape());
  EXPECT_EQ(Responder::current(), nullptr);
}

TEST_F(TextInputTest, ReturnAndEscapeUseTheAccessoryBarsItems) {
  // The value editor's bar: Cancel, space, title, space, Done.
  auto bar = make<Toolbar>(Rect{0, 0, 390, Toolbar::kHeight});
  std::vector<std::string> pressed;
  auto cancel = std::make_shared<BarButtonItem>(BarButtonSystemItem::Cancel);
  cancel->setAction(this, "cancel", [&](BarButtonItem&) { pressed.push_back("cancel"); });
  auto done = std::make_shared<BarButtonItem>("Done", BarButtonItemStyle::Done);
  done->setAction(this, "done", [&](BarButtonItem&) { pressed.push_back("done"); });
  bar->setItems({cancel, std::make_shared<BarButtonItem>(BarButtonSystemItem::FlexibleSpace), done});
  first->setInputAccessoryView(bar);
  ASSERT_TRUE(first->becomeFirstResponder());
  Keyboard::shared().pressReturn();
  Keyboard::shared().pressEscape();
  EXPECT_EQ(pressed, (std::vector<std::string>{"done", "cancel"}));
  EXPECT_EQ(delegate.calls.back(), "didBegin");  // the field's own return key was not used
  EXPECT_TRUE(first->isFirstResponder());        // the items decide what ends editing
}

TEST_F(TextInputTest, ATapOnTheFieldStartsEditingAndASwipeAcrossItDoesNot) {
  window->touchDown({50, 110});
  window->touchMove({150, 110});
  window->touchUp({150, 110});
  EXPECT_FALSE(first->isFirstResponder());
  clock->advance(1);
  window->touchDown({50, 110});
  window->touchUp({50, 110});
  EXPECT_TRUE(first->isFirstResponder());
}

// The keys follow the input that edits: a pad of digits for a numeric field, dark when the field or its
// window asks for dark, and a new layout when the keyboard moves to a field of another kind.
TEST_F(TextInputTest, TheKeysAreTheOnesAndInTheAppearanceTheFieldAsksFor) {
  first->setKeyboardType(KeyboardType::DecimalPad);
  first->setKeyboardAppearance(KeyboardAppearance::Dark);
  ASSERT_TRUE(first->becomeFirstResponder());
  EXPECT_EQ(Keyboard::shared().keysType(), KeyboardType::DecimalPad);
  EXPECT_TRUE(Keyboard::shared().keysAreDark());
  advance(Keyboard::kAnimationDuration);
  auto image = Renderer::render(*window);
  const double scale = image->pixelWidth() / window->bounds().width();
  // The keyboard's grey beside the first key, and a key's cap: both dark on this light window.
  const Rect keys = Keyboard::shared().frame();
  auto pixel = [&](double x, double y) { return image->pixelBytes(int(x * scale), int(y * scale)); };
  EXPECT_LT(pixel(2, keys.minY() + 2)[0], 80);
  EXPECT_LT(pixel(keys.width() / 6, keys.minY() + 10)[0], 140);

  std::vector<std::string> labels;
  for (const auto& key : KeyboardKeysView::keys(KeyboardType::DecimalPad, keys.size)) labels.push_back(key.label);
  EXPECT_EQ(labels, (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8", "9", ".", "0", "⌫"}));
  for (const auto& key : KeyboardKeysView::keys(KeyboardType::Default, keys.size)) {
    EXPECT_TRUE(keys.offsetBy(-keys.minX(), -keys.minY()).contains(key.frame.origin)) << key.label;
  }

  // Letters for a default field; light for a field that leaves it to a light window.
  ASSERT_TRUE(second->becomeFirstResponder());
  EXPECT_EQ(Keyboard::shared().keysType(), KeyboardType::Default);
  EXPECT_FALSE(Keyboard::shared().keysAreDark());
  Responder::resignCurrent();
  window->setUserInterfaceStyle(UserInterfaceStyle::Dark);
  ASSERT_TRUE(second->becomeFirstResponder());
  EXPECT_TRUE(Keyboard::shared().keysAreDark());
}

// The return key reads what it does, as a phone's does: each kind the app's fields ask for (a plain
// field, a form's Next and Done, a search bar's search), relabelled when the keyboard moves on to a
// field whose key does something else.
TEST_F(TextInputTest, TheReturnKeyReadsWhatItDoes) {
  auto search = make<SearchBar>(Rect{0, 300, 390, SearchBar::kHeight});
  window->addSubview(search);
  auto returnLabel = [] {
    for (const auto& view : Keyboard::shared().view()->subviews()) {
      auto* keys = dynamic_cast<KeyboardKeysView*>(view.get());
      if (!keys) continue;
      auto all = KeyboardKeysView::keys(keys->type(), keys->bounds().size, keys->returnKeyType());
      return all.back().label;
    }
    return std::string("no keys");
  };
  second->setReturnKeyType(ReturnKeyType::Next);
  ASSERT_TRUE(first->becomeFirstResponder());
  EXPECT_EQ(returnLabel(), "return");
  ASSERT_TRUE(second->becomeFirstResponder());
  EXPECT_EQ(returnLabel(), "next");
  first->setReturnKeyType(ReturnKeyType::Done);
  ASSERT_TRUE(first->becomeFirstResponder());
  EXPECT_EQ(Keyboard::shared().returnKeyType(), ReturnKeyType::Done);
  EXPECT_EQ(returnLabel(), "done");
  ASSERT_TRUE(search->becomeFirstResponder());
  EXPECT_EQ(returnLabel(), "search");
  // Every kind has a word of its own; a pad of digits has no return key.
  std::vector<std::string> words;
  for (auto type : {ReturnKeyType::Default, ReturnKeyType::Go, ReturnKeyType::Join, ReturnKeyType::Next,
                    ReturnKeyType::Route, ReturnKeyType::Search, ReturnKeyType::Send, ReturnKeyType::Done,
                    ReturnKeyType::EmergencyCall, ReturnKeyType::Continue}) {
    words.push_back(KeyboardKeysView::keys(KeyboardType::NumbersAndPunctuation, {390, 291}, type).back().label);
  }
  EXPECT_EQ(words, (std::vector<std::string>{"return", "go", "join", "next", "route", "search", "send", "done",
                                             "emergency call", "continue"}));
  for (const auto& key : KeyboardKeysView::keys(KeyboardType::DecimalPad, {390, 291}, ReturnKeyType::Done)) {
    EXPECT_NE(key.label, "done");
  }
}

}  // namespace
}  // namespace platform::ui
