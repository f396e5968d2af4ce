#include "platform/ui/TextView.h"

#include <gtest/gtest.h>

namespace platform::ui {
namespace {

TEST(TextViewTest, WrapsWithinItsInsetsAndPadding) {
  auto view = make<TextView>(Rect{0, 0, 120, 40});
  EXPECT_EQ(view->sizeThatFits({120, 0}).height, 16);  // an empty text is the insets alone
  view->setText("one two three four five six seven eight nine ten");
  const double roomy = view->sizeThatFits({400, 0}).height;
  const double narrow = view->sizeThatFits({120, 0}).height;
  EXPECT_GT(narrow, roomy);  // more lines
  view->setTextContainerInset({0, 0, 0, 0});
  view->setLineFragmentPadding(-3);
  EXPECT_EQ(view->lineFragmentPadding(), 0);
  EXPECT_EQ(view->sizeThatFits({120, 0}).height, narrow - 16);
  EXPECT_FALSE(view->canBecomeFirstResponder());
}

}  // namespace
}  // namespace platform::ui
