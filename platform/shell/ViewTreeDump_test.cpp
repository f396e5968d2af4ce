#include "platform/shell/ViewTreeDump.h"

#include <gtest/gtest.h>

#include "platform/foundation/Json.h"
#include "platform/ui/Label.h"

namespace platform::shell {
namespace {

using foundation::Value;
using ui::Color;

class Sheet : public ui::View {
 public:
  using View::View;
};

TEST(ViewTreeDump, DescribesEachViewAndItsChildrenInOrder) {
  auto root = ui::make<Sheet>(ui::Rect{0, 0, 100, 200});
  root->setBackgroundColor(Color::fromBytes(255, 128, 0));
  auto label = ui::make<ui::Label>(ui::Rect{10, 20, 80, 0.1 + 0.2});
  label->setText("f/2.8 \u221e");
  label->setTextColor(Color::fromBytes(0, 0, 255, 0.5));
  label->setAlpha(0.5);
  label->setTag(7);
  auto hidden = ui::make<ui::View>(ui::Rect{0, 0, 1, 1});
  hidden->setHidden(true);
  hidden->layer().setBorderWidth(1);
  hidden->layer().setBorderColor(Color::redColor());
  root->addSubview(label);
  root->addSubview(hidden);

  Value tree = ViewTreeDump::describe(*root);
  EXPECT_EQ(tree["class"].toString(), "Sheet");
  EXPECT_EQ(tree["backgroundColor"].toString(), "#FF8000");
  EXPECT_FALSE(tree.contains("offset"));
  ASSERT_EQ(tree["children"].size(), 2u);
  const Value& l = tree["children"].at(0);
  EXPECT_EQ(l["text"].toString(), "f/2.8 \u221e");
  EXPECT_EQ(l["textColor"].toString(), "#0000FF80");
  EXPECT_EQ(l["alpha"].toDouble(), 0.5);
  EXPECT_EQ(l["tag"].toInt64(), 7);
  // Rounded to thousandths: 0.1 + 0.2 reads as 0.3, not 0.30000000000000004.
  EXPECT_EQ(foundation::Json::serialize(l["frame"]), "[10,20,80,0.3]");
  const Value& h = tree["children"].at(1);
  EXPECT_TRUE(h["hidden"].toBool());
  EXPECT_EQ(h["borderColor"].toString(), "#FF0000");
  EXPECT_FALSE(h.contains("children"));
}

TEST(ViewTreeDump, ShowsHowFarAViewIsScrolledAndReadsBackAsJson) {
  auto scroller = ui::make<ui::Label>(ui::Rect{0, 0, 50, 50});
  scroller->setText("quote \" and \\ slash");
  scroller->setBounds({0, 120.0004, 50, 50});
  Value back = foundation::Json::parse(ViewTreeDump::json(*scroller));
  EXPECT_EQ(foundation::Json::serialize(back["offset"]), "[0,120]");
  EXPECT_EQ(back["text"].toString(), "quote \" and \\ slash");
  // A tiny offset left over from arithmetic is no offset.
  scroller->setBounds({-0.0001, 0, 50, 50});
  EXPECT_FALSE(ViewTreeDump::describe(*scroller).contains("offset"));
}

}  // namespace
}  // namespace platform::shell
