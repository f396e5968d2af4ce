#include "platform/foundation/Base64.h"

#include <gtest/gtest.h>

namespace platform::foundation {

TEST(Base64Test, EncodesAndDecodesEveryPaddingLength) {
  const std::pair<std::string, std::string> cases[] = {{"", ""},         {"f", "Zg=="},     {"fo", "Zm8="},
                                                      {"foo", "Zm9v"}, {"foob", "Zm9vYg=="}, {std::string("\xff\xfe\x00", 3), "//4A"}};
  for (const auto& [bytes, encoded] : cases) {
    EXPECT_EQ(Base64::encode(bytes), encoded) << encoded;
    auto back = Base64::decode(encoded);
    ASSERT_TRUE(back) << encoded;
    EXPECT_EQ(std::string(back->begin(), back->end()), bytes) << encoded;
  }
}

TEST(Base64Test, RefusesTextThatIsNotBase64) {
  for (const char* bad : {"Zg=", "Zm9v!A==", "Z===", "Zm 9v"}) EXPECT_FALSE(Base64::decode(bad)) << bad;
}

}  // namespace platform::foundation
