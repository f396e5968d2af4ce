#include "sdk/utilities/VDUGzip.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <random>

#include "platform/foundation/AtomicFile.h"
#include "testing/TempContainer.h"

namespace {

using platform::foundation::Data;
using platform::foundation::Error;

Data bytes(std::string_view s) { return Data(s.begin(), s.end()); }

Data randomData(std::size_t size) {
  std::mt19937 random(7);
  Data data(size);
  for (auto& byte : data) byte = static_cast<std::uint8_t>(random());
  return data;
}

Data gzipped(const Data& data) {
  Error error;
  auto result = VDUGzip::vdu_dataByGzippingData(data, &error);
  EXPECT_TRUE(result.has_value()) << error;
  return result.value_or(Data{});
}

TEST(VDUGzip, RoundTripsAnyBufferIncludingZlibWrappedInput) {
  for (const Data& original : {bytes("x"), randomData(100000), Data(1 << 20, 'a'), bytes("hello, hello, hello")}) {
    Data compressed = gzipped(original);
    ASSERT_GE(compressed.size(), 18u);
    EXPECT_EQ(compressed[0], 0x1f);
    EXPECT_EQ(compressed[1], 0x8b);
    Error error;
    auto expanded = VDUGzip::vdu_dataByInflatingGzippedData(compressed, &error);
    ASSERT_TRUE(expanded) << error;
    EXPECT_EQ(*expanded, original);
  }
  Data original = bytes("zlib, not gzip");
  uLongf length = compressBound(original.size());
  Data zlibWrapped(length);
  ASSERT_EQ(compress2(zlibWrapped.data(), &length, original.data(), original.size(), 6), Z_OK);
  zlibWrapped.resize(length);
  EXPECT_EQ(VDUGzip::vdu_dataByInflatingGzippedData(zlibWrapped, nullptr), original);
}

TEST(VDUGzip, EmptyInputGivesNothingAndNoError) {
  Error error{"untouched", 0, {}};
  EXPECT_FALSE(VDUGzip::vdu_dataByGzippingData(Data{}, &error));
  EXPECT_FALSE(VDUGzip::vdu_dataByInflatingGzippedData(Data{}, &error));
  EXPECT_EQ(error.domain, "untouched");
}

TEST(VDUGzip, BadStreamsFailWithTheZlibDomainAndCodes) {
  Data compressed = gzipped(bytes("some data worth compressing, some data worth compressing"));
  Error error;

  Data trailing = compressed;
  trailing.insert(trailing.end(), {1, 2, 3});
  EXPECT_FALSE(VDUGzip::vdu_dataByInflatingGzippedData(trailing, &error));
  EXPECT_EQ(error.domain, kVDUNSDataZlibErrorDomain);
  EXPECT_EQ(error.code, VDUNSDataZlibErrorDataRemaining);
  EXPECT_EQ(error.userInfo[kVDUNSDataZlibRemainingBytesKey].toInt64(), 3);

  Data truncated(compressed.begin(), compressed.end() - 6);
  EXPECT_FALSE(VDUGzip::vdu_dataByInflatingGzippedData(truncated, &error));
  EXPECT_EQ(error.code, VDUNSDataZlibErrorInternal);
  EXPECT_EQ(error.userInfo[kVDUNSDataZlibErrorKey].toInt64(), Z_BUF_ERROR);

  Data corrupt = compressed;
  corrupt[12] ^= 0xff, corrupt[13] ^= 0xff;
  EXPECT_FALSE(VDUGzip::vdu_dataByInflatingGzippedData(corrupt, &error));
  EXPECT_EQ(error.code, VDUNSDataZlibErrorInternal);
  EXPECT_EQ(error.userInfo[kVDUNSDataZlibErrorKey].toInt64(), Z_DATA_ERROR);
  EXPECT_FALSE(error.localizedDescription().empty());

  EXPECT_FALSE(VDUGzip::vdu_dataByInflatingGzippedData(bytes("plain text, not compressed"), &error));
  EXPECT_EQ(error.code, VDUNSDataZlibErrorInternal);
}

TEST(VDUGzip, ExpansionPastTheCeilingIsRefused) {
  Data bomb = gzipped(Data(1 << 20, 0));  // a megabyte of zeros from about a kilobyte
  ASSERT_LT(bomb.size(), 2000u);
  Error error;
  EXPECT_FALSE(VDUGzip::inflateWithLimit(bomb, 64 * 1024, &error));
  EXPECT_EQ(error.domain, kVDUNSDataZlibErrorDomain);
  EXPECT_EQ(error.code, VDUNSDataZlibErrorGreaterThan32BitsToCompress);
  auto exact = VDUGzip::inflateWithLimit(bomb, 1 << 20, &error);
  ASSERT_TRUE(exact);
  EXPECT_EQ(exact->size(), std::size_t{1} << 20);
}

TEST(VDUGzip, OutputIsReadableByTheSystemGzip) {
  ostrel::testing::TempContainer container;
  Data original = randomData(50000);
  Data compressed = gzipped(original);
  std::string path = container.pathFor("payload.gz");
  ASSERT_TRUE(platform::foundation::AtomicFile::writeAtomically(path, compressed.data(), compressed.size()));
  FILE* pipe = ::popen(("gzip -dc '" + path + "'").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  Data decoded;
  std::uint8_t buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) decoded.insert(decoded.end(), buffer, buffer + n);
  EXPECT_EQ(::pclose(pipe), 0);
  EXPECT_EQ(decoded, original);
}

}  // namespace
