#include "platform/foundation/PropertyList.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "testing/ScratchFolder.h"

namespace platform::foundation {
namespace {

using Format = PropertyList::Format;

std::vector<std::uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

std::string xmlDocument(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
         "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n<plist version=\"1.0\">\n" +
         body + "\n</plist>\n";
}

Value everyKind() {
  return Value(Dictionary{
      {"bool", true}, {"false", false}, {"int", 42}, {"big", INT64_MAX}, {"min", INT64_MIN}, {"real", 0.1},
      {"tiny", 5e-324}, {"huge", -1.7976931348623157e308}, {"string", "snow \u2603 & <tags>"}, {"empty", ""},
      {"data", Value::data({0, 1, 2, 0xff})}, {"nodata", Value::data({})}, {"date", Value::date(1796590730)},
      {"old", Value::date(-86401)}, {"list", Array{1, "two", Array{}, Dictionary{}}},
      {"nested", Dictionary{{"a", Dictionary{{"b", Array{Value(3.5)}}}}}}});
}

class PropertyListTest : public ::testing::TestWithParam<Format> {};

TEST_P(PropertyListTest, EveryKindRoundTripsWithItsKind) {
  Value original = everyKind();
  Error error;
  auto bytes = PropertyList::write(original, GetParam(), &error);
  ASSERT_FALSE(bytes.empty()) << error;
  Format format{};
  Value back = PropertyList::read(bytes, &error, &format);
  EXPECT_EQ(format, GetParam());
  EXPECT_EQ(back, original) << back;
  // Equality mixes numbers; the kinds themselves must survive too.
  EXPECT_TRUE(back["bool"].isBool());
  EXPECT_TRUE(back["int"].isInteger());
  EXPECT_TRUE(back["real"].isReal());
  EXPECT_EQ(back["big"].integer(), INT64_MAX);
}

TEST_P(PropertyListTest, TopLevelScalarsAndKeyedArchiveReferencesRoundTrip) {
  for (const Value& v : {Value("alone"), Value(3), Value(2.5), Value(false), Value::date(0)}) {
    EXPECT_EQ(PropertyList::read(PropertyList::write(v, GetParam())), v);
  }
  Value archive(Dictionary{{"$top", Dictionary{{"root", Dictionary{{"CF$UID", 1}}}}}});
  EXPECT_EQ(PropertyList::read(PropertyList::write(archive, GetParam())), archive);
}

TEST_P(PropertyListTest, ValuesWithoutAPropertyListFormAreRefused) {
  struct Named : Object {};
  for (const Value& v : {Value(), Value(Array{1, Value()}), Value(Dictionary{{"k", Value()}}), Value::null(),
                         Value(Array{std::make_shared<Named>()}), Value(std::string("nul\0inside", 10)),
                         Value("\xff\xfe broken"), Value(Dictionary{{"\xc3", 1}}), Value::date(1e12)}) {
    Error error;
    EXPECT_TRUE(PropertyList::write(v, GetParam(), &error).empty()) << v;
    EXPECT_EQ(error.domain, PropertyList::kErrorDomain);
    EXPECT_EQ(error.code, PropertyList::kWriteInvalidError);
  }
}

TEST_P(PropertyListTest, EveryTruncationIsAClearErrorNeverACrash) {
  auto bytes = PropertyList::write(everyKind(), GetParam());
  for (std::size_t size = 0; size < bytes.size(); size += 1) {
    std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + size);
    Error error;
    Value v = PropertyList::read(cut, &error);
    if (v.isNil()) {
      EXPECT_EQ(error.code, PropertyList::kReadCorruptError) << size;
      EXPECT_FALSE(error.localizedDescription().empty());
    }
  }
}

TEST(PropertyListDateTest, BinaryKeepsMicrosecondsAndXmlWholeSeconds) {
  for (double seconds : {1796590730.25, -86400.5, 978307199.75, 978307200.5, 0.000001}) {
    Value date = Value::date(seconds);
    EXPECT_NEAR(*PropertyList::read(PropertyList::write(date, Format::Binary)).date(), seconds, 1e-6);
    EXPECT_EQ(PropertyList::read(PropertyList::write(date, Format::Xml)).date(), std::floor(seconds));
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, PropertyListTest, ::testing::Values(Format::Xml, Format::Binary),
                         [](const auto& info) { return info.param == Format::Xml ? "Xml" : "Binary"; });

TEST(PropertyListReadTest, NumbersReadAsAnyNumericKind) {
  Value v = PropertyList::read(bytesOf(xmlDocument(
      "<dict><key>r</key><real>4.0</real><key>t</key><true/><key>i</key><integer>-3</integer>"
      "<key>f</key><real>0.5</real></dict>")));
  EXPECT_EQ(v["r"].toInt64(), 4);  // a real written where an integer is read
  EXPECT_EQ(v["t"].toDouble(), 1.0);
  EXPECT_EQ(v["i"].toDouble(), -3.0);
  EXPECT_EQ(v["f"].toInt64(), 0);

  EXPECT_EQ(PropertyList::read(bytesOf(xmlDocument("<integer>-9223372036854775808</integer>"))), Value(INT64_MIN));
  EXPECT_EQ(PropertyList::read(bytesOf(xmlDocument("<integer>0x10</integer>"))), Value(16));
}

TEST(PropertyListReadTest, GarbageIsRefusedWithTheReadError) {
  for (const std::string& input :
       {std::string(), std::string("hello"), std::string("{ \"json\": 1 }"), std::string("bplist00"),
        "bplist00" + std::string(40, '\0'), "bplist00" + std::string(40, '\xff'), xmlDocument("<dict><key>a</key>"),
        xmlDocument("<integer>12</real>"), std::string("<plist><dict><key>k</key><string>v</string></dict>"),
        xmlDocument("<integer>99999999999999999999</integer>"),  // would read as -1
        xmlDocument("<array><integer> 9223372036854775808</integer></array>"),
        xmlDocument("<integer>-9223372036854775809</integer>")}) {
    Error error;
    EXPECT_TRUE(PropertyList::read(bytesOf(input), &error).isNil()) << input;
    EXPECT_EQ(error.domain, PropertyList::kErrorDomain) << input;
    EXPECT_EQ(error.code, PropertyList::kReadCorruptError) << input;
  }
}

// A binary property list holding one object, laid out by hand: header, object, one-byte offset table,
// trailer. `root` and `count` let a test damage the trailer.
std::vector<std::uint8_t> binaryWith(std::vector<std::uint8_t> object, std::uint8_t count = 1, std::uint8_t root = 0) {
  std::vector<std::uint8_t> out = bytesOf("bplist00");
  out.insert(out.end(), object.begin(), object.end());
  auto table = static_cast<std::uint8_t>(out.size());
  out.push_back(8);
  std::vector<std::uint8_t> trailer(32, 0);
  trailer[6] = 1;  // offset size
  trailer[7] = 1;  // reference size
  trailer[15] = count;
  trailer[23] = root;
  trailer[31] = table;
  out.insert(out.end(), trailer.begin(), trailer.end());
  return out;
}

TEST(PropertyListReadTest, HandMadeBinaryObjectsReadExactly) {
  EXPECT_EQ(PropertyList::read(binaryWith({0x53, 'a', 'b', 'c'})), Value("abc"));
  EXPECT_EQ(PropertyList::read(binaryWith({0x62, 0x26, 0x03, 0, 'x'})), Value("\u2603x"));
  EXPECT_EQ(PropertyList::read(binaryWith({0x13, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xfe})), Value(-2));
  // -0.5 seconds from 2001: the library's own getter would give +0.5.
  EXPECT_EQ(PropertyList::read(binaryWith({0x33, 0xbf, 0xe0, 0, 0, 0, 0, 0, 0})).date(), 978307199.5);
  EXPECT_EQ(PropertyList::read(binaryWith({0x14, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5})), Value(5));

  Error error;
  EXPECT_TRUE(PropertyList::read(binaryWith({0x09}, 1, 1), &error).isNil());  // root past the objects
  EXPECT_EQ(error.code, PropertyList::kReadCorruptError);
  EXPECT_TRUE(PropertyList::read(binaryWith({0x09}, 200), &error).isNil());  // table past the end
  EXPECT_EQ(error.code, PropertyList::kReadCorruptError);
  // A NUL inside a string or key makes the library abort on an assertion; such files are refused.
  const std::vector<std::uint8_t> refused[] = {
      {0x53, 'a'},                         // string longer than the object area
      {0x53, 'a', 0, 'b'},                 // NUL in an ASCII string
      {0x62, 0, 'a', 0, 0},                // NUL in a UTF-16 string
      {0x5f, 0x10, 0x03, 'a', 'b', 0},     // NUL after a long-form length
      {0x5f, 0x13, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 'a'},  // absurd length
      {0x14, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff},  // 2^64-1 would read as -1
  };
  for (const auto& object : refused) {
    EXPECT_TRUE(PropertyList::read(binaryWith(object), &error).isNil());
    EXPECT_EQ(error.code, PropertyList::kReadCorruptError);
  }
}

TEST(PropertyListFileTest, WritesAtomicallyAndFileFailuresNameThePath) {
  ostrel::testing::ScratchFolder dir;
  std::string path = dir / "FramesData.plist";
  Value prefs(Dictionary{{"Version", 32}, {"SETTINGS_SNAP", true}, {"LensAdapterTwo", 1.0}});
  Error error;
  ASSERT_TRUE(PropertyList::writeFile(path, prefs, Format::Xml, &error)) << error;
  // A refused value leaves the old file as it was and no stray temporary files.
  EXPECT_FALSE(PropertyList::writeFile(path, Value(Array{Value()}), Format::Xml, &error));
  EXPECT_EQ(PropertyList::readFile(path), prefs);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

  std::ofstream(dir / "broken.plist") << "<plist><dict>";
  for (const auto& [name, code] : {std::pair{"absent.plist", PropertyList::kFileNotFoundError},
                                   std::pair{"broken.plist", PropertyList::kReadCorruptError}}) {
    EXPECT_TRUE(PropertyList::readFile(dir / name, &error).isNil());
    EXPECT_EQ(error.code, code);
    EXPECT_EQ(error.userInfo[Error::kFilePathKey], Value(dir / name));
  }
  EXPECT_FALSE(PropertyList::writeFile(dir / "no/such/x.plist", Value(1), Format::Binary, &error));
  EXPECT_EQ(error.code, PropertyList::kFileWriteError);
}

}  // namespace
}  // namespace platform::foundation
