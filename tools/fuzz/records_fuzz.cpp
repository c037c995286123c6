// libFuzzer target: every reader of outside text in the records, the meeting
// data, the signed-in user and the portable helpers, with the invariants
// each promises. Any input must be read without a crash, an exception, a
// sanitizer report or a broken invariant.
#include "account/signed_in_user.h"
#include "meeting/conference_record.h"
#include "portable/base64.h"
#include "portable/json.h"
#include "portable/oadate.h"
#include "service/rest_api.h"
#include "portable/text.h"
#include "records/appointment_record.h"
#include "records/settings_record.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

void require(bool condition) {
  if (!condition) {
    std::abort();
  }
}

bool is_ascii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      return false;
    }
  }
  return true;
}

void check_text(std::string_view bytes) {
  const std::u16string utf16 = mivo::utf8_to_utf16(bytes);
  require(mivo::utf16_length(bytes) == utf16.size());
  // Once repaired, text converts both ways without further change.
  const std::string utf8 = mivo::utf16_to_utf8(utf16);
  require(mivo::utf8_to_utf16(utf8) == utf16);

  std::u16string units(bytes.size() / 2, u'\0');
  std::memcpy(units.data(), bytes.data(), units.size() * 2);
  const std::string from_units = mivo::utf16_to_utf8(units);
  require(mivo::utf16_to_utf8(mivo::utf8_to_utf16(from_units)) == from_units);

  require(mivo::base64_encode(bytes).size() == (bytes.size() + 2) / 3 * 4);
}

void read_every_way(const Json::Value& value) {
  (void)mivo::read_text(value);
  (void)mivo::read_int(value);
  (void)mivo::read_real(value);
  (void)mivo::read_flag(value);
  if (value.isObject()) {
    mivo::JsonObjectReader reader(value);
    for (const std::string& key : value.getMemberNames()) {
      (void)reader.text(key);
      (void)reader.integer(key);
      (void)reader.real(key);
      (void)reader.flag(key);
      (void)reader.object(key);
      (void)reader.array(key);
      (void)mivo::member(value, key);
    }
  } else {
    (void)mivo::member(value, "code");
  }
}

void check_json(std::string_view text) {
  Json::Value value;
  if (!mivo::parse_json(text, value)) {
    require(value.isNull());
    return;
  }
  read_every_way(value);
  const std::string written = mivo::write_json(value);
  require(is_ascii(written));
  require(!written.empty() && written.back() == '\n');
  Json::Value again;
  require(mivo::parse_json(written, again));
}

void check_dates(std::string_view bytes) {
  if (bytes.size() < sizeof(double)) {
    return;
  }
  double date;
  std::memcpy(&date, bytes.data(), sizeof date);
  mivo::SystemTime time;
  if (mivo::variant_time_to_system_time(date, time)) {
    require(time.month >= 1 && time.month <= 12 && time.day >= 1 && time.day <= 31);
    double back = 0;
    require(mivo::system_time_to_variant_time(time, back) || time.year == 10000);
  }
  (void)mivo::format_date(date);
  (void)mivo::format_time(date);
}

// Once read, a record writes a text that reads back into the same text.
template <class Record, class Read, class Write>
Record check_round_trip(std::string_view text, Read read, Write write) {
  Record record;
  const mivo::records::RecordRead result = read(text, record);
  require((result == mivo::records::RecordRead::skipped) == mivo::records::is_no_record(text));
  const std::string written = write(record);
  require(is_ascii(written));
  Record again;
  require(read(written, again) == mivo::records::RecordRead::read);
  require(write(again) == written);
  return record;
}

void check_records(std::string_view text) {
  using namespace mivo::records;
  const AppointmentRecord appointment =
      check_round_trip<AppointmentRecord>(text, read_appointment_record, write_appointment_record);
  const SettingsRecord stored =
      check_round_trip<SettingsRecord>(text, read_settings_record, write_settings_record);

  mivo::CMeetingInfo current;
  current.take_appointment(appointment);
  mivo::CMeetingInfo snapshot;
  snapshot.take_settings(stored, true);
  mivo::SignedInUser user;
  (void)mivo::read_signed_in_user(text, user);
  require(mivo::rest::is_well_formed_token(user.token));

  (void)current.differs_from(snapshot);
  (void)current.check_recurrence();
  mivo::ServiceMeeting meeting;
  meeting.meeting_key = stored.meeting_key;
  const std::string conference = mivo::build_conference_record(
      current, meeting, {user.host_user_id, user.host_user_name}, text.substr(0, 16));
  Json::Value parsed;
  require(is_ascii(conference) && mivo::parse_json(conference, parsed));
  snapshot = current;
  require(!snapshot.differs_from(current));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  check_text(text);
  check_json(text);
  check_dates(text);
  check_records(text);
  return 0;
}
