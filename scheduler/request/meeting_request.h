// MeetingRequest: everything a scheduler request object does, over the
// ports. The COM object CMeetingRequest converts its arguments and maps the
// results; the behaviour lives here.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "meeting/meeting_info.h"
#include "ports.h"

namespace mivo {

// How a request object's method ended: S_OK, S_FALSE or E_FAIL.
enum class Result { ok, not_confirmed, failed };

class MeetingRequest {
 public:
  explicit MeetingRequest(SchedulerPorts ports);
  ~MeetingRequest();
  MeetingRequest(const MeetingRequest&) = delete;
  MeetingRequest& operator=(const MeetingRequest&) = delete;

  // Loads the stored meeting settings record into the snapshot (and the
  // current record as a copy of it), then the appointment record into the
  // current record and, when the item was just opened, into the snapshot.
  void set_settings(bool item_open, std::string_view settings_record,
                    std::string_view appointment_record);
  // Whether the current record differs from the snapshot.
  bool meeting_info_changed() const;
  // The invitation text of the last successful save ("" when none) and the
  // meeting settings record.
  std::string mail_body() const;
  std::string settings_record() const;

  Result settings_do_modal();                    // meeting options dialog
  Result about();                                // about box
  Result commit(IAppointmentSink* sink, WindowHandle parent);  // create or update
  Result remove(WindowHandle parent);            // delete on the service
  Result simple_update();                        // the user refresh
  Result start_instant_meeting();                // personal meeting room
  Result check_for_update();                     // version check and update
  Result account_setting();                      // account dialog
  Result on_login();                             // is an account stored
  Result cancellation();                         // sign-out confirmation

  const CMeetingInfo& current() const { return *current_; }
  const CMeetingInfo& snapshot() const { return *snapshot_; }

 private:
  SchedulerPorts ports_;
  std::unique_ptr<CMeetingInfo> current_;
  std::unique_ptr<CMeetingInfo> snapshot_;
};

}  // namespace mivo
