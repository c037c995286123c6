// The ribbon strip at the top of the host's windows: the host's own
// commands as a first group, then the add-ins' tabs, groups and controls as
// the ribbon host answers them, drawn with their pictures.
#include <windows.h>
#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "host_windows.h"
#include "outlook_host.h"
#include "window_parts.h"
#include "win/wide_text.h"

namespace mivo::outlookhost {

using win::to_wide;

namespace {

constexpr wchar_t kStripClass[] = L"MivoHostRibbon";
constexpr int kStripId = 1;
constexpr COLORREF kStripColour = RGB(243, 243, 243);

// --- buttons --------------------------------------------------------------

// A ribbon takes no keyboard focus: a click on its buttons leaves the focus,
// and the text of an attendee field not yet taken in, where they were. So
// the press is tracked here instead of by the button, which would focus
// itself.
LRESULT CALLBACK unfocused_button(HWND button, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                  DWORD_PTR) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      SetCapture(button);
      SendMessageW(button, BM_SETSTATE, TRUE, 0);
      return 0;
    case WM_LBUTTONUP: {
      if (GetCapture() != button) return 0;
      ReleaseCapture();
      SendMessageW(button, BM_SETSTATE, FALSE, 0);
      RECT inside{};
      GetClientRect(button, &inside);
      if (PtInRect(&inside, POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)}))
        SendMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
      return 0;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(button, unfocused_button, 0);
      break;
  }
  return DefSubclassProc(button, message, wparam, lparam);
}

HWND add_strip_button(HWND strip, const wchar_t* text, int id) {
  HWND button = child(strip, L"BUTTON", text, BS_OWNERDRAW, id);
  SetWindowSubclass(button, unfocused_button, 0, 0);
  return button;
}

// --- pictures -------------------------------------------------------------

void draw_picture(HDC dc, const ribbon_picture& picture, const RECT& where) {
  const int w = where.right - where.left, h = where.bottom - where.top;
  if (picture.type == PICTYPE_ICON) {
    DrawIconEx(dc, where.left, where.top, static_cast<HICON>(picture.handle), w, h, 0, nullptr,
               DI_NORMAL);
    return;
  }
  HDC source = CreateCompatibleDC(dc);
  if (picture.bits == 32 && picture.alpha) {
    // AlphaBlend takes premultiplied pixels; the picture's are straight.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP copy = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (copy && bits) {
      GetDIBits(dc, static_cast<HBITMAP>(picture.handle), 0, picture.height, bits, &info,
                DIB_RGB_COLORS);
      auto* pixel = static_cast<BYTE*>(bits);
      for (int i = 0; i < picture.width * picture.height; ++i, pixel += 4) {
        for (int c = 0; c < 3; ++c) pixel[c] = static_cast<BYTE>(pixel[c] * pixel[3] / 255);
      }
      HGDIOBJ old = SelectObject(source, copy);
      BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
      AlphaBlend(dc, where.left, where.top, w, h, source, 0, 0, picture.width, picture.height,
                 blend);
      SelectObject(source, old);
      DeleteObject(copy);
    }
  } else {
    HGDIOBJ old = SelectObject(source, picture.handle);
    SetStretchBltMode(dc, HALFTONE);
    StretchBlt(dc, where.left, where.top, w, h, source, 0, 0, picture.width, picture.height,
               SRCCOPY);
    SelectObject(source, old);
  }
  DeleteDC(source);
}

// --- the ribbon strip -------------------------------------------------------

struct strip_button {
  bool large = true;
  int width = 0;
  int height = 0;
};

const ribbon_control* control_for(window_state& state, HWND top, int id) {
  auto& controls = state.host->ribbons().controls(top);
  const int index = id - kFirstAddinButton;
  if (index < 0 || index >= static_cast<int>(controls.size())) return nullptr;
  return &controls[index];
}

void draw_strip_button(HWND top, const DRAWITEMSTRUCT& item) {
  window_state* state = state_of(top);
  HDC dc = item.hDC;
  const RECT r = item.rcItem;
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  HBRUSH background = CreateSolidBrush(pressed ? RGB(205, 225, 245) : kStripColour);
  FillRect(dc, &r, background);
  DeleteObject(background);
  FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
  SetBkMode(dc, TRANSPARENT);
  HGDIOBJ old_font = SelectObject(dc, ui_font());

  std::wstring label;
  const ribbon_picture* picture = nullptr;
  bool enabled = true, large = true;
  if (static_cast<int>(item.CtlID) < kSendButton) {
    const ribbon_control* control = control_for(*state, top, static_cast<int>(item.CtlID));
    if (!control) return;
    label = to_wide(control->label.empty() ? control->id : control->label);
    picture = control->picture;
    enabled = control->enabled;
    large = control->node->attribute("size") == "large";
  } else {
    label = window_text(item.hwndItem);
  }
  SetTextColor(dc, enabled ? RGB(32, 32, 32) : RGB(160, 160, 160));
  RECT text = r;
  if (large) {
    if (picture) {
      const int left = (r.left + r.right) / 2 - 16;
      draw_picture(dc, *picture, RECT{left, r.top + 6, left + 32, r.top + 38});
      text.top = r.top + 42;
    }
    InflateRect(&text, -3, 0);
    DrawTextW(dc, label.c_str(), -1, &text,
              DT_CENTER | DT_WORDBREAK | DT_NOPREFIX | (picture ? 0 : DT_VCENTER));
  } else {
    if (picture) draw_picture(dc, *picture, RECT{r.left + 4, r.top + 4, r.left + 20, r.top + 20});
    text.left += picture ? 24 : 6;
    DrawTextW(dc, label.c_str(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
  SelectObject(dc, old_font);
}

LRESULT CALLBACK strip_proc(HWND strip, UINT message, WPARAM wparam, LPARAM lparam) {
  HWND top = GetParent(strip);
  window_state* state = state_of(top);
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(strip, &paint);
      RECT all;
      GetClientRect(strip, &all);
      HBRUSH background = CreateSolidBrush(kStripColour);
      FillRect(dc, &all, background);
      DeleteObject(background);
      SetBkMode(dc, TRANSPARENT);
      HGDIOBJ old = SelectObject(dc, ui_font());
      if (state) {
        for (const auto& group : state->groups) {
          RECT frame = group.frame;
          FrameRect(dc, &frame, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
          RECT label{frame.left, frame.bottom - 18, frame.right, frame.bottom - 2};
          SetTextColor(dc, RGB(96, 96, 96));
          DrawTextW(dc, group.label.c_str(), -1, &label,
                    DT_CENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
          if (!group.tab.empty()) {
            RECT tab{frame.left, 1, frame.left + 400, 17};
            SetTextColor(dc, RGB(0, 90, 158));
            DrawTextW(dc, group.tab.c_str(), -1, &tab, DT_LEFT | DT_SINGLELINE);
          }
        }
      }
      SelectObject(dc, old);
      EndPaint(strip, &paint);
      return 0;
    }
    case WM_DRAWITEM:
      draw_strip_button(top, *reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
      return TRUE;
    case WM_COMMAND: {
      const int id = LOWORD(wparam);
      if (HIWORD(wparam) != BN_CLICKED || !state) break;
      if (id >= kFirstAddinButton && id < kSendButton) {
        const ribbon_control* control = control_for(*state, top, id);
        if (!control) return 0;
        const ribbon_control clicked = *control;
        ++state->clicking;
        state->host->ribbons().click(top, clicked);
        --state->clicking;
        // The window may have closed during the command.
        if (IsWindow(top)) PostMessageW(top, kRefreshMessage, 0, 0);
        return 0;
      }
      return SendMessageW(top, WM_COMMAND, wparam, lparam);
    }
  }
  return DefWindowProcW(strip, message, wparam, lparam);
}

}  // namespace

HWND create_ribbon_strip(HWND top_level) {
  static const bool registered = [] {
    WNDCLASSW cls{};
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    cls.lpfnWndProc = strip_proc;
    cls.lpszClassName = kStripClass;
    return RegisterClassW(&cls) != 0;
  }();
  (void)registered;
  return child(top_level, kStripClass, L"", 0, kStripId);
}

std::vector<std::pair<int, const wchar_t*>> host_commands(const window_state& state) {
  if (!state.inspector) {
    return {{kNewAppointmentButton, L"New Appointment"}, {kNewMeetingButton, L"New Meeting"}};
  }
  const item_base& item = state.inspector->item();
  if (!item.is_appointment()) return {{kDeleteButton, L"Delete"}};
  const long status = item.fields().meeting_status;
  std::vector<std::pair<int, const wchar_t*>> list;
  if (status == olMeeting || status == olMeetingCanceled) list.push_back({kSendButton, L"Send"});
  list.push_back({kSaveButton, L"Save"});
  list.push_back({kSaveCloseButton, L"Save & Close"});
  list.push_back({kDeleteButton, L"Delete"});
  if (status == olMeeting) list.push_back({kCancelMeetingButton, L"Cancel Meeting"});
  return list;
}

void layout_strip(HWND top, window_state& state) {
  HWND strip = state.strip;
  // Rebuild every button: the add-ins' controls may have come or gone.
  for (HWND button = GetWindow(strip, GW_CHILD); button;) {
    HWND next = GetWindow(button, GW_HWNDNEXT);
    DestroyWindow(button);
    button = next;
  }
  state.groups.clear();
  int x = 6;
  const int top_y = 20, bottom_y = kRibbonHeight - 22;

  // The host's own group first.
  const auto own = host_commands(state);
  group_frame first{RECT{x, top_y - 2, 0, kRibbonHeight - 2}, state.inspector ? L"Actions" : L"New",
                    state.inspector ? L"Home" : L"Home"};
  x += 4;
  for (const auto& [id, label] : own) {
    HWND button = add_strip_button(strip, label, id);
    MoveWindow(button, x, top_y + 2, 78, bottom_y - top_y - 4, FALSE);
    x += 80;
  }
  first.frame.right = x + 2;
  state.groups.push_back(first);
  x += 10;

  ribbon_host& ribbons = state.host->ribbons();
  auto& controls = ribbons.controls(top);
  const RibbonNode* current_tab = nullptr;
  int column_rows = 0;
  int column_x = x;
  group_frame* open_group = nullptr;
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const ribbon_control& control = controls[i];
    const std::string& element = control.node->element;
    if (element == "tab") continue;
    if (element == "group") {
      if (open_group) {
        open_group->frame.right = x + 2;
        x += 10;
      }
      open_group = nullptr;
      if (!ribbons.shown(top, control)) continue;
      group_frame frame{RECT{x, top_y - 2, 0, kRibbonHeight - 2}, to_wide(control.label), L""};
      if (control.tab != current_tab) {
        current_tab = control.tab;
        std::string tab_name = control.tab->attribute("label");
        for (const char* name : {"idMso", "id", "idQ"}) {
          if (tab_name.empty()) tab_name = control.tab->attribute(name);
        }
        frame.tab = to_wide(tab_name);
      }
      state.groups.push_back(frame);
      open_group = &state.groups.back();
      x += 4;
      column_rows = 0;
      continue;
    }
    if (!open_group || !ribbons.shown(top, control)) continue;
    if (element == "separator") {
      x += 8;
      column_rows = 0;
      continue;
    }
    const int id = kFirstAddinButton + static_cast<int>(i);
    const bool large = control.node->attribute("size") == "large";
    if (element == "labelControl") {
      HWND label = child(strip, L"STATIC", to_wide(control.label).c_str(), SS_LEFT, id);
      MoveWindow(label, x, top_y + 4 + column_rows * 26, 110, 22, FALSE);
    } else {
      HWND button = add_strip_button(strip, to_wide(control.id).c_str(), id);
      EnableWindow(button, control.enabled);
      if (large) {
        if (column_rows) x = column_x + 124;
        MoveWindow(button, x, top_y + 2, 70, bottom_y - top_y - 4, FALSE);
        x += 72;
        column_rows = 0;
        continue;
      }
      if (column_rows == 0) column_x = x;
      MoveWindow(button, column_x, top_y + 2 + column_rows * 26, 122, 24, FALSE);
    }
    if (++column_rows == 3) {
      x = column_x + 124;
      column_rows = 0;
    } else {
      x = std::max(x, column_x + 124);
    }
  }
  if (open_group) open_group->frame.right = x + 2;
  InvalidateRect(strip, nullptr, TRUE);
}

void layout_ribbon(HWND top_level) {
  window_state* state = top_level ? state_of(top_level) : nullptr;
  if (!state) return;
  if (state->clicking) {
    // Not while one of the strip's buttons is inside its own click.
    PostMessageW(top_level, kRefreshMessage, 0, 0);
    return;
  }
  layout_strip(top_level, *state);
}

HWND ribbon_button(HWND top_level, const std::string& control_id) {
  window_state* state = state_of(top_level);
  if (!state) return nullptr;
  const auto& controls = state->host->ribbons().controls(top_level);
  for (std::size_t i = 0; i < controls.size(); ++i) {
    if (controls[i].id == control_id)
      return GetDlgItem(state->strip, kFirstAddinButton + static_cast<int>(i));
  }
  return nullptr;
}

HWND command_button(HWND top_level, int command) {
  window_state* state = state_of(top_level);
  return state ? GetDlgItem(state->strip, command) : nullptr;
}

}  // namespace mivo::outlookhost
