// The data behind the host's Outlook objects: the address book, an item's
// fields (copied whole when the item is saved, so that closing without
// saving can go back), recipients, user properties and recurrence.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "outlook_ids.h"
#include "word_document.h"

namespace mivo::outlookhost {

// One entry of the address book: an SMTP address typed as such, or an
// entry of the Exchange directory.
struct directory_entry {
  enum class kind { smtp, exchange_user, exchange_agent, exchange_list };
  kind type = kind::smtp;
  std::wstring name;
  std::wstring smtp;
  std::wstring entry_id;
  std::wstring x500;  // Exchange entries: the legacy address Recipient.Address gives

  bool exchange() const { return type != kind::smtp; }
  long user_type() const;        // OlAddressEntryUserType
  std::wstring address() const;  // Address: the X500 one for Exchange, else the SMTP one
};

// OlMeetingRecipientType.
enum ol_meeting_recipient_type : long {
  olOrganizer = 0,
  olRequired = 1,
  olOptional = 2,
  olResource = 3
};

struct recipient_data {
  int id = 0;
  std::wstring typed;                    // what was given to Recipients.Add or typed in a field
  std::optional<directory_entry> entry;  // set once resolved
  long type = olRequired;
};

struct user_property_data {
  std::wstring name;
  long type = olText;
  VARTYPE stored = VT_BSTR;  // the value's type for this property type
  std::wstring text;
  double number = 0;  // numbers, dates (OLE Automation) and yes/no (0 or 1)
  // The host's own bookkeeping, not Outlook's: the value came with a copy of
  // another item and nothing has written it on this item since.
  bool inherited = false;
};

struct recurrence_data {
  long type = olRecursWeekly;
  long interval = 1;
  long day_of_week_mask = 0;
  long day_of_month = 0;
  long month_of_year = 0;
  long instance = 0;
  long occurrences = 0;
  bool no_end_date = true;
  double pattern_start = 0;
  double pattern_end = 0;
};

struct item_fields;

// One occurrence of a series changed and saved alone (an exception of the
// series): the start it had in the pattern and its fields as saved.
struct series_exception {
  double original_start = 0;
  std::shared_ptr<item_fields> fields;
};

// Everything Save keeps and a discarded close goes back to.
struct item_fields {
  std::wstring subject;
  std::wstring location;
  std::wstring message_class;
  std::wstring organizer;
  double start = 0;
  double end = 0;
  bool all_day = false;
  long meeting_status = olNonMeeting;
  std::vector<recipient_data> recipients;
  std::vector<user_property_data> properties;
  std::optional<recurrence_data> recurrence;
  std::vector<series_exception> exceptions;  // a series' occurrences saved alone
  std::shared_ptr<WordDocument> body = std::make_shared<WordDocument>();

  // A copy with a body of its own (and its exceptions' bodies).
  item_fields deep_copy() const {
    item_fields copy = *this;
    copy.body = std::make_shared<WordDocument>(*body);
    for (auto& exception : copy.exceptions)
      exception.fields = std::make_shared<item_fields>(exception.fields->deep_copy());
    return copy;
  }
};

// A meeting request or cancellation as it went out.
struct sent_message {
  std::wstring message_class;
  std::wstring subject;
  std::wstring location;
  double start = 0;
  double end = 0;
  std::vector<std::wstring> to;  // addresses as the recipients resolved
  std::wstring body;
};

}  // namespace mivo::outlookhost
