// The item window (inspector): the attendee, subject and location fields,
// the times and the body in a rich edit control with the bookmarks shaded.
//
// Fields commit as the host chooses, Outlook's own timing not being
// documented: subject, location and body reach the item as they are typed;
// names typed into the attendee fields become recipients when the field
// loses the focus or the item is sent or saved, which is the moment an
// add-in that moves the focus out of those fields relies on.
#include <richedit.h>

#include <algorithm>

#include "host_windows.h"
#include "outlook_host.h"
#include "portable/oadate.h"
#include "window_parts.h"
#include "win/wide_text.h"

namespace mivo::outlookhost {

using win::to_wide;

namespace {

constexpr wchar_t kInspectorClass[] = L"MivoHostInspector";
constexpr COLORREF kBookmarkColour = RGB(214, 232, 255);

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
      created->strip = create_ribbon_strip(window);
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
    case kBodyMessage:
      if (state && state->inspector) {
        state->body_posted = false;
        state->updating = true;
        show_body(*state, GetDlgItem(window, kBodyField));
        state->body_shown = state->inspector->item().fields().body->revision();
        state->updating = false;
      }
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

}  // namespace

HWND create_inspector_window(outlook_host& host, inspector_object& inspector) {
  register_window_class(kInspectorClass, inspector_proc);
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
  if (!rich_edit_library()) {
    set(kBodyField, std::wstring(fields.body->text().begin(), fields.body->text().end() - 1));
  } else if (fields.body->revision() != state->body_shown && !state->body_posted) {
    // Drawn once the message at hand is done, as Word draws: a burst of
    // edits (an add-in's, within one event) costs one drawing, and none
    // falls inside the add-in's own call.
    state->body_posted = PostMessageW(inspector_window, kBodyMessage, 0, 0) != FALSE;
  }
  state->updating = false;
  // The commands depend on the meeting status.
  std::vector<int> now;
  for (const auto& entry : host_commands(*state)) now.push_back(entry.first);
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

}  // namespace mivo::outlookhost
