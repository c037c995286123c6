// Finding the fields in the active window's tree and moving the focus.
#include "edit_fields.h"

#include <windows.h>

namespace mivo::addin {

namespace {

constexpr int kToField = 4100;
constexpr int kSubjectField = 4102;
constexpr int kFieldBeforeTo = 4106;
// Long enough for the window to take the field's text in.
constexpr DWORD kSettleMilliseconds = 100;

// The control `id` in the tree below `window`, depth first.
HWND find_control(HWND window, int id) {
  if (HWND direct = GetDlgItem(window, id)) return direct;
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (HWND found = find_control(child, id)) return found;
  }
  return nullptr;
}

// Focus to `away` and back to `field`, so that `field` loses it once.
void leave_and_return(HWND field, HWND away) {
  SetFocus(away);
  Sleep(kSettleMilliseconds);
  SetFocus(field);
}

}  // namespace

void CommitEditFields() {
  const HWND window = GetActiveWindow();
  if (!window) return;
  const HWND before_to = find_control(window, kFieldBeforeTo);
  const HWND to = find_control(window, kToField);
  const HWND subject = find_control(window, kSubjectField);
  if (!to || !subject) return;
  if (before_to && GetFocus() == before_to) {
    OutputDebugStringW(L"find hTo");
    leave_and_return(before_to, to);
  }
  if (GetFocus() == to) {
    OutputDebugStringW(L"find hSubject");
    leave_and_return(to, subject);
  }
}

}  // namespace mivo::addin
