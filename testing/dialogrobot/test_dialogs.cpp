// The minimal dialog procedure and resource loading of test_dialogs.h.
#include "test_dialogs.h"

#include "win/resource_language.h"
#include "window_tools.h"

namespace mivo::robot {
namespace {

void capture_controls(HWND dialog, DialogLog& log) {
  for (HWND child : child_windows(dialog)) {
    int id = GetDlgCtrlID(child);
    std::wstring cls = class_name(child);
    if (cls == L"Edit") {
      log.texts[id] = window_text(child);
    } else if (cls == L"ListBox") {
      log.selections[id] = static_cast<int>(SendMessageW(child, LB_GETCURSEL, 0, 0));
    } else if (cls == L"Button" &&
               (GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK) == BS_AUTOCHECKBOX) {
      log.checks[id] = SendMessageW(child, BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
  }
}

INT_PTR CALLBACK minimal_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* log = reinterpret_cast<DialogLog*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dialog, DWLP_USER, lparam);
      log = reinterpret_cast<DialogLog*>(lparam);
      if (log->on_init) log->on_init(dialog);
      return TRUE;
    case WM_COMMAND: {
      int id = LOWORD(wparam), code = HIWORD(wparam);
      log->commands.emplace_back(id, code);
      if (log->on_command) log->on_command(dialog, id, code);
      if (id == IDOK && code == BN_CLICKED) {
        capture_controls(dialog, *log);
        EndDialog(dialog, IDOK);
      } else if (id == IDCANCEL && !log->about_box_rules) {
        EndDialog(dialog, IDCANCEL);
      }
      return TRUE;
    }
    case WM_CLOSE:
      if (!log || !log->about_box_rules) return FALSE;
      EndDialog(dialog, 0);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

HMODULE resource_library() {
  static HMODULE library = [] {
    wchar_t path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path, n);
    dir.resize(dir.find_last_of(L'\\') + 1);
    return LoadLibraryW((dir + L"MivoOlkRes.dll").c_str());
  }();
  return library;
}

INT_PTR run_dialog(int template_id, HWND owner, DialogLog& log, LANGID language) {
  const DLGTEMPLATE* found = mivo::win::dialog_template(resource_library(), template_id, language);
  if (!found) return -1;
  return DialogBoxIndirectParamW(resource_library(), found, owner, minimal_dialog_proc,
                                 reinterpret_cast<LPARAM>(&log));
}

std::wstring load_string(UINT id, LANGID language) {
  return mivo::win::load_string(resource_library(), static_cast<int>(id), language);
}

}  // namespace mivo::robot
