// Appointment record, dates and readable request records for the walkthrough.
#include "walkthrough_text.h"

#include <cstdio>

#include "base64_decode.h"
#include "headers.h"
#include "json_text.h"
#include "records/appointment_record.h"

namespace mivo::demo {

namespace {

constexpr double kMinutesPerDay = 24.0 * 60.0;
// Outlook's message class of an appointment.
constexpr const char* kAppointmentClass = "IPM.Appointment";
constexpr std::size_t kPasswordPreviewLength = 24;
constexpr const char* kProtectedPrefix = "dpapi:";

std::size_t count_characters(const std::string& utf8) {
  std::size_t count = 0;
  for (const unsigned char byte : utf8) {
    if ((byte & 0xC0) != 0x80) ++count;
  }
  return count;
}

std::string body_line(const std::string& raw) {
  std::string body = raw;
  const bool terminated = !body.empty() && body.back() == '\0';
  if (terminated) body.pop_back();
  const std::string terminator = terminated ? " + NUL terminator" : "";
  if (body.empty()) return terminated ? "body: (empty)" + terminator : "body: none";
  if (const auto json = mivo::refservice::parse_json(body)) {
    std::string text = mivo::refservice::write_json(*json);
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return "body: " + text + terminator;
  }
  return "body: " + std::to_string(body.size()) + " bytes, not JSON" + terminator;
}

}  // namespace

std::string appointment_record(const Appointment& appointment) {
  records::AppointmentRecord record;
  record.subject = appointment.subject;
  record.start = appointment.start;
  record.end = appointment.start + appointment.duration_minutes / kMinutesPerDay;
  record.duration = appointment.duration_minutes;
  record.message_class = kAppointmentClass;
  for (std::size_t i = 1; i < appointment.recipients.size(); ++i)
    record.recipients.push_back(
        {appointment.recipients[i].address, appointment.recipients[i].name});
  return records::write_appointment_record(record);
}

std::optional<double> next_day_at(const SystemTime& today, int hour, int minute) {
  // Midnight of today plus a day: the conversion refuses a day past 31, so
  // the month and year ends roll over in the date arithmetic instead.
  SystemTime midnight;
  midnight.year = today.year;
  midnight.month = today.month;
  midnight.day = today.day;
  double date = 0;
  if (!system_time_to_variant_time(midnight, date)) return std::nullopt;
  return date + 1 + (hour * 60 + minute) / kMinutesPerDay;
}

std::string describe_date(double date) { return format_date(date) + " " + format_time(date); }

std::string password_preview(const std::string& stored) {
  if (stored.empty()) return "(not set)";
  const std::string prefix = kProtectedPrefix;
  if (stored.compare(0, prefix.size(), prefix) != 0)
    return "(not protected; " + std::to_string(count_characters(stored)) +
           " characters, not shown)";
  if (stored.size() <= prefix.size() + kPasswordPreviewLength) return stored;
  return stored.substr(0, prefix.size() + kPasswordPreviewLength) + "... (" +
         std::to_string(stored.size()) + " characters)";
}

std::string masked(const std::string& secret) {
  std::string dots;
  for (std::size_t i = count_characters(secret); i > 0; --i) dots += "\u2022";
  return dots;
}

std::vector<std::string> describe_request(const mivo::refservice::RecordedRequest& request) {
  std::vector<std::string> lines{request.method + " " + request.target};
  const std::string* token = mivo::refservice::find_header(request.headers, "token");
  lines.push_back(token ? "  token: " + (token->empty() ? std::string("(empty)") : *token)
                        : "  token: (no header)");
  lines.push_back("  " + body_line(request.body));
  if (request.answered_us == 0) {
    lines.push_back("  not answered");
  } else {
    char took[64];
    std::snprintf(took, sizeof(took), "  answered in %.1f ms",
                  static_cast<double>(request.answered_us - request.received_us) / 1000.0);
    lines.push_back(took);
  }
  return lines;
}

std::optional<std::string> join_query(const std::string& address, const std::string& base_url) {
  const std::string prefix = base_url + "/meet/?";
  if (address.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
  return mivo::refservice::base64_decode(std::string_view(address).substr(prefix.size()));
}

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> pieces{std::string()};
  for (const char c : text) {
    if (c == separator)
      pieces.emplace_back();
    else
      pieces.back() += c;
  }
  return pieces;
}

}  // namespace mivo::demo
