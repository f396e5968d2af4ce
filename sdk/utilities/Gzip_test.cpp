#include "sdk/utilities/Gzip.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>

#include "platform/foundation/AtomicFile.h"
#include "testing/TempContainer.h"

namespace sdk::utilities {

namespace {

using platform::foundation::Data;
using platform::foundation::Error;

Data bytes(std::string_view s) { return Data(s.begin(), s.end()); }
Data noise(std::size_t size) {
  Data data(size);
  for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>((i * 2654435761u) >> 13);
  return data;
}
Data gzipped(const Data& data) { return Gzip::dataByGzippingData(data).valueOr(Data{}); }
Data inflated(const Data& data) { return Gzip::dataByInflatingGzippedData(data).valueOr(bytes("<failed>")); }

TEST(Gzip, RoundTripsAnyBufferAndZlibWrappedInputAndLeavesEmptyInputAlone) {
  for (const Data& original : {bytes("x"), noise(100000), Data(1 << 20, 'a')}) {
    EXPECT_EQ(inflated(gzipped(original)), original) << original.size();
  }
  Data original = bytes("zlib, not gzip");
  uLongf length = compressBound(original.size());
  Data zlibWrapped(length);
  ASSERT_EQ(compress2(zlibWrapped.data(), &length, original.data(), original.size(), 6), Z_OK);
  zlibWrapped.resize(length);
  EXPECT_EQ(inflated(zlibWrapped), original);

  // Nothing to do is no error.
  EXPECT_EQ(Gzip::dataByGzippingData(Data{}).valueOr(bytes("<failed>")), Data{});
  EXPECT_EQ(inflated(Data{}), Data{});
}

TEST(Gzip, BadStreamsAndBombsFailWithTheZlibDomainCodeAndDetail) {
  const Data good = gzipped(bytes("some data worth compressing, some data worth compressing"));
  Data trailing = good, corrupt = good;
  trailing.insert(trailing.end(), {1, 2, 3});
  corrupt[12] ^= 0xff, corrupt[13] ^= 0xff;
  struct Case { Data input; std::int64_t code; const char* key; std::int64_t detail; };
  const char* status = kZlibErrorKey;
  for (const Case& c : {Case{trailing, kZlibErrorDataRemaining, kZlibRemainingBytesKey, 3},
                        Case{Data(good.begin(), good.end() - 6), kZlibErrorInternal, status, Z_BUF_ERROR},
                        Case{corrupt, kZlibErrorInternal, status, Z_DATA_ERROR},
                        Case{bytes("plain text, not compressed"), kZlibErrorInternal, status, Z_DATA_ERROR}}) {
    auto result = Gzip::dataByInflatingGzippedData(c.input);
    ASSERT_FALSE(result.ok());
    const Error& error = result.error();
    EXPECT_EQ(error.domain, kZlibErrorDomain);
    EXPECT_EQ(error.code, c.code);
    EXPECT_EQ(error.userInfo[c.key].toInt64(), c.detail) << error;
  }
  Data bomb = gzipped(Data(1 << 20, 0));  // a megabyte of zeros from about a kilobyte
  auto refused = Gzip::inflateWithLimit(bomb, 64 * 1024);
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().domain, kZlibErrorDomain);
  EXPECT_EQ(refused.error().code, kZlibErrorGreaterThan32BitsToCompress);
  EXPECT_EQ(Gzip::inflateWithLimit(bomb, 1 << 20).valueOr(Data{}).size(), std::size_t{1} << 20);
}

TEST(Gzip, OutputIsReadableByTheSystemGzip) {
  ostrel::testing::TempContainer container;
  const Data original = noise(50000), compressed = gzipped(original);
  const std::string path = container.pathFor("payload.gz");
  ASSERT_TRUE(platform::foundation::AtomicFile::writeAtomically(path, compressed.data(), compressed.size()).ok());
  FILE* pipe = ::popen(("gzip -dc '" + path + "'").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  Data decoded(original.size() + 1);
  decoded.resize(std::fread(decoded.data(), 1, decoded.size(), pipe));
  EXPECT_EQ(::pclose(pipe), 0);
  EXPECT_EQ(decoded, original);
}

}  // namespace

}  // namespace sdk::utilities

