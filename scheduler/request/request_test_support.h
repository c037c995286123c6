// A request object over fake ports with a signed-in account, and the
// appointment records the tests feed it.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "fake_ports.h"
#include "records/appointment_record.h"
#include "meeting_request.h"

namespace mivo::testing {

constexpr const char* kSite = "https://m.test";     // the service, and the stored mivositename
constexpr double kMarch15At10 = 45366 + 10.0 / 24;  // 2024-03-15 10:00

// The appointment as the tests' add-in sees it: "Planning" for 30 minutes.
struct Appointment : records::AppointmentRecord {
  Appointment() {
    subject = "Planning";
    start = kMarch15At10;
    duration = 30;
  }
  std::string json() const { return records::write_appointment_record(*this); }
};

inline std::string url(const std::string& path) { return kSite + path; }

// A request object over fakes, with an account and a token stored and an
// appointment subject of "Planning".
struct SignedInRequest {
  SignedInRequest();

  // The appointment as the add-in loads it before Commit and Delete.
  void load(const Appointment& appointment = {});
  // An opened appointment whose stored settings record carries `meeting_key`
  // (and the host and the password, when not ""), then the user refresh as the add-in
  // runs it before an update, signing in "u-alice"; the requests so far are
  // forgotten.
  void load_existing(const std::string& meeting_key, const Appointment& appointment = {},
                     const std::string& host = "", const std::string& password = "");

  FakePorts fakes;
  FakeAppointmentSink sink;
  MeetingRequest request;
};

class RequestTest : public ::testing::Test, public SignedInRequest {};

}  // namespace mivo::testing
