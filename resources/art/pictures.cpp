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

}  // namespace

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
