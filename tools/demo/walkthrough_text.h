// What the walkthrough shows and sends that needs no Windows: the sample
// appointment's record as the add-in writes it, and readable forms of the
// service's recorded requests, the stored password and the join address.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "portable/oadate.h"
#include "refservice_client.h"

namespace mivo::demo {

struct Recipient {
  std::string address;
  std::string name;
};

// An Outlook appointment as the add-in sees it: not recurring, the
// organiser first among the recipients.
struct Appointment {
  std::string subject;
  double start = 0;  // OLE Automation date, local time
  int duration_minutes = 0;
  std::vector<Recipient> recipients;
};

// The appointment record the add-in hands to SetSettings, the organiser left
// out of "Recipients".
std::string appointment_record(const Appointment& appointment);

// The day after `today` at hour:minute, as an OLE Automation date (month and
// year ends roll over); nullopt when the date cannot be formed.
std::optional<double> next_day_at(const SystemTime& today, int hour, int minute);

// "2030-01-15 10:00"
std::string describe_date(double date);

// The stored password as it may be shown: the start of its protected form
// and its length. A value that is not protected is never shown.
std::string password_preview(const std::string& stored);

// A mask of one dot per character of a UTF-8 text.
std::string masked(const std::string& secret);

// One recorded request as indented lines: the method and target, the token
// header (or its absence), the body (JSON as readable text, the string
// terminator the agent sends noted) and how long the service took.
std::vector<std::string> describe_request(const mivo::refservice::RecordedRequest& request);

// The join query carried by a browser address "<base>/meet/?<Base64>";
// nullopt when the address is not of that form.
std::optional<std::string> join_query(const std::string& address, const std::string& base_url);

// Splits at every `separator`; an empty text gives one empty piece.
std::vector<std::string> split(const std::string& text, char separator);

}  // namespace mivo::demo
