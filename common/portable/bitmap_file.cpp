// Where the pixels of a packed bitmap start, read from its header.
#include "bitmap_file.h"

#include <limits>

namespace mivo {
namespace {

constexpr std::size_t kInfoHeaderSize = 40;   // BITMAPINFOHEADER
constexpr std::uint32_t kBitfields = 3;       // BI_BITFIELDS
constexpr std::uint32_t kAlphaBitfields = 6;  // BI_ALPHABITFIELDS

std::uint32_t read32(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

std::uint16_t read16(const std::uint8_t* bytes) {
  return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

void write32(std::uint8_t* bytes, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

std::array<std::uint8_t, bitmap_file_layout::header_size> bitmap_file_layout::header() const {
  std::array<std::uint8_t, header_size> bytes{};
  bytes[0] = 'B';
  bytes[1] = 'M';
  write32(&bytes[2], file_size);
  write32(&bytes[10], bits_offset);
  return bytes;
}

std::optional<bitmap_file_layout> bitmap_file_layout_of(const std::uint8_t* packed,
                                                        std::size_t size) {
  if (!packed || size < kInfoHeaderSize) return std::nullopt;
  const std::uint32_t header_size = read32(packed);
  // Older core headers (12 bytes) lay their fields out differently.
  if (header_size < kInfoHeaderSize || header_size > size) return std::nullopt;
  const std::uint16_t planes = read16(packed + 12);
  const std::uint16_t bit_count = read16(packed + 14);
  const std::uint32_t compression = read32(packed + 16);
  const std::uint32_t colours_used = read32(packed + 32);

  // 64 bits: a colour count from a damaged header must not wrap around.
  std::uint64_t offset = bitmap_file_layout::header_size + std::uint64_t{header_size};
  if (planes == 1) {
    // Later header versions hold the masks themselves.
    if (header_size == kInfoHeaderSize && compression == kBitfields) offset += 12;
    if (header_size == kInfoHeaderSize && compression == kAlphaBitfields) offset += 16;
    std::uint64_t colours = colours_used;
    if (colours == 0 && bit_count >= 1 && bit_count <= 8) colours = std::uint64_t{1} << bit_count;
    offset += 4 * colours;
  }
  const std::uint64_t file_size = bitmap_file_layout::header_size + std::uint64_t{size};
  if (offset > file_size || file_size > std::numeric_limits<std::uint32_t>::max())
    return std::nullopt;
  bitmap_file_layout layout;
  layout.file_size = static_cast<std::uint32_t>(file_size);
  layout.bits_offset = static_cast<std::uint32_t>(offset);
  return layout;
}

}  // namespace mivo
