// Reading the world: items through the host's session (or store), meetings
// through the service's control interface, the user from the scheduler's
// settings key.
#include "host_world.h"

#include "report.h"

#include <windows.h>

#include <algorithm>
#include <cmath>

#include "portable/json.h"
#include "portable/oadate.h"
#include "portable/text.h"
#include "host_windows.h"
#include "win/wide_text.h"

namespace mivo::explorer {

using namespace outlookhost;
using win::to_utf8;

namespace {

constexpr wchar_t kSettingsKey[] = L"Software\\Mivo_Outlook\\General";

std::string stored_setting(const wchar_t* name) {
  wchar_t value[256] = {};
  DWORD size = sizeof(value);
  if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_SZ, nullptr, value,
                   &size) != ERROR_SUCCESS)
    return "";
  return to_utf8(value);
}

const user_property_data* property(const item_fields& fields, const wchar_t* name) {
  for (const auto& p : fields.properties) {
    if (_wcsicmp(p.name.c_str(), name) == 0) return &p;
  }
  return nullptr;
}

std::string text_of(const user_property_data* p) {
  return p && p->stored == VT_BSTR ? to_utf8(p->text) : std::string();
}

std::string when(double date) { return format_date(date) + " " + format_time(date); }

Item item_of(const item_fields& fields, const item_fields& saved) {
  Item item;
  item.meeting_status = static_cast<int>(fields.meeting_status);
  item.subject = to_utf8(fields.subject);
  item.location = to_utf8(fields.location);
  std::u16string body = fields.body->text();
  if (!body.empty()) body.pop_back();  // the story's final paragraph mark
  std::replace(body.begin(), body.end(), u'\r', u'\n');
  item.body = utf16_to_utf8(body);
  item.invitation = fields.body->find_bookmark(u"MivoMailBody").has_value();
  item.start = when(fields.start);
  item.duration = static_cast<int>(std::lround((fields.end - fields.start) * 1440));
  item.recurring = fields.recurrence.has_value();
  for (const auto& r : fields.recipients) {
    if (r.type != olOrganizer && r.entry) item.attendees.push_back(to_utf8(r.entry->smtp));
  }
  const user_property_data* mivo = property(fields, L"MIVO");
  const user_property_data* saved_mivo = property(saved, L"MIVO");
  item.mivo = text_of(mivo);
  item.mivo_inherited = mivo && mivo->inherited;
  item.mivo_saved = text_of(saved_mivo);
  item.mivo_saved_inherited = saved_mivo && saved_mivo->inherited;
  item.close_mark = text_of(property(fields, L"CLOSE"));
  return item;
}

std::string folder_name(folder_id folder) {
  switch (folder) {
    case folder_id::calendar:
      return "Calendar";
    case folder_id::deleted_items:
      return "Deleted Items";
    case folder_id::inbox:
      return "Inbox";
    case folder_id::sent_items:
      return "Sent Items";
    case folder_id::outbox:
      return "Outbox";
  }
  return "";
}

constexpr folder_id kFolders[] = {folder_id::calendar, folder_id::inbox, folder_id::deleted_items,
                                  folder_id::sent_items};

void read_session(scenario_runner& runner, World& world) {
  outlook_host& host = runner.host();
  session& outlook = host.outlook();
  const auto open = outlook.open_inspectors();
  const auto window_of = [&](const item_base& item) {
    for (std::size_t i = 0; i < open.size(); ++i) {
      if (&open[i]->item() == &item) return static_cast<int>(i + 1);
    }
    return 0;
  };
  const auto add = [&](const item_base& source) {
    Item item = item_of(source.fields(), source.saved_fields());
    item.serial = source.serial();
    item.copied_from = source.copied_from();
    item.appointment = source.is_appointment();
    item.folder = folder_name(source.folder());
    item.window = window_of(source);
    item.saved = source.saved_once();
    item.dirty = source.dirty();
    world.items.push_back(std::move(item));
  };
  for (folder_id folder : kFolders) {
    for (const auto& item : outlook.items(folder)) add(*item);
  }
  for (const auto& inspector : open) {
    if (!inspector->item().saved_once()) add(inspector->item());
  }
  world.sent = static_cast<int>(outlook.sent().size());
  if (item_base* current = runner.current_item()) world.current = current->serial();
  HWND window = runner.current_window();
  for (std::size_t i = 0; i < open.size(); ++i) {
    if (open[i]->window == window) world.current_window = static_cast<int>(i + 1);
  }
  // The controls a user can click: shown, and drawn as a button.
  for (const auto& control : host.ribbons().controls(window)) {
    if (host.ribbons().shown(window, control) && control.enabled &&
        ribbon_button(window, control.id))
      world.controls.push_back(control.id);
  }
}

void read_store(const item_store& store, World& world) {
  for (folder_id folder : kFolders) {
    for (const auto& kept : store.items) {
      if (kept.folder != folder) continue;
      Item item = item_of(kept.fields, kept.fields);
      item.serial = kept.serial;
      item.copied_from = kept.copied_from;
      item.appointment = kept.appointment;
      item.folder = folder_name(folder);
      item.saved = true;
      world.items.push_back(std::move(item));
    }
  }
}

Meeting meeting_of(const Json::Value& stored) {
  Meeting m;
  m.key = read_text(mivo::member(stored, "meetingKey")).value_or("");
  m.host = read_text(mivo::member(stored, "host")).value_or("");
  m.host_account = read_text(mivo::member(stored, "hostAccountId")).value_or("");
  JsonObjectReader record(mivo::member(stored, "record"));
  m.subject = record.text("subject");
  m.start = record.text("startDate") + " " + record.text("startTime");
  m.duration = record.integer("duration");
  m.recurring = record.integer("type") != 0;
  for (const auto& p : record.array("participantList"))
    m.participants.push_back(read_text(mivo::member(p, "mail")).value_or(""));
  m.password = record.text("password");
  m.host_user_id = record.text("hostUserId");
  m.host_user_name = record.text("hostUserName");
  for (const auto& o : mivo::member(stored, "occurrences"))
    m.conference_ids.push_back(read_text(mivo::member(o, "id")).value_or(""));
  return m;
}

std::string dialog_kind(const robot::ControlIds& ids) {
  const std::pair<const robot::ControlIds*, const char*> kinds[] = {
      {&robot::kAccountDialog, "sign-in"},       {&robot::kTenancyDialog, "organisation"},
      {&robot::kMeetingDialog, "meeting-options"}, {&robot::kCancellationDialog, "sign-out"},
      {&robot::kAboutDialog, "about"},           {&robot::kCommunicationDialog, "request"}};
  for (const auto& [known, name] : kinds) {
    if (*known == ids) return name;
  }
  return "other";
}

}  // namespace

std::vector<Shown> shown_of(const std::vector<robot::ShownWindow>& windows) {
  std::vector<Shown> shown;
  for (const auto& window : windows) {
    if (window.message_box) {
      shown.push_back({"message", to_utf8(window.text)});
      continue;
    }
    robot::ControlIds ids;
    for (int id : window.control_ids) {
      if (id != -1 && id != 0xFFFF) ids.insert(id);
    }
    shown.push_back({dialog_kind(ids), to_utf8(window.caption)});
  }
  return shown;
}

World capture(scenario_runner& runner) {
  World world;
  outlook_host& host = runner.host();
  world.running = host.started();
  for (const auto& addin : host.addins()) world.addin_connected |= addin->connected();
  world.user = stored_setting(L"mivousername");
  // Whom the service takes the stored token for: after a sign-in that kept
  // a chosen organisation's name but not its token, another account.
  const Json::Value sessions = runner.service().sessions();
  world.account = read_text(mivo::member(mivo::member(sessions, stored_setting(L"mivotoken")),
                                         "accountId"))
                      .value_or("");
  if (world.running)
    read_session(runner, world);
  else
    read_store(host.store(), world);
  for (const auto& stored : runner.service().meetings()) world.meetings.push_back(meeting_of(stored));
  const auto& requests = runner.last_requests();
  for (std::size_t i = 0; i < requests.size(); ++i) {
    const auto& r = requests[i];
    world.requests.push_back(Request{r.method, r.path, r.query, r.body,
                                     static_cast<int>(i + 1) == runner.last_fault_request()});
  }
  world.shown = shown_of(runner.last_shown());
  world.answered = runner.last_standing_given();
  return world;
}

invariant_watch::invariant_watch(scenario_runner& runner) { invariants_.begin(capture(runner)); }

std::string invariant_watch::after(const Step& step, const std::vector<Step>& prepared,
                                   scenario_runner& runner) {
  const World world = capture(runner);
  const auto found = invariants_.after(step, prepared, world);
  if (found.empty()) return "";
  std::string text;
  for (const auto& line : describe_violations(found, world))
    text += (text.empty() ? "" : "\n       ") + line;
  return text;
}

}  // namespace mivo::explorer
