// The modal dialog base (the part of ATL's CDialogImpl the libraries use),
// dialog placement and the dialog font.
#pragma once

#include <windows.h>

#include <string>

#include "portable/ui_language.h"
#include "win/gdi.h"

namespace mivo::win {

// A modal dialog on a template of a resource module. The object outlives its
// window: construct it, run() it, read what it collected, let it go.
// Handlers run on the thread that called run(); an exception thrown by one
// ends the dialog with -1 instead of crossing the dialog procedure.
class dialog {
 public:
  dialog() = default;
  dialog(const dialog&) = delete;
  dialog& operator=(const dialog&) = delete;
  virtual ~dialog() = default;

  // Runs the template in `language` (resource_language.h), not in the one
  // Windows would pick for the thread: the value given to end(), or -1 when
  // the dialog could not be created (no template, no display).
  INT_PTR run(HINSTANCE instance, int template_id, HWND owner, LanguageId language) noexcept;

  // The dialog window while it exists, else null.
  HWND window() const noexcept { return window_; }

 protected:
  // WM_INITDIALOG: return true to let the system focus the first control.
  virtual bool on_init_dialog() { return true; }
  // WM_COMMAND; return true when handled. Unhandled commands reach the
  // system's dialog procedure, which does nothing with them.
  virtual bool on_command(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
  // WM_CLOSE (the close box, Alt+F4); unhandled, the system turns it into
  // the command IDCANCEL.
  virtual bool on_close() { return false; }
  virtual void on_timer(UINT_PTR /*id*/) {}
  // WM_DESTROY: the window is going; children still exist.
  virtual void on_destroy() {}
  // Any other message; return true when handled and put the dialog
  // procedure's answer into `result`.
  virtual bool on_message(UINT /*message*/, WPARAM /*wparam*/, LPARAM /*lparam*/,
                          INT_PTR& /*result*/) {
    return false;
  }

  void end(INT_PTR result) noexcept;
  HWND item(int id) const noexcept { return GetDlgItem(window_, id); }
  // The whole text of a control; "" when it is missing.
  std::wstring item_text(int id) const;

 private:
  static INT_PTR CALLBACK dialog_proc(HWND window, UINT message, WPARAM wparam,
                                      LPARAM lparam) noexcept;
  INT_PTR dispatch(UINT message, WPARAM wparam, LPARAM lparam);

  HWND window_ = nullptr;
};

// Places the dialog over `owner` when the owner is visible and not
// minimised, otherwise in the middle of the work area of the monitor nearest
// to the dialog, then moves it where needed so that it lies inside that
// monitor's work area.
void center_dialog(HWND dialog, HWND owner) noexcept;

// Gives the dialog and every descendant window the dialog's font face at a
// height of -13 at 100 % scaling (-20 at 150 %, -26 at 200 %) and normal
// weight; the caller keeps the returned font until the window is gone. Null
// when no font could be made.
unique_hfont replace_dialog_font(HWND dialog) noexcept;

}  // namespace mivo::win
