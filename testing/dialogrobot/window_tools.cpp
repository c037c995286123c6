// Window inspection and pictures for the dialog robot.
#include "window_tools.h"

#include <fstream>

namespace mivo::robot {
namespace {

// Message boxes are dialogs whose text static has ID 0xFFFF and whose icon
// static has ID 20 on Windows and 1088 under Wine.
constexpr int kMessageBoxTextId = 0xFFFF;
constexpr int kMessageBoxIconIds[] = {20, 1088};

bool needs_paint(HWND window) {
  if (GetUpdateRect(window, nullptr, FALSE)) return true;
  for (HWND child : child_windows(window)) {
    if (IsWindowVisible(child) && needs_paint(child)) return true;
  }
  return false;
}

UINT icon_style(HWND icon_static) {
  HICON shown = reinterpret_cast<HICON>(send(icon_static, STM_GETICON));
  if (!shown) return 0;
  const struct {
    LPCWSTR id;
    UINT style;
  } kIcons[] = {{IDI_WARNING, MB_ICONWARNING},
                {IDI_ERROR, MB_ICONERROR},
                {IDI_QUESTION, MB_ICONQUESTION},
                {IDI_INFORMATION, MB_ICONINFORMATION}};
  for (const auto& icon : kIcons) {
    if (LoadIconW(nullptr, icon.id) == shown) return icon.style;
  }
  return 0;
}

}  // namespace

LRESULT send(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(window, message, wparam, lparam, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                           kSendTimeoutMs, &result)) {
    return 0;
  }
  return static_cast<LRESULT>(result);
}

std::wstring window_text(HWND window) {
  auto length = static_cast<size_t>(send(window, WM_GETTEXTLENGTH));
  std::wstring text(length + 1, L'\0');
  auto copied = static_cast<size_t>(
      send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
  text.resize(std::min(copied, length));
  return text;
}

std::wstring class_name(HWND window) {
  wchar_t name[256] = {};
  int n = GetClassNameW(window, name, 256);
  return std::wstring(name, n > 0 ? static_cast<size_t>(n) : 0);
}

std::vector<HWND> child_windows(HWND window) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

bool is_dialog(HWND window) {
  return class_name(window) == L"#32770" && !(GetWindowLongW(window, GWL_STYLE) & WS_CHILD);
}

bool is_message_box(HWND window) {
  if (!is_dialog(window) || !GetDlgItem(window, kMessageBoxTextId)) return false;
  for (int id : kMessageBoxIconIds) {
    HWND icon = GetDlgItem(window, id);
    if (icon && (GetWindowLongW(icon, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) return true;
  }
  return false;
}

ShownWindow describe(HWND window) {
  ShownWindow shown;
  shown.message_box = is_message_box(window);
  shown.caption = window_text(window);
  shown.owner = GetWindow(window, GW_OWNER);
  for (HWND child : child_windows(window)) {
    int id = GetDlgCtrlID(child);
    if (!shown.message_box) {
      shown.control_ids.push_back(id);
    } else if (id == kMessageBoxTextId) {
      shown.text = window_text(child);
    } else if (class_name(child) == L"Button" && (GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE)) {
      // The style, not IsWindowVisible: the box itself may not be shown yet.
      shown.buttons.push_back(id);
    } else if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
      shown.icon = icon_style(child);
    }
  }
  return shown;
}

ControlState control_state(HWND control) {
  ControlState state;
  if (class_name(control) == L"ListBox") {
    auto count = send(control, LB_GETCOUNT);
    for (LRESULT i = 0; i < count; ++i) {
      std::wstring item(static_cast<size_t>(send(control, LB_GETTEXTLEN, i)) + 1, L'\0');
      auto n = send(control, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item.data()));
      item.resize(n > 0 ? static_cast<size_t>(n) : 0);
      state.items.push_back(item);
    }
    state.selected = static_cast<int>(send(control, LB_GETCURSEL));
    if (state.selected >= 0 && static_cast<size_t>(state.selected) < state.items.size()) {
      state.text = state.items[static_cast<size_t>(state.selected)];
    }
    return state;
  }
  state.text = window_text(control);
  state.checked = send(control, BM_GETCHECK) == BST_CHECKED;
  return state;
}

bool save_window_picture(HWND window, const std::wstring& bmp_path) {
  // Paint messages come after every other message of the owning thread:
  // wait, briefly, until none is pending anywhere in the window.
  for (int tries = 0; tries < 100 && needs_paint(window); ++tries) {
    send(window, WM_NULL);
    Sleep(20);
  }
  Sleep(50);
  RECT rect{};
  if (!GetWindowRect(window, &rect)) return false;
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return false;

  WindowDc source(window);
  if (!source.get()) return false;
  win::unique_hdc memory(CreateCompatibleDC(source.get()));
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as the file stores it
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  win::unique_gdi_object bitmap(
      CreateDIBSection(memory.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!memory || !bitmap || !bits) return false;
  {
    win::gdi_selection selected(memory.get(), bitmap.get());
    if (!BitBlt(memory.get(), 0, 0, width, height, source.get(), 0, 0, SRCCOPY)) return false;
    GdiFlush();
  }
  const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  const DWORD image_size = stride * static_cast<DWORD>(height);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4d42;  // "BM"
  file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
  file.bfSize = file.bfOffBits + image_size;
  info.bmiHeader.biSizeImage = image_size;
  std::ofstream out(bmp_path.c_str(), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(&file), sizeof(file));
  out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof(info.bmiHeader));
  out.write(static_cast<const char*>(bits), image_size);
  return static_cast<bool>(out);
}

}  // namespace mivo::robot
