// Items and inspectors: the members an add-in reads and writes, and the
// changes that make an item unsaved and raise PropertyChange.
//
// From Outlook's documentation: EntryID is empty until the item is first
// saved or sent, and a copy is a new item with an EntryID of its own;
// GlobalAppointmentID is the same across all copies of an item; CopyTo
// without CopyOptions means olCreateAppointment and refuses a folder that
// cannot hold appointments; changing Start keeps the duration (End moves along);
// GetRecurrencePattern makes a pattern when there is none and the item then
// counts as recurring; an occurrence's RecurrenceState is olApptOccurrence,
// and olApptException once it was changed and saved alone;
// UserProperties.Add refuses names of more than 64 characters or with '[',
// ']', '_' or '#'. Chosen where nothing is
// documented: a meeting's organiser is its first recipient (the profile's
// user, added when the item becomes a meeting); a new pattern is weekly on
// the start's weekday with no end; moving an occurrence moves only it;
// changing the series' pattern or start drops its exceptions (Outlook warns
// that they are lost).
#include <algorithm>
#include <cmath>
#include <cwctype>

#include "outlook_parts.h"
#include "word_objects.h"

namespace mivo::outlookhost {

namespace {

constexpr DISPID kSubject = 0x37, kBody = 0x9100, kMessageClass = 0x1A, kEntryId = 0xF01E,
                 kCreationTime = 0x3007, kGetInspector = 0xF03E, kUserProperties = 0xF816,
                 kDisplay = 0xF0A6, kClose = 0xF023, kSave = 0xF048, kDelete = 0xF04A,
                 kRecipients = 0xF814, kPropertyAccessor = 0xFAFD;
constexpr DISPID kAllDayEvent = 0x8215, kDuration = 0x8213, kEnd = 0x820E, kStart = 0x820D,
                 kIsRecurring = 0x8223, kLocation = 0x8208, kMeetingStatus = 0x8217,
                 kOrganizer = 0x42, kRecurrenceState = 0xF545, kClearRecurrence = 0xF0A5,
                 kGetRecurrence = 0xF0A4, kSend = 0xF075, kCopy = 0xF032, kCopyTo = 0xFB12,
                 kGlobalAppointmentId = 0xFBFD;
constexpr DISPID kGetAssociatedAppointment = 0xF760;
constexpr DISPID kCurrentItem = 0x2102, kEditorType = 0x2110, kInspectorClose = 0x2103,
                 kInspectorDisplay = 0x2104, kWordEditor = 0x210F;
constexpr double kMinute = 1.0 / 1440.0;

std::vector<event_interface> item_sources() {
  const std::vector<DISPID> events = {event::item_read,       event::item_write,
                                      event::item_open,       event::item_close,
                                      event::item_send_event, event::custom_property_change,
                                      event::property_change};
  std::vector<DISPID> events_10 = events;
  events_10.push_back(event::before_delete);
  events_10.push_back(event::unload);
  return {{iid::item_events, "ItemEvents", events},
          {iid::item_events_10, "ItemEvents_10", events_10}};
}

std::vector<event_interface> inspector_sources() {
  const std::vector<DISPID> events = {event::inspector_activate, event::inspector_deactivate,
                                      event::inspector_close};
  return {{iid::inspector_events, "InspectorEvents", events},
          {iid::inspector_events_10, "InspectorEvents_10", events}};
}

// The body as Outlook's Body property gives it: plain text, CR LF line ends,
// without the story's final paragraph mark.
std::wstring body_text(const WordDocument& story) {
  std::wstring text;
  const std::u16string& all = story.text();
  for (std::size_t i = 0; i + 1 < all.size(); ++i) {
    if (all[i] == u'\r')
      text += L"\r\n";
    else
      text += static_cast<wchar_t>(all[i]);
  }
  return text;
}

VARTYPE stored_type(long type) {
  switch (type) {
    case olNumber:
    case olCurrency:
    case olPercent:
      return VT_R8;
    case olDuration:
    case olInteger:
      return VT_I4;
    case olDateTime:
      return VT_DATE;
    case olYesNo:
      return VT_BOOL;
    default:
      return VT_BSTR;
  }
}

}  // namespace

void raise_gone(const char* what) {
  throw automation_error(std::string("The ") + what + " has been closed or deleted.");
}

item_base::item_base(std::shared_ptr<session> owner, folder_id folder, item_fields fields)
    : session_(std::move(owner)),
      fields_(std::move(fields)),
      saved_(fields_.deep_copy()),
      folder_(folder),
      creation_time_(session_->now()),
      global_id_(session_->new_global_id()),
      serial_(session_->next_serial()),
      events_(static_cast<trapped_dispatch*>(this), item_sources()) {
  saved_body_revision_ = fields_.body->revision();
  for (const auto& r : fields_.recipients) next_recipient_ = std::max(next_recipient_, r.id + 1);
}

item_base::~item_base() = default;

void* item_base::other_interface(REFIID iid) noexcept {
  return IsEqualIID(iid, IID_IConnectionPointContainer)
             ? static_cast<IConnectionPointContainer*>(&events_)
             : nullptr;
}

bool item_base::dirty() const {
  return changed_since_save_ || fields_.body->revision() != saved_body_revision_;
}

void item_base::changed() {
  changed_since_save_ = true;
  if (inspector_ && inspector_->shown() && session_->ui())
    session_->ui()->item_changed(*inspector_);
}

void item_base::property_changed(const wchar_t* name) {
  changed();
  events_.fire(event::property_change, "PropertyChange", event_arguments().text(name));
}

void item_base::set_subject(const std::wstring& value) {
  if (value == fields_.subject) return;
  fields_.subject = value;
  property_changed(L"Subject");
}

void item_base::set_location(const std::wstring& value) {
  if (value == fields_.location) return;
  fields_.location = value;
  property_changed(L"Location");
}

void item_base::set_start(double value) {
  const double length = fields_.end - fields_.start;
  if (fields_.recurrence && !master_) {
    // A series moves whole: its first day, and its last when it has one
    // (chosen: Outlook keeps a series' number of occurrences or its length).
    const double days = std::floor(value) - std::floor(fields_.start);
    fields_.recurrence->pattern_start += days;
    if (!fields_.recurrence->no_end_date) fields_.recurrence->pattern_end += days;
    fields_.exceptions.clear();
  }
  fields_.start = value;
  fields_.end = value + length;
  property_changed(L"Start");
}

void item_base::set_end(double value) {
  if (value < fields_.start)
    throw automation_error("The end date you entered occurs before the start date.");
  fields_.end = value;
  property_changed(L"End");
}

void item_base::set_duration(long minutes) {
  if (minutes < 0) throw automation_error("The duration cannot be negative.");
  fields_.end = fields_.start + minutes * kMinute;
  property_changed(L"Duration");
}

void item_base::set_meeting_status(long status) {
  if (status == olMeeting && fields_.meeting_status == olNonMeeting) {
    const bool has_organizer =
        std::any_of(fields_.recipients.begin(), fields_.recipients.end(),
                    [](const recipient_data& r) { return r.type == olOrganizer; });
    if (!has_organizer) {
      const directory_entry& user = session_->current_user();
      fields_.recipients.insert(fields_.recipients.begin(),
                                recipient_data{next_recipient_++, user.name, user, olOrganizer});
      fields_.organizer = user.name;
    }
  }
  fields_.meeting_status = status;
  property_changed(L"MeetingStatus");
}

void item_base::set_recurrence(std::optional<recurrence_data> pattern) {
  fields_.recurrence = std::move(pattern);
  if (!master_) fields_.exceptions.clear();
  property_changed(L"IsRecurring");
}

void item_base::set_body_text(const std::wstring& text) {
  fields_.body->set_body_text(std::u16string(text.begin(), text.end()));
  property_changed(L"Body");
}

void item_base::replace_body_text(const std::wstring& text) {
  fields_.body->replace_body_text(std::u16string(text.begin(), text.end()));
  property_changed(L"Body");
}

int item_base::add_recipient(const std::wstring& typed, long type) {
  recipient_data added{next_recipient_++, typed, session_->resolve(typed), type};
  fields_.recipients.push_back(added);
  changed();
  return added.id;
}

void item_base::remove_recipient(int id) {
  auto& all = fields_.recipients;
  all.erase(
      std::remove_if(all.begin(), all.end(), [&](const recipient_data& r) { return r.id == id; }),
      all.end());
  changed();
}

recipient_data* item_base::recipient(int id) {
  for (auto& r : fields_.recipients) {
    if (r.id == id) return &r;
  }
  return nullptr;
}

user_property_data* item_base::find_property(const std::wstring& name) {
  for (auto& property : fields_.properties) {
    if (fold_case(property.name) == fold_case(name)) return &property;
  }
  return nullptr;
}

user_property_data& item_base::add_property(const std::wstring& name, long type) {
  if (name.empty() || name.size() > 64 || name.find_first_of(L"[]_#") != std::wstring::npos)
    throw automation_error("The property name is not valid.");
  static const long creatable[] = {olText,     olNumber,      olDateTime, olYesNo,
                                   olDuration, olKeywords,    olPercent,  olCurrency,
                                   olFormula,  olCombination, olInteger};
  if (std::find(std::begin(creatable), std::end(creatable), type) == std::end(creatable))
    throw automation_error("A property of this type cannot be created.");
  if (find_property(name)) throw automation_error("A property of that name already exists.");
  fields_.properties.push_back(user_property_data{name, type, stored_type(type), L"", 0});
  changed();
  return fields_.properties.back();
}

void item_base::set_property_value(const std::wstring& name, const VARIANT& value) {
  user_property_data* property = find_property(name);
  if (!property) raise_gone("user property");
  com::unique_variant converted;
  if (FAILED(VariantChangeType(&converted, const_cast<VARIANT*>(&value), 0, property->stored)))
    throw automation_error("Type mismatch: the value does not suit the property's type.");
  property->inherited = false;
  switch (property->stored) {
    case VT_BSTR:
      property->text.assign(V_BSTR(&converted), SysStringLen(V_BSTR(&converted)));
      break;
    case VT_R8:
      property->number = V_R8(&converted);
      break;
    case VT_I4:
      property->number = V_I4(&converted);
      break;
    case VT_DATE:
      property->number = V_DATE(&converted);
      break;
    case VT_BOOL:
      property->number = V_BOOL(&converted) ? 1 : 0;
      break;
  }
  changed();
  events_.fire(event::custom_property_change, "CustomPropertyChange",
               event_arguments().text(property->name));
}

void item_base::remove_property(std::size_t index) {
  fields_.properties.erase(fields_.properties.begin() + static_cast<std::ptrdiff_t>(index));
  changed();
}

void item_base::attach_inspector(com::com_ptr<inspector_object> inspector) {
  inspector_ = std::move(inspector);
}

void item_base::detach_inspector() { inspector_.reset(); }

void item_base::mark_saved(folder_id folder, std::wstring entry_id) {
  folder_ = folder;
  entry_id_ = std::move(entry_id);
  saved_ = fields_.deep_copy();
  saved_body_revision_ = fields_.body->revision();
  changed_since_save_ = false;
}

void item_base::make_occurrence(com::com_ptr<item_base> master, double original_start,
                                bool exception) {
  restore(master->serial(), master->creation_time());
  set_identity(master->global_id(), master->copied_from());
  mark_saved(master->folder(), master->entry_id());
  master_ = std::move(master);
  original_start_ = original_start;
  exception_ = exception;
}

void item_base::keep_exception(double original_start, const item_fields& occurrence) {
  // Saving an occurrence saves its series: the exception is in both.
  for (item_fields* fields : {&fields_, &saved_}) {
    auto& all = fields->exceptions;
    all.erase(std::remove_if(
                  all.begin(), all.end(),
                  [&](const series_exception& e) { return e.original_start == original_start; }),
              all.end());
    all.push_back({original_start, std::make_shared<item_fields>(occurrence.deep_copy())});
  }
}

void item_base::revert() {
  fields_ = saved_.deep_copy();
  saved_body_revision_ = fields_.body->revision();
  changed_since_save_ = false;
}

const std::vector<member>& item_base::common_members() {
  static const std::vector<member> table = {
      {L"Application", kApplication, member_kind::get},
      {L"Session", kSession, member_kind::get},
      {L"Parent", kParent, member_kind::get},
      {L"Subject", kSubject, member_kind::get_put},
      {L"Body", kBody, member_kind::get_put},
      {L"MessageClass", kMessageClass, member_kind::get_put},
      {L"EntryID", kEntryId, member_kind::get},
      {L"CreationTime", kCreationTime, member_kind::get},
      {L"GetInspector", kGetInspector, member_kind::get},
      {L"UserProperties", kUserProperties, member_kind::get},
      {L"Recipients", kRecipients, member_kind::get},
      {L"PropertyAccessor", kPropertyAccessor, member_kind::get},
      {L"Display", kDisplay, member_kind::method, 0, 1},
      {L"Close", kClose, member_kind::method, 1, 1},
      {L"Save", kSave, member_kind::method},
      {L"Delete", kDelete, member_kind::method},
  };
  return table;
}

bool item_base::invoke_common(DISPID id, WORD flags, const arguments& args, result& out) {
  const bool put = flags == DISPATCH_PROPERTYPUT;
  com::com_ptr<item_base> self(this);
  switch (id) {
    case kApplication:
      out.object(session_->application());
      return true;
    case kSession:
      out.object(session_->name_space());
      return true;
    case kParent:
      out.object(session_->folder(folder_));
      return true;
    case kSubject:
      if (put)
        set_subject(args.put_text());
      else
        out.text(fields_.subject);
      return true;
    case kBody:
      if (put)
        set_body_text(args.put_text());
      else
        out.text(body_text(*fields_.body));
      return true;
    case kMessageClass:
      if (put) {
        fields_.message_class = args.put_text();
        property_changed(L"MessageClass");
      } else {
        out.text(fields_.message_class);
      }
      return true;
    case kEntryId:
      out.text(entry_id_);
      return true;
    case kCreationTime:
      out.date(creation_time_);
      return true;
    case kGetInspector:
      out.object(session_->inspector_for(*this).get());
      return true;
    case kUserProperties:
      out.object(make_user_properties(self).get());
      return true;
    case kRecipients:
      out.object(make_recipients(self).get());
      return true;
    case kPropertyAccessor:
      out.object(make_item_property_accessor(self).get());
      return true;
    case kDisplay:
      if (!args.missing(0) && args.boolean(0))
        Diagnostics::unmodelled(std::string(type_name()) + ".Display(Modal:=True): shown modeless");
      session_->display(*this);
      return true;
    case kClose: {
      const long mode = args.integer(0);
      if (inspector_ && inspector_->shown()) {
        session_->close(*inspector_, mode, mode == olPromptForSave);
      } else if (mode == olSave) {
        session_->save(*this);
      } else if (mode == olDiscard) {
        revert();
      }
      return true;
    }
    case kSave:
      session_->save(*this);
      return true;
    case kDelete:
      session_->remove(*this);
      return true;
  }
  return false;
}

long appointment_item::duration() const {
  return std::lround((fields_.end - fields_.start) / kMinute);
}

const std::vector<member>& appointment_item::members() const {
  static const std::vector<member> table = [] {
    std::vector<member> all = common_members();
    all.insert(all.end(), {
                              {L"AllDayEvent", kAllDayEvent, member_kind::get_put},
                              {L"Duration", kDuration, member_kind::get_put},
                              {L"End", kEnd, member_kind::get_put},
                              {L"Start", kStart, member_kind::get_put},
                              {L"IsRecurring", kIsRecurring, member_kind::get},
                              {L"Location", kLocation, member_kind::get_put},
                              {L"MeetingStatus", kMeetingStatus, member_kind::get_put},
                              {L"Organizer", kOrganizer, member_kind::get},
                              {L"RecurrenceState", kRecurrenceState, member_kind::get},
                              {L"ClearRecurrencePattern", kClearRecurrence, member_kind::method},
                              {L"GetRecurrencePattern", kGetRecurrence, member_kind::method},
                              {L"Send", kSend, member_kind::method},
                              {L"Copy", kCopy, member_kind::method},
                              {L"CopyTo", kCopyTo, member_kind::method, 1, 2},
                              {L"GlobalAppointmentID", kGlobalAppointmentId, member_kind::get},
                          });
    return all;
  }();
  return table;
}

void appointment_item::invoke(DISPID id, WORD flags, const arguments& args, result& out) {
  if (invoke_common(id, flags, args, out)) return;
  const bool put = flags == DISPATCH_PROPERTYPUT;
  switch (id) {
    case kAllDayEvent:
      if (put) {
        fields_.all_day = args.put_boolean();
        property_changed(L"AllDayEvent");
      } else {
        out.boolean(fields_.all_day);
      }
      return;
    case kDuration:
      if (put)
        set_duration(args.put_integer());
      else
        out.integer(duration());
      return;
    case kEnd:
      if (put)
        set_end(args.put_date());
      else
        out.date(fields_.end);
      return;
    case kStart:
      if (put)
        set_start(args.put_date());
      else
        out.date(fields_.start);
      return;
    case kIsRecurring:
      out.boolean(fields_.recurrence.has_value());
      return;
    case kLocation:
      if (put)
        set_location(args.put_text());
      else
        out.text(fields_.location);
      return;
    case kMeetingStatus:
      if (put)
        set_meeting_status(args.put_integer());
      else
        out.integer(fields_.meeting_status);
      return;
    case kOrganizer:
      out.text(fields_.organizer);
      return;
    case kRecurrenceState:
      out.integer(master_              ? (exception_ ? olApptException : olApptOccurrence)
                  : fields_.recurrence ? olApptMaster
                                       : olApptNotRecurring);
      return;
    case kClearRecurrence:
      set_recurrence(std::nullopt);
      return;
    case kGetRecurrence:
      if (!fields_.recurrence) {
        recurrence_data pattern;
        pattern.pattern_start = std::floor(fields_.start);
        // OLE Automation day 0 (1899-12-30) was a Saturday; the mask has
        // Sunday as bit 0.
        const long weekday = (static_cast<long>(std::floor(fields_.start)) % 7 + 6) % 7;
        pattern.day_of_week_mask = 1L << weekday;
        set_recurrence(pattern);
      }
      out.object(make_recurrence_pattern(com::com_ptr<item_base>(this)).get());
      return;
    case kSend:
      if (fields_.meeting_status != olMeeting && fields_.meeting_status != olMeetingCanceled)
        throw automation_error("This appointment is not a meeting and cannot be sent.");
      session_->send(*this);
      return;
    case kCopy:
      out.object(session_->copy(*this, folder_, false).get());
      return;
    case kCopyTo: {
      // CopyOptions left out means olCreateAppointment (documented); the
      // destination must be a folder of appointments.
      auto folder = args.object(0);
      const long options = args.missing(1) ? olCreateAppointment : args.integer(1);
      if (options != olCreateAppointment)
        Diagnostics::unmodelled("AppointmentItem.CopyTo(CopyOptions:=" + std::to_string(options) +
                                ")");
      if (!folder || folder.get() != session_->folder(folder_id::calendar))
        throw automation_error("The item cannot be copied to a folder that is not a calendar.");
      out.object(session_->copy(*this, folder_id::calendar, true).get());
      return;
    }
    case kGlobalAppointmentId:
      out.text(global_id_);
      return;
  }
}

meeting_item::meeting_item(std::shared_ptr<session> owner, folder_id folder, item_fields fields,
                           com::com_ptr<appointment_item> appointment)
    : item_base(std::move(owner), folder, std::move(fields)),
      appointment_(std::move(appointment)) {}

const std::vector<member>& meeting_item::members() const {
  static const std::vector<member> table = [] {
    std::vector<member> all = common_members();
    all.push_back(
        {L"GetAssociatedAppointment", kGetAssociatedAppointment, member_kind::method, 1, 1});
    return all;
  }();
  return table;
}

void meeting_item::invoke(DISPID id, WORD flags, const arguments& args, result& out) {
  if (invoke_common(id, flags, args, out)) return;
  if (id == kGetAssociatedAppointment) {
    if (args.boolean(0))
      Diagnostics::unmodelled("MeetingItem.GetAssociatedAppointment(AddToCalendar:=True)");
    out.object(appointment_.get());
  }
}

inspector_object::inspector_object(std::shared_ptr<session> owner, com::com_ptr<item_base> item)
    : session_(std::move(owner)),
      item_(std::move(item)),
      events_(static_cast<trapped_dispatch*>(this), inspector_sources()) {}

inspector_object::~inspector_object() = default;

void* inspector_object::other_interface(REFIID iid) noexcept {
  return IsEqualIID(iid, IID_IConnectionPointContainer)
             ? static_cast<IConnectionPointContainer*>(&events_)
             : nullptr;
}

com::com_ptr<IDispatch> inspector_object::word_editor() {
  if (!item_) return nullptr;
  if (!editor_) editor_ = make_word_document(item_->fields().body);
  return editor_;
}

void inspector_object::release_item() {
  item_.reset();
  editor_.reset();
}

const std::vector<member>& inspector_object::members() const {
  static const std::vector<member> table = {
      {L"Application", kApplication, member_kind::get},
      {L"Session", kSession, member_kind::get},
      {L"Parent", kParent, member_kind::get},
      {L"CurrentItem", kCurrentItem, member_kind::get},
      {L"EditorType", kEditorType, member_kind::get},
      {L"WordEditor", kWordEditor, member_kind::get},
      {L"Close", kInspectorClose, member_kind::method, 1, 1},
      {L"Display", kInspectorDisplay, member_kind::method, 0, 1},
  };
  return table;
}

void inspector_object::invoke(DISPID id, WORD, const arguments& args, result& out) {
  switch (id) {
    case kApplication:
    case kParent:
      out.object(session_->application());
      return;
    case kSession:
      out.object(session_->name_space());
      return;
    case kCurrentItem:
      if (!item_) raise_gone("inspector");
      out.object(item_.get());
      return;
    case kEditorType:
      out.integer(olEditorWord);
      return;
    case kWordEditor:
      if (!item_) raise_gone("inspector");
      out.object(word_editor().get());
      return;
    case kInspectorClose: {
      if (!item_) raise_gone("inspector");
      const long mode = args.integer(0);
      session_->close(*this, mode, mode == olPromptForSave);
      return;
    }
    case kInspectorDisplay:
      if (!item_) raise_gone("inspector");
      session_->display(*item_);
      return;
  }
}

}  // namespace mivo::outlookhost
