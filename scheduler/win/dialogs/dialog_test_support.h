// What the dialog tests share (besides com/testing's owner window): a look
// at each dialog the moment its initialisation has finished, and the BMP
// pictures the robot saves.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "com/testing/owner_window.h"
#include "ports.h"

namespace mivo::scheduler::testing {

using namespace mivo::com::testing;

// The scheduler's port type for a window of the test.
inline mivo::WindowHandle window_handle(HWND window) noexcept {
  return reinterpret_cast<mivo::WindowHandle>(window);
}

// A control as the dialog's initialisation left it.
struct ControlLook {
  int id = 0;
  LOGFONTW font{};
  bool has_font = false;
  std::wstring cue_banner;  // edits only
};

// A dialog as its initialisation left it.
struct DialogLook {
  HWND window = nullptr;
  RECT frame{};  // screen coordinates
  RECT work_area{};
  LOGFONTW font{};
  bool has_font = false;
  std::vector<ControlLook> controls;  // every descendant window
  // Screen rectangles of the picture controls, by id.
  std::map<int, RECT> control_frames;

  const ControlLook* control(int id) const;
};

// Records every dialog of the test thread right after its WM_INITDIALOG,
// and every icon set on a static control afterwards.
class InitInspector {
 public:
  InitInspector();
  ~InitInspector();
  InitInspector(const InitInspector&) = delete;
  InitInspector& operator=(const InitInspector&) = delete;

  const std::vector<DialogLook>& dialogs() const noexcept { return dialogs_; }
  // Icons sent with STM_SETICON to the control `id`, in order.
  std::vector<HICON> icons_set(int id) const;

 private:
  static LRESULT CALLBACK hook(int code, WPARAM wparam, LPARAM lparam);

  HHOOK hook_ = nullptr;
  std::vector<DialogLook> dialogs_;
  std::vector<std::pair<int, HICON>> icons_;
};

// A 24-bit BMP file as the robot saves it, (0, 0) at the top left.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<COLORREF> pixels;

  // CLR_INVALID outside the picture.
  COLORREF at(int x, int y) const;
  // How many pixels of `area` (picture coordinates) are not `colour`.
  int count_unlike(const RECT& area, COLORREF colour) const;
};
// False when the file is missing or not a 24-bit BMP.
bool read_bmp(const std::wstring& path, Picture& picture);

// A unique file path in the temporary folder.
std::wstring temporary_path(const wchar_t* name);

}  // namespace mivo::scheduler::testing
