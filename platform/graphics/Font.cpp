#include "platform/graphics/Font.h"

#include <hb-ot.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <string_view>
#include <tuple>
#include <utility>

#include "platform/graphics/TextEngine.h"

namespace platform::graphics {
namespace {

// Families the app was designed with and the installed family that stands in for each.
constexpr std::array<std::pair<std::string_view, std::string_view>, 5> kFamilyAliases{{
    {"Avenir", "Lato"},
    {"AvenirNext", "Lato"},
    {"Helvetica", "Lato"},
    {"HelveticaNeue", "Lato"},
    {"System", "Lato"},
}};

constexpr std::string_view kSystemFamily = "Lato";

// Style words of PostScript-like names ("Avenir-Heavy") and their weights. Lato has a face for each.
constexpr std::array<std::pair<std::string_view, int>, 13> kStyleWeights{{
    {"Hairline", 100},
    {"Thin", 100},
    {"UltraLight", 200},
    {"Light", 300},
    {"Roman", 400},
    {"Book", 400},
    {"Regular", 400},
    {"Medium", 500},
    {"Semibold", 600},
    {"DemiBold", 600},
    {"Bold", 700},
    {"Heavy", 800},
    {"Black", 900},
}};

std::string_view aliasFor(std::string_view family) {
  for (auto& [from, to] : kFamilyAliases) {
    if (family == from) return to;
  }
  return {};
}

// Splits "Style" or "StyleOblique" into a weight and an italic flag; false when the word is unknown.
bool parseStyle(std::string_view style, int& weight, bool& italic) {
  italic = false;
  for (std::string_view suffix : {"Oblique", "Italic"}) {
    if (style.size() >= suffix.size() && style.substr(style.size() - suffix.size()) == suffix) {
      italic = true;
      style.remove_suffix(suffix.size());
      break;
    }
  }
  if (style.empty()) {
    weight = 400;
    return true;
  }
  for (auto& [word, w] : kStyleWeights) {
    if (style == word) {
      weight = w;
      return true;
    }
  }
  return false;
}

PangoWeight pangoWeight(int weight) {
  // Lato's Heavy face is an 800; Pango's "heavy" (900) would pick Black instead.
  return static_cast<PangoWeight>(std::clamp(weight, 100, 1000));
}

}  // namespace

struct Font::Metrics {
  double ascent = 0, descent = 0, capHeight = 0, xHeight = 0;
  std::string face;
};

Font::Font(std::string name, std::string family, int weight, bool italic, double size)
    : name_(std::move(name)), family_(std::move(family)), weight_(weight), italic_(italic),
      size_(std::isfinite(size) && size > 0 ? size : 0) {}

Font Font::named(const std::string& name, double size) {
  std::string_view n = name;
  size_t dash = n.find('-');
  int weight = 400;
  bool italic = false;
  if (dash != std::string_view::npos && parseStyle(n.substr(dash + 1), weight, italic)) {
    std::string_view family = n.substr(0, dash);
    std::string_view alias = aliasFor(family);
    return Font(name, std::string(alias.empty() ? family : alias), weight, italic, size);
  }
  std::string_view alias = aliasFor(n);
  return Font(name, std::string(alias.empty() ? n : alias), 400, false, size);
}

Font Font::systemFont(double size, int weight) {
  return Font("System-" + std::to_string(weight), std::string(kSystemFamily), weight, false, size);
}

Font Font::italicSystemFont(double size) {
  return Font("System-Italic", std::string(kSystemFamily), 400, true, size);
}

Font Font::withSize(double size) const { return Font(name_, family_, weight_, italic_, size); }

PangoFontDescription* Font::newPangoDescription() const {
  PangoFontDescription* d = pango_font_description_new();
  pango_font_description_set_family(d, family_.c_str());
  pango_font_description_set_weight(d, pangoWeight(weight_));
  pango_font_description_set_style(d, italic_ ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  pango_font_description_set_absolute_size(d, size_ * PANGO_SCALE);
  return d;
}

const Font::Metrics& Font::metrics() const {
  thread_local std::map<std::tuple<std::string, int, bool, double>, std::unique_ptr<Metrics>> cache;
  auto key = std::make_tuple(family_, weight_, italic_, size_);
  auto it = cache.find(key);
  if (it != cache.end()) return *it->second;
  auto m = std::make_unique<Metrics>();
  PangoFontDescription* d = newPangoDescription();
  PangoFont* font = pango_context_load_font(textContext(), d);
  pango_font_description_free(d);
  if (font) {
    PangoFontMetrics* fm = pango_font_get_metrics(font, pango_language_from_string("en-us"));
    m->ascent = pango_font_metrics_get_ascent(fm) / double(PANGO_SCALE);
    m->descent = pango_font_metrics_get_descent(fm) / double(PANGO_SCALE);
    pango_font_metrics_unref(fm);
    hb_font_t* hb = pango_font_get_hb_font(font);
    int xs = 0, ys = 0;
    hb_font_get_scale(hb, &xs, &ys);
    hb_position_t cap = 0, x = 0;
    if (ys != 0 && hb_ot_metrics_get_position(hb, HB_OT_METRICS_TAG_CAP_HEIGHT, &cap)) {
      m->capHeight = cap * size_ / ys;
    }
    if (ys != 0 && hb_ot_metrics_get_position(hb, HB_OT_METRICS_TAG_X_HEIGHT, &x)) m->xHeight = x * size_ / ys;
    m->face = fullFaceName(font);
    g_object_unref(font);
  }
  return *cache.emplace(key, std::move(m)).first->second;
}

double Font::ascender() const { return metrics().ascent; }
double Font::descender() const { return -metrics().descent; }
double Font::lineHeight() const { return metrics().ascent + metrics().descent; }
double Font::capHeight() const { return metrics().capHeight; }
double Font::xHeight() const { return metrics().xHeight; }
std::string Font::resolvedFace() const { return metrics().face; }

}  // namespace platform::graphics
