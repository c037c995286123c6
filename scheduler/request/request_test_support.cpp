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

void SignedInRequest::load_existing(const std::string& meeting_key, const Appointment& appointment,
                                    const std::string& host, const std::string& password) {
  CMeetingInfo stored;
  stored.take_appointment(appointment);
  stored.password = password;
  ServiceMeeting meeting;
  meeting.meeting_key = meeting_key;
  meeting.host_user_id = host;
  request.set_settings(
      true, records::write_settings_record(stored.settings_record(meeting)),
      appointment.json());
  fakes.transport.respond(
      "GET", url("/rest/api/conference/user/info"),
      R"({"code":0,"data":{"id":"u-alice","name":"Alice","token":"stored-tok","meetingKey":"r"}})");
  EXPECT_EQ(request.simple_update(), Result::ok);
  fakes.transport.requests.clear();
}

}  // namespace mivo::testing
