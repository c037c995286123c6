#include "bitmap_file.h"

#include <gtest/gtest.h>

#include <vector>

namespace mivo {
namespace {

// A packed bitmap: header of `header_size` bytes, then `extra` bytes of
// colour table, masks and pixels.
std::vector<std::uint8_t> packed(int bit_count, std::uint32_t colours_used = 0,
                                 std::uint32_t compression = 0, std::size_t extra = 4096,
                                 std::uint32_t header_size = 40, int planes = 1) {
  std::vector<std::uint8_t> bytes(header_size + extra);
  const auto put32 = [&](std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  };
  put32(0, header_size);
  put32(4, 2);
  put32(8, 2);
  bytes[12] = static_cast<std::uint8_t>(planes);
  bytes[14] = static_cast<std::uint8_t>(bit_count);
  put32(16, compression);
  put32(32, colours_used);
  return bytes;
}

std::optional<std::uint32_t> bits_offset(const std::vector<std::uint8_t>& bytes) {
  const auto layout = bitmap_file_layout_of(bytes.data(), bytes.size());
  if (!layout) return std::nullopt;
  return layout->bits_offset;
}

TEST(BitmapFileLayout, ColourTableFollowsTheDepthUnlessTheHeaderCountsIt) {
  EXPECT_EQ(62u, bits_offset(packed(1)));
  EXPECT_EQ(118u, bits_offset(packed(4)));
  EXPECT_EQ(1078u, bits_offset(packed(8)));
  EXPECT_EQ(54u, bits_offset(packed(16)));
  EXPECT_EQ(54u, bits_offset(packed(24)));
  EXPECT_EQ(54u, bits_offset(packed(32)));
  EXPECT_EQ(54u + 16 * 4, bits_offset(packed(8, 16)));
  EXPECT_EQ(54u + 2 * 4, bits_offset(packed(24, 2)));
  // Not one plane: no colour table is counted at all.
  EXPECT_EQ(54u, bits_offset(packed(8, 0, 0, 4096, 40, 2)));
}

TEST(BitmapFileLayout, MasksAndLongerHeadersMoveThePixels) {
  EXPECT_EQ(54u + 12, bits_offset(packed(32, 0, 3)));
  EXPECT_EQ(54u + 16, bits_offset(packed(32, 0, 6)));
  // A version 5 header (124 bytes) holds the masks itself.
  EXPECT_EQ(14u + 124, bits_offset(packed(32, 0, 3, 4096, 124)));
  EXPECT_EQ(14u + 124 + 1024, bits_offset(packed(8, 0, 0, 4096, 124)));
}

TEST(BitmapFileLayout, HeaderCarriesSizeAndOffsetLittleEndian) {
  const auto bytes = packed(8, 0, 0, 2000);
  const auto layout = bitmap_file_layout_of(bytes.data(), bytes.size());
  ASSERT_TRUE(layout);
  EXPECT_EQ(14u + 40 + 2000, layout->file_size);
  const std::array<std::uint8_t, 14> expected = {'B', 'M', 0x06, 0x08, 0,    0, 0,
                                                 0,   0,   0,    0x36, 0x04, 0, 0};
  EXPECT_EQ(expected, layout->header());
}

TEST(BitmapFileLayout, DamagedOrShortBitmapsGiveNoLayout) {
  EXPECT_FALSE(bitmap_file_layout_of(nullptr, 0));
  const auto whole = packed(24);
  EXPECT_FALSE(bitmap_file_layout_of(whole.data(), 39));
  EXPECT_FALSE(bits_offset(packed(24, 0, 0, 4096, 12)));
  auto announced_longer = packed(24, 0, 0, 0);
  announced_longer[0] = 200;
  EXPECT_FALSE(bits_offset(announced_longer));
  // A colour table that runs past the end, or a count that would wrap.
  EXPECT_FALSE(bits_offset(packed(8, 0, 0, 1000)));
  EXPECT_FALSE(bits_offset(packed(8, 0xFFFFFFFFu)));
}

}  // namespace
}  // namespace mivo
