// Test support for the resource library's dialogs: MivoOlkRes.dll loaded
// from beside the test program, its templates and texts in a language it
// carries (Chinese unless told), and a minimal dialog procedure that ends on
// OK and Cancel and records what it was told and what the controls held.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace mivo::robot {

inline constexpr LANGID kChinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
inline constexpr LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

// MivoOlkRes.dll from the test program's folder, loaded once; null on failure.
HMODULE resource_library();

struct DialogLog {
  // Called at WM_INITDIALOG, to fill controls as the scheduler would.
  std::function<void(HWND dialog)> on_init;
  // Called for every WM_COMMAND before the default handling.
  std::function<void(HWND dialog, int id, int code)> on_command;
  // The About box's rule: Cancel is ignored and closing ends with 0.
  bool about_box_rules = false;

  std::vector<std::pair<int, int>> commands;  // (id, notification code)
  // The controls when OK was pressed: texts of edits, check boxes, list selections.
  std::map<int, std::wstring> texts;
  std::map<int, bool> checks;
  std::map<int, int> selections;
};

// The template in `language`, run modally on the resource library.
INT_PTR run_dialog(int template_id, HWND owner, DialogLog& log, LANGID language = kChinese);

std::wstring load_string(UINT id, LANGID language = kChinese);

}  // namespace mivo::robot
