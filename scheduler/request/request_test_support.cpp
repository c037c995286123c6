// The request tests' fixture.
#include "request_test_support.h"

#include "records/settings_record.h"
#include "resource_ids.h"

namespace mivo::testing {

SignedInRequest::SignedInRequest() : request(fakes.take()) {
  fakes.ui.strings[IDS_SERVICE_URL] = kSite;
  fakes.store.values = {{"mivositename", kSite},
                        {"mivousername", "alice"},
                        {"mivopassword", "dpapi:sealed(pw)"},
                        {"mivotoken", "stored-tok"}};
  sink.subject = "Planning";
}

void SignedInRequest::load(const Appointment& appointment) {
  request.set_settings(false, "", appointment.json());
}

void SignedInRequest::load_existing(const std::string& meeting_key,
                                    const Appointment& appointment) {
  CMeetingInfo stored;
  stored.take_appointment(appointment);
  request.set_settings(true, records::write_settings_record(stored.settings_record(meeting_key)),
                       appointment.json());
}

}  // namespace mivo::testing
