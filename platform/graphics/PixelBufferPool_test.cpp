#include "platform/graphics/PixelBufferPool.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace platform::graphics {
namespace {

// Window-sized: over the size the pool keeps.
constexpr int kWidth = 1100;
constexpr int kHeight = 1000;

std::size_t bytesOf(cairo_surface_t* s) {
  return static_cast<std::size_t>(cairo_image_surface_get_stride(s)) * cairo_image_surface_get_height(s);
}

bool isClear(cairo_surface_t* s) {
  const unsigned char* data = cairo_image_surface_get_data(s);
  return std::all_of(data, data + bytesOf(s), [](unsigned char b) { return b == 0; });
}

// A translucent anti-aliased disc over a half-covered square, drawn with cairo's default operator.
void drawScene(cairo_surface_t* s) {
  cairo_t* cr = cairo_create(s);
  cairo_set_source_rgba(cr, 0.2, 0.5, 0.9, 0.7);
  cairo_rectangle(cr, 10.5, 10.25, 300.3, 200.7);
  cairo_fill(cr);
  cairo_set_source_rgba(cr, 0.9, 0.1, 0.3, 0.45);
  cairo_arc(cr, 250.3, 180.6, 123.4, 0, 6.3);
  cairo_fill(cr);
  cairo_destroy(cr);
  cairo_surface_flush(s);
}

TEST(PixelBufferPool, KeptPixelsComeBackClearForTheSameSize) {
  PixelBufferPool pool;
  cairo_surface_t* first = pool.createSurface(kWidth, kHeight);
  ASSERT_EQ(cairo_surface_status(first), CAIRO_STATUS_SUCCESS);
  ASSERT_GE(bytesOf(first), PixelBufferPool::kSmallestKept);
  EXPECT_TRUE(isClear(first));
  drawScene(first);
  const unsigned char* pixels = cairo_image_surface_get_data(first);
  cairo_surface_destroy(first);
  EXPECT_EQ(pool.keptBytes(), static_cast<std::size_t>(cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, kWidth)) *
                                  kHeight);

  cairo_surface_t* second = pool.createSurface(kWidth, kHeight);
  EXPECT_EQ(cairo_image_surface_get_data(second), pixels) << "the kept pixels are used again";
  EXPECT_TRUE(isClear(second)) << "what the last surface drew is gone";
  EXPECT_EQ(pool.keptBytes(), 0u);
  cairo_surface_t* other = pool.createSurface(kWidth, kHeight + 1);
  EXPECT_TRUE(isClear(other)) << "fresh pixels for a size not kept";
  cairo_surface_destroy(other);
  cairo_surface_destroy(second);
}

// Screenshots must not change when their bitmap comes from the pool.
TEST(PixelBufferPool, DrawingGivesTheSamePixelsAsCairosOwnSurface) {
  PixelBufferPool pool;
  cairo_surface_t* used = pool.createSurface(kWidth, kHeight);
  drawScene(used);
  cairo_surface_destroy(used);
  cairo_surface_t* pooled = pool.createSurface(kWidth, kHeight);
  cairo_surface_t* own = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
  drawScene(pooled);
  drawScene(own);
  ASSERT_EQ(bytesOf(pooled), bytesOf(own));
  EXPECT_EQ(std::memcmp(cairo_image_surface_get_data(pooled), cairo_image_surface_get_data(own), bytesOf(own)), 0);
  cairo_surface_destroy(own);
  cairo_surface_destroy(pooled);
}

TEST(PixelBufferPool, KeepsLittleAndNothingSmall) {
  PixelBufferPool pool;
  cairo_surface_t* small = pool.createSurface(200, 100);
  ASSERT_EQ(cairo_surface_status(small), CAIRO_STATUS_SUCCESS);
  cairo_surface_destroy(small);
  EXPECT_EQ(pool.keptBytes(), 0u);

  std::vector<cairo_surface_t*> surfaces;
  for (int extra = 0; extra < 6; ++extra) surfaces.push_back(pool.createSurface(kWidth, kHeight + extra));
  const unsigned char* newest = cairo_image_surface_get_data(surfaces.back());
  for (cairo_surface_t* s : surfaces) cairo_surface_destroy(s);
  EXPECT_LE(pool.keptBytes(), PixelBufferPool::kMostKept);
  EXPECT_GT(pool.keptBytes(), 0u);
  cairo_surface_t* again = pool.createSurface(kWidth, kHeight + 5);
  EXPECT_EQ(cairo_image_surface_get_data(again), newest) << "the oldest go first";
  cairo_surface_destroy(again);

  cairo_surface_t* impossible = pool.createSurface(-1, 10);
  EXPECT_EQ(cairo_surface_status(impossible), CAIRO_STATUS_INVALID_SIZE) << "cairo still refuses";
  cairo_surface_destroy(impossible);
}

}  // namespace
}  // namespace platform::graphics
