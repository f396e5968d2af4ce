// The picture the README shows is the tour's own shot of the lens match page, so it shows what the app
// draws today. Pixels are compared, not bytes: a change in how PNGs are encoded leaves the picture as it
// is. With OSTREL_UPDATE_REFERENCES=1 in the environment the README's copy is written anew instead, and
// only when its pixels changed, so a refresh leaves no binary difference where the picture is the same.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/graphics/Image.h"
#include "testing/ChildProcess.h"
#include "testing/FileContents.h"
#include "testing/ScratchFolder.h"

namespace {

using platform::graphics::Image;

constexpr const char* kReadmePicture = "docs/main-screen-lens-match.png";
constexpr const char* kTourShot = "06-lens-match-vertical-dark.png";

std::string sourcePath(const std::string& relative) { return std::string(OSTREL_SOURCE_DIR) + "/" + relative; }

// How many pixels of `a` and `b` differ; every pixel when the sizes differ.
size_t differingPixels(const Image& a, const Image& b) {
  const size_t all = static_cast<size_t>(a.pixelWidth()) * static_cast<size_t>(a.pixelHeight());
  if (a.pixelWidth() != b.pixelWidth() || a.pixelHeight() != b.pixelHeight()) return all;
  const std::vector<uint8_t> left = a.rgbaBytes(), right = b.rgbaBytes();
  size_t differing = 0;
  for (size_t pixel = 0; pixel < all; ++pixel) {
    if (!std::equal(left.begin() + 4 * pixel, left.begin() + 4 * pixel + 4, right.begin() + 4 * pixel)) ++differing;
  }
  return differing;
}

TEST(TourReadmePicture, IsTheToursLensMatchShot) {
  ASSERT_NE(ostrel::testing::contentsOf(OSTREL_README).find(std::string("](") + kReadmePicture + ")"),
            std::string::npos)
      << "the README no longer shows " << kReadmePicture << "; this test keeps that picture current";

  ostrel::testing::ScratchFolder scratch;
  auto tour = ostrel::testing::ChildProcess::start(
      {OSTREL_EXECUTABLE, "--home", scratch.pathFor("home"), "--script", OSTREL_TOUR, "--out", scratch.pathFor("out")},
      ostrel::testing::environmentWithout({"OSTREL_", "DISPLAY=", "WAYLAND_DISPLAY="}));
  ASSERT_TRUE(tour);
  const int status = tour->wait();
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << tour->output();

  const std::string shot = scratch.pathFor(std::string("out/") + kTourShot);
  auto drawn = Image::fromPNGFile(shot);
  ASSERT_TRUE(drawn) << "the tour shot no " << kTourShot;
  auto shown = Image::fromPNGFile(sourcePath(kReadmePicture));
  if (std::getenv("OSTREL_UPDATE_REFERENCES")) {
    if (shown && differingPixels(*drawn, *shown) == 0) GTEST_SKIP() << kReadmePicture << " shows the same pixels: kept";
    std::filesystem::copy_file(shot, sourcePath(kReadmePicture), std::filesystem::copy_options::overwrite_existing);
    GTEST_SKIP() << "wrote " << kReadmePicture << " anew";
  }
  ASSERT_TRUE(shown) << kReadmePicture << " is missing or not a PNG";
  EXPECT_EQ(differingPixels(*drawn, *shown), 0u)
      << kReadmePicture << " (" << shown->pixelWidth() << " x " << shown->pixelHeight() << ") is not the tour's "
      << kTourShot << " (" << drawn->pixelWidth() << " x " << drawn->pixelHeight()
      << "): the lens match page draws something else now (OSTREL_UPDATE_REFERENCES=1 ctest -R "
         "ostrel_tour_readme_picture copies the shot over it)";
}

}  // namespace
