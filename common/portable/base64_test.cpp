// Tests of the Base64 encoder.
#include "base64.h"

#include <gtest/gtest.h>

namespace mivo {
namespace {

TEST(Base64, EncodesTheRfc4648TestVectors) {
  EXPECT_EQ("", base64_encode(""));
  EXPECT_EQ("Zg==", base64_encode("f"));
  EXPECT_EQ("Zm8=", base64_encode("fo"));
  EXPECT_EQ("Zm9v", base64_encode("foo"));
  EXPECT_EQ("Zm9vYg==", base64_encode("foob"));
  EXPECT_EQ("Zm9vYmE=", base64_encode("fooba"));
  EXPECT_EQ("Zm9vYmFy", base64_encode("foobar"));
}

TEST(Base64, EncodesHighBytesWithPlusAndSlashAndNoLineBreaks) {
  EXPECT_EQ("+/8A", base64_encode(std::string("\xFB\xFF\x00", 3)));
  const std::string encoded = base64_encode(std::string(120, '\xFF'));
  EXPECT_EQ(160u, encoded.size());
  EXPECT_EQ(std::string::npos, encoded.find_first_not_of('/'));
}

}  // namespace
}  // namespace mivo
