// Sampling, blending and the BMP / ICO encoders of the picture canvas.
#include "canvas.h"

#include <algorithm>
#include <cmath>
#include <fstream>

namespace mivo::art {
namespace {

constexpr int kSamples = 8;  // per axis, so 64 samples a pixel
constexpr float kPi = 3.14159265358979f;

std::uint8_t to_byte(float v) {
  return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
}

void put16(std::vector<std::uint8_t>& out, unsigned v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xff));
  out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xff));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  put16(out, v & 0xffff);
  put16(out, v >> 16);
}

void put_info_header(std::vector<std::uint8_t>& out, int width, int height, unsigned bits,
                     std::uint32_t image_size) {
  put32(out, 40);
  put32(out, static_cast<std::uint32_t>(width));
  put32(out, static_cast<std::uint32_t>(height));
  put16(out, 1);
  put16(out, bits);
  put32(out, 0);  // BI_RGB
  put32(out, image_size);
  put32(out, 3780);  // 96 dpi in pixels per metre
  put32(out, 3780);
  put32(out, 0);
  put32(out, 0);
}

// Clockwise degrees from 12 o'clock in [0, 360), as the arcs are specified.
float clock_angle(float dx, float dy) {
  float deg = std::atan2(dx, -dy) * 180.0f / kPi;
  return deg < 0 ? deg + 360.0f : deg;
}

}  // namespace

Paint paint(Rgb c, float alpha) { return Paint{c.r / 255.0f, c.g / 255.0f, c.b / 255.0f, alpha}; }

Shape disc(float cx, float cy, float radius) {
  return [=](float x, float y) {
    return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
  };
}

Shape ring(float cx, float cy, float inner, float outer) {
  return [=](float x, float y) {
    float d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
    return d2 <= outer * outer && d2 >= inner * inner;
  };
}

Shape arc(float cx, float cy, float inner, float outer, float from_deg, float to_deg) {
  Shape band = ring(cx, cy, inner, outer);
  return [=](float x, float y) {
    if (!band(x, y)) return false;
    float a = clock_angle(x - cx, y - cy);
    return from_deg <= to_deg ? (a >= from_deg && a <= to_deg) : (a >= from_deg || a <= to_deg);
  };
}

Shape capsule(float x0, float y0, float x1, float y1, float radius) {
  return [=](float x, float y) {
    float vx = x1 - x0, vy = y1 - y0;
    float len2 = vx * vx + vy * vy;
    float t = len2 > 0 ? std::clamp(((x - x0) * vx + (y - y0) * vy) / len2, 0.0f, 1.0f) : 0.0f;
    float dx = x - (x0 + t * vx), dy = y - (y0 + t * vy);
    return dx * dx + dy * dy <= radius * radius;
  };
}

Shape rounded_rect(float left, float top, float right, float bottom, float radius) {
  return [=](float x, float y) {
    if (x < left || x > right || y < top || y > bottom) return false;
    float cx = std::clamp(x, left + radius, right - radius);
    float cy = std::clamp(y, top + radius, bottom - radius);
    return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
  };
}

Shape triangle(float x0, float y0, float x1, float y1, float x2, float y2) {
  return [=](float x, float y) {
    auto side = [&](float ax, float ay, float bx, float by) {
      return (bx - ax) * (y - ay) - (by - ay) * (x - ax);
    };
    float s0 = side(x0, y0, x1, y1), s1 = side(x1, y1, x2, y2), s2 = side(x2, y2, x0, y0);
    return (s0 >= 0 && s1 >= 0 && s2 >= 0) || (s0 <= 0 && s1 <= 0 && s2 <= 0);
  };
}

Shape intersect(Shape a, Shape b) {
  return [a = std::move(a), b = std::move(b)](float x, float y) { return a(x, y) && b(x, y); };
}

Shape unite(std::vector<Shape> parts) {
  return [parts = std::move(parts)](float x, float y) {
    return std::any_of(parts.begin(), parts.end(), [&](const Shape& s) { return s(x, y); });
  };
}

Shape polyline(const std::vector<std::pair<float, float>>& points, float radius) {
  std::vector<Shape> parts;
  for (size_t i = 1; i < points.size(); ++i) {
    parts.push_back(capsule(points[i - 1].first, points[i - 1].second, points[i].first,
                            points[i].second, radius));
  }
  return unite(std::move(parts));
}

Canvas::Canvas(int width, int height)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height) {}

template <typename ColourAt>
void Canvas::blend(const Shape& shape, ColourAt colour_at) {
  for (int y = 0; y < height_; ++y) {
    Paint c = colour_at(y);
    for (int x = 0; x < width_; ++x) {
      int hits = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          if (shape(x + (sx + 0.5f) / kSamples, y + (sy + 0.5f) / kSamples)) ++hits;
        }
      }
      if (hits == 0) continue;
      float a = c.a * hits / float(kSamples * kSamples);
      Pixel& p = pixels_[static_cast<size_t>(y) * width_ + x];
      p.r = c.r * a + p.r * (1 - a);
      p.g = c.g * a + p.g * (1 - a);
      p.b = c.b * a + p.b * (1 - a);
      p.a = a + p.a * (1 - a);
    }
  }
}

void Canvas::fill(const Shape& shape, Paint colour) {
  blend(shape, [&](int) { return colour; });
}

void Canvas::fill_vertical_gradient(const Shape& shape, Paint top, Paint bottom) {
  blend(shape, [&](int y) {
    float t = height_ > 1 ? y / float(height_ - 1) : 0.0f;
    return Paint{top.r + (bottom.r - top.r) * t, top.g + (bottom.g - top.g) * t,
                 top.b + (bottom.b - top.b) * t, top.a + (bottom.a - top.a) * t};
  });
}

bool is_remapped_grey(Rgb c) {
  return c.r == c.g && c.g == c.b && (c.r == 128 || c.r == 192 || c.r == 223);
}

std::vector<Rgb> Canvas::flatten(Rgb background) const {
  std::vector<Rgb> out;
  out.reserve(pixels_.size());
  Paint bg = paint(background);
  for (const Pixel& p : pixels_) {
    Rgb c{to_byte(p.r + bg.r * (1 - p.a)), to_byte(p.g + bg.g * (1 - p.a)),
          to_byte(p.b + bg.b * (1 - p.a))};
    if (p.a > 0) {
      // Nudge the blue channel by one step: invisible, but no longer a
      // colour that something else treats specially.
      while (c == background || is_remapped_grey(c)) c.b = c.b > 0 ? c.b - 1 : 1;
    }
    out.push_back(c);
  }
  return out;
}

std::vector<std::uint8_t> encode_bmp(int width, int height, const std::vector<Rgb>& rows_top_down) {
  const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
  const std::uint32_t image_size = stride * static_cast<std::uint32_t>(height);
  std::vector<std::uint8_t> out;
  put16(out, 0x4d42);  // "BM"
  put32(out, 14 + 40 + image_size);
  put32(out, 0);
  put32(out, 14 + 40);
  put_info_header(out, width, height, 24, image_size);
  for (int y = height - 1; y >= 0; --y) {
    size_t row_start = out.size();
    for (int x = 0; x < width; ++x) {
      const Rgb& c = rows_top_down[static_cast<size_t>(y) * width + x];
      out.insert(out.end(), {c.b, c.g, c.r});
    }
    out.resize(row_start + stride, 0);
  }
  return out;
}

std::vector<std::uint8_t> encode_ico(const std::vector<const Canvas*>& images) {
  std::vector<std::vector<std::uint8_t>> bodies;
  for (const Canvas* canvas : images) {
    const int w = canvas->width(), h = canvas->height();
    const std::uint32_t mask_stride = ((static_cast<std::uint32_t>(w) + 31) / 32) * 4;
    std::vector<std::uint8_t> body;
    put_info_header(body, w, h * 2, 32, static_cast<std::uint32_t>(w * h * 4) + mask_stride * h);
    for (int y = h - 1; y >= 0; --y) {
      for (int x = 0; x < w; ++x) {
        const Pixel& p = canvas->at(x, y);
        // Icon images store straight colour, the canvas a premultiplied one.
        float a = p.a;
        auto channel = [a](float v) { return a > 0 ? to_byte(v / a) : std::uint8_t{0}; };
        body.insert(body.end(), {channel(p.b), channel(p.g), channel(p.r), to_byte(a)});
      }
    }
    // AND mask: transparent where nothing was painted, for renderers without alpha.
    for (int y = h - 1; y >= 0; --y) {
      std::vector<std::uint8_t> row(mask_stride, 0);
      for (int x = 0; x < w; ++x) {
        if (to_byte(canvas->at(x, y).a) == 0)
          row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
      }
      body.insert(body.end(), row.begin(), row.end());
    }
    bodies.push_back(std::move(body));
  }
  std::vector<std::uint8_t> out;
  put16(out, 0);
  put16(out, 1);  // icon
  put16(out, static_cast<unsigned>(images.size()));
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    out.push_back(static_cast<std::uint8_t>(images[i]->width() & 0xff));  // 256 is written as 0
    out.push_back(static_cast<std::uint8_t>(images[i]->height() & 0xff));
    out.push_back(0);  // no palette
    out.push_back(0);
    put16(out, 1);   // planes
    put16(out, 32);  // bits per pixel
    put32(out, static_cast<std::uint32_t>(bodies[i].size()));
    put32(out, offset);
    offset += static_cast<std::uint32_t>(bodies[i].size());
  }
  for (const auto& body : bodies) out.insert(out.end(), body.begin(), body.end());
  return out;
}

bool write_file(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(f);
}

}  // namespace mivo::art
