// What the host's windows share: the font, child controls, window texts
// and each top-level window's state.
#include "host_windows.h"

#include "window_parts.h"

namespace mivo::outlookhost {

HFONT ui_font() {
  static HFONT font = [] {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    return CreateFontIndirectW(&metrics.lfMessageFont);
  }();
  return font;
}

HWND child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int id,
           DWORD ex_style) {
  HWND made = CreateWindowExW(ex_style, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10,
                              parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                              GetModuleHandleW(nullptr), nullptr);
  SendMessageW(made, WM_SETFONT, reinterpret_cast<WPARAM>(ui_font()), TRUE);
  return made;
}

std::wstring window_text(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(GetWindowTextW(window, text.data(), static_cast<int>(text.size())));
  return text;
}

window_state* state_of(HWND window) {
  return reinterpret_cast<window_state*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void register_window_class(const wchar_t* name, WNDPROC procedure) {
  WNDCLASSW existing{};
  if (GetClassInfoW(GetModuleHandleW(nullptr), name, &existing)) return;
  WNDCLASSW cls{};
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  cls.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  cls.lpfnWndProc = procedure;
  cls.lpszClassName = name;
  RegisterClassW(&cls);
}

}  // namespace mivo::outlookhost
