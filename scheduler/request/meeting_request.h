// MeetingRequest: everything a scheduler request object does, over the
// ports. The COM object CMeetingRequest converts its arguments and maps the
// results; the behaviour lives here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "account/account_flows.h"
#include "account/signed_in_user.h"
#include "meeting/meeting_info.h"
#include "ports.h"

namespace mivo {

// How a request object's method ended: S_OK, S_FALSE or E_FAIL.
enum class Result { ok, not_confirmed, failed };

// The longest subject the service takes, in UTF-16 units.
constexpr std::size_t kMaxSubjectLength = 64;

// Where the desktop meeting client registers its command, under
// HKEY_CLASSES_ROOT, and the installer's path on the download host.
constexpr const char* kDesktopClientCommandKey = "darselVantor\\shell\\open\\command";
constexpr const char* kInstallerPath = "/download/outlookplugin/VantorOutlookPluginSetup.msi";

class MeetingRequest {
 public:
  explicit MeetingRequest(SchedulerPorts ports);
  ~MeetingRequest();
  MeetingRequest(const MeetingRequest&) = delete;
  MeetingRequest& operator=(const MeetingRequest&) = delete;

  // Loads the stored meeting settings record into the snapshot (and the
  // current record as a copy of it), then the appointment record into the
  // current record and, when the item was just opened, into the snapshot.
  // Texts of two UTF-16 units or fewer stand for no record.
  void set_settings(bool item_open, std::string_view settings_record,
                    std::string_view appointment_record);
  // Whether the current record differs from the snapshot.
  bool meeting_info_changed() const;
  // The invitation text of the last successful save ("" when none) and the
  // meeting settings record.
  std::string mail_body() const;
  std::string settings_record() const;

  // Meeting options dialog on the current record: ok when it ended with OK.
  Result settings_do_modal();
  // About box: ok when it ended with OK.
  Result about();
  // Creates the meeting on the service, or updates it when it has a meeting
  // key, reading and writing the appointment through `sink`; ok when the
  // service took it. `parent` owns the recurrence and subject warnings.
  // Without a sink nothing is sent and the commit fails. An update whose
  // conference the lookup does not find sends nothing and fails. On failure
  // the meeting key, the invitation text and the snapshot stay as they were.
  Result commit(AppointmentSinkPort* sink, WindowHandle parent);
  // An update sends nothing, shows a warning and fails when the user
  // refresh did not learn the signed-in user; an update or a deletion does
  // so when the stored record names another host than the signed-in user.
  // Deletes the meeting's conference on the service (request owned by
  // `parent`) and forgets the meeting key: ok. When the service answers that
  // it no longer has the conference, nothing is sent and the key is
  // forgotten: ok. When the lookup gets no readable answer, or is refused
  // before any identifier was found, nothing is sent and the key stays:
  // failed. A record without a meeting key identifies no conference:
  // nothing is sent, ok.
  Result remove(WindowHandle parent);
  // The user refresh: failed when the operation must stop.
  Result simple_update();
  // Opens the personal meeting room in the desktop client or, failing
  // that, in the browser; always ok.
  Result start_instant_meeting();
  // Asks the service for a newer add-in on the early-release channel (when
  // signed in) and the release channel, and offers each one found: ok, or
  // not_confirmed when the user took an update, its installer started and
  // the host was asked to close: the command that asked must not go on.
  Result check_for_update();
  // Account dialog: ok when a sign-in succeeded in it, else not_confirmed.
  Result account_setting();
  // ok when a user name and a password are stored, else not_confirmed.
  Result on_login();
  // Sign-out confirmation: ok when confirmed, else not_confirmed.
  Result cancellation();

  const CMeetingInfo& current() const { return current_; }
  const CMeetingInfo& snapshot() const { return snapshot_.draft; }
  const ServiceMeeting& meeting() const { return meeting_; }
  const SignedInUser& user() const { return user_; }

 private:
  // The part of commit after the checks on the caller's window.
  bool send_meeting(AppointmentSinkPort& sink);
  // Whether the signed-in user may update or delete the meeting: it was
  // made under them (or before hosts were kept), and for a request that
  // carries the host (`sends_host`) the user is known at all; otherwise the
  // warning is shown with `owner` and nothing may go.
  bool may_change_on_service(WindowHandle owner, bool sends_host);
  // What the schedule lookup learnt of the meeting's conference.
  enum class ConferenceLookup {
    found,       // the record's conference identifier names it
    gone,        // the service answered and lists no such conference
    unanswered,  // no readable answer; the "no answer" warning was shown
    unknown,     // refused, and no earlier lookup found an identifier
  };
  // Asks the service for the conference identifier of the meeting key,
  // with `owner` owning the request and its warning.
  ConferenceLookup look_up_conference(WindowHandle owner);
  bool launch_desktop_client();
  void open_join_page();
  // Shows the update question (a string with "%1" for the version); true
  // when the user said yes, the installer started and the host was asked to
  // close.
  bool offer_update(WindowHandle owner, int question_id, const std::string& version);
  bool install_update();

  // The meeting as last loaded or committed: what the change flag compares
  // the current draft and meeting key with.
  struct Snapshot {
    CMeetingInfo draft;
    std::string meeting_key;
  };

  SchedulerPorts ports_;
  AccountFlows account_;
  // Members, renewed in place: a flow waiting in a request dialog's message
  // loop may still hold one when the add-in calls in again.
  CMeetingInfo current_;
  AppointmentItem item_;
  ServiceMeeting meeting_;
  SignedInUser user_;
  Snapshot snapshot_;
};

}  // namespace mivo
