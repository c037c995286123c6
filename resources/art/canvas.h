// A small anti-aliased raster canvas for the resource library's pictures:
// shapes given as inside-tests are sampled 8 x 8 times per pixel and blended
// over the canvas, which is written as a 24-bit BMP on a flat background or
// as 32-bit icon images with alpha.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace mivo::art {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
  bool operator!=(const Rgb& o) const { return !(*this == o); }
};

// Non-premultiplied colour with opacity, the unit shapes are painted in.
struct Paint {
  float r = 0, g = 0, b = 0, a = 1;
};
Paint paint(Rgb c, float alpha = 1.0f);

// Inside-test of a shape, in pixel coordinates (pixel centres at +0.5).
using Shape = std::function<bool(float x, float y)>;

Shape disc(float cx, float cy, float radius);
Shape ring(float cx, float cy, float inner, float outer);
// The part of a ring between two angles (degrees, clockwise from 12 o'clock).
Shape arc(float cx, float cy, float inner, float outer, float from_deg, float to_deg);
Shape capsule(float x0, float y0, float x1, float y1, float radius);
Shape rounded_rect(float left, float top, float right, float bottom, float radius);
Shape triangle(float x0, float y0, float x1, float y1, float x2, float y2);
Shape unite(std::vector<Shape> parts);
Shape intersect(Shape a, Shape b);
// A stroked polyline: one capsule per segment.
Shape polyline(const std::vector<std::pair<float, float>>& points, float radius);

struct Pixel {
  float r = 0, g = 0, b = 0, a = 0;  // premultiplied
};

class Canvas {
 public:
  Canvas(int width, int height);
  int width() const { return width_; }
  int height() const { return height_; }

  void fill(const Shape& shape, Paint colour);
  // Fills with a colour that changes from top to bottom (of the canvas).
  void fill_vertical_gradient(const Shape& shape, Paint top, Paint bottom);

  const Pixel& at(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }
  bool painted(int x, int y) const { return at(x, y).a > 0.0f; }

  // The canvas over a flat background. A painted pixel never comes out in the
  // background colour (the scheduler swaps every pixel of that colour for the
  // dialog colour), nor in one of the greys that LR_LOADMAP3DCOLORS remaps.
  std::vector<Rgb> flatten(Rgb background) const;

 private:
  template <typename ColourAt>
  void blend(const Shape& shape, ColourAt colour_at);

  int width_, height_;
  std::vector<Pixel> pixels_;
};

// Greys that LoadImage maps to 3-D system colours under LR_LOADMAP3DCOLORS.
bool is_remapped_grey(Rgb c);

// 24-bit bottom-up BMP file (BITMAPFILEHEADER + BITMAPINFOHEADER).
std::vector<std::uint8_t> encode_bmp(int width, int height, const std::vector<Rgb>& rows_top_down);

// ICO file holding one 32-bit image (with AND mask) per canvas.
std::vector<std::uint8_t> encode_ico(const std::vector<const Canvas*>& images);

bool write_file(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace mivo::art
