// What the host's three kinds of window share: the state each top-level
// window keeps, the ribbon strip at its top, and small helpers for child
// controls. Internal to the windows (host_windows.h is their interface).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace mivo::outlookhost {

class outlook_host;
class inspector_object;

// A group of the strip as laid out.
struct group_frame {
  RECT frame;
  std::wstring label;
  std::wstring tab;  // set on a tab's first group
};

// What a window keeps: its host, its item (inspectors) and its strip's
// layout.
struct window_state {
  outlook_host* host = nullptr;
  inspector_object* inspector = nullptr;  // null for the explorer
  HWND strip = nullptr;
  std::vector<group_frame> groups;
  bool updating = false;  // fields being filled from the item
  int clicking = 0;       // inside a strip button's click
  // The body's revision the editor shows, and whether a redraw is posted.
  std::uint64_t body_shown = ~std::uint64_t{0};
  bool body_posted = false;
  std::vector<int> commands_shown;
};

window_state* state_of(HWND window);
HFONT ui_font();
HWND child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int id,
           DWORD ex_style = 0);
std::wstring window_text(HWND window);
// Registers a top-level window class of the host (once per name).
void register_window_class(const wchar_t* name, WNDPROC procedure);

// The ribbon strip (ribbon_strip.cpp): made as the window's first child,
// laid out again from the ribbon host's answers.
HWND create_ribbon_strip(HWND top_level);
void layout_strip(HWND top_level, window_state& state);
// The host's own commands of a window: (id, label), in order.
std::vector<std::pair<int, const wchar_t*>> host_commands(const window_state& state);

}  // namespace mivo::outlookhost
