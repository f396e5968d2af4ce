#include "platform/graphics/TextEngine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/graphics/TextLayout.h"
#include "testing/FileContents.h"
#include "testing/ChildProcess.h"
#include "testing/ScratchFolder.h"

namespace platform::graphics {
namespace {

using ostrel::testing::contentsOf;

// Fonts are prepared once per process, before its first text: each case runs in a child of its own.
constexpr const char* kRoleVariable = "OSTREL_TEXT_ENGINE_TEST_ROLE";
constexpr const char* kOutputVariable = "OSTREL_TEXT_ENGINE_TEST_OUTPUT";
constexpr const char* kChildTest = "TextEngineChild.Run";

std::string variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::vector<Font> startFonts() { return {Font::named("Avenir-Heavy", 11), Font::named("Avenir-Medium", 14)}; }

// What a first screen measures: texts in the prepared fonts, and one in a font nobody prepared.
std::string measurements() {
  std::ostringstream out;
  out.precision(17);
  TextStyle heavy{.font = Font::named("Avenir-Heavy", 11)};
  TextStyle medium{.font = Font::named("Avenir-Medium", 14)};
  TextStyle other{.font = Font::named("Avenir-Roman", 19)};
  for (const auto& [text, style] : {std::pair<std::string, TextStyle>{"DEPTH OF FIELD", heavy},
                                    {"0.35", medium},
                                    {"135 mm", medium},
                                    {"f/2.8 · 5.6", other}}) {
    const Size size = measureText(AttributedString(text), style);
    out << text << " " << size.width << " " << size.height << "\n";
  }
  out << Font::named("Avenir-Medium", 14).ascender() << "\n";
  return out.str();
}

int runChild(const std::string& role, const std::string& output) {
  return ostrel::testing::waitTestChild(ostrel::testing::spawnTestChild(
      kChildTest, {std::string(kRoleVariable) + "=" + role, std::string(kOutputVariable) + "=" + output}));
}

TEST(TextEngineChild, Run) {
  const std::string role = variable(kRoleVariable);
  if (role.empty()) GTEST_SKIP() << "runs only as a child process";
  startTextEngine();
  if (role != "plain") prepareFonts(startFonts());
  // A program may end before it lays any text out while its fonts are still being prepared.
  if (role == "prepare-only") return;
  std::ofstream out(variable(kOutputVariable));
  out << measurements();
  // Too late to help once text was laid out: it changes nothing and holds nothing up.
  prepareFonts({Font::named("Avenir-Roman", 30)});
  out << measurements();
}

TEST(TextEngine, PreparedFontsMeasureExactlyAsUnpreparedOnes) {
  ostrel::testing::ScratchFolder folder;
  ASSERT_EQ(runChild("plain", folder / "plain"), 0);
  ASSERT_EQ(runChild("prepared", folder / "prepared"), 0);
  const std::string plain = contentsOf(folder / "plain");
  EXPECT_NE(plain.find("DEPTH OF FIELD "), std::string::npos) << plain;
  EXPECT_EQ(contentsOf(folder / "prepared"), plain);
}

TEST(TextEngine, AProgramEndingWhileFontsArePreparedEndsCleanly) {
  ostrel::testing::ScratchFolder folder;
  EXPECT_EQ(runChild("prepare-only", folder / "unused"), 0);
}

}  // namespace
}  // namespace platform::graphics
