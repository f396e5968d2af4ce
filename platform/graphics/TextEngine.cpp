#include "platform/graphics/TextEngine.h"

#include <pango/pangocairo.h>

#include "platform/graphics/LeakSuppressions.h"

namespace platform::graphics {
namespace {

// Every program that lays out text loads fontconfig, whose allocations the leak checker misreads.
[[gnu::used]] const auto keepLeakSuppressions = &leakSuppressions;

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

}  // namespace

PangoContext* textContext() {
  // Kept for the life of the process: Pango's caches refer into the font map, and tearing it down
  // while Pango's fontconfig worker may still answer would race it. Text is laid out on the main
  // thread only, like all view work.
  static TextContext* holder = new TextContext;
  return holder->context;
}

void startTextEngine() { static_cast<void>(textContext()); }

}  // namespace platform::graphics
