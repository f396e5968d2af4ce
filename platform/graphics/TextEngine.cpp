#include "platform/graphics/TextEngine.h"

#include <hb-ot.h>
#include <pango/pangocairo.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "platform/graphics/LeakSuppressions.h"

namespace platform::graphics {
namespace {

// Every program that lays out text loads fontconfig, whose allocations the leak checker misreads.
[[gnu::used]] const auto keepLeakSuppressions = &leakSuppressions;

// What the fonts being prepared are laid out with: the characters of numbers, units and titles, so
// their glyphs' metrics are known before the first screen asks.
constexpr const char* kSampleText = "0123456789.,:;-+/'\"%° ABCDEFGHIJKLMNOPQRSTUVWXYZ abcdefghijklmnopqrstuvwxyz";

struct TextContext {
  PangoFontMap* map = nullptr;
  PangoContext* context = nullptr;

  TextContext() {
    map = pango_cairo_font_map_new();
    context = pango_font_map_create_context(map);
    pango_cairo_context_set_resolution(context, 72);
    pango_context_set_round_glyph_positions(context, FALSE);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_subpixel_order(options, CAIRO_SUBPIXEL_ORDER_DEFAULT);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
    pango_context_set_language(context, pango_language_from_string("en-us"));
    pango_context_set_base_dir(context, PANGO_DIRECTION_LTR);
  }
};

// Pango's objects are not shared between threads: the preparing thread has the context to itself
// until the first textContext() call joins it, and only the main thread uses it from then on.
struct TextEngine {
  std::mutex mutex;
  TextContext* text = nullptr;
  std::thread preparing;
  std::atomic<bool> inUse{false};

  TextContext& made() {
    if (!text) text = new TextContext;
    return *text;
  }
};

// Kept for the life of the process: Pango's caches refer into the font map, and tearing it down while
// Pango's fontconfig worker may still answer would race it.
TextEngine& engine() {
  static auto* instance = new TextEngine;
  return *instance;
}

void layOutSamples(PangoContext* context, const std::vector<Font>& fonts) {
  for (const Font& font : fonts) {
    PangoLayout* layout = pango_layout_new(context);
    PangoFontDescription* description = font.newPangoDescription();
    pango_layout_set_font_description(layout, description);
    pango_font_description_free(description);
    pango_layout_set_text(layout, kSampleText, -1);
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    g_object_unref(layout);
  }
}

}  // namespace

PangoContext* textContext() {
  TextEngine& e = engine();
  if (!e.inUse.load(std::memory_order_acquire)) {
    std::lock_guard lock(e.mutex);
    if (e.preparing.joinable()) e.preparing.join();
    e.made();
    e.inUse.store(true, std::memory_order_release);
  }
  return e.text->context;
}

void startTextEngine() {
  TextEngine& e = engine();
  std::lock_guard lock(e.mutex);
  e.made();
}

void prepareFonts(const std::vector<Font>& fonts) {
  TextEngine& e = engine();
  std::lock_guard lock(e.mutex);
  if (fonts.empty() || e.inUse.load(std::memory_order_acquire) || e.preparing.joinable()) return;
  PangoContext* context = e.made().context;
  e.preparing = std::thread([context, fonts] { layOutSamples(context, fonts); });
  // A program that ends without laying text out still ends with no thread of ours running.
  std::atexit([] {
    TextEngine& ended = engine();
    std::lock_guard lock(ended.mutex);
    if (ended.preparing.joinable()) ended.preparing.join();
  });
}

std::string fullFaceName(PangoFont* font) {
  if (!font) return {};
  char name[256];
  unsigned int length = sizeof name;
  hb_face_t* face = hb_font_get_face(pango_font_get_hb_font(font));
  if (hb_ot_name_get_utf8(face, HB_OT_NAME_ID_FULL_NAME, HB_LANGUAGE_INVALID, &length, name) == 0) return {};
  return name;
}

}  // namespace platform::graphics
