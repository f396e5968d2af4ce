// A phone-sized window of 200 views rendered at scale 2, through the view system and with cairo
// directly, each with and without PNG encoding, and its first frame, when every label lays out its text;
// and the PNG encoding alone, the platform's beside cairo's own writer.
#include <benchmark/benchmark.h>
#include <cairo.h>
#include <pango/pangocairo.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/Path.h"
#include "platform/graphics/PngEncoder.h"
#include "platform/graphics/TextEngine.h"
#include "platform/ui/Label.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/Window.h"
#include "bench/InTurns.h"
#include "bench/ReferenceScreen.h"

namespace {

using namespace platform;

using bench::Cell;
using bench::cells;
using bench::buildWindow;
using bench::kScale;

void roundedRect(cairo_t* cr, const graphics::Rect& r, double radius) {
  double x = r.minX(), y = r.minY(), w = r.width(), h = r.height();
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - radius, y + radius, radius, -M_PI / 2, 0);
  cairo_arc(cr, x + w - radius, y + h - radius, radius, 0, M_PI / 2);
  cairo_arc(cr, x + radius, y + h - radius, radius, M_PI / 2, M_PI);
  cairo_arc(cr, x + radius, y + radius, radius, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

// With `freshLayouts` every label gets a layout of its own, made, measured and drawn once, as a first
// frame must; otherwise one layout is reused for all of them.
cairo_surface_t* drawDirect(const std::vector<Cell>& all, bool freshLayouts = false) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 780, 1688);
  cairo_t* cr = cairo_create(s);
  cairo_scale(cr, kScale, kScale);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  PangoLayout* layout = pango_layout_new(graphics::textContext());
  PangoFontDescription* font = graphics::Font::named("Avenir-Medium", 14).newPangoDescription();
  pango_layout_set_font_description(layout, font);
  pango_layout_set_alignment(layout, PANGO_ALIGN_CENTER);
  for (const Cell& cell : all) {
    const graphics::Rect& f = cell.frame;
    if (cell.rounded) {
      roundedRect(cr, f, 6);
    } else {
      cairo_rectangle(cr, f.minX(), f.minY(), f.width(), f.height());
    }
    cairo_set_source_rgb(cr, cell.color.red(), cell.color.green(), cell.color.blue());
    cairo_fill(cr);
    if (cell.label) {
      PangoLayout* own = layout;
      if (freshLayouts) {
        own = pango_layout_new(graphics::textContext());
        pango_layout_set_font_description(own, font);
        pango_layout_set_alignment(own, PANGO_ALIGN_CENTER);
      }
      pango_layout_set_width(own, static_cast<int>(f.width() * PANGO_SCALE));
      pango_layout_set_text(own, cell.text.c_str(), -1);
      int lw, lh;
      pango_layout_get_size(own, &lw, &lh);
      cairo_set_source_rgb(cr, 0, 0, 0);
      cairo_move_to(cr, f.minX(), f.minY() + (f.height() - lh / double(PANGO_SCALE)) / 2);
      pango_cairo_show_layout(cr, own);
      if (freshLayouts) g_object_unref(own);
    }
    if (cell.rounded) {
      roundedRect(cr, f.insetBy(0.5, 0.5), 5.5);
      cairo_set_line_width(cr, 1);
      cairo_set_source_rgb(cr, 0, 0, 0);
      cairo_stroke(cr);
    }
  }
  pango_font_description_free(font);
  g_object_unref(layout);
  cairo_destroy(cr);
  cairo_surface_flush(s);
  return s;
}

cairo_status_t discard(void* closure, const unsigned char*, unsigned int length) {
  *static_cast<size_t*>(closure) += length;
  return CAIRO_STATUS_SUCCESS;
}

void BM_ViewSystemToPNG(benchmark::State& state) {
  auto window = buildWindow();
  for (auto _ : state) {
    auto png = ui::Renderer::render(*window)->pngData();
    benchmark::DoNotOptimize(png.data());
  }
}
BENCHMARK(BM_ViewSystemToPNG)->Unit(benchmark::kMillisecond);

void BM_CairoDirectToPNG(benchmark::State& state) {
  auto all = cells();
  for (auto _ : state) {
    cairo_surface_t* s = drawDirect(all);
    size_t bytes = 0;
    cairo_surface_write_to_png_stream(s, discard, &bytes);
    benchmark::DoNotOptimize(bytes);
    cairo_surface_destroy(s);
  }
}
BENCHMARK(BM_CairoDirectToPNG)->Unit(benchmark::kMillisecond);

void BM_ViewSystemPixelsOnly(benchmark::State& state) {
  auto window = buildWindow();
  for (auto _ : state) {
    auto image = ui::Renderer::render(*window);
    benchmark::DoNotOptimize(image.get());
  }
}
BENCHMARK(BM_ViewSystemPixelsOnly)->Unit(benchmark::kMillisecond);

void BM_CairoDirectPixelsOnly(benchmark::State& state) {
  auto all = cells();
  for (auto _ : state) {
    cairo_surface_t* s = drawDirect(all);
    benchmark::DoNotOptimize(s);
    cairo_surface_destroy(s);
  }
}
BENCHMARK(BM_CairoDirectPixelsOnly)->Unit(benchmark::kMillisecond);

// The first frame, when every label still has to lay out and draw its text.
void BM_ViewSystemFirstFrame(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto window = buildWindow();
    state.ResumeTiming();
    auto image = ui::Renderer::render(*window);
    benchmark::DoNotOptimize(image.get());
  }
}
BENCHMARK(BM_ViewSystemFirstFrame)->Unit(benchmark::kMillisecond);

// The baseline: the same cells drawn with cairo directly, each label laid out anew.
void BM_CairoDirectFirstFrame(benchmark::State& state) {
  auto all = cells();
  for (auto _ : state) {
    cairo_surface_t* s = drawDirect(all, true);
    benchmark::DoNotOptimize(s);
    cairo_surface_destroy(s);
  }
}
BENCHMARK(BM_CairoDirectFirstFrame)->Unit(benchmark::kMillisecond);

// The same picture encoded by the platform's PNG writer and by cairo's (libpng and zlib at their
// default settings), in turns: "encoder/cairo" is the median of the turns' CPU-time ratios, and the
// sizes say what the speed costs on disk.
void BM_PngEncoderBesideCairoInTurns(benchmark::State& state) {
  cairo_surface_t* s = drawDirect(cells());
  const unsigned char* pixels = cairo_image_surface_get_data(s);
  const int width = cairo_image_surface_get_width(s), height = cairo_image_surface_get_height(s);
  const int stride = cairo_image_surface_get_stride(s);
  std::size_t encoderBytes = 0, cairoBytes = 0;
  std::vector<double> ratios;
  for (auto _ : state) {
    auto more = ostrel::bench::ratiosInTurns(
        10, ostrel::bench::threadCpuSeconds,
        [&] { encoderBytes = graphics::PngEncoder::encodeARGB32(pixels, width, height, stride).size(); },
        [&] {
          cairoBytes = 0;
          cairo_surface_write_to_png_stream(s, discard, &cairoBytes);
        });
    ratios.insert(ratios.end(), more.begin(), more.end());
  }
  cairo_surface_destroy(s);
  state.counters["encoder/cairo"] = ostrel::bench::median(ratios);
  state.counters["size_encoder/cairo"] = cairoBytes ? static_cast<double>(encoderBytes) / cairoBytes : 0;
}
BENCHMARK(BM_PngEncoderBesideCairoInTurns)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
