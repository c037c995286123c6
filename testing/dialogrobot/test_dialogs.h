// Test support for the resource library's dialogs: MivoOlkRes.dll loaded
// from beside the test program, and a minimal dialog procedure that ends on
// OK and Cancel and records what it was told and what the controls held.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace mivo::robot {

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

// DialogBoxParamW on the resource library with the given template.
INT_PTR run_dialog(int template_id, HWND owner, DialogLog& log);

std::wstring load_string(UINT id);

}  // namespace mivo::robot
