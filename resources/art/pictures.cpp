// Drawings of the banner, the "new password" glyph and the busy spinner.
#include "pictures.h"

#include <algorithm>
#include <cmath>

namespace mivo::art {
namespace {

constexpr Rgb kBrandBlue{37, 99, 235};
constexpr Rgb kBrandBlueDeep{24, 72, 196};
constexpr Rgb kWhite{255, 255, 255};
constexpr float kPi = 3.14159265358979f;

// Point on a circle at a clockwise angle from 12 o'clock.
std::pair<float, float> on_circle(float cx, float cy, float radius, float deg) {
  float rad = deg * kPi / 180.0f;
  return {cx + radius * std::sin(rad), cy - radius * std::cos(rad)};
}

// The white glyphs of the ribbon tiles, on a 32 x 32 grid.
void draw_camera(Canvas& c, Paint colour) {
  c.fill(rounded_rect(6, 10, 21, 23, 3), colour);
  c.fill(triangle(19.5f, 16.5f, 27, 11.5f, 27, 21.5f), colour);
}

void draw_calendar(Canvas& c, Paint colour, Paint tile) {
  c.fill(rounded_rect(7, 8, 25, 25, 2.5f), colour);
  c.fill(rounded_rect(9, 13, 23, 23, 1), tile);
  c.fill(capsule(11.5f, 6, 11.5f, 9.5f, 1.3f), colour);
  c.fill(capsule(20.5f, 6, 20.5f, 9.5f, 1.3f), colour);
  for (int row = 0; row < 2; ++row) {
    for (int column = 0; column < 3; ++column)
      c.fill(rounded_rect(11 + column * 4, 15 + row * 4, 13.5f + column * 4, 17.5f + row * 4, 0.5f),
             colour);
  }
}

void draw_globe(Canvas& c, Paint colour) {
  const float cx = 16, cy = 16, r = 9.5f, w = 1.15f;
  c.fill(ring(cx, cy, r - 2 * w, r), colour);
  c.fill(capsule(cx, cy - r + w, cx, cy + r - w, w), colour);
  c.fill(capsule(cx - r + w, cy, cx + r - w, cy, w), colour);
  // Two meridians, half ellipses drawn as polylines.
  std::vector<std::pair<float, float>> left, right;
  for (int step = 0; step <= 16; ++step) {
    const float a = (step / 16.0f - 0.5f) * kPi;
    left.push_back({cx - 4.6f * std::cos(a), cy + (r - w) * std::sin(a)});
    right.push_back({cx + 4.6f * std::cos(a), cy + (r - w) * std::sin(a)});
  }
  c.fill(polyline(left, w), colour);
  c.fill(polyline(right, w), colour);
}

void draw_gear(Canvas& c, Paint colour) {
  const float cx = 16, cy = 16;
  c.fill(ring(cx, cy, 3.6f, 8.2f), colour);
  for (int tooth = 0; tooth < 8; ++tooth) {
    auto [x0, y0] = on_circle(cx, cy, 7.5f, tooth * 45.0f);
    auto [x1, y1] = on_circle(cx, cy, 10.5f, tooth * 45.0f);
    c.fill(capsule(x0, y0, x1, y1, 2.1f), colour);
  }
}

}  // namespace

const char* ribbon_picture_file(RibbonPicture picture) {
  switch (picture) {
    case RibbonPicture::attend_meeting:
      return "attend_meeting.bmp";
    case RibbonPicture::schedule_meeting:
      return "schedule_meeting.bmp";
    case RibbonPicture::online_meeting:
      return "online_meeting.bmp";
    case RibbonPicture::setup_meeting:
      return "setup_meeting.bmp";
  }
  return "";
}

Canvas draw_ribbon_picture(RibbonPicture picture) {
  Canvas c(kRibbonPictureSize, kRibbonPictureSize);
  const Shape tile = rounded_rect(1, 1, 31, 31, 6);
  c.fill_vertical_gradient(tile, paint(kBrandBlue), paint(kBrandBlueDeep));
  const Paint glyph = paint(kWhite);
  switch (picture) {
    case RibbonPicture::attend_meeting:
      draw_camera(c, glyph);
      break;
    case RibbonPicture::schedule_meeting:
      draw_calendar(c, glyph, paint(kBrandBlue));
      break;
    case RibbonPicture::online_meeting:
      draw_globe(c, glyph);
      break;
    case RibbonPicture::setup_meeting:
      draw_gear(c, glyph);
      break;
  }
  return c;
}

Canvas draw_about_banner() {
  Canvas c(352, 88);
  Shape banner = rounded_rect(0, 0, 352, 88, 12);
  c.fill_vertical_gradient(banner, paint(kBrandBlue), paint(kBrandBlueDeep));
  // Two soft circles give the right-hand side some depth.
  c.fill(intersect(banner, disc(300, 6, 64)), paint(kWhite, 0.08f));
  c.fill(intersect(banner, disc(346, 92, 48)), paint(kWhite, 0.07f));

  // Logo mark: a white tile with a video camera.
  c.fill(rounded_rect(20, 16, 76, 72, 12), paint(kWhite));
  c.fill(rounded_rect(30, 33, 55, 55, 4), paint(kBrandBlue));
  c.fill(triangle(53, 44, 66, 35, 66, 53), paint(kBrandBlue));

  // The word "Mivo" in rounded strokes.
  const float stroke = 3.6f;
  c.fill(polyline({{94, 62}, {94, 28}, {110, 50}, {126, 28}, {126, 62}}, stroke), paint(kWhite));
  c.fill(capsule(142, 41, 142, 62, stroke), paint(kWhite));
  c.fill(disc(142, 30, 4.2f), paint(kWhite));
  c.fill(polyline({{155, 41}, {166, 62}, {177, 41}}, stroke), paint(kWhite));
  c.fill(ring(199, 51.5f, 7.2f, 14.4f), paint(kWhite));
  return c;
}

Canvas draw_new_password() {
  Canvas c(22, 22);
  const float cx = 11, cy = 11, inner = 5.0f, outer = 7.8f;
  // A circular arrow running clockwise, open at the top left.
  const float end_deg = 322;
  c.fill(arc(cx, cy, inner, outer, 40, end_deg), paint(kBrandBlue));
  auto [px, py] = on_circle(cx, cy, (inner + outer) / 2, end_deg);
  float rad = end_deg * kPi / 180.0f;
  float tx = std::cos(rad), ty = std::sin(rad);   // clockwise tangent
  float nx = std::sin(rad), ny = -std::cos(rad);  // outward normal
  c.fill(
      triangle(px + 5.2f * tx, py + 5.2f * ty, px - 0.6f * tx + 4.6f * nx,
               py - 0.6f * ty + 4.6f * ny, px - 0.6f * tx - 4.6f * nx, py - 0.6f * ty - 4.6f * ny),
      paint(kBrandBlue));
  return c;
}

Canvas draw_busy_frame(int frame, int size) {
  Canvas c(size, size);
  const float centre = size / 2.0f;
  const float orbit = size * 0.34f;
  const float dot = std::max(size * 0.1f, 1.8f);
  static const float kOpacity[kBusyFrames] = {1.0f,  0.82f, 0.66f, 0.52f,
                                              0.42f, 0.34f, 0.28f, 0.22f};
  for (int k = 0; k < kBusyFrames; ++k) {
    int age = ((frame - k) % kBusyFrames + kBusyFrames) % kBusyFrames;
    auto [x, y] = on_circle(centre, centre, orbit, k * 360.0f / kBusyFrames);
    c.fill(disc(x, y, dot * (1.0f - 0.04f * age)), paint(kBrandBlue, kOpacity[age]));
  }
  return c;
}

}  // namespace mivo::art
