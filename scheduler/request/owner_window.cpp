// Warning boxes and the owner-window fallbacks.
#include "owner_window.h"

#include "resource_ids.h"

namespace mivo {

void show_warning(UserInterfacePort& ui, WindowHandle owner, const std::string& text) {
  ui.message_box(owner, text, ui.load_string(IDS_WARNING_CAPTION), msgbox::kWarning);
}

void show_warning(UserInterfacePort& ui, WindowHandle owner, int string_id) {
  show_warning(ui, owner, ui.load_string(string_id));
}

namespace {
WindowHandle own_foreground_window(UserInterfacePort& ui) {
  const WindowHandle foreground = ui.foreground_window();
  return ui.is_window(foreground) && ui.belongs_to_this_process(foreground) ? foreground : 0;
}
}  // namespace

WindowHandle active_or_foreground(UserInterfacePort& ui) {
  const WindowHandle active = ui.active_window();
  return ui.is_window(active) ? active : own_foreground_window(ui);
}

WindowHandle request_owner(UserInterfacePort& ui, WindowHandle chosen) {
  return ui.is_window(chosen) ? chosen : own_foreground_window(ui);
}

}  // namespace mivo
