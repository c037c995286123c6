// Warning boxes and the owner-window fallback.
#include "warnings.h"

#include "resource_ids.h"

namespace mivo {

void show_warning(IUserInterface& ui, WindowHandle owner, const std::string& text) {
  ui.message_box(owner, text, ui.load_string(IDS_WARNING_CAPTION), msgbox::kWarning);
}

void show_warning(IUserInterface& ui, WindowHandle owner, int string_id) {
  show_warning(ui, owner, ui.load_string(string_id));
}

WindowHandle active_or_foreground(IUserInterface& ui) {
  const WindowHandle active = ui.active_window();
  return ui.is_window(active) ? active : ui.foreground_window();
}

}  // namespace mivo
