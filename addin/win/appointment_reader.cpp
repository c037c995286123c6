// Outlook's appointment, recipients and recurrence pattern read into the
// record's values.
#include "appointment_reader.h"

#include "com/late_bound.h"
#include "records/appointment_record.h"
#include "office_ids.h"

namespace mivo::addin {

namespace {

using com::as_bool;
using com::as_dispatch;
using com::as_double;
using com::as_int;
using com::as_text;
using com::call;
using com::get;
using records::AppointmentRecord;

// The SMTP address of an Exchange entry, by its MAPI property tag.
constexpr wchar_t kSmtpAddressProperty[] = L"http://schemas.microsoft.com/mapi/proptag/0x39FE001E";

std::string text_of(const com::dispatch_result& value) {
  return as_text(value).value_or(std::string());
}
// A member Outlook did not answer (or answered with another type) reads as
// zero, like an unset value: the record is still written.
int integer_of(const com::dispatch_result& value) {
  return static_cast<int>(as_int(value).value_or(0));
}
double date_of(const com::dispatch_result& value) { return as_double(value).value_or(0); }

std::string exchange_address(IDispatch* recipient, IDispatch* entry, IDispatch* name_space) {
  const std::string entry_id = text_of(get(recipient, L"EntryID"));
  const int user_type = integer_of(get(entry, L"AddressEntryUserType"));
  if (user_type == office::olExchangeAgent) {
    const com::dispatch_result smtp =
        call(get(entry, L"PropertyAccessor"), L"GetProperty", kSmtpAddressProperty);
    return smtp.hr() == S_OK ? text_of(smtp) : std::string();
  }
  const com::dispatch_result directory_entry = call(name_space, L"GetAddressEntryFromID", entry_id);
  const wchar_t* const getter = user_type == office::olExchangeDistributionList
                                    ? L"GetExchangeDistributionList"
                                    : L"GetExchangeUser";
  return text_of(get(call(directory_entry, getter), L"PrimarySmtpAddress"));
}

void read_recipients(IDispatch* item, AppointmentRecord& record) {
  const com::dispatch_result recipients = get(item, L"Recipients");
  const auto name_space = as_dispatch(call(get(item, L"Application"), L"GetNamespace", "MAPI"));
  if (FAILED(recipients.hr()) || !name_space) return;
  const int count = integer_of(get(recipients, L"Count"));
  // The first recipient is the organiser.
  for (int i = 2; i <= count; ++i) {
    const auto recipient = as_dispatch(call(recipients, L"Item", i));
    if (!recipient) continue;
    auto [address, name] = ResolveRecipientAddress(recipient->get(), name_space->get());
    if (!address.empty()) record.recipients.push_back({std::move(address), std::move(name)});
  }
}

// A pattern that cannot be read is written as zeros.
records::Recurrence read_recurrence(IDispatch* item) {
  records::Recurrence pattern;
  pattern.recurring = true;
  const auto found = as_dispatch(call(item, L"GetRecurrencePattern"));
  if (!found) return pattern;
  IDispatch* const p = found->get();
  pattern.day_of_month = integer_of(get(p, L"DayOfMonth"));
  pattern.day_of_week_mask = integer_of(get(p, L"DayOfWeekMask"));
  pattern.duration = integer_of(get(p, L"Duration"));
  pattern.interval = integer_of(get(p, L"Interval"));
  pattern.month_of_year = integer_of(get(p, L"MonthOfYear"));
  pattern.no_end_date = as_bool(get(p, L"NoEndDate")).value_or(false);
  pattern.pattern_end_date = date_of(get(p, L"PatternEndDate"));
  pattern.pattern_start_date = date_of(get(p, L"PatternStartDate"));
  pattern.pattern_type = integer_of(get(p, L"RecurrenceType"));
  pattern.instance = integer_of(get(p, L"Instance"));
  pattern.occurrences = integer_of(get(p, L"Occurrences"));
  return pattern;
}

}  // namespace

std::string ReadAppointmentInfo(IDispatch* item) {
  if (!item) return std::string();
  AppointmentRecord record;
  record.subject = text_of(get(item, L"Subject"));
  record.start = date_of(get(item, L"Start"));
  record.end = date_of(get(item, L"End"));
  record.duration = integer_of(get(item, L"Duration"));
  record.message_class = text_of(get(item, L"MessageClass"));
  record.recurrence_state = integer_of(get(item, L"RecurrenceState"));
  read_recipients(item, record);
  if (as_bool(get(item, L"IsRecurring")).value_or(false)) record.recurrence = read_recurrence(item);
  return records::write_appointment_record(record);
}

std::pair<std::string, std::string> ResolveRecipientAddress(IDispatch* recipient,
                                                            IDispatch* name_space) {
  const auto entry = as_dispatch(get(recipient, L"AddressEntry"));
  if (!entry) return {};
  IDispatch* const e = entry->get();
  std::string name = text_of(get(e, L"Name"));
  // Exchange entries carry an X.500 address; the SMTP one is looked up.
  if (text_of(get(e, L"Type")) == "EX") return {exchange_address(recipient, e, name_space), name};
  return {text_of(get(recipient, L"Address")), name};
}

}  // namespace mivo::addin
