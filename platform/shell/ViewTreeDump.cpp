#include "platform/shell/ViewTreeDump.h"

#include <cmath>
#include <cstdio>

#include "platform/foundation/Json.h"
#include "platform/ui/KeyboardKeysView.h"
#include "platform/ui/Label.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/TextField.h"

namespace platform::shell {
namespace {

using foundation::Array;
using foundation::Dictionary;
using foundation::Value;

double rounded(double v) {
  double r = std::round(v * 1000) / 1000;
  return r == 0 ? 0 : r;  // no "-0" in a dump
}

// Whole numbers are written as integers: "[0,120]" reads better than "[0.0,120.0]".
Value number(double v) {
  double r = rounded(v);
  if (r == std::trunc(r) && std::fabs(r) < 1e15) return static_cast<int64_t>(r);
  return r;
}

Value numbers(std::initializer_list<double> values) {
  Array out;
  for (double v : values) out.push_back(number(v));
  return out;
}

int byte(double component) { return static_cast<int>(std::lround(component * 255)); }

// What the view shows as text and in which colour, for the kinds of view that show text.
void describeText(const ui::View& view, Dictionary& out) {
  if (auto* label = dynamic_cast<const ui::Label*>(&view)) {
    out["text"] = label->text();
    out["textColor"] = ViewTreeDump::colorText(label->textColor());
    // Only when it happens, so a dump names the texts a person cannot read in full.
    if (label->isTruncated()) out["truncated"] = true;
  } else if (auto* field = dynamic_cast<const ui::TextField*>(&view)) {
    out["text"] = field->text();
    out["textColor"] = ViewTreeDump::colorText(field->textColor());
    if (field->isEditing()) out["editing"] = true;
  }
}

}  // namespace

std::string ViewTreeDump::colorText(const graphics::Color& c) {
  char text[16];
  if (byte(c.alpha()) == 255) {
    std::snprintf(text, sizeof text, "#%02X%02X%02X", byte(c.red()), byte(c.green()), byte(c.blue()));
  } else {
    std::snprintf(text, sizeof text, "#%02X%02X%02X%02X", byte(c.red()), byte(c.green()), byte(c.blue()),
                  byte(c.alpha()));
  }
  return text;
}

Value ViewTreeDump::describe(const ui::View& view) {
  Dictionary out;
  out["class"] = view.className();
  ui::Rect f = view.frame();
  out["frame"] = numbers({f.origin.x, f.origin.y, f.size.width, f.size.height});
  ui::Point origin = view.bounds().origin;
  if (rounded(origin.x) != 0 || rounded(origin.y) != 0) out["offset"] = numbers({origin.x, origin.y});
  out["alpha"] = number(view.alpha());
  out["hidden"] = view.isHidden();
  if (view.tag() != 0) out["tag"] = view.tag();
  if (auto bg = view.backgroundColor()) out["backgroundColor"] = colorText(*bg);
  if (view.layer().borderWidth() > 0) out["borderColor"] = colorText(view.layer().borderColor());
  describeText(view, out);
  if (auto* keys = dynamic_cast<const ui::KeyboardKeysView*>(&view)) {
    // Which keys a person sees, in reading order, and on which grey.
    std::string labels;
    for (const auto& key : ui::KeyboardKeysView::keys(keys->type(), keys->bounds().size, keys->returnKeyType())) {
      labels += (labels.empty() ? "" : " ") + key.label;
    }
    out["keys"] = labels;
    out["dark"] = keys->isDark();
  }
  if (auto* scroller = dynamic_cast<const ui::ScrollView*>(&view)) {
    out["contentSize"] = numbers({scroller->contentSize().width, scroller->contentSize().height});
  }
  if (!view.subviews().empty()) {
    Array children;
    for (const auto& child : view.subviews()) children.push_back(describe(*child));
    out["children"] = std::move(children);
  }
  return out;
}

std::string ViewTreeDump::json(const ui::View& view) {
  return foundation::Json::serialize(describe(view), true) + "\n";
}

}  // namespace platform::shell
