// The main window (explorer): its ribbon strip, the folder list and the
// items of the chosen folder, with Open and Delete.
#include "host_windows.h"
#include "outlook_host.h"
#include "portable/oadate.h"
#include "window_parts.h"
#include "win/wide_text.h"

namespace mivo::outlookhost {

using win::to_wide;

namespace {

constexpr wchar_t kExplorerClass[] = L"MivoHostExplorer";

const std::pair<folder_id, const wchar_t*> kFolders[] = {
    {folder_id::calendar, L"Calendar"},
    {folder_id::inbox, L"Inbox"},
    {folder_id::sent_items, L"Sent Items"},
    {folder_id::deleted_items, L"Deleted Items"}};

folder_id chosen_folder(HWND window) {
  const LRESULT index = SendDlgItemMessageW(window, kFolderList, CB_GETCURSEL, 0, 0);
  return index >= 0 && index < 4 ? kFolders[index].first : folder_id::calendar;
}

com::com_ptr<item_base> chosen_item(HWND window) {
  window_state* state = state_of(window);
  const LRESULT index = SendDlgItemMessageW(window, kItemList, LB_GETCURSEL, 0, 0);
  const auto items = state->host->outlook().items(chosen_folder(window));
  if (index < 0 || index >= static_cast<LRESULT>(items.size())) return nullptr;
  return items[index];
}

void layout_explorer(HWND window) {
  window_state* state = state_of(window);
  if (!state) return;
  RECT client;
  GetClientRect(window, &client);
  MoveWindow(state->strip, 0, 0, client.right, kRibbonHeight, TRUE);
  const int y = kRibbonHeight + 8;
  MoveWindow(GetDlgItem(window, kFolderList), 10, y, 180, 200, TRUE);
  MoveWindow(GetDlgItem(window, kOpenButton), 200, y, 80, 24, TRUE);
  MoveWindow(GetDlgItem(window, kDeleteItemButton), 288, y, 80, 24, TRUE);
  MoveWindow(GetDlgItem(window, kItemList), 10, y + 32, client.right - 20, client.bottom - y - 42,
             TRUE);
}

LRESULT CALLBACK explorer_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  window_state* state = state_of(window);
  switch (message) {
    case WM_CREATE: {
      auto* created =
          static_cast<window_state*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
      created->strip = create_ribbon_strip(window);
      HWND folders = child(window, L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_TABSTOP, kFolderList);
      for (const auto& [id, name] : kFolders)
        SendMessageW(folders, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
      SendMessageW(folders, CB_SETCURSEL, 0, 0);
      child(window, L"BUTTON", L"Open", BS_PUSHBUTTON | WS_TABSTOP, kOpenButton);
      child(window, L"BUTTON", L"Delete", BS_PUSHBUTTON | WS_TABSTOP, kDeleteItemButton);
      child(window, L"LISTBOX", L"", LBS_NOTIFY | WS_VSCROLL | WS_TABSTOP, kItemList,
            WS_EX_CLIENTEDGE);
      return 0;
    }
    case WM_SIZE:
      layout_explorer(window);
      return 0;
    case WM_COMMAND: {
      if (!state) break;
      session& outlook = state->host->outlook();
      const int id = LOWORD(wparam), code = HIWORD(wparam);
      if (id == kNewAppointmentButton || id == kNewMeetingButton) {
        auto item = outlook.create_appointment();
        if (id == kNewMeetingButton) item->set_meeting_status(olMeeting);
        outlook.display(*item);
      } else if (id == kFolderList && code == CBN_SELCHANGE) {
        show_folder(window);
      } else if ((id == kOpenButton && code == BN_CLICKED) ||
                 (id == kItemList && code == LBN_DBLCLK)) {
        if (auto item = chosen_item(window)) outlook.display(*item);
      } else if (id == kDeleteItemButton && code == BN_CLICKED) {
        if (auto item = chosen_item(window)) outlook.remove(*item);
      }
      return 0;
    }
    case kRefreshMessage:
      if (state) state->host->refresh_ribbons();
      return 0;
    case WM_CLOSE:
      if (state) state->host->explorer_closed();
      return 0;
    case kQuitMessage:
      if (state) state->host->quit();
      return 0;
    case WM_NCDESTROY:
      delete state;
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

HWND create_explorer_window(outlook_host& host) {
  register_window_class(kExplorerClass, explorer_proc);
  auto* state = new window_state();
  state->host = &host;
  HWND window = CreateWindowExW(0, kExplorerClass, L"Calendar - Mivo Tester - Outlook (host)",
                                WS_OVERLAPPEDWINDOW, 20, 20, 1040, 620, nullptr, nullptr,
                                GetModuleHandleW(nullptr), state);
  if (!window) delete state;
  layout_explorer(window);
  return window;
}

void show_folder(HWND explorer_window) {
  window_state* state = state_of(explorer_window);
  if (!state) return;
  HWND list = GetDlgItem(explorer_window, kItemList);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (const auto& item : state->host->outlook().items(chosen_folder(explorer_window))) {
    const item_fields& fields = item->fields();
    std::wstring line = to_wide(format_date(fields.start) + " " + format_time(fields.start)) +
                        L"   " + (fields.subject.empty() ? L"(no subject)" : fields.subject) +
                        (item->is_appointment() ? L"" : L"   [meeting request]");
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  }
}

}  // namespace mivo::outlookhost
