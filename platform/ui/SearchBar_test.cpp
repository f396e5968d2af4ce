#include "platform/ui/SearchBar.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dispatch/MainLoop.h"
#include "platform/foundation/Clock.h"
#include "platform/ui/Window.h"
#include "testing/MainThreadEnvironment.h"

namespace platform::ui {
namespace {

struct Listener : SearchBarDelegate {
  std::vector<std::string> calls;
  bool allowBegin = true;
  bool searchBarShouldBeginEditing(SearchBar&) override {
    calls.push_back("should begin");
    return allowBegin;
  }
  void searchBarTextDidBeginEditing(SearchBar&) override { calls.push_back("began"); }
  void searchBarTextDidChange(SearchBar&, const std::string& text) override { calls.push_back("text " + text); }
  void searchBarSearchButtonClicked(SearchBar&) override { calls.push_back("search"); }
  void searchBarCancelButtonClicked(SearchBar&) override { calls.push_back("cancel"); }
  void searchBarTextDidEndEditing(SearchBar&) override { calls.push_back("ended"); }
};

class SearchBarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = make<Window>();
    bar = make<SearchBar>(Rect{0, 60, 390, SearchBar::kHeight});
    bar->setDelegate(&listener);
    window->addSubview(bar);
    window->layoutIfNeeded();
  }
  void TearDown() override {
    bar->resignFirstResponder();
    env.drain();
  }

  ostrel::testing::MainThreadEnvironment env;
  std::shared_ptr<foundation::ManualClock> clock = env.clock();
  std::shared_ptr<Window> window;
  std::shared_ptr<SearchBar> bar;
  Listener listener;
};

TEST_F(SearchBarTest, EditingTellsTheDelegateEveryStep) {
  ASSERT_TRUE(bar->becomeFirstResponder());
  EXPECT_TRUE(bar->isFirstResponder());
  bar->searchTextField()->insertText("z");
  bar->searchTextField()->insertText("e");
  bar->searchTextField()->deleteBackward();
  bar->setText("zeiss");  // code sets text quietly
  bar->searchTextField()->returnKeyPressed();
  EXPECT_TRUE(bar->resignFirstResponder());
  EXPECT_EQ(listener.calls, (std::vector<std::string>{"should begin", "began", "text z", "text ze", "text z",
                                                      "search", "ended"}));
  EXPECT_EQ(bar->text(), "zeiss");
  EXPECT_EQ(bar->searchTextField()->returnKeyType(), ReturnKeyType::Search);
}

TEST_F(SearchBarTest, DelegateCanRefuseEditing) {
  listener.allowBegin = false;
  EXPECT_FALSE(bar->becomeFirstResponder());
  EXPECT_EQ(listener.calls, (std::vector<std::string>{"should begin"}));
}

TEST_F(SearchBarTest, CancelButtonShowsAndReports) {
  EXPECT_TRUE(bar->cancelButton()->isHidden());
  bar->setShowsCancelButton(true, true);
  window->layoutIfNeeded();
  Rect field = bar->searchTextField()->frame();
  Rect cancel = bar->cancelButton()->frame();
  EXPECT_LE(field.maxX(), cancel.minX());
  EXPECT_EQ(cancel.maxX(), 390 - 8);
  Point at = bar->cancelButton()->convertPointTo(bar->cancelButton()->bounds().center(), nullptr);
  window->touchDown(at);
  window->touchUp(at);
  EXPECT_EQ(listener.calls, (std::vector<std::string>{"cancel"}));
}

TEST_F(SearchBarTest, FieldOutlivingItsBarStaysSafe) {
  auto field = bar->searchTextField();
  bar->removeFromSuperview();
  bar.reset();
  field->insertText("x");
  EXPECT_EQ(field->text(), "x");
  bar = make<SearchBar>();
}

}  // namespace
}  // namespace platform::ui
