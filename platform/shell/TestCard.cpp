#include "platform/shell/TestCard.h"

#include <cstdio>

#include "platform/graphics/Path.h"
#include "platform/ui/GradientLayer.h"
#include "platform/ui/ShapeLayer.h"
#include "platform/ui/Window.h"

namespace platform::shell {
namespace {

using graphics::Font;
using ui::Color;
using ui::Rect;

constexpr double kMargin = 16;
constexpr double kMarkerSize = 24;
constexpr int64_t kRowTag = 100;  // the list's rows, told apart from anything else it may hold

const Color kLightBackground = Color::whiteColor();
const Color kDarkBackground = Color::fromBytes(28, 28, 30);
const Color kLightText = Color::fromBytes(20, 20, 24);
const Color kDarkText = Color::fromBytes(235, 235, 245);

// The seven bars of a classic test card, at full strength so a probe can tell them apart.
const Color kBars[] = {Color::whiteColor(), {1, 1, 0}, {0, 1, 1}, {0, 1, 0}, {1, 0, 1}, {1, 0, 0}, {0, 0, 1}};

// Lays out the card top to bottom inside the safe area, whatever the screen.
class CardView : public ui::View {
 public:
  using View::View;
  std::shared_ptr<ui::Label> title, glyphs;
  std::shared_ptr<ui::View> bars, ramp, shapes, field, list, pad;

 protected:
  void layoutSubviews() override {
    Rect area = bounds().inset(safeAreaInsets()).insetBy(kMargin, 0);
    double y = area.minY() + 12;
    auto place = [&](ui::View& v, double height) {
      v.setFrame({area.minX(), y, area.width(), height});
      y += height + 12;
    };
    place(*title, 32);
    place(*bars, 60);
    place(*ramp, 24);
    place(*shapes, 80);
    place(*glyphs, 26);
    place(*field, 36);
    place(*list, 200);
    place(*pad, std::max(60.0, area.maxY() - kMargin - y));
    double barWidth = area.width() / bars->subviews().size();
    for (size_t i = 0; i < bars->subviews().size(); ++i) {
      bars->subviews()[i]->setFrame({i * barWidth, 0, barWidth, 60});
    }
    ramp->layer().sublayers().front()->setFrame(ramp->bounds());
    auto scroller = std::static_pointer_cast<ui::ScrollView>(list);
    scroller->setContentSize({area.width(), TestCardViewController::kRows * TestCardViewController::kRowHeight});
    for (const auto& row : list->subviews()) {
      if (row->tag() == kRowTag) row->setFrame({0, row->frame().minY(), area.width(), row->frame().height()});
    }
  }
};

std::shared_ptr<ui::View> makeBars() {
  auto bars = ui::make<ui::View>();
  for (const Color& c : kBars) {
    auto bar = ui::make<ui::View>();
    bar->setBackgroundColor(c);
    bars->addSubview(bar);
  }
  return bars;
}

std::shared_ptr<ui::View> makeRamp() {
  auto ramp = ui::make<ui::View>();
  auto gradient = ui::make<ui::GradientLayer>();
  gradient->setColors({Color::blackColor(), Color::whiteColor()});
  gradient->setStartPoint({0, 0.5});
  gradient->setEndPoint({1, 0.5});
  ramp->layer().insertSublayer(gradient, 0);
  return ramp;
}

// An orange disc, a dashed line beside it and a stroked square: fills, strokes and dashes.
std::shared_ptr<ui::View> makeShapes() {
  auto shapes = ui::make<ui::View>();
  auto oval = ui::make<ui::ShapeLayer>();
  oval->setPath(graphics::Path::oval({0, 0, 80, 80}));
  oval->setFillColor(Color::fromCode(0xFF9500));
  auto dash = ui::make<ui::ShapeLayer>();
  graphics::Path line;
  line.moveTo({100, 40});
  line.lineTo({220, 40});
  dash->setPath(line);
  dash->setFillColor(std::nullopt);
  dash->setStrokeColor(Color::systemBlueColor());
  dash->setLineWidth(4);
  dash->setLineDashPattern({10, 6});
  auto square = ui::make<ui::ShapeLayer>();
  square->setPath(graphics::Path::rect({240, 10, 60, 60}));
  square->setFillColor(std::nullopt);
  square->setStrokeColor(Color::fromCode(0x34C759));
  square->setLineWidth(2);
  for (const auto& layer : {oval, dash, square}) shapes->layer().addSublayer(layer);
  return shapes;
}

std::shared_ptr<ui::Label> makeLabel(const Font& font, const std::string& text) {
  auto label = ui::make<ui::Label>();
  label->setFont(font);
  label->setText(text);
  return label;
}

std::shared_ptr<ui::TextField> makeField() {
  auto field = ui::make<ui::TextField>();
  field->setFont(Font::named("Avenir-Roman", 17));
  field->setBorderStyle(ui::TextBorderStyle::RoundedRect);
  field->setPlaceholder("Type here");
  field->setReturnKeyType(ui::ReturnKeyType::Done);
  return field;
}

// Rows of alternating shade, each labelled with its number, so a scrolled picture shows how far.
std::shared_ptr<ui::ScrollView> makeList() {
  auto list = ui::make<ui::ScrollView>();
  list->setClipsToBounds(true);
  list->layer().setBorderWidth(1);
  list->layer().setBorderColor(Color::fromBytes(142, 142, 147));
  const double h = TestCardViewController::kRowHeight;
  for (int i = 0; i < TestCardViewController::kRows; ++i) {
    auto row = ui::make<ui::View>(Rect{0, i * h, 400, h});
    row->setTag(kRowTag);
    row->setBackgroundColor(i % 2 ? Color::fromBytes(0, 122, 255, 0.12) : Color::fromBytes(0, 122, 255, 0.24));
    auto label = makeLabel(Font::named("Avenir-Medium", 17), "Row " + std::to_string(i + 1));
    label->setFrame({12, 0, 300, h});
    row->addSubview(label);
    list->addSubview(row);
  }
  return list;
}

}  // namespace

TouchPad::TouchPad(const Rect& frame) : View(frame) {
  setBackgroundColor(Color::fromBytes(142, 142, 147, 0.25));
  layer().setCornerRadius(12);
  readout_ = makeLabel(Font::named("Avenir-Medium", 15), "touch here");
  readout_->setTextAlignment(ui::TextAlignment::Center);
  marker_ = ui::make<ui::View>(Rect{0, 0, kMarkerSize, kMarkerSize});
  marker_->setBackgroundColor(Color::fromCode(0xFF3B30));
  marker_->layer().setCornerRadius(kMarkerSize / 2);
  marker_->setHidden(true);
  marker_->setUserInteractionEnabled(false);
  addSubview(readout_);
  addSubview(marker_);
}

void TouchPad::layoutSubviews() { readout_->setFrame({0, 8, bounds().size.width, 24}); }

void TouchPad::follow(const ui::Touches& touches, const char* what) {
  if (touches.empty()) return;
  ui::Point p = touches.front()->locationInView(this);
  marker_->setCenter(p);
  char text[96];
  std::snprintf(text, sizeof text, "%s at %.0f, %.0f - %d down, %d up", what, p.x, p.y, begun_, ended_);
  readout_->setText(text);
}

void TouchPad::touchesBegan(const ui::Touches& touches, const ui::Event*) {
  begun_ += static_cast<int>(touches.size());
  marker_->setHidden(false);
  follow(touches, "down");
}

void TouchPad::touchesMoved(const ui::Touches& touches, const ui::Event*) { follow(touches, "moved"); }

void TouchPad::touchesEnded(const ui::Touches& touches, const ui::Event*) {
  ended_ += static_cast<int>(touches.size());
  follow(touches, "up");
}

void TouchPad::touchesCancelled(const ui::Touches& touches, const ui::Event*) {
  ended_ += static_cast<int>(touches.size());
  follow(touches, "cancelled");
}

TestCardViewController::TestCardViewController() : ViewController(runtime::classOf<TestCardViewController>()) {}

void TestCardViewController::loadView() {
  Rect frame{{0, 0}, window() ? window()->bounds().size : ui::Screen::named("phone").size};
  auto card = ui::make<CardView>(frame);
  card->title = title_ = makeLabel(Font::named("Avenir-Heavy", 24), "Ostrel test card");
  card->bars = makeBars();
  card->ramp = makeRamp();
  card->shapes = makeShapes();
  card->glyphs = glyphs_ = makeLabel(Font::named("Avenir-Roman", 17), "Avenir 17: \u221e \u2192 \u00d8 \u00b0 \u2764\ufe0f");
  card->field = field_ = makeField();
  card->list = list_ = makeList();
  card->pad = pad_ = ui::make<TouchPad>();
  for (const std::shared_ptr<ui::View>& v :
       std::initializer_list<std::shared_ptr<ui::View>>{card->title, card->bars, card->ramp, card->shapes, card->glyphs,
                                                        card->field, card->list, card->pad}) {
    card->addSubview(v);
  }
  setView(card);
}

void TestCardViewController::viewDidLoad() { applyAppearance(); }

void TestCardViewController::traitCollectionDidChange(const ui::TraitCollection&) { applyAppearance(); }

void TestCardViewController::applyAppearance() {
  bool dark = traitCollection().userInterfaceStyle == ui::UserInterfaceStyle::Dark;
  view()->setBackgroundColor(dark ? kDarkBackground : kLightBackground);
  for (auto* label : {title_.get(), glyphs_.get()}) label->setTextColor(dark ? kDarkText : kLightText);
  field_->setTextColor(dark ? kDarkText : kLightText);
  pad_->setReadoutColor(dark ? kDarkText : kLightText);
  for (const auto& row : list_->subviews()) {
    for (const auto& v : row->subviews()) {
      if (auto* label = dynamic_cast<ui::Label*>(v.get())) label->setTextColor(dark ? kDarkText : kLightText);
    }
  }
}

std::shared_ptr<ui::Window> makeTestCardWindow(const ui::Screen& screen) {
  auto window = ui::make<ui::Window>(screen);
  window->setRootViewController(ui::make<TestCardViewController>());
  window->makeKeyAndVisible();
  return window;
}

}  // namespace platform::shell
