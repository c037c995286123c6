// A tracker's scheduler object (IMeetingRequest from MivoScheduler64.dll)
// as the tracker's handlers call it.
#pragma once

#include <windows.h>

#include "MivoScheduler.h"
#include "com/com_ptr.h"
#include "meeting_tracker.h"

namespace mivo::addin {

// The window the scheduler's dialogs belong to, as IMeetingRequest's long.
long active_window_argument() noexcept;

CallResult call_result(HRESULT hr) noexcept;

class SchedulerCalls final : public MeetingSchedulerPort {
 public:
  com::com_ptr<IMeetingRequest>& object() { return object_; }

  bool held() override { return static_cast<bool>(object_); }
  CallResult simple_update() override;
  void set_settings(bool item_open, const std::string& settings_record,
                    const std::string& appointment_record) override;
  CallResult commit() override;
  CallResult remove() override;
  MailBody mail_body() override;
  bool changed() override;
  void settings_dialog() override;

 private:
  // Each call works on its own reference: the window may close, and the
  // tracker let go of the object, while a dialog of the call is open.
  com::com_ptr<IMeetingRequest> current() const { return object_; }

  com::com_ptr<IMeetingRequest> object_;
};

}  // namespace mivo::addin
