// Growth of the response buffer: capacity steps, the zero byte after the
// data, and what happens when the buffer cannot grow.
#include "response_buffer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using mivo::oiurl::response_buffer;

namespace {

std::vector<unsigned char> pattern(std::uint32_t size, unsigned seed) {
  std::vector<unsigned char> bytes(size);
  for (std::uint32_t i = 0; i < size; ++i)
    bytes[i] = static_cast<unsigned char>((i * 7 + seed) % 251 + 1);
  return bytes;
}

}  // namespace

TEST(ResponseBuffer, FiveReadsOf65540BytesEndWithTwoGrowthSteps) {
  response_buffer buffer;
  std::vector<unsigned char> expected;
  const std::uint32_t reads[] = {16384, 16384, 16384, 16384, 4};
  unsigned seed = 0;
  for (std::uint32_t size : reads) {
    const auto chunk = pattern(size, seed++);
    ASSERT_TRUE(buffer.append(chunk.data(), size));
    expected.insert(expected.end(), chunk.begin(), chunk.end());
  }
  // The fifth read finds exactly 4 free bytes: not more than the chunk, so
  // the block grows once more.
  EXPECT_EQ(buffer.size(), 65540u);
  EXPECT_EQ(buffer.capacity(), 131080u);
  ASSERT_NE(buffer.data(), nullptr);
  EXPECT_EQ(std::vector<unsigned char>(buffer.data(), buffer.data() + buffer.size()), expected);
  EXPECT_EQ(buffer.data()[buffer.size()], 0);
}

TEST(ResponseBuffer, DataIsZeroTerminatedAfterEveryChunk) {
  response_buffer buffer;
  const std::string first = "{\"code\":";
  const std::string second = "0}";
  ASSERT_TRUE(buffer.append(reinterpret_cast<const unsigned char*>(first.data()), 8));
  EXPECT_STREQ(reinterpret_cast<const char*>(buffer.data()), "{\"code\":");
  ASSERT_TRUE(buffer.append(reinterpret_cast<const unsigned char*>(second.data()), 2));
  EXPECT_STREQ(reinterpret_cast<const char*>(buffer.data()), "{\"code\":0}");
  EXPECT_EQ(buffer.capacity(), response_buffer::growth_step);
}

TEST(ResponseBuffer, EmptyBufferHasNoData) {
  response_buffer buffer;
  EXPECT_EQ(buffer.data(), nullptr);
  EXPECT_TRUE(buffer.append(nullptr, 0));
  EXPECT_EQ(buffer.data(), nullptr);
  EXPECT_EQ(buffer.size(), 0u);
}

TEST(ResponseBuffer, ChunkLargerThanOneStepGrowsUntilItFits) {
  response_buffer buffer;
  const auto chunk = pattern(200000, 3);
  ASSERT_TRUE(buffer.append(chunk.data(), 200000));
  EXPECT_EQ(buffer.capacity(), 4 * response_buffer::growth_step);
  EXPECT_EQ(std::vector<unsigned char>(buffer.data(), buffer.data() + buffer.size()), chunk);
}

TEST(ResponseBuffer, ChunkThatCannotBeHeldDropsTheWholeResponse) {
  // A limit of one step: the fifth 16,384-byte read needs a second one.
  response_buffer buffer(response_buffer::growth_step);
  const auto chunk = pattern(16384, 1);
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(buffer.append(chunk.data(), 16384));
  ASSERT_TRUE(buffer.append(chunk.data(), 16383));
  EXPECT_FALSE(buffer.append(chunk.data(), 16384));
  // No response with a hole in it: nothing is left to deliver.
  EXPECT_EQ(buffer.size(), 0u);
  EXPECT_EQ(buffer.data(), nullptr);
  // The next response starts afresh.
  ASSERT_TRUE(buffer.append(chunk.data(), 10));
  EXPECT_EQ(buffer.size(), 10u);
}

TEST(ResponseBuffer, ClearReleasesEverything) {
  response_buffer buffer;
  const auto chunk = pattern(100, 0);
  ASSERT_TRUE(buffer.append(chunk.data(), 100));
  buffer.clear();
  EXPECT_EQ(buffer.size(), 0u);
  EXPECT_EQ(buffer.capacity(), 0u);
  EXPECT_EQ(buffer.data(), nullptr);
}
