// The host's windows: the main window (explorer) and the item windows
// (inspectors), each with a ribbon strip that shows the host's own
// commands and the add-ins' controls as the ribbon host answers them, and
// the item window's fields under the control IDs an add-in may look for.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace mivo::outlookhost {

class outlook_host;
class inspector_object;

// Control IDs of the item window. 4100 (To), 4102 (Subject) and 4106 are
// the IDs an add-in may commit by moving the focus; the host uses 4106 for
// the optional attendees. The others are the host's own.
enum field_id : int {
  kToField = 4100,
  kSubjectField = 4102,
  kOptionalField = 4106,
  kLocationField = 4201,
  kTimesText = 4202,
  kBodyField = 4300,
};

// The host's own commands in the ribbon strips.
enum command_id : int {
  kSendButton = 2001,
  kSaveButton = 2002,
  kSaveCloseButton = 2003,
  kDeleteButton = 2004,
  kCancelMeetingButton = 2005,
  kNewAppointmentButton = 2101,
  kNewMeetingButton = 2102,
  kFolderList = 2103,
  kItemList = 2104,
  kOpenButton = 2105,
  kDeleteItemButton = 2106,
};

// Ribbon strip height and the first ID of the add-ins' buttons in it.
inline constexpr int kRibbonHeight = 118;
inline constexpr int kFirstAddinButton = 1000;

HWND create_explorer_window(outlook_host& host);
HWND create_inspector_window(outlook_host& host, inspector_object& inspector);
// Lays the strip out again from the ribbon host's answers.
void layout_ribbon(HWND top_level);
// Fills the item window's fields from the item (the window's own edits are
// not echoed back).
void show_item(HWND inspector_window);
// What leaving the attendee fields does: the names typed become the item's
// recipients.
void commit_recipient_fields(HWND inspector_window);
// The explorer's list of items in the chosen folder.
void show_folder(HWND explorer_window);
// The button of a ribbon control or host command in a window's strip.
HWND ribbon_button(HWND top_level, const std::string& control_id);
HWND command_button(HWND top_level, int command);

// Message that asks a window to let the ribbon host ask stale controls again.
inline constexpr UINT kRefreshMessage = WM_APP + 1;
// Posted to the main window for Application.Quit.
inline constexpr UINT kQuitMessage = WM_APP + 2;
// Posted to an item window when its body changed: it is drawn again.
inline constexpr UINT kBodyMessage = WM_APP + 3;

}  // namespace mivo::outlookhost
