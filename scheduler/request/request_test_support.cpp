// The request tests' fixture.
#include "request_test_support.h"

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
  stored.read_appointment_record(appointment.json());
  stored.meeting_key = meeting_key;
  request.set_settings(true, stored.write_settings_record(), appointment.json());
}

}  // namespace mivo::testing
