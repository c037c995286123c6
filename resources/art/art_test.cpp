// The committed pictures are what the generator draws, and the drawings keep
// the properties the scheduler relies on.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>

#include "pictures.h"

using namespace mivo::art;

namespace {

std::vector<std::uint8_t> read_committed(const std::string& name) {
  std::ifstream f(std::string(MIVO_PICTURES_DIR) + "/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> bmp_of(const Canvas& c) {
  return encode_bmp(c.width(), c.height(), c.flatten(kBitmapBackground));
}

// The scheduler paints every pixel that has the colour of pixel (1, 1) in the
// dialog colour: that colour must mark exactly the pixels nothing was drawn on.
void expect_background_only_where_unpainted(const Canvas& c) {
  std::vector<Rgb> flat = c.flatten(kBitmapBackground);
  ASSERT_EQ(flat[1 * c.width() + 1], kBitmapBackground);
  int misplaced = 0, remapped = 0;
  for (int y = 0; y < c.height(); ++y) {
    for (int x = 0; x < c.width(); ++x) {
      const Rgb& p = flat[static_cast<size_t>(y) * c.width() + x];
      if ((p == kBitmapBackground) == c.painted(x, y)) ++misplaced;
      if (is_remapped_grey(p)) ++remapped;
    }
  }
  EXPECT_EQ(misplaced, 0);
  EXPECT_EQ(remapped, 0);
}

}  // namespace

TEST(Art, CommittedPicturesAreWhatTheGeneratorDraws) {
  EXPECT_EQ(read_committed("about.bmp"), bmp_of(draw_about_banner()))
      << "run the regenerate-art target and commit resources/pictures";
  EXPECT_EQ(read_committed("new_password.bmp"), bmp_of(draw_new_password()));
  for (RibbonPicture picture : kRibbonPictures) {
    const Canvas c = draw_ribbon_picture(picture);
    EXPECT_EQ(read_committed(ribbon_picture_file(picture)),
              encode_bmp(c.width(), c.height(), c.flatten(kRibbonBackground)))
        << ribbon_picture_file(picture);
  }
  for (int frame = 0; frame < kBusyFrames; ++frame) {
    std::vector<Canvas> sizes;
    for (int size : kBusyIconSizes) sizes.push_back(draw_busy_frame(frame, size));
    std::vector<const Canvas*> images;
    for (const Canvas& c : sizes) images.push_back(&c);
    EXPECT_EQ(read_committed("busy_" + std::to_string(frame + 1) + ".ico"), encode_ico(images))
        << "frame " << frame + 1;
  }
}

TEST(Art, BitmapBackgroundColourMarksOnlyTheBackground) {
  expect_background_only_where_unpainted(draw_about_banner());
  expect_background_only_where_unpainted(draw_new_password());
}

TEST(Art, BusySpinnerHeadMovesOneDotClockwisePerFrame) {
  for (int size : kBusyIconSizes) {
    for (int frame = 0; frame < kBusyFrames; ++frame) {
      Canvas c = draw_busy_frame(frame, size);
      int brightest = -1;
      float best = -1;
      for (int k = 0; k < kBusyFrames; ++k) {
        float rad = k * 2 * 3.14159265f / kBusyFrames;
        int x = static_cast<int>(size / 2.0f + size * 0.34f * std::sin(rad));
        int y = static_cast<int>(size / 2.0f - size * 0.34f * std::cos(rad));
        if (c.at(x, y).a > best) best = c.at(x, y).a, brightest = k;
      }
      EXPECT_EQ(brightest, frame) << size << " px, frame " << frame;
    }
  }
}

TEST(Art, IconFileIndexesEveryImage) {
  Canvas small = draw_busy_frame(0, 16), large = draw_busy_frame(0, 32);
  std::vector<std::uint8_t> ico = encode_ico({&small, &large});
  auto u32 = [&](size_t at) {
    return ico[at] | ico[at + 1] << 8 | ico[at + 2] << 16 | std::uint32_t(ico[at + 3]) << 24;
  };
  ASSERT_EQ(ico[4], 2);
  // Entry sizes and offsets tile the file exactly, one image after the other.
  EXPECT_EQ(u32(6 + 12), 6u + 2 * 16);
  EXPECT_EQ(u32(6 + 12) + u32(6 + 8), u32(22 + 12));
  EXPECT_EQ(u32(22 + 12) + u32(22 + 8), ico.size());
  // 32-bit colour, 16 rows of AND mask padded to 4 bytes each.
  EXPECT_EQ(u32(6 + 8), 40u + 16 * 16 * 4 + 16 * 4);
}
