// The explorer and inspector windows with their ribbon strips.
//
// Fields commit as the host chooses, Outlook's own timing not being
// documented: subject, location and body reach the item as they are typed;
// names typed into the attendee fields become recipients when the field
// loses the focus or the item is sent or saved, which is the moment an
// add-in that moves the focus out of those fields relies on.
#include "host_windows.h"

#include <richedit.h>
#include <windowsx.h>

#include <algorithm>
#include <memory>

#include "outlook_host.h"
#include "portable/oadate.h"
#include "win/wide_text.h"

namespace mivo::outlookhost {

using win::to_wide;

namespace {

constexpr wchar_t kExplorerClass[] = L"MivoHostExplorer";
constexpr wchar_t kInspectorClass[] = L"MivoHostInspector";
constexpr wchar_t kStripClass[] = L"MivoHostRibbon";
constexpr int kStripId = 1;
constexpr COLORREF kStripColour = RGB(243, 243, 243);
constexpr COLORREF kBookmarkColour = RGB(214, 232, 255);

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
           DWORD ex_style = 0) {
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

// What a window keeps: its host, its item (inspectors) and its strip's
// layout.
struct group_frame {
  RECT frame;
  std::wstring label;
  std::wstring tab;  // set on a tab's first group
};

struct window_state {
  outlook_host* host = nullptr;
  inspector_object* inspector = nullptr;  // null for the explorer
  HWND strip = nullptr;
  std::vector<group_frame> groups;
  bool updating = false;  // fields being filled from the item
  int clicking = 0;       // inside a strip button's click
  std::vector<int> commands_shown;
};

window_state* state_of(HWND window) {
  return reinterpret_cast<window_state*>(GetWindowLongPtrW(window, GWLP_USERDATA));
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

// The host's own commands of a window: (id, label), in order.
std::vector<std::pair<int, const wchar_t*>> commands(const window_state& state) {
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
  const auto own = commands(state);
  group_frame first{RECT{x, top_y - 2, 0, kRibbonHeight - 2}, state.inspector ? L"Actions" : L"New",
                    state.inspector ? L"Home" : L"Home"};
  x += 4;
  for (const auto& [id, label] : own) {
    HWND button = child(strip, L"BUTTON", label, BS_OWNERDRAW, id);
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
      HWND button = child(strip, L"BUTTON", to_wide(control.id).c_str(), BS_OWNERDRAW, id);
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

// --- the item window -----------------------------------------------------------

HMODULE rich_edit_library() {
  static HMODULE library = LoadLibraryW(L"msftedit.dll");
  return library;
}

std::wstring body_from_editor(HWND editor) {
  GETTEXTLENGTHEX length{GTL_NUMCHARS | GTL_PRECISE, 1200};
  const LRESULT count =
      SendMessageW(editor, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0);
  std::wstring text(static_cast<std::size_t>(count) + 1, L'\0');
  GETTEXTEX get{static_cast<DWORD>(text.size() * sizeof(wchar_t)), GT_DEFAULT, 1200, nullptr,
                nullptr};
  text.resize(
      static_cast<std::size_t>(SendMessageW(editor, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get),
                                            reinterpret_cast<LPARAM>(text.data()))));
  return text;
}

std::wstring names_of(const item_base& item, long type) {
  std::wstring names;
  for (const auto& r : item.fields().recipients) {
    if (r.type != type) continue;
    if (!names.empty()) names += L"; ";
    names += r.entry ? r.entry->name : r.typed;
  }
  return names;
}

std::vector<std::wstring> split_names(const std::wstring& text) {
  std::vector<std::wstring> names;
  std::wstring current;
  for (wchar_t c : text + L";") {
    if (c == L';' || c == L',') {
      const auto first = current.find_first_not_of(L" \t");
      const auto last = current.find_last_not_of(L" \t");
      if (first != std::wstring::npos) names.push_back(current.substr(first, last - first + 1));
      current.clear();
    } else {
      current += c;
    }
  }
  return names;
}

void commit_names(item_base& item, const std::wstring& text, long type) {
  const auto wanted = split_names(text);
  std::vector<int> gone;
  std::vector<std::wstring> kept;
  for (const auto& r : item.fields().recipients) {
    if (r.type != type) continue;
    const std::wstring name = r.entry ? r.entry->name : r.typed;
    const auto match = std::find_if(wanted.begin(), wanted.end(), [&](const std::wstring& w) {
      return _wcsicmp(w.c_str(), name.c_str()) == 0 || _wcsicmp(w.c_str(), r.typed.c_str()) == 0;
    });
    if (match == wanted.end())
      gone.push_back(r.id);
    else
      kept.push_back(*match);
  }
  for (int id : gone) item.remove_recipient(id);
  for (const auto& name : wanted) {
    if (std::find(kept.begin(), kept.end(), name) == kept.end()) item.add_recipient(name, type);
  }
}

void layout_inspector(HWND window) {
  window_state* state = state_of(window);
  if (!state) return;
  RECT client;
  GetClientRect(window, &client);
  const int width = client.right;
  MoveWindow(state->strip, 0, 0, width, kRibbonHeight, TRUE);
  int y = kRibbonHeight + 8;
  const std::pair<int, int> rows[] = {{kToField, 4501},
                                      {kOptionalField, 4502},
                                      {kSubjectField, 4503},
                                      {kLocationField, 4504},
                                      {kTimesText, 4505}};
  for (const auto& [field, label] : rows) {
    MoveWindow(GetDlgItem(window, label), 10, y + 3, 90, 20, TRUE);
    MoveWindow(GetDlgItem(window, field), 104, y, width - 114, 23, TRUE);
    y += 28;
  }
  MoveWindow(GetDlgItem(window, kBodyField), 10, y + 4, width - 20, client.bottom - y - 14, TRUE);
}

void show_body(window_state& state, HWND editor) {
  WordDocument& story = *state.inspector->item().fields().body;
  const std::u16string& all = story.text();
  const std::wstring body(all.begin(), all.end() - 1);
  // Text the editor already holds came from its user: the caret stays.
  const bool typed_here = body_from_editor(editor) == body;
  CHARRANGE caret{};
  SendMessageW(editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&caret));
  if (!typed_here) {
    SETTEXTEX set{ST_DEFAULT, 1200};
    SendMessageW(editor, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&set),
                 reinterpret_cast<LPARAM>(body.c_str()));
  }
  // Bookmarks shown with a background, as Word shows them when asked to.
  CHARFORMAT2W plain{};
  plain.cbSize = sizeof(plain);
  plain.dwMask = CFM_BACKCOLOR;
  plain.dwEffects = CFE_AUTOBACKCOLOR;
  CHARRANGE everything{0, -1};
  SendMessageW(editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&everything));
  SendMessageW(editor, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&plain));
  CHARFORMAT2W marked = plain;
  marked.dwEffects = 0;
  marked.crBackColor = kBookmarkColour;
  for (auto id :
       story.bookmarks_within({0, story.story_length()}, WordDocument::Order::by_position)) {
    const Span span = story.bookmark_span(id);
    CHARRANGE range{span.start, span.end};
    SendMessageW(editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    SendMessageW(editor, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&marked));
  }
  if (typed_here) {
    story.set_range(story.selection(), caret.cpMin, caret.cpMax);
  } else {
    const Span selection = story.range(story.selection());
    caret = CHARRANGE{selection.start, selection.end};
  }
  SendMessageW(editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&caret));
}

std::wstring caption_of(const item_base& item) {
  const std::wstring& subject = item.fields().subject;
  const wchar_t* kind = !item.is_appointment()                         ? L"Meeting Request"
                        : item.fields().meeting_status == olNonMeeting ? L"Appointment"
                                                                       : L"Meeting";
  return (subject.empty() ? std::wstring(L"Untitled") : subject) + L" - " + kind;
}

std::wstring times_of(const item_fields& fields) {
  const std::string start = format_date(fields.start) + " " + format_time(fields.start);
  const std::string end = format_date(fields.end) == format_date(fields.start)
                              ? format_time(fields.end)
                              : format_date(fields.end) + " " + format_time(fields.end);
  return to_wide(start + " - " + end);
}

void command(HWND window, window_state& state, int id) {
  session& outlook = state.host->outlook();
  inspector_object* inspector = state.inspector;
  com::com_ptr<item_base> item(&inspector->item());
  // Sending or saving takes in what the attendee fields hold.
  if (id != kDeleteButton) commit_recipient_fields(window);
  switch (id) {
    case kSendButton:
      if (item->is_appointment()) outlook.send(static_cast<appointment_item&>(*item));
      return;
    case kSaveButton:
      outlook.save(*item);
      return;
    case kSaveCloseButton:
      outlook.close(*inspector, olSave, true);
      return;
    case kDeleteButton:
      outlook.remove(*item);
      return;
    case kCancelMeetingButton:
      item->set_meeting_status(olMeetingCanceled);
      outlook.send(static_cast<appointment_item&>(*item));
      return;
  }
}

LRESULT CALLBACK inspector_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  window_state* state = state_of(window);
  switch (message) {
    case WM_CREATE: {
      auto* created =
          static_cast<window_state*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
      created->strip = child(window, kStripClass, L"", 0, kStripId);
      const bool editable = created->inspector->item().is_appointment();
      const DWORD edit = WS_TABSTOP | ES_AUTOHSCROLL | (editable ? 0 : ES_READONLY);
      const std::pair<int, const wchar_t*> labels[] = {{4501, L"To..."},
                                                       {4502, L"Optional..."},
                                                       {4503, L"Subject"},
                                                       {4504, L"Location"},
                                                       {4505, L"Start - End"}};
      for (const auto& [id, text] : labels) child(window, L"STATIC", text, SS_LEFT, id);
      child(window, L"EDIT", L"", edit, kToField, WS_EX_CLIENTEDGE);
      child(window, L"EDIT", L"", edit, kOptionalField, WS_EX_CLIENTEDGE);
      child(window, L"EDIT", L"", edit, kSubjectField, WS_EX_CLIENTEDGE);
      child(window, L"EDIT", L"", edit, kLocationField, WS_EX_CLIENTEDGE);
      child(window, L"STATIC", L"", SS_LEFT, kTimesText);
      HWND body = child(
          window, rich_edit_library() ? MSFTEDIT_CLASS : L"EDIT", L"",
          WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_WANTRETURN | (editable ? 0 : ES_READONLY),
          kBodyField, WS_EX_CLIENTEDGE);
      SendMessageW(body, EM_SETEVENTMASK, 0, ENM_CHANGE | ENM_SELCHANGE);
      return 0;
    }
    case WM_SIZE:
      layout_inspector(window);
      return 0;
    case WM_COMMAND: {
      if (!state || state->updating) break;
      const int id = LOWORD(wparam);
      const int code = HIWORD(wparam);
      item_base& item = state->inspector->item();
      HWND control = reinterpret_cast<HWND>(lparam);
      if (code == EN_CHANGE && id == kSubjectField) {
        item.set_subject(window_text(control));
        SetWindowTextW(window, caption_of(item).c_str());
      } else if (code == EN_CHANGE && id == kLocationField) {
        item.set_location(window_text(control));
      } else if (code == EN_CHANGE && id == kBodyField) {
        item.set_body_text(body_from_editor(control));
      } else if (code == EN_KILLFOCUS && (id == kToField || id == kOptionalField)) {
        commit_recipient_fields(window);
      } else if (code == BN_CLICKED && id >= kSendButton) {
        command(window, *state, id);
      }
      return 0;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lparam);
      if (state && !state->updating && header->idFrom == kBodyField &&
          header->code == EN_SELCHANGE) {
        const auto* change = reinterpret_cast<const SELCHANGE*>(lparam);
        WordDocument& story = *state->inspector->item().fields().body;
        story.set_range(story.selection(), change->chrg.cpMin, change->chrg.cpMax);
      }
      return 0;
    }
    case kRefreshMessage:
      if (state) state->host->refresh_ribbons();
      return 0;
    case WM_CLOSE:
      if (state) {
        commit_recipient_fields(window);
        state->host->outlook().close(*state->inspector, olPromptForSave, true);
      }
      return 0;
    case WM_NCDESTROY:
      delete state;
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

// --- the main window ---------------------------------------------------------

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
      created->strip = child(window, kStripClass, L"", 0, kStripId);
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

void register_classes() {
  static const bool registered = [] {
    WNDCLASSW cls{};
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    cls.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    cls.lpfnWndProc = explorer_proc;
    cls.lpszClassName = kExplorerClass;
    RegisterClassW(&cls);
    cls.lpfnWndProc = inspector_proc;
    cls.lpszClassName = kInspectorClass;
    RegisterClassW(&cls);
    cls.lpfnWndProc = strip_proc;
    cls.lpszClassName = kStripClass;
    cls.hbrBackground = nullptr;
    RegisterClassW(&cls);
    return true;
  }();
  (void)registered;
}

}  // namespace

HWND create_explorer_window(outlook_host& host) {
  register_classes();
  auto* state = new window_state();
  state->host = &host;
  HWND window = CreateWindowExW(0, kExplorerClass, L"Calendar - Mivo Tester - Outlook (host)",
                                WS_OVERLAPPEDWINDOW, 20, 20, 1040, 620, nullptr, nullptr,
                                GetModuleHandleW(nullptr), state);
  if (!window) delete state;
  layout_explorer(window);
  return window;
}

HWND create_inspector_window(outlook_host& host, inspector_object& inspector) {
  register_classes();
  auto* state = new window_state();
  state->host = &host;
  state->inspector = &inspector;
  const int offset = 30 * static_cast<int>(host.outlook().open_inspectors().size() % 8);
  HWND window = CreateWindowExW(0, kInspectorClass, caption_of(inspector.item()).c_str(),
                                WS_OVERLAPPEDWINDOW, 120 + offset, 80 + offset, 980, 700, nullptr,
                                nullptr, GetModuleHandleW(nullptr), state);
  if (!window) delete state;
  layout_inspector(window);
  return window;
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

void show_item(HWND inspector_window) {
  window_state* state = state_of(inspector_window);
  if (!state || !state->inspector) return;
  const item_base& item = state->inspector->item();
  const item_fields& fields = item.fields();
  state->updating = true;
  const auto set = [&](int id, const std::wstring& text) {
    HWND field = GetDlgItem(inspector_window, id);
    if (window_text(field) != text) SetWindowTextW(field, text.c_str());
  };
  // A field being typed in keeps its own text until it is left.
  HWND focus = GetFocus();
  if (focus != GetDlgItem(inspector_window, kToField)) set(kToField, names_of(item, olRequired));
  if (focus != GetDlgItem(inspector_window, kOptionalField))
    set(kOptionalField, names_of(item, olOptional));
  set(kSubjectField, fields.subject);
  set(kLocationField, fields.location);
  set(kTimesText, times_of(fields));
  SetWindowTextW(inspector_window, caption_of(item).c_str());
  HWND body = GetDlgItem(inspector_window, kBodyField);
  if (rich_edit_library())
    show_body(*state, body);
  else
    set(kBodyField, std::wstring(fields.body->text().begin(), fields.body->text().end() - 1));
  state->updating = false;
  // The commands depend on the meeting status.
  std::vector<int> now;
  for (const auto& entry : commands(*state)) now.push_back(entry.first);
  if (state->strip && now != state->commands_shown) {
    state->commands_shown = now;
    layout_ribbon(inspector_window);
  }
}

void commit_recipient_fields(HWND inspector_window) {
  window_state* state = state_of(inspector_window);
  if (!state || !state->inspector || !state->inspector->item().is_appointment()) return;
  item_base& item = state->inspector->item();
  const bool was_meeting = item.fields().meeting_status != olNonMeeting;
  const std::wstring to = window_text(GetDlgItem(inspector_window, kToField));
  const std::wstring optional = window_text(GetDlgItem(inspector_window, kOptionalField));
  // Inviting attendees makes an appointment a meeting, as in Outlook.
  if (!was_meeting && !(split_names(to).empty() && split_names(optional).empty()))
    item.set_meeting_status(olMeeting);
  commit_names(item, to, olRequired);
  commit_names(item, optional, olOptional);
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
