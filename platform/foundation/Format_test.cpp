#include "platform/foundation/Format.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <limits>

#include "platform/foundation/Error.h"
#include "platform/log/Log.h"

namespace platform::foundation {
namespace {

template <typename T>
std::string c(const char* pattern, T value) {
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, pattern, value);
  return buffer;
}

TEST(Format, EveryPrintfConversionMatchesC) {
  EXPECT_EQ(format("%ld|%lld|%lu", -7L, -8LL, 9UL), "-7|-8|9");
  EXPECT_EQ(format("%d %i %u", -42, 17, 42u), "-42 17 42");
  EXPECT_EQ(format("%x %X %o %#x", 255, 255, 8, 255), "ff FF 10 0xff");
  EXPECT_EQ(format("%06ld|%-6d|%+d|% d", 42L, 42, 42, 42), c("%06ld", 42L) + "|42    |+42| 42");
  EXPECT_EQ(format("%f %g %e", 1.5, 0.0001, 12345.678), c("%f", 1.5) + " " + c("%g", 0.0001) + " " + c("%e", 12345.678));
  EXPECT_EQ(format("%.1f|%5.2f|%.0f|%.3e", 2.25, 3.14159, 2.5, 1e-300), "2.2| 3.14|2|1.000e-300");
  EXPECT_EQ(format("[%-8s][%8s][%.2s]", "ab", "cd", "efgh"), "[ab      ][      cd][ef]");
  EXPECT_EQ(format("%*d|%-*d|%.*f", 4, 7, 3, 8, 2, 1.0), "   7|8  |1.00");
  EXPECT_EQ(format("%*d", -4, 7), "7   ");  // a negative * width means left-aligned
  int local = 0;
  EXPECT_EQ(format("%p", &local), c("%p", static_cast<void*>(&local)));
  EXPECT_EQ(format("%p", nullptr), "0x0");
}

TEST(Format, IntegersKeepCsWidthRules) {
  EXPECT_EQ(format("%u", -1), "4294967295");  // an int wraps at 32 bits, like C
  EXPECT_EQ(format("%lu", -1L), "18446744073709551615");
  EXPECT_EQ(format("%hhd|%hu", 300, -1), "44|65535");
  EXPECT_EQ(format("%d", static_cast<int64_t>(5000000000)), "5000000000");  // never silently cut
  EXPECT_EQ(format("%d", std::numeric_limits<uint64_t>::max()), "-1");
  EXPECT_EQ(format("%c", 0x221E), "∞");  // a character past ASCII becomes UTF-8
}

TEST(Format, DigitsAreInTheCLocaleWhateverTheProcessUses) {
  const char* comma = nullptr;
  for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE.utf8"}) {
    if (!comma) comma = std::setlocale(LC_NUMERIC, name);
  }
  if (!comma) GTEST_SKIP() << "no locale with a decimal comma is installed";
  EXPECT_EQ(c("%.2f", 1.5), "1,50");
  EXPECT_EQ(format("%.2f", 1.5), "1.50");
  std::setlocale(LC_NUMERIC, "C");
}

TEST(Format, ObjectConversionDescribesAnyValue) {
  Value dictionary(Dictionary{{"key", Value(1)}});
  EXPECT_EQ(format("%@", dictionary), dictionary.description());
  EXPECT_EQ(format("%@|%@|%@|%@", Value("text"), Value(2.5), Value(), Value::null()), "text|2.5|(null)|<null>");
  EXPECT_EQ(format("%@ %@ %@ %@", std::string("s"), "c", 42, 0.1), "s c 42 0.1");
  EXPECT_EQ(format("%@", nullptr), "(null)");
  const unsigned char column[] = "row";
  EXPECT_EQ(format("%s", column), "row");
  Error error = Error::make("Domain", 3, "broken");
  EXPECT_EQ(format("%@", error), error.description());
  // Width and precision count characters, not bytes.
  EXPECT_EQ(format("[%-4@][%3@][%.1@]", std::string("Ø"), std::string("∞"), std::string("→x")), "[Ø   ][  ∞][→]");
  // Positional arguments, as translated texts reorder them.
  EXPECT_EQ(format("%2$@ before %1$@", "one", "two"), "two before one");
}

TEST(Format, MismatchedAndMissingArgumentsNeverCrash) {
  EXPECT_EQ(format("%d", "text"), "text");
  EXPECT_EQ(format("%5.1f|", std::string("abc")), "    a|");
  EXPECT_EQ(format("%s|%s", 42, 2.5), "42|2.5");
  EXPECT_EQ(format("%d|%.1f", 2.75, 3), "2|3.0");
  EXPECT_EQ(format("%d|%f", Value(true), Value(4)), "1|4.000000");
  EXPECT_EQ(format("%d %s %@ %f", 1), "1 (null) (null) (null)");
  EXPECT_EQ(format("%p", "text"), "text");
  EXPECT_EQ(format("%d", std::numeric_limits<double>::quiet_NaN()), "0");
  EXPECT_EQ(format("%d", 1e300), "9223372036854775807");
  EXPECT_EQ(format("one", 1, 2), "one");  // surplus arguments are ignored
  EXPECT_EQ(format("%.2s|%.3s", "∞x", "∞x"), "|∞");  // a byte precision never splits a character
}

TEST(Format, BrokenFormatTextsStayHarmless) {
  int target = 5;
  EXPECT_EQ(format("a%nb", &target), "ab");
  EXPECT_EQ(target, 5);
  EXPECT_EQ(format("100%"), "100%");
  EXPECT_EQ(format("%k %d", 3), "%k 3");
  EXPECT_EQ(format("%999999999999d", 1).size(), 65536u);  // capped, not gigabytes
  EXPECT_EQ(format("%0$@", "x"), "x");
}

// A text for the log keeps the line breaks its format was written with; whatever goes in, by any
// conversion that shows text, has its control characters written out, but a text the program worded
// itself goes in whole.
TEST(Format, ALogTextWritesOutWhatGoesInButKeepsItsOwnLineBreaks) {
  const std::string reply = "bad\n2026-12-08 10:00:00 error made up\r\x1b[2J";
  const std::string written = "bad\\n2026-12-08 10:00:00 error made up\\r\\x1B[2J";
  EXPECT_EQ(formatLogText("failed:\n%@|%s|%2$@|%-3c|%d", reply, reply.c_str(), 10, 7).text(),
            "failed:\n" + written + "|" + written + "|" + written + "|\\n  |7");
  const Value list(Array{Value("a\nb")});
  const Error error = Error::make("Domain", 1, "why\nnot");
  EXPECT_EQ(formatLogText("%@ %@", list, error).text(),
            log::escapedControlCharacters(list.description() + " " + error.description()));
  const log::OwnText own = formatLogText("reason:\n - body: %@", reply);
  EXPECT_EQ(formatLogText("error:\n%@\nend", own).text(), "error:\nreason:\n - body: " + written + "\nend");
  // Plain formatting is left as it was, and the format's other control characters are written out.
  EXPECT_EQ(format("%@", reply), reply);
  EXPECT_EQ(formatLogText("tab\t%@", "x").text(), "tab\\tx");
}

}  // namespace
}  // namespace platform::foundation
