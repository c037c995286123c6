// The add-in's ribbon as data and rules: which XML resource answers which
// ribbon, which bitmap answers which picture name, what each control id
// does when clicked, and whether a control is shown.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mivo::addin {

// Control ids the add-in acts on. The MIVO-00_ to MIVO-02_ prefixes are three
// placements of the main window's buttons; MIVO-03_ and Mivo-03_ belong to
// the appointment window.
namespace control {
inline constexpr char kAdd[] = "Mivo-03_Add";
inline constexpr char kCancel[] = "Mivo-03_Cancel";
inline constexpr char kSetting[] = "Mivo-03_Setting";
inline constexpr char kGroup[] = "Mivo-03_Group";
inline constexpr char kAppointmentSignIn[] = "MIVO-03_AccountSetting";
inline constexpr char kAppointmentSignOut[] = "MIVO-03_Cancellation";
// The main window's sign-in and sign-out buttons, placement 0 to 2.
std::string sign_in(int placement);
std::string sign_out(int placement);
}  // namespace control

enum class RibbonCommand {
  none,                // an id of no command
  new_online_meeting,  // ScheduleMeeting, ScheduleOnlineMeeting
  sign_in,             // AccountSetting
  sign_out,            // Cancellation
  about,               // AboutDlg
  instant_meeting,     // StartInstantMeeting, StartVideoMeeting
  tracker_add,         // the appointment window's own group
  tracker_cancel,
  tracker_setting,
  tracker_group,
};

// The command of a control id; ids match exactly, case included, so the
// main window's commands with the appointment window's prefix are none.
RibbonCommand ribbon_command(std::string_view id);

// Whether the command belongs to the tracker of the control's window.
bool is_tracker_command(RibbonCommand command);

// The XML resource for a ribbon id (ASCII case ignored): 102 for
// "Microsoft.Outlook.Explorer", 116 for "Microsoft.Outlook.Appointment".
std::optional<int> ribbon_xml_resource(std::string_view ribbon_id);

// The markup of an XML resource read as UTF-16 text: everything up to and
// including its last '>', so padding after the closing tag goes; "" when
// there is no '>'.
std::u16string ribbon_markup(std::u16string_view resource_text);

// The bitmap resource of a picture name (ASCII case ignored).
std::optional<int> image_bitmap(std::string_view name);

// Who is signed in, as the ribbon shows it. Both start as signed out.
struct SignInState {
  bool need_login = true;  // the sign-in buttons are shown
  bool logged_in = false;  // the sign-out buttons are shown

  void signed_in() {
    need_login = false;
    logged_in = true;
  }
  void signed_out() {
    need_login = true;
    logged_in = false;
  }
};

// The appointment a control's window shows, as far as the ribbon cares.
struct TrackedAppointment {
  bool in_deleted_items = false;
  bool online_meeting = false;
};

// Whether control `id` is shown, given the value Office passed in
// (`current`), the sign-in state and, for a window whose tracker was found,
// that tracker's appointment. Controls no rule speaks of keep `current`.
bool control_visible(std::string_view id, const SignInState& state,
                     const std::optional<TrackedAppointment>& tracked, bool current);

}  // namespace mivo::addin
