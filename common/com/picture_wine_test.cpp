// Pictures from packed bitmaps of every depth and from a bitmap resource,
// through the real OleLoadPicture.
#include "picture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "com_ptr.h"
#include "win/gdi.h"
#include "testing/apartment.h"
#include "testing/expect.h"

namespace mivo::com {
namespace {

constexpr int kResourceBitmap = 100;  // new_password.bmp, 22 x 22
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

struct depth {
  int bits;
  DWORD compression;
  DWORD header_size;
};

// A 2 x 2 packed bitmap: red at the top left, blue elsewhere.
std::vector<std::uint8_t> two_by_two(const depth& d) {
  std::vector<std::uint8_t> bytes(d.header_size);
  auto* header = reinterpret_cast<BITMAPINFOHEADER*>(bytes.data());
  header->biSize = d.header_size;
  header->biWidth = 2;
  header->biHeight = 2;  // bottom-up: the first row is the bottom one
  header->biPlanes = 1;
  header->biBitCount = static_cast<WORD>(d.bits);
  header->biCompression = d.compression;
  const auto add32 = [&](std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  };
  const bool masks = d.compression == BI_BITFIELDS;
  const std::uint32_t red_mask = d.bits == 16 ? 0xF800 : 0x00FF0000;
  const std::uint32_t green_mask = d.bits == 16 ? 0x07E0 : 0x0000FF00;
  const std::uint32_t blue_mask = d.bits == 16 ? 0x001F : 0x000000FF;
  if (masks && d.header_size == sizeof(BITMAPINFOHEADER)) {
    add32(red_mask);
    add32(green_mask);
    add32(blue_mask);
  } else if (masks) {
    auto* v5 = reinterpret_cast<BITMAPV5HEADER*>(bytes.data());
    v5->bV5RedMask = red_mask;
    v5->bV5GreenMask = green_mask;
    v5->bV5BlueMask = blue_mask;
  }
  if (d.bits <= 8) {
    // Entry 0 blue, entry 1 red, the rest of the table black.
    add32(0x000000FF);
    add32(0x00FF0000);
    for (int i = 2; i < (1 << d.bits); ++i) add32(0);
  }
  const auto pixel = [&](bool red, std::vector<std::uint8_t>& row, int x) {
    switch (d.bits) {
      case 1:
        if (red) row[0] |= static_cast<std::uint8_t>(0x80 >> x);
        break;
      case 4:
        if (red) row[0] |= static_cast<std::uint8_t>(0x10 >> (4 * x));
        break;
      case 8:
        row[x] = red ? 1 : 0;
        break;
      case 16: {
        const std::uint16_t value = masks ? (red ? 0xF800 : 0x001F) : (red ? 0x7C00 : 0x001F);
        row[2 * x] = static_cast<std::uint8_t>(value);
        row[2 * x + 1] = static_cast<std::uint8_t>(value >> 8);
        break;
      }
      default: {
        const int size = d.bits / 8;
        row[size * x + 0] = red ? 0x00 : 0xFF;  // blue
        row[size * x + 1] = 0x00;               // green
        row[size * x + 2] = red ? 0xFF : 0x00;  // red
        if (size == 4) row[size * x + 3] = 0xFF;
      }
    }
  };
  for (int y = 1; y >= 0; --y) {
    // Rows are padded to whole 32-bit words.
    std::vector<std::uint8_t> row((2 * d.bits + 31) / 32 * 4);
    for (int x = 0; x < 2; ++x) pixel(x == 0 && y == 0, row, x);
    bytes.insert(bytes.end(), row.begin(), row.end());
  }
  return bytes;
}

struct picture_facts {
  SHORT type = PICTYPE_NONE;
  LONG width = 0;   // HIMETRIC
  LONG height = 0;  // HIMETRIC
  COLORREF top_left = CLR_INVALID;
  COLORREF bottom_right = CLR_INVALID;
};

picture_facts facts_of(IPictureDisp* picture_disp) {
  picture_facts facts;
  com_ptr<IPicture> picture;
  if (FAILED(picture_disp->QueryInterface(IID_IPicture, picture.put_void()))) return facts;
  OLE_HANDLE handle = 0;
  picture->get_Type(&facts.type);
  picture->get_Width(&facts.width);
  picture->get_Height(&facts.height);
  picture->get_Handle(&handle);
  const win::selected_bitmap pixels(nullptr, reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)));
  if (!pixels) return facts;
  facts.top_left = GetPixel(pixels.dc(), 0, 0);
  facts.bottom_right = GetPixel(pixels.dc(), 1, 1);
  return facts;
}

class Picture : public ::testing::Test {
 protected:
  testing::com_apartment com_;
};

TEST_F(Picture, KeepsThePixelsOfEveryDepth) {
  const depth depths[] = {
      {1, BI_RGB, 40},        {4, BI_RGB, 40},        {8, BI_RGB, 40},
      {16, BI_RGB, 40},       {24, BI_RGB, 40},       {32, BI_RGB, 40},
      {16, BI_BITFIELDS, 40}, {32, BI_BITFIELDS, 40}, {24, BI_RGB, sizeof(BITMAPV5HEADER)}};
  for (const depth& d : depths) {
    SCOPED_TRACE(::testing::Message() << d.bits << " bits, compression " << d.compression
                                      << ", header " << d.header_size);
    const std::vector<std::uint8_t> bytes = two_by_two(d);
    com_ptr<IPictureDisp> picture;
    ASSERT_HR(S_OK, picture_from_packed_bitmap(bytes.data(), bytes.size(), picture.put()));
    const picture_facts facts = facts_of(picture.get());
    EXPECT_EQ(PICTYPE_BITMAP, facts.type);
    EXPECT_EQ(kRed, facts.top_left);
    EXPECT_EQ(kBlue, facts.bottom_right);
  }
}

TEST_F(Picture, ComesFromABitmapResourceAndNotFromMissingOrDamagedBytes) {
  com_ptr<IPictureDisp> picture;
  ASSERT_HR(S_OK, picture_from_bitmap_resource(GetModuleHandleW(nullptr), kResourceBitmap,
                                               picture.put()));
  const picture_facts facts = facts_of(picture.get());
  EXPECT_EQ(PICTYPE_BITMAP, facts.type);
  // 22 pixels at 96 pixels per inch, in hundredths of a millimetre.
  EXPECT_NEAR(22 * 2540 / 96, facts.width, 1);
  EXPECT_NEAR(22 * 2540 / 96, facts.height, 1);

  IPictureDisp* none = reinterpret_cast<IPictureDisp*>(0xdeadbeef);
  EXPECT_HRESULT_FAILED(picture_from_bitmap_resource(GetModuleHandleW(nullptr), 999, &none));
  EXPECT_EQ(nullptr, none);
  std::vector<std::uint8_t> cut = two_by_two({8, BI_RGB, 40});
  cut.resize(40 + 4 * 100);
  EXPECT_HR(HRESULT_FROM_WIN32(ERROR_INVALID_DATA),
            picture_from_packed_bitmap(cut.data(), cut.size(), picture.put()));
  EXPECT_FALSE(picture);
}

}  // namespace
}  // namespace mivo::com
