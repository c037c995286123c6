// Ribbon ids, commands, resources and the visibility rules.
#include "ribbon_controls.h"

#include <cstddef>

#include "portable/text.h"

namespace mivo::addin {

namespace {

constexpr int kExplorerXml = 102;
constexpr int kAppointmentXml = 116;

// "MIVO-00_" to "MIVO-02_": the main window's placements.
bool has_main_window_prefix(std::string_view id) {
  return id.size() > 8 && id.substr(0, 6) == "MIVO-0" && id[6] >= '0' && id[6] <= '2' &&
         id[7] == '_';
}

bool is_sign_in_button(std::string_view id) {
  return (has_main_window_prefix(id) && id.substr(8) == "AccountSetting") ||
         id == control::kAppointmentSignIn;
}

bool is_sign_out_button(std::string_view id) {
  return (has_main_window_prefix(id) && id.substr(8) == "Cancellation") ||
         id == control::kAppointmentSignOut;
}

bool tracker_visibility(std::string_view id, const TrackedAppointment& tracked) {
  if (tracked.in_deleted_items) return false;
  if (id == control::kAdd) return !tracked.online_meeting;
  if (id == control::kCancel || id == control::kSetting) return tracked.online_meeting;
  return id == control::kGroup;
}

}  // namespace

std::string control::sign_in(int placement) {
  return "MIVO-0" + std::to_string(placement) + "_AccountSetting";
}

std::string control::sign_out(int placement) {
  return "MIVO-0" + std::to_string(placement) + "_Cancellation";
}

RibbonCommand ribbon_command(std::string_view id) {
  if (id == control::kAdd) return RibbonCommand::tracker_add;
  if (id == control::kCancel) return RibbonCommand::tracker_cancel;
  if (id == control::kSetting) return RibbonCommand::tracker_setting;
  if (id == control::kGroup) return RibbonCommand::tracker_group;
  if (is_sign_in_button(id)) return RibbonCommand::sign_in;
  if (is_sign_out_button(id)) return RibbonCommand::sign_out;
  if (!has_main_window_prefix(id)) return RibbonCommand::none;
  const std::string_view name = id.substr(8);
  if (name == "ScheduleMeeting" || name == "ScheduleOnlineMeeting")
    return RibbonCommand::new_online_meeting;
  if (name == "AboutDlg") return RibbonCommand::about;
  if (name == "StartInstantMeeting" || name == "StartVideoMeeting")
    return RibbonCommand::instant_meeting;
  return RibbonCommand::none;
}

bool is_tracker_command(RibbonCommand command) {
  return command == RibbonCommand::tracker_add || command == RibbonCommand::tracker_cancel ||
         command == RibbonCommand::tracker_setting || command == RibbonCommand::tracker_group;
}

std::optional<int> ribbon_xml_resource(std::string_view ribbon_id) {
  if (equal_ignoring_ascii_case(ribbon_id, "Microsoft.Outlook.Appointment")) return kAppointmentXml;
  if (equal_ignoring_ascii_case(ribbon_id, "Microsoft.Outlook.Explorer")) return kExplorerXml;
  return std::nullopt;
}

std::u16string ribbon_markup(std::u16string_view resource_text) {
  const std::size_t last = resource_text.rfind(u'>');
  if (last == std::u16string_view::npos) return std::u16string();
  return std::u16string(resource_text.substr(0, last + 1));
}

std::optional<int> image_bitmap(std::string_view name) {
  // "Onling", as the ribbon markup has always spelt it.
  static constexpr std::pair<const char*, int> kImages[] = {{"Attend_Meeting_Btn", 139},
                                                            {"Schedule_Meeting_Btn", 140},
                                                            {"Onling_Meeting_Btn", 141},
                                                            {"Setup_Meeting_Btn", 142}};
  for (const auto& [image, bitmap] : kImages) {
    if (equal_ignoring_ascii_case(name, image)) return bitmap;
  }
  return std::nullopt;
}

bool control_visible(std::string_view id, const SignInState& state,
                     const std::optional<TrackedAppointment>& tracked, bool current) {
  bool visible = current;
  if (is_sign_in_button(id)) visible = state.need_login;
  if (is_sign_out_button(id)) {
    if (state.logged_in)
      visible = true;
    else if (!state.need_login)
      visible = false;
  }
  if (tracked) {
    visible = tracker_visibility(id, *tracked);
    if (id == control::kAppointmentSignIn && state.need_login) visible = true;
    if (id == control::kAppointmentSignOut && state.logged_in) visible = true;
  }
  return visible;
}

}  // namespace mivo::addin
