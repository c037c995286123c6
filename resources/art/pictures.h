// The pictures of the scheduler's resource library, drawn from simple shapes:
// the about-box banner (bitmap 145), the "new password" glyph (bitmap 146) and
// the eight frames of the busy spinner (icons 173 to 180).
#pragma once

#include "canvas.h"

namespace mivo::art {

// Flat background of both bitmaps; pixel (1, 1) is always this colour. It is
// the usual dialog face, so the pictures also look right where nobody swaps
// it for the real dialog colour.
constexpr Rgb kBitmapBackground{240, 240, 240};

constexpr int kBusyFrames = 8;
constexpr int kBusyIconSizes[] = {16, 24, 32, 48};

Canvas draw_about_banner();
Canvas draw_new_password();
// Frame 0 to 7; the bright head dot moves one step clockwise per frame.
Canvas draw_busy_frame(int frame, int size);

}  // namespace mivo::art
