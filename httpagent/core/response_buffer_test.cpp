// Growth of the response buffer: capacity doubling, the zero byte after the
// data, the size limit, and what happens when the buffer cannot grow.
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

TEST(ResponseBuffer, CapacityDoublesSoThatALargeAnswerIsCopiedAFewTimesOnly) {
  response_buffer buffer;
  const auto chunk = pattern(16384, 2);
  std::vector<std::uint32_t> capacities;
  for (int i = 0; i < 320; ++i) {  // 5 MiB
    ASSERT_TRUE(buffer.append(chunk.data(), 16384));
    if (capacities.empty() || capacities.back() != buffer.capacity())
      capacities.push_back(buffer.capacity());
  }
  const std::uint32_t step = response_buffer::growth_step;
  EXPECT_EQ(capacities, (std::vector<std::uint32_t>{step, 2 * step, 4 * step, 8 * step, 16 * step,
                                                    32 * step, 64 * step, 128 * step}));
  EXPECT_EQ(buffer.size(), 320u * 16384);
  EXPECT_EQ(buffer.data()[buffer.size()], 0);
}

TEST(ResponseBuffer, AnswerUpToTheLimitIsHeldAndOneByteMoreDropsIt) {
  // Sixteen mebibytes by default.
  response_buffer buffer;
  const auto chunk = pattern(16384, 4);
  for (int i = 0; i < 1024; ++i) ASSERT_TRUE(buffer.append(chunk.data(), 16384));
  EXPECT_EQ(buffer.size(), 16u * 1024 * 1024);
  EXPECT_EQ(buffer.capacity(), 16u * 1024 * 1024 + 1) << "the last step stops at the limit";
  EXPECT_EQ(buffer.data()[buffer.size()], 0);
  EXPECT_FALSE(buffer.append(chunk.data(), 1));
  // No response with a hole in it: nothing is left to deliver.
  EXPECT_EQ(buffer.size(), 0u);
  EXPECT_EQ(buffer.data(), nullptr);
  EXPECT_EQ(buffer.capacity(), 0u);
  // The next response starts afresh.
  ASSERT_TRUE(buffer.append(chunk.data(), 10));
  EXPECT_EQ(buffer.size(), 10u);
}

TEST(ResponseBuffer, OneChunkLargerThanASmallLimitIsRefusedWhole) {
  response_buffer buffer(100);
  const auto chunk = pattern(101, 1);
  EXPECT_FALSE(buffer.append(chunk.data(), 101));
  EXPECT_TRUE(buffer.append(chunk.data(), 100));
  EXPECT_EQ(buffer.capacity(), 101u);
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
