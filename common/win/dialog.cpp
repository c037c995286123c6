// The modal dialog base, dialog placement and the dialog font.
#include "dialog.h"

#include <algorithm>

#include "win/resource_language.h"

namespace mivo::win {

INT_PTR dialog::run(HINSTANCE instance, int template_id, HWND owner, LanguageId language) noexcept {
  const DLGTEMPLATE* found = dialog_template(instance, template_id, language);
  if (!found) return -1;
  // The instance still serves the template's pictures and icons.
  return DialogBoxIndirectParamW(instance, found, owner, &dialog::dialog_proc,
                                 reinterpret_cast<LPARAM>(this));
}

void dialog::end(INT_PTR result) noexcept {
  if (window_) EndDialog(window_, result);
}

std::wstring dialog::item_text(int id) const {
  const HWND control = item(id);
  if (!control) return std::wstring();
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

INT_PTR CALLBACK dialog::dialog_proc(HWND window, UINT message, WPARAM wparam,
                                     LPARAM lparam) noexcept {
  dialog* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<dialog*>(lparam);
    SetWindowLongPtrW(window, DWLP_USER, lparam);
    self->window_ = window;
  } else {
    // Messages before WM_INITDIALOG (WM_SETFONT among them) find no object.
    self = reinterpret_cast<dialog*>(GetWindowLongPtrW(window, DWLP_USER));
  }
  if (!self) return FALSE;

  INT_PTR result = FALSE;
  try {
    result = self->dispatch(message, wparam, lparam);
  } catch (...) {
    // A handler that failed half-way leaves the dialog in no state to go on.
    EndDialog(window, -1);
    result = FALSE;
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, DWLP_USER, 0);
    self->window_ = nullptr;
  }
  return result;
}

INT_PTR dialog::dispatch(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      return on_init_dialog() ? TRUE : FALSE;
    case WM_COMMAND:
      return on_command(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam)) ? TRUE
                                                                                        : FALSE;
    case WM_CLOSE:
      return on_close() ? TRUE : FALSE;
    case WM_TIMER:
      on_timer(static_cast<UINT_PTR>(wparam));
      return TRUE;
    case WM_DESTROY:
      on_destroy();
      // The system's dialog procedure has its own cleanup to do.
      return FALSE;
    default: {
      INT_PTR result = FALSE;
      return on_message(message, wparam, lparam, result) ? result : FALSE;
    }
  }
}

void center_dialog(HWND dialog, HWND owner) noexcept {
  RECT frame{};
  if (!GetWindowRect(dialog, &frame)) return;
  const LONG width = frame.right - frame.left;
  const LONG height = frame.bottom - frame.top;

  const bool over_owner = owner && IsWindowVisible(owner) && !IsIconic(owner);
  RECT area{};
  if (over_owner) {
    GetWindowRect(owner, &area);
  }
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (!GetMonitorInfoW(MonitorFromWindow(over_owner ? owner : dialog, MONITOR_DEFAULTTONEAREST),
                       &monitor)) {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &monitor.rcWork, 0);
  }
  const RECT work = monitor.rcWork;
  if (!over_owner) area = work;

  LONG left = area.left + ((area.right - area.left) - width) / 2;
  LONG top = area.top + ((area.bottom - area.top) - height) / 2;
  // Right and bottom first, so that a dialog larger than the work area keeps
  // its title bar on the screen.
  if (left + width > work.right) left = work.right - width;
  if (top + height > work.bottom) top = work.bottom - height;
  left = std::max(left, work.left);
  top = std::max(top, work.top);
  SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {

BOOL CALLBACK set_font_without_redraw(HWND window, LPARAM font) {
  SendMessageW(window, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
  return TRUE;
}

}  // namespace

unique_hfont replace_dialog_font(HWND dialog) noexcept {
  LOGFONTW description{};
  const auto current = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
  if (!current || GetObjectW(current, sizeof(description), &description) != sizeof(description)) {
    description = LOGFONTW{};
    description.lfQuality = PROOF_QUALITY;
  }
  // 13 pixels at 96 dots per inch: the template's own font grows with the
  // scaling, and so must this one, or the text shrinks to half the size of
  // its dialog at 200 %.
  int dpi = 96;
  if (const HDC dc = GetDC(dialog)) {
    dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(dialog, dc);
  }
  description.lfHeight = -MulDiv(13, dpi > 0 ? dpi : 96, 96);
  description.lfWeight = FW_NORMAL;

  unique_hfont font(CreateFontIndirectW(&description));
  if (!font) return font;
  SendMessageW(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
  // EnumChildWindows walks the children's children too.
  EnumChildWindows(dialog, &set_font_without_redraw, reinterpret_cast<LPARAM>(font.get()));
  return font;
}

}  // namespace mivo::win
