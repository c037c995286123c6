// Reading the windows of another thread of this process without ever
// blocking on it for long, and saving a picture of a window.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "win/gdi.h"
#include "dialog_robot.h"

namespace mivo::robot {

// The whole-window device context of a window, released with it.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetWindowDC(window)) {}
  ~WindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// Sent messages give up after this long (a thread that stopped pumping).
constexpr UINT kSendTimeoutMs = 2000;

LRESULT send(HWND window, UINT message, WPARAM wparam = 0, LPARAM lparam = 0);
std::wstring window_text(HWND window);
std::wstring class_name(HWND window);
std::vector<HWND> child_windows(HWND window);  // direct children, in tab order
bool is_dialog(HWND window);
bool is_message_box(HWND window);
ShownWindow describe(HWND window);
ControlState control_state(HWND control);

// The whole window (frame included where the system draws it) as a 24-bit
// BMP file, once everything in it has been painted.
bool save_window_picture(HWND window, const std::wstring& bmp_path);

}  // namespace mivo::robot
