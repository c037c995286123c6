// CBitmapStatic: a static control of a dialog taken over to show a bitmap of
// the resource library on the dialog's own background colour.
#pragma once

#include <windows.h>

#include "win/dialog.h"

namespace mivo::scheduler {

class CBitmapStatic {
 public:
  CBitmapStatic() = default;
  CBitmapStatic(const CBitmapStatic&) = delete;
  CBitmapStatic& operator=(const CBitmapStatic&) = delete;
  ~CBitmapStatic();

  // Subclasses `control` and shows the bitmap in it at once. False when the
  // control is missing or could not be subclassed; a bitmap that cannot be
  // loaded leaves the control empty.
  bool attach(HWND control, int bitmap_id) noexcept;

 private:
  static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam,
                                      LPARAM lparam) noexcept;
  void load_bitmap(int bitmap_id) noexcept;
  void paint() noexcept;
  void detach() noexcept;

  HWND control_ = nullptr;
  WNDPROC previous_ = nullptr;
  mivo::win::unique_hbitmap bitmap_;
};

}  // namespace mivo::scheduler
