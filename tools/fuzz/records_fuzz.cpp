// libFuzzer target: every reader of outside text in the meeting data and the
// portable helpers, with the invariants each promises. Any input must be
// read without a crash, an exception, a sanitizer report or a broken
// invariant.
#include "meeting/meeting_info.h"
#include "portable/base64.h"
#include "portable/json.h"
#include "portable/oadate.h"
#include "portable/text.h"

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

void check_records(std::string_view text) {
  mivo::CMeetingInfo current;
  current.read_appointment_record(text);
  mivo::CMeetingInfo snapshot;
  snapshot.read_settings_record(text);
  current.read_user_info_response(text);

  // What the scheduler writes, it reads back cleanly.
  const std::string settings = current.write_settings_record();
  require(is_ascii(settings));
  mivo::CMeetingInfo reread;
  require(reread.read_settings_record(settings) == mivo::RecordRead::read);
  require(reread.recurrence.recipient_addresses.size() ==
          current.recurrence.recipient_addresses.size());
  // Raw bytes that are not UTF-8 can reach a record through JSON; the
  // writer repairs them. Well-formed text comes back unchanged.
  if (mivo::utf16_to_utf8(mivo::utf8_to_utf16(current.subject)) == current.subject) {
    require(reread.subject == current.subject);
  }

  (void)current.differs_from(snapshot);
  (void)current.check_recurrence();
  const std::string conference = current.build_conference_record(text.substr(0, 16));
  Json::Value parsed;
  require(is_ascii(conference) && mivo::parse_json(conference, parsed));
  snapshot.copy_from(current);
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
