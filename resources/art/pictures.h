// The pictures of the resource libraries, drawn from simple shapes: for the
// scheduler's, the about-box banner (bitmap 145), the "new password" glyph
// (bitmap 146) and the eight frames of the busy spinner (icons 173 to 180);
// for the add-in's, the four ribbon buttons (bitmaps 139 to 142).
#pragma once

#include "canvas.h"

namespace mivo::art {

// Flat background of both bitmaps; pixel (1, 1) is always this colour. It is
// the usual dialog face, so the pictures also look right where nobody swaps
// it for the real dialog colour.
constexpr Rgb kBitmapBackground{240, 240, 240};

constexpr int kBusyFrames = 8;
constexpr int kBusyIconSizes[] = {16, 24, 32, 48};

// Ribbon buttons are 32 x 32 tiles. Office gets them through OleLoadPicture,
// which keeps no transparency, so they are opaque: the tile's rounded
// corners show a light grey close to every light ribbon theme.
constexpr int kRibbonPictureSize = 32;
constexpr Rgb kRibbonBackground{246, 246, 246};

enum class RibbonPicture {
  attend_meeting,    // 139: a video camera, "start a meeting now"
  schedule_meeting,  // 140: a calendar page, "schedule a meeting"
  online_meeting,    // 141: a globe, "this appointment is an online meeting"
  setup_meeting,     // 142: a gear, options and account
};
constexpr RibbonPicture kRibbonPictures[] = {
    RibbonPicture::attend_meeting, RibbonPicture::schedule_meeting, RibbonPicture::online_meeting,
    RibbonPicture::setup_meeting};
// The file name the picture is committed under ("attend_meeting.bmp", ...).
const char* ribbon_picture_file(RibbonPicture picture);

Canvas draw_about_banner();
Canvas draw_new_password();
// Frame 0 to 7; the bright head dot moves one step clockwise per frame.
Canvas draw_busy_frame(int frame, int size);
Canvas draw_ribbon_picture(RibbonPicture picture);

}  // namespace mivo::art
