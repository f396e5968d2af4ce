#include "platform/ui/View.h"

#include <gtest/gtest.h>

#include <numbers>
#include <string>
#include <vector>

#include "platform/graphics/Context.h"
#include "platform/ui/Label.h"
#include "platform/ui/Window.h"

namespace platform::ui {
namespace {

std::shared_ptr<View> makeView(Rect frame, int64_t tag = 0) {
  auto v = make<View>(frame);
  v->setTag(tag);
  return v;
}

void expectNear(Point a, Point b) {
  EXPECT_NEAR(a.x, b.x, 1e-9);
  EXPECT_NEAR(a.y, b.y, 1e-9);
}

TEST(View, SubviewOrderFollowsLayersAndRefusesCycles) {
  auto root = makeView({0, 0, 100, 100});
  auto a = makeView({}, 1), b = makeView({}, 2), c = makeView({}, 3);
  root->addSubview(a);
  root->addSubview(c);
  root->insertSubviewBelow(b, c.get());
  auto extra = make<Layer>();
  root->layer().insertSublayer(extra, 0);
  ASSERT_EQ(root->subviews().size(), 3u);
  EXPECT_EQ(root->subviews()[1], b);
  // Layers: the extra one at the back, then the subviews' layers in subview order.
  const auto& layers = root->layer().sublayers();
  ASSERT_EQ(layers.size(), 4u);
  EXPECT_EQ(layers[0], extra);
  EXPECT_EQ(layers[1], a->layerRef());
  EXPECT_EQ(layers[2], b->layerRef());
  EXPECT_EQ(layers[3], c->layerRef());

  root->bringSubviewToFront(a.get());
  EXPECT_EQ(root->subviews().back(), a);
  EXPECT_EQ(root->layer().sublayers().back(), a->layerRef());
  root->sendSubviewToBack(a.get());
  EXPECT_EQ(root->layer().sublayers()[0], extra) << "sending to the back stays above layers put behind";
  EXPECT_EQ(root->layer().sublayers()[1], a->layerRef());

  a->addSubview(root);  // would make a cycle
  EXPECT_EQ(a->subviews().size(), 0u);
  root->addSubview(root);
  EXPECT_EQ(root->subviews().size(), 3u);

  // Moving a view to another superview takes it out of the first.
  auto other = makeView({});
  other->addSubview(b);
  EXPECT_EQ(root->subviews().size(), 2u);
  EXPECT_EQ(b->superview(), other.get());
  EXPECT_EQ(root->viewWithTag(2), nullptr);
  EXPECT_EQ(other->viewWithTag(2), b.get());
  b->removeFromSuperview();
  EXPECT_EQ(b->superview(), nullptr);
  EXPECT_EQ(b->layer().superlayer(), nullptr);
}

TEST(View, DestroyedSuperviewLeavesSubviewsDetached) {
  auto child = makeView({});
  {
    auto parent = makeView({});
    parent->addSubview(child);
  }
  EXPECT_EQ(child->superview(), nullptr);
  EXPECT_EQ(child->layer().superlayer(), nullptr);
}

class LayoutRecorder : public View {
 public:
  using View::View;
  std::vector<std::string>* log = nullptr;
  int layouts = 0;

 protected:
  void willMoveToWindow(Window* w) override { note(w ? "willMoveToWindow" : "willLeaveWindow"); }
  void didMoveToWindow() override { note(window() ? "didMoveToWindow" : "didLeaveWindow"); }
  void didMoveToSuperview() override { note("didMoveToSuperview"); }
  void layoutSubviews() override { ++layouts; }
  void tintColorDidChange() override { note("tint"); }

 private:
  void note(const char* what) {
    if (log) log->push_back(what);
  }
};

TEST(View, WindowAndTintAnnouncementsReachTheSubtree) {
  std::vector<std::string> log;
  auto parent = make<LayoutRecorder>(Rect{});
  auto child = make<LayoutRecorder>(Rect{});
  parent->log = child->log = &log;
  parent->addSubview(child);
  log.clear();
  auto window = make<Window>();
  window->addSubview(parent);
  EXPECT_EQ(log, (std::vector<std::string>{"willMoveToWindow", "willMoveToWindow", "didMoveToSuperview",
                                           "didMoveToWindow", "didMoveToWindow", "tint", "tint"}));
  EXPECT_EQ(child->window(), window.get());
  log.clear();
  window->setTintColor(Color::redColor());
  EXPECT_EQ(child->tintColor(), Color::redColor());
  child->setTintColor(Color::greenColor());
  log.clear();
  window->setTintColor(Color::blueColor());
  EXPECT_EQ(log, (std::vector<std::string>{"tint"})) << "a view with its own tint is not told";
  EXPECT_EQ(child->tintColor(), Color::greenColor());
  log.clear();
  parent->removeFromSuperview();
  EXPECT_EQ(child->window(), nullptr);
  EXPECT_EQ(parent->tintColor(), Color::systemBlueColor());
}

TEST(View, LayoutRunsOnceWhenMarkedAndOnResize) {
  auto v = make<LayoutRecorder>(Rect{0, 0, 10, 10});
  auto sub = make<LayoutRecorder>(Rect{0, 0, 5, 5});
  v->addSubview(sub);
  v->layoutIfNeeded();
  EXPECT_EQ(v->layouts, 1) << "a new view lays out once";
  EXPECT_EQ(sub->layouts, 1);
  v->layoutIfNeeded();
  EXPECT_EQ(v->layouts, 1);
  v->setFrame({5, 5, 10, 10});  // moved, same size
  v->layoutIfNeeded();
  EXPECT_EQ(v->layouts, 1);
  v->setFrame({5, 5, 20, 10});
  sub->setNeedsLayout();
  v->layoutIfNeeded();
  EXPECT_EQ(v->layouts, 2);
  EXPECT_EQ(sub->layouts, 2);
}

class RoundButton : public View {
 public:
  using View::View;
  bool pointInside(Point p, const Event*) const override {
    Point c = bounds().center();
    return (p.x - c.x) * (p.x - c.x) + (p.y - c.y) * (p.y - c.y) <= 100;
  }
};

TEST(View, HitTestingSkipsHiddenFadedAndDisabledViews) {
  auto root = makeView({0, 0, 200, 200}, 1);
  auto back = makeView({0, 0, 100, 100}, 2);
  auto front = makeView({50, 50, 100, 100}, 3);
  auto overhang = makeView({90, 0, 50, 20}, 4);  // reaches outside `back`
  root->addSubview(back);
  root->addSubview(front);
  back->addSubview(overhang);

  EXPECT_EQ(root->hitTest({60, 60}, nullptr), front.get()) << "the later sibling is on top";
  EXPECT_EQ(root->hitTest({20, 20}, nullptr), back.get());
  EXPECT_EQ(root->hitTest({120, 10}, nullptr), root.get()) << "outside its superview a view is not hit";
  EXPECT_EQ(root->hitTest({95, 10}, nullptr), overhang.get());
  EXPECT_EQ(root->hitTest({300, 10}, nullptr), nullptr);

  front->setHidden(true);
  EXPECT_EQ(root->hitTest({60, 60}, nullptr), back.get());
  front->setHidden(false);
  front->setAlpha(0.009);
  EXPECT_EQ(root->hitTest({60, 60}, nullptr), back.get());
  front->setAlpha(0.01);
  EXPECT_EQ(root->hitTest({60, 60}, nullptr), front.get()) << "0.01 itself still takes touches";
  front->setUserInteractionEnabled(false);
  EXPECT_EQ(root->hitTest({60, 60}, nullptr), back.get());
  back->setUserInteractionEnabled(false);
  EXPECT_EQ(root->hitTest({95, 10}, nullptr), root.get()) << "a disabled view's subviews are skipped too";

  auto round = make<RoundButton>(Rect{150, 150, 40, 40});
  root->addSubview(round);
  EXPECT_EQ(root->hitTest({170, 170}, nullptr), round.get());
  EXPECT_EQ(root->hitTest({152, 152}, nullptr), root.get()) << "corner is outside the overridden shape";
  auto label = make<Label>(Rect{0, 150, 50, 50});
  root->addSubview(label);
  EXPECT_EQ(root->hitTest({10, 160}, nullptr), root.get()) << "labels let touches through";
}

TEST(View, ConvertsThroughTransformsAndScrolledBounds) {
  auto window = make<Window>();
  auto scroller = makeView({10, 20, 100, 100});
  window->addSubview(scroller);
  scroller->setBounds({{0, 50}, {100, 100}});  // scrolled down by 50
  auto content = makeView({0, 60, 40, 40});
  scroller->addSubview(content);
  expectNear(content->convertPointTo({0, 0}, nullptr), {10, 30});
  expectNear(content->convertPointFrom({10, 30}, nullptr), {0, 0});
  EXPECT_EQ(window->hitTest({15, 35}, nullptr), content.get());

  auto turned = makeView({200, 200, 100, 50});
  window->addSubview(turned);
  turned->setTransform(AffineTransform::rotation(std::numbers::pi / 2));  // about its centre (250, 225)
  expectNear(turned->convertPointTo({0, 0}, nullptr), {275, 175});
  expectNear(turned->convertPointTo({0, 0}, content.get()), {265, 145});
  expectNear(content->convertPointTo(turned->convertPointTo({7, 9}, content.get()), turned.get()), {7, 9});
  Rect box = turned->convertRectTo(turned->bounds(), nullptr);
  EXPECT_NEAR(box.width(), 50, 1e-9);
  EXPECT_NEAR(box.height(), 100, 1e-9);
  EXPECT_NEAR(turned->frame().width(), 50, 1e-9) << "the frame is the box around the turned bounds";
  EXPECT_EQ(window->hitTest({274, 176}, nullptr), turned.get());  // a point in from the corner, not on an edge
  EXPECT_EQ(window->hitTest({290, 220}, nullptr), window.get()) << "inside the untransformed frame only";

  // A view squashed to nothing (the start of a pop-in) has no point a finger could land on.
  turned->setTransform(AffineTransform::scale(0, 0));
  EXPECT_EQ(window->hitTest({250, 225}, nullptr), window.get());
  turned->setTransform(AffineTransform::scale(2, 2).translated(10, 0));
  // Moved 10 points, then doubled about the centre: it spans x 170...370.
  EXPECT_EQ(window->hitTest({365, 225}, nullptr), turned.get());
  EXPECT_EQ(window->hitTest({165, 225}, nullptr), window.get());
}

TEST(View, SizeToFitKeepsTheTopLeft) {
  auto label = make<Label>(Rect{30, 40, 64, 64});
  label->setFont(Font::named("Avenir-Medium", 14));
  label->setText("135");
  label->sizeToFit();
  EXPECT_EQ(label->frame().origin, (Point{30, 40}));
  EXPECT_GT(label->bounds().size.width, 15);
  EXPECT_LT(label->bounds().size.width, 40);
  EXPECT_EQ(label->bounds().size.height, std::ceil(label->font().lineHeight()));
}

TEST(View, SafeAreaInsetsWhereTheViewMeetsTheEdges) {
  auto window = make<Window>(Screen::named("phone"));
  auto full = makeView(window->bounds());
  auto middle = makeView({0, 100, 390, 100});
  window->addSubview(full);
  window->addSubview(middle);
  EXPECT_EQ(full->safeAreaInsets(), (EdgeInsets{47, 0, 34, 0}));
  EXPECT_EQ(middle->safeAreaInsets(), (EdgeInsets{}));
  EXPECT_EQ(makeView({})->safeAreaInsets(), (EdgeInsets{}));
  EXPECT_EQ(Screen::named("no-such-device").name, "phone");
}

// make<T>() wraps the class for its protected constructor; what the view says it is stays T.
TEST(View, MadeViewsKeepTheirOwnClassNames) {
  EXPECT_EQ(make<View>()->className(), "View");
  EXPECT_EQ(make<Label>()->className(), "Label");
  EXPECT_EQ(make<Window>()->className(), "Window");
}

}  // namespace
}  // namespace platform::ui
