// The file header that turns a packed bitmap (what a bitmap resource holds:
// a BITMAPINFOHEADER or a later version of it, the colour table or masks,
// then the pixels) into the image of a .bmp file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace mivo {

struct bitmap_file_layout {
  static constexpr std::size_t header_size = 14;
  std::uint32_t file_size = 0;    // header plus the packed bitmap
  std::uint32_t bits_offset = 0;  // where the pixels start in the file

  // The BITMAPFILEHEADER bytes: "BM", file size, two reserved zeros, bits
  // offset, little-endian.
  std::array<std::uint8_t, header_size> header() const;
};

// The layout of the file for a packed bitmap of `size` bytes. The pixels
// follow the header, the colour masks a 40-byte header carries for
// BI_BITFIELDS and BI_ALPHABITFIELDS, and the colour table: biClrUsed
// entries when it is set, else 2^biBitCount for 1, 2, 4 and 8 bits per pixel
// and none above. Nullopt when the bytes are too short for the header they
// announce, or the pixels would start past their end.
std::optional<bitmap_file_layout> bitmap_file_layout_of(const std::uint8_t* packed,
                                                        std::size_t size);

}  // namespace mivo
