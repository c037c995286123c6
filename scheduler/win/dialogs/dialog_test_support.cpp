// Initialisation inspector and picture reading for the dialog tests.
#include "dialog_test_support.h"

#include <cstdio>
#include <memory>

namespace mivo::scheduler::testing {
namespace {

// EM_GETCUEBANNER
constexpr UINT kGetCueBanner = 0x1502;

InitInspector* g_inspector = nullptr;

bool font_of(HWND window, LOGFONTW& font) {
  const auto handle = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
  return handle && GetObjectW(handle, sizeof(font), &font) == sizeof(font);
}

BOOL CALLBACK look_at_control(HWND control, LPARAM lparam) {
  auto& look = *reinterpret_cast<DialogLook*>(lparam);
  ControlLook control_look;
  control_look.id = GetDlgCtrlID(control);
  control_look.has_font = font_of(control, control_look.font);
  wchar_t class_name[32] = {};
  GetClassNameW(control, class_name, 32);
  if (lstrcmpiW(class_name, L"Edit") == 0) {
    wchar_t cue[128] = {};
    if (SendMessageW(control, kGetCueBanner, reinterpret_cast<WPARAM>(cue), 128)) {
      control_look.cue_banner = cue;
    }
  }
  RECT frame{};
  GetWindowRect(control, &frame);
  look.control_frames[control_look.id] = frame;
  look.controls.push_back(control_look);
  return TRUE;
}

}  // namespace

const ControlLook* DialogLook::control(int id) const {
  for (const ControlLook& look : controls) {
    if (look.id == id) return &look;
  }
  return nullptr;
}

InitInspector::InitInspector() {
  g_inspector = this;
  hook_ = SetWindowsHookExW(WH_CALLWNDPROCRET, &InitInspector::hook, nullptr, GetCurrentThreadId());
}

InitInspector::~InitInspector() {
  if (hook_) UnhookWindowsHookEx(hook_);
  g_inspector = nullptr;
}

std::vector<HICON> InitInspector::icons_set(int id) const {
  std::vector<HICON> icons;
  for (const auto& [control, icon] : icons_) {
    if (control == id) icons.push_back(icon);
  }
  return icons;
}

LRESULT CALLBACK InitInspector::hook(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HC_ACTION && g_inspector) {
    const auto& call = *reinterpret_cast<const CWPRETSTRUCT*>(lparam);
    if (call.message == WM_INITDIALOG) {
      DialogLook look;
      look.window = call.hwnd;
      GetWindowRect(call.hwnd, &look.frame);
      MONITORINFO monitor{};
      monitor.cbSize = sizeof(monitor);
      GetMonitorInfoW(MonitorFromWindow(call.hwnd, MONITOR_DEFAULTTONEAREST), &monitor);
      look.work_area = monitor.rcWork;
      look.has_font = font_of(call.hwnd, look.font);
      EnumChildWindows(call.hwnd, &look_at_control, reinterpret_cast<LPARAM>(&look));
      g_inspector->dialogs_.push_back(std::move(look));
    } else if (call.message == STM_SETICON) {
      g_inspector->icons_.emplace_back(GetDlgCtrlID(call.hwnd),
                                       reinterpret_cast<HICON>(call.wParam));
    }
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

COLORREF Picture::at(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
  return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                static_cast<std::size_t>(x)];
}

int Picture::count_unlike(const RECT& area, COLORREF colour) const {
  int count = 0;
  for (LONG y = area.top; y < area.bottom; ++y) {
    for (LONG x = area.left; x < area.right; ++x) {
      if (at(x, y) != colour) ++count;
    }
  }
  return count;
}

bool read_bmp(const std::wstring& path, Picture& picture) {
  const std::unique_ptr<FILE, int (*)(FILE*)> file(_wfopen(path.c_str(), L"rb"), &std::fclose);
  if (!file) return false;
  BITMAPFILEHEADER file_header{};
  BITMAPINFOHEADER info{};
  if (std::fread(&file_header, sizeof(file_header), 1, file.get()) != 1 ||
      std::fread(&info, sizeof(info), 1, file.get()) != 1 || info.biBitCount != 24 ||
      info.biWidth <= 0 || info.biHeight == 0) {
    return false;
  }
  const bool bottom_up = info.biHeight > 0;
  picture.width = info.biWidth;
  picture.height = bottom_up ? info.biHeight : -info.biHeight;
  const std::size_t stride = (static_cast<std::size_t>(picture.width) * 3 + 3) & ~std::size_t{3};
  std::vector<unsigned char> bytes(stride * static_cast<std::size_t>(picture.height));
  if (std::fseek(file.get(), static_cast<long>(file_header.bfOffBits), SEEK_SET) != 0 ||
      std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
    return false;
  }
  picture.pixels.resize(static_cast<std::size_t>(picture.width) *
                        static_cast<std::size_t>(picture.height));
  for (int y = 0; y < picture.height; ++y) {
    const unsigned char* row =
        bytes.data() + stride * static_cast<std::size_t>(bottom_up ? picture.height - 1 - y : y);
    for (int x = 0; x < picture.width; ++x) {
      const unsigned char* bgr = row + static_cast<std::size_t>(x) * 3;
      picture.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width) +
                     static_cast<std::size_t>(x)] = RGB(bgr[2], bgr[1], bgr[0]);
    }
  }
  return true;
}

std::wstring temporary_path(const wchar_t* name) {
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder) + L"mivo-" + std::to_wstring(GetCurrentProcessId()) + L"-" + name;
}

}  // namespace mivo::scheduler::testing
