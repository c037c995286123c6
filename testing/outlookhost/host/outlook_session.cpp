// The session: Application, NameSpace, folders, the explorer, Inspectors,
// and the flows that raise Outlook's events.
//
// Event order, from Outlook's documentation where it speaks: NewInspector
// comes when the inspector exists and before its window appears; the item's
// Open comes before the window is shown and Cancel keeps it from showing;
// the item's Send and then Application.ItemSend come when Send is pressed,
// before the window closes, and Cancel in either stops the send and leaves
// the window open; the item's Close comes first when a window closes and
// Cancel keeps it open (with the Close method, only with olPromptForSave);
// the Inspector's Close cannot be cancelled; BeforeDelete (an
// ItemEvents_10 event) comes before a deletion and Cancel stops it.
// Chosen where nothing is documented: Read comes before Open for an item
// that was saved before; after a send the item is saved (Write) and its
// window closes; the save question comes between the item's Close and the
// Inspector's Close; ItemSend's Item is the meeting request the send
// produces, whose GetAssociatedAppointment is the appointment; a sent
// cancellation moves the appointment to Deleted Items; a copy is saved in
// its folder at once (Outlook's Copy leaves it there for the caller to move);
// the store keeps saved items only, so an exit loses what was never saved.
// Occurrences (documented: a series is one item, whose occurrences exist
// only as its views until one is changed) are not items of the folder: an
// occurrence answers its series' EntryID and GlobalAppointmentID, and saving
// it (also after a send) keeps it in the series as an exception; deleting
// one occurrence is not modelled.
#include "outlook_session.h"

#include <algorithm>
#include <cmath>
#include <cwctype>

#include "outlook_parts.h"
#include "series.h"

namespace mivo::outlookhost {

namespace {

// Office's LanguageSettings: every MsoAppLanguageID (install, user
// interface, help, execution mode, previous user interface) answers the
// session's one language.
class language_settings_object final : public dispatch_object {
 public:
  explicit language_settings_object(session& owner) : session_(owner) {}

 protected:
  const char* type_name() const noexcept override { return "LanguageSettings"; }
  bool answers(REFIID iid) const noexcept override {
    return IsEqualIID(iid, iid::language_settings);
  }
  const std::vector<member>& members() const override {
    static const std::vector<member> table = {
        {L"LanguageID", 1, member_kind::get, 0, 1},
        {L"Parent", 3, member_kind::get},
    };
    return table;
  }
  void invoke(DISPID id, WORD, const arguments& args, result& out) override {
    if (id == 3) {
      out.object(session_.application());
      return;
    }
    const long which = args.integer(0);
    if (which < msoLanguageIDInstall || which > msoLanguageIDUIPrevious)
      throw automation_error("The value is out of range.", E_INVALIDARG);
    out.integer(static_cast<long>(session_.language()));
  }

 private:
  session& session_;
};

class application_object final : public dispatch_object {
 public:
  explicit application_object(session& owner)
      : session_(owner), events_(static_cast<trapped_dispatch*>(this), sources()) {}
  connection_points& events() { return events_; }

 protected:
  const char* type_name() const noexcept override { return "Application"; }
  bool answers(REFIID iid) const noexcept override { return IsEqualIID(iid, iid::application); }
  void* other_interface(REFIID iid) noexcept override {
    return IsEqualIID(iid, IID_IConnectionPointContainer)
               ? static_cast<IConnectionPointContainer*>(&events_)
               : nullptr;
  }
  const std::vector<member>& members() const override {
    static const std::vector<member> table = {
        {L"Application", kApplication, member_kind::get},
        {L"Session", kSession, member_kind::get},
        {L"Parent", kParent, member_kind::get},
        {L"ActiveExplorer", 0x111, member_kind::method},
        {L"ActiveInspector", 0x112, member_kind::method},
        {L"CreateItem", 0x10A, member_kind::method, 1, 1},
        {L"GetNamespace", 0x110, member_kind::method, 1, 1},
        {L"Quit", 0x113, member_kind::method},
        {L"Inspectors", 0x11A, member_kind::get},
        {L"LanguageSettings", 0x11B, member_kind::get},
        {L"ActiveWindow", 0x11F, member_kind::method},
    };
    return table;
  }
  void invoke(DISPID id, WORD, const arguments& args, result& out) override {
    switch (id) {
      case kApplication:
        out.object(this);
        return;
      case kSession:
        out.object(session_.name_space());
        return;
      case kParent:
        out.object(nullptr);
        return;
      case 0x111:
        out.object(session_.explorer());
        return;
      case 0x112:
        out.object(session_.active_inspector());
        return;
      case 0x10A: {
        const long type = args.integer(0);
        if (type != olAppointmentItem) {
          Diagnostics::unmodelled("Application.CreateItem(" + std::to_string(type) + ")");
          throw automation_error("The host creates appointments only.");
        }
        out.object(session_.create_appointment().get());
        return;
      }
      case 0x110:
        if (fold_case(args.text(0)) != L"mapi")
          throw automation_error("GetNamespace accepts only \"MAPI\".");
        out.object(session_.name_space());
        return;
      case 0x113:
        if (session_.ui()) session_.ui()->quit_requested();
        return;
      case 0x11A:
        out.object(session_.inspectors());
        return;
      case 0x11B:
        if (!language_settings_) language_settings_ = make<language_settings_object>(session_);
        out.object(language_settings_.get());
        return;
      case 0x11F:
        out.object(session_.active_inspector()
                       ? static_cast<IDispatch*>(session_.active_inspector())
                       : session_.explorer());
        return;
    }
  }

 private:
  static std::vector<event_interface> sources() {
    const std::vector<DISPID> events = {event::item_send, event::startup, event::quit};
    return {{iid::application_events, "ApplicationEvents", events},
            {iid::application_events_10, "ApplicationEvents_10", events},
            {iid::application_events_11, "ApplicationEvents_11", events}};
  }

  session& session_;
  connection_points events_;
  com::com_ptr<language_settings_object> language_settings_;
};

class name_space_object final : public dispatch_object {
 public:
  explicit name_space_object(session& owner) : session_(owner) {}

 protected:
  const char* type_name() const noexcept override { return "NameSpace"; }
  bool answers(REFIID iid) const noexcept override { return IsEqualIID(iid, iid::name_space); }
  const std::vector<member>& members() const override {
    static const std::vector<member> table = {
        {L"Application", kApplication, member_kind::get},
        {L"Session", kSession, member_kind::get},
        {L"Parent", kParent, member_kind::get},
        {L"CurrentUser", 0x2101, member_kind::get},
        {L"GetDefaultFolder", 0x210B, member_kind::method, 1, 1},
        {L"GetItemFromID", 0x2109, member_kind::method, 1, 2},
        {L"GetAddressEntryFromID", 0xFB04, member_kind::method, 1, 1},
    };
    return table;
  }
  void invoke(DISPID id, WORD, const arguments& args, result& out) override {
    switch (id) {
      case kApplication:
      case kParent:
        out.object(session_.application());
        return;
      case kSession:
        out.object(this);
        return;
      case 0x2101:
        out.object(make_user_recipient(session_.shared_from_this()).get());
        return;
      case 0x210B: {
        const long which = args.integer(0);
        const std::pair<long, folder_id> known[] = {
            {olFolderCalendar, folder_id::calendar},
            {olFolderDeletedItems, folder_id::deleted_items},
            {olFolderInbox, folder_id::inbox},
            {olFolderSentMail, folder_id::sent_items},
            {olFolderOutbox, folder_id::outbox}};
        for (const auto& [number, folder] : known) {
          if (number == which) {
            out.object(session_.folder(folder));
            return;
          }
        }
        Diagnostics::unmodelled("NameSpace.GetDefaultFolder(" + std::to_string(which) + ")");
        throw automation_error("The host has no such default folder.");
      }
      case 0x2109: {
        auto item = session_.item_by_entry_id(args.text(0));
        if (!item) throw automation_error("The item could not be found.");
        out.object(item.get());
        return;
      }
      case 0xFB04: {
        auto entry = session_.entry_by_id(args.text(0));
        if (!entry) throw automation_error("The address entry could not be found.");
        out.object(make_address_entry(session_.shared_from_this(), *entry).get());
        return;
      }
    }
  }

 private:
  session& session_;
};

class folder_object final : public dispatch_object {
 public:
  folder_object(session& owner, folder_id id) : session_(owner), id_(id) {}

 protected:
  const char* type_name() const noexcept override { return "MAPIFolder"; }
  bool answers(REFIID iid) const noexcept override { return IsEqualIID(iid, iid::mapi_folder); }
  const std::vector<member>& members() const override {
    static const std::vector<member> table = {
        {L"Application", kApplication, member_kind::get},
        {L"Session", kSession, member_kind::get},
        {L"Parent", kParent, member_kind::get},
        {L"EntryID", 0xF01E, member_kind::get},
        {L"Name", 0x3001, member_kind::get},
        {L"StoreID", 0x3108, member_kind::get},
        {L"DefaultItemType", 0x3106, member_kind::get},
    };
    return table;
  }
  void invoke(DISPID id, WORD, const arguments&, result& out) override {
    switch (id) {
      case kApplication:
        out.object(session_.application());
        return;
      case kSession:
      case kParent:
        out.object(session_.name_space());
        return;
      case 0xF01E:
        out.text(session_.folder_entry_id(id_));
        return;
      case 0x3001:
        out.text(session_.folder_name(id_));
        return;
      case 0x3108:
        out.text(L"0000000038A1BB1005E5101AA1BB08002B2A56C20000454D534D44422E444C4C00");
        return;
      case 0x3106:
        out.integer(id_ == folder_id::calendar ? olAppointmentItem : olMailItem);
        return;
    }
  }

 private:
  session& session_;
  folder_id id_;
};

class explorer_object final : public dispatch_object {
 public:
  explicit explorer_object(session& owner) : session_(owner) {}

 protected:
  const char* type_name() const noexcept override { return "Explorer"; }
  bool answers(REFIID iid) const noexcept override { return IsEqualIID(iid, iid::explorer); }
  const std::vector<member>& members() const override {
    static const std::vector<member> table = {
        {L"Application", kApplication, member_kind::get},
        {L"Session", kSession, member_kind::get},
        {L"Parent", kParent, member_kind::get},
    };
    return table;
  }
  void invoke(DISPID id, WORD, const arguments&, result& out) override {
    out.object(id == kSession ? session_.name_space() : session_.application());
  }

 private:
  session& session_;
};

class inspectors_object final : public dispatch_object {
 public:
  explicit inspectors_object(session& owner)
      : session_(owner),
        events_(static_cast<trapped_dispatch*>(this),
                {{iid::inspectors_events, "InspectorsEvents", {event::new_inspector}}}) {}
  connection_points& events() { return events_; }

 protected:
  const char* type_name() const noexcept override { return "Inspectors"; }
  bool answers(REFIID iid) const noexcept override { return IsEqualIID(iid, iid::inspectors); }
  void* other_interface(REFIID iid) noexcept override {
    return IsEqualIID(iid, IID_IConnectionPointContainer)
               ? static_cast<IConnectionPointContainer*>(&events_)
               : nullptr;
  }
  const std::vector<member>& members() const override {
    static const std::vector<member> table = {
        {L"Application", kApplication, member_kind::get}, {L"Session", kSession, member_kind::get},
        {L"Parent", kParent, member_kind::get},           {L"Count", 0x50, member_kind::get},
        {L"Item", 0x51, member_kind::method, 1, 1},       {L"Add", 0x5F, member_kind::method, 1, 1},
    };
    return table;
  }
  void invoke(DISPID id, WORD, const arguments& args, result& out) override {
    const auto open = session_.open_inspectors();
    switch (id) {
      case kApplication:
      case kParent:
        out.object(session_.application());
        return;
      case kSession:
        out.object(session_.name_space());
        return;
      case 0x50:
        out.integer(static_cast<long>(open.size()));
        return;
      case 0x51: {
        const long index = args.integer(0);
        if (index < 1 || index > static_cast<long>(open.size()))
          throw automation_error("Array index out of bounds.");
        out.object(open[index - 1].get());
        return;
      }
      case 0x5F: {
        auto object = args.object(0);
        com::com_ptr<IUnknown> item;
        if (!object) throw invoke_failure{DISP_E_TYPEMISMATCH, 0};
        // Only the host's own items can have an inspector.
        for (auto folder : {folder_id::calendar, folder_id::deleted_items, folder_id::inbox,
                            folder_id::sent_items, folder_id::outbox}) {
          for (const auto& candidate : session_.items(folder)) {
            if (static_cast<IDispatch*>(candidate.get()) == object.get()) {
              out.object(session_.inspector_for(*candidate).get());
              return;
            }
          }
        }
        throw automation_error("The item is not one of Outlook's saved items.");
      }
    }
  }

 private:
  session& session_;
  connection_points events_;
};

const wchar_t* folder_label(folder_id id) {
  switch (id) {
    case folder_id::calendar:
      return L"Calendar";
    case folder_id::deleted_items:
      return L"Deleted Items";
    case folder_id::inbox:
      return L"Inbox";
    case folder_id::sent_items:
      return L"Sent Items";
    case folder_id::outbox:
      return L"Outbox";
  }
  return L"";
}

}  // namespace

std::shared_ptr<session> session::create(const item_store* store) {
  std::shared_ptr<session> created(new session());
  session& s = *created;
  if (store) s.restore(*store);
  s.application_ = com::com_ptr<IDispatch>(make<application_object>(s).get());
  s.name_space_ = com::com_ptr<IDispatch>(make<name_space_object>(s).get());
  s.explorer_ = com::com_ptr<IDispatch>(make<explorer_object>(s).get());
  s.inspectors_ = com::com_ptr<IDispatch>(make<inspectors_object>(s).get());
  for (auto id : {folder_id::calendar, folder_id::deleted_items, folder_id::inbox,
                  folder_id::sent_items, folder_id::outbox})
    s.folders_.push_back({id, com::com_ptr<IDispatch>(make<folder_object>(s, id).get())});
  return created;
}

session::session() : language_(GetUserDefaultUILanguage()) {
  user_ = directory_entry{directory_entry::kind::exchange_user, L"Mivo Tester",
                          L"tester@example.com", new_entry_id(L"user"),
                          L"/o=Mivo/ou=Exchange Administrative Group/cn=Recipients/cn=tester"};
}

session::~session() = default;

void session::restore(const item_store& store) {
  directory_ = store.directory;
  next_id_ = store.next_id;
  next_serial_ = store.next_serial;
  clock_ = store.clock;
  std::vector<com::com_ptr<appointment_item>> appointments;
  for (const auto& kept : store.items) {
    if (!kept.appointment) continue;
    auto item = make<appointment_item>(shared_from_this(), kept.folder, kept.fields.deep_copy());
    item->restore(kept.serial, kept.creation_time);
    item->set_identity(kept.global_id, kept.copied_from);
    item->mark_saved(kept.folder, kept.entry_id);
    appointments.push_back(item);
    items_.push_back(com::com_ptr<item_base>(item.get()));
  }
  for (const auto& kept : store.items) {
    if (kept.appointment) continue;
    com::com_ptr<appointment_item> appointment;
    for (const auto& candidate : appointments) {
      if (candidate->entry_id() == kept.appointment_entry_id) appointment = candidate;
    }
    auto item =
        make<meeting_item>(shared_from_this(), kept.folder, kept.fields.deep_copy(), appointment);
    item->restore(kept.serial, kept.creation_time);
    item->set_identity(kept.global_id, kept.copied_from);
    item->mark_saved(kept.folder, kept.entry_id);
    items_.push_back(com::com_ptr<item_base>(item.get()));
  }
}

item_store session::keep() const {
  item_store store;
  store.directory = directory_;
  store.next_id = next_id_;
  store.next_serial = next_serial_;
  store.clock = clock_;
  for (const auto& item : items_) {
    stored_item kept;
    kept.appointment = item->is_appointment();
    kept.fields = item->saved_fields().deep_copy();
    kept.folder = item->folder();
    kept.entry_id = item->entry_id();
    kept.global_id = item->global_id();
    kept.creation_time = item->creation_time();
    kept.serial = item->serial();
    kept.copied_from = item->copied_from();
    if (!item->is_appointment()) {
      if (auto* appointment = static_cast<meeting_item&>(*item).appointment())
        kept.appointment_entry_id = appointment->entry_id();
    }
    store.items.push_back(std::move(kept));
  }
  return store;
}

void session::shutdown() {
  if (!application_) return;
  for (const auto& inspector : open_) inspector->release_item();
  open_.clear();
  active_ = nullptr;
  for (const auto& item : items_) item->events().disconnect_all();
  items_.clear();
  application_events().disconnect_all();
  inspectors_events().disconnect_all();
  folders_.clear();
  application_.reset();
  name_space_.reset();
  explorer_.reset();
  inspectors_.reset();
}

std::wstring session::new_entry_id(const wchar_t* kind) {
  // The look of a MAPI long-term entry id: a hexadecimal text.
  wchar_t text[64];
  unsigned hash = 2166136261u;
  for (const wchar_t* c = kind; *c; ++c) hash = (hash ^ static_cast<unsigned>(*c)) * 16777619u;
  swprintf(text, 64, L"00000000A1B2C3D4E5F6%08X%08X0700", hash, next_id_++);
  return text;
}

const directory_entry& session::add_entry(directory_entry::kind kind, const std::wstring& name,
                                          const std::wstring& smtp) {
  directory_entry entry{kind, name, smtp, new_entry_id(L"entry"), L""};
  if (entry.exchange()) {
    const std::wstring alias = smtp.substr(0, smtp.find(L'@'));
    entry.x500 = L"/o=Mivo/ou=Exchange Administrative Group/cn=Recipients/cn=" + alias;
  }
  directory_.push_back(entry);
  return directory_.back();
}

std::optional<directory_entry> session::resolve(const std::wstring& typed) {
  const std::wstring key = fold_case(typed);
  if (key.empty()) return std::nullopt;
  if (fold_case(user_.name) == key || fold_case(user_.smtp) == key) return user_;
  for (const auto& entry : directory_) {
    if (fold_case(entry.name) == key || fold_case(entry.smtp) == key) return entry;
  }
  const bool looks_like_address =
      typed.find(L'@') != std::wstring::npos && typed.find(L' ') == std::wstring::npos;
  if (!looks_like_address) return std::nullopt;
  // A one-off address: kept, so that GetAddressEntryFromID finds it.
  return add_entry(directory_entry::kind::smtp, typed, typed);
}

std::optional<directory_entry> session::entry_by_id(const std::wstring& id) const {
  if (user_.entry_id == id) return user_;
  for (const auto& entry : directory_) {
    if (entry.entry_id == id) return entry;
  }
  return std::nullopt;
}

double session::now() const {
  if (clock_) return *clock_;
  SYSTEMTIME local;
  GetLocalTime(&local);
  double when = 0;
  SystemTimeToVariantTime(&local, &when);
  // SystemTimeToVariantTime drops the milliseconds; CreationTime comparisons
  // within a second need them.
  return when + local.wMilliseconds / 86400000.0;
}

void session::advance_clock(double seconds) { clock_ = now() + seconds / 86400.0; }

IDispatch* session::application() { return application_.get(); }
IDispatch* session::name_space() { return name_space_.get(); }
IDispatch* session::explorer() { return explorer_.get(); }
IDispatch* session::inspectors() { return inspectors_.get(); }

IDispatch* session::folder(folder_id id) {
  for (const auto& [which, object] : folders_) {
    if (which == id) return object.get();
  }
  return nullptr;
}

std::wstring session::folder_name(folder_id id) const { return folder_label(id); }

std::wstring session::folder_entry_id(folder_id id) const {
  wchar_t text[64];
  swprintf(text, 64, L"00000000F0F0F0F0F0F0F0F0F0F0F0F0010000%04X0000", static_cast<unsigned>(id));
  return text;
}

connection_points& session::application_events() {
  return static_cast<application_object*>(static_cast<trapped_dispatch*>(application_.get()))
      ->events();
}

connection_points& session::inspectors_events() {
  return static_cast<inspectors_object*>(static_cast<trapped_dispatch*>(inspectors_.get()))
      ->events();
}

std::wstring session::new_global_id() {
  // A hexadecimal text like the entry ids, from the same counter.
  return new_entry_id(L"global");
}

com::com_ptr<appointment_item> session::copy(appointment_item& source, folder_id folder,
                                             bool own_appointment) {
  item_fields fields = source.fields().deep_copy();
  for (auto& property : fields.properties) property.inherited = true;
  if (own_appointment && fields.meeting_status == olMeetingReceived) {
    fields.meeting_status = olNonMeeting;
    fields.recipients.clear();
    fields.organizer.clear();
  }
  auto copied = make<appointment_item>(shared_from_this(), folder, std::move(fields));
  copied->set_identity(source.global_id(), source.serial());
  copied->mark_saved(folder, new_entry_id(L"item"));
  add_item(com::com_ptr<item_base>(copied.get()));
  if (ui_) ui_->items_changed();
  return copied;
}

com::com_ptr<appointment_item> session::occurrence(appointment_item& series, double when) {
  const item_fields& fields = series.fields();
  if (!fields.recurrence || series.master()) return nullptr;
  const int day = static_cast<int>(std::floor(when));
  const auto on_day = [&](double start) { return static_cast<int>(std::floor(start)) == day; };
  const auto make_view = [&](item_fields view, double original_start, bool exception) {
    auto made = make<appointment_item>(shared_from_this(), series.folder(), std::move(view));
    made->make_occurrence(com::com_ptr<item_base>(&series), original_start, exception);
    return made;
  };
  for (const auto& exception : fields.exceptions) {
    if (on_day(exception.fields->start))
      return make_view(exception.fields->deep_copy(), exception.original_start, true);
  }
  // An occurrence moved to another day by its exception is no longer here.
  for (const auto& exception : fields.exceptions) {
    if (on_day(exception.original_start)) return nullptr;
  }
  const recurrence_data& p = *fields.recurrence;
  const SeriesPattern pattern{
      p.type,         p.interval, p.day_of_week_mask,
      p.day_of_month, p.instance, static_cast<int>(std::floor(p.pattern_start))};
  if (!series_falls_on(pattern, day) || (!p.no_end_date && day > std::floor(p.pattern_end)))
    return nullptr;
  item_fields view = fields.deep_copy();
  view.exceptions.clear();
  const double length = view.end - view.start;
  view.start = day + (view.start - std::floor(view.start));
  view.end = view.start + length;
  const double start = view.start;
  return make_view(std::move(view), start, false);
}

com::com_ptr<appointment_item> session::create_appointment() {
  item_fields fields;
  fields.message_class = L"IPM.Appointment";
  // A new appointment starts at the next half hour and lasts half an hour.
  const double half_hour = 1.0 / 48.0;
  fields.start = std::ceil(now() / half_hour) * half_hour;
  fields.end = fields.start + half_hour;
  auto created = make<appointment_item>(shared_from_this(), folder_id::calendar, std::move(fields));
  return created;
}

std::vector<com::com_ptr<item_base>> session::items(folder_id folder) const {
  std::vector<com::com_ptr<item_base>> found;
  for (const auto& item : items_) {
    if (item->folder() == folder) found.push_back(item);
  }
  return found;
}

com::com_ptr<item_base> session::item_by_entry_id(const std::wstring& id) const {
  for (const auto& item : items_) {
    if (item->entry_id() == id) return item;
  }
  return nullptr;
}

void session::add_item(com::com_ptr<item_base> item) {
  if (std::find(items_.begin(), items_.end(), item) == items_.end()) items_.push_back(item);
}

void session::forget_item(item_base& item) {
  items_.erase(std::remove_if(items_.begin(), items_.end(),
                              [&](const com::com_ptr<item_base>& i) { return i.get() == &item; }),
               items_.end());
}

com::com_ptr<inspector_object> session::inspector_for(item_base& item) {
  if (item.inspector()) return com::com_ptr<inspector_object>(item.inspector());
  auto inspector = make<inspector_object>(shared_from_this(), com::com_ptr<item_base>(&item));
  item.attach_inspector(inspector);
  return inspector;
}

void session::display(item_base& item) {
  com::com_ptr<item_base> keep(&item);
  auto inspector = inspector_for(item);
  if (inspector->shown()) {
    active_ = inspector.get();
    if (ui_) ui_->activate_inspector(*inspector);
    return;
  }
  if (std::find(open_.begin(), open_.end(), inspector) == open_.end()) open_.push_back(inspector);
  inspectors_events().fire(event::new_inspector, "NewInspector",
                           event_arguments().object(inspector.get()));
  if (item.saved_once()) item.events().fire(event::item_read, "Read");
  VARIANT_BOOL cancel = VARIANT_FALSE;
  item.events().fire(event::item_open, "Open", event_arguments().cancel(&cancel));
  if (cancel != VARIANT_FALSE || !item.inspector()) {
    open_.erase(std::remove(open_.begin(), open_.end(), inspector), open_.end());
    item.detach_inspector();
    inspector->release_item();
    return;
  }
  inspector->set_shown();
  active_ = inspector.get();
  if (ui_) ui_->show_inspector(*inspector);
  inspector->events().fire(event::inspector_activate, "Activate");
}

bool session::save(item_base& item) {
  com::com_ptr<item_base> keep(&item);
  VARIANT_BOOL cancel = VARIANT_FALSE;
  item.events().fire(event::item_write, "Write", event_arguments().cancel(&cancel));
  if (cancel != VARIANT_FALSE) return false;
  if (item_base* series = item.master()) {
    series->keep_exception(item.original_start(), item.fields());
    item.make_occurrence(com::com_ptr<item_base>(series), item.original_start(), true);
    if (ui_) ui_->items_changed();
    return true;
  }
  item.mark_saved(item.folder(), item.saved_once() ? item.entry_id() : new_entry_id(L"item"));
  add_item(keep);
  if (ui_) ui_->items_changed();
  return true;
}

session::send_outcome session::send(appointment_item& item) {
  com::com_ptr<item_base> keep(&item);
  VARIANT_BOOL cancel = VARIANT_FALSE;
  item.events().fire(event::item_send_event, "Send", event_arguments().cancel(&cancel));
  if (cancel != VARIANT_FALSE) return send_outcome::cancelled_by_item;

  const item_fields& fields = item.fields();
  const bool cancellation = fields.meeting_status == olMeetingCanceled;
  item_fields request = fields.deep_copy();
  request.message_class =
      cancellation ? L"IPM.Schedule.Meeting.Canceled" : L"IPM.Schedule.Meeting.Request";
  request.recipients.erase(
      std::remove_if(request.recipients.begin(), request.recipients.end(),
                     [](const recipient_data& r) { return r.type == olOrganizer; }),
      request.recipients.end());
  auto message = make<meeting_item>(shared_from_this(), folder_id::outbox, request,
                                    com::com_ptr<appointment_item>(&item));
  message->set_identity(item.global_id(), 0);
  application_events().fire(event::item_send, "ItemSend",
                            event_arguments().object(message.get()).cancel(&cancel));
  if (cancel != VARIANT_FALSE) return send_outcome::cancelled_by_application;

  sent_message record{request.message_class,
                      request.subject,
                      request.location,
                      request.start,
                      request.end,
                      {},
                      L""};
  for (const auto& r : request.recipients) record.to.push_back(r.entry ? r.entry->smtp : r.typed);
  const std::u16string& body = request.body->text();
  record.body.assign(body.begin(), body.end() - 1);
  sent_.push_back(record);
  message->mark_saved(folder_id::sent_items, new_entry_id(L"sent"));
  add_item(com::com_ptr<item_base>(message.get()));

  save(item);
  if (inspector_object* inspector = item.inspector(); inspector && inspector->shown())
    close(*inspector, olDiscard, false);
  if (cancellation) item.move_to(folder_id::deleted_items);
  if (ui_) ui_->items_changed();
  return send_outcome::sent;
}

bool session::close(inspector_object& inspector, long mode, bool cancellable) {
  com::com_ptr<inspector_object> keep_inspector(&inspector);
  com::com_ptr<item_base> item(&inspector.item());
  VARIANT_BOOL cancel = VARIANT_FALSE;
  item->events().fire(event::item_close, "Close", event_arguments().cancel(&cancel));
  if (cancel != VARIANT_FALSE && cancellable) return false;

  bool discard = mode == olDiscard;
  if (mode == olSave) {
    if (item->dirty() || !item->saved_once()) save(*item);
  } else if (mode == olPromptForSave && item->dirty()) {
    const int answer = ui_ ? ui_->ask_save_changes(inspector) : IDNO;
    if (answer == IDCANCEL) return false;
    if (answer == IDYES && !save(*item)) return false;
    discard = answer == IDNO;
  }
  inspector.events().fire(event::inspector_close, "Close");

  open_.erase(std::remove(open_.begin(), open_.end(), keep_inspector), open_.end());
  if (active_ == &inspector) active_ = open_.empty() ? nullptr : open_.back().get();
  if (ui_ && inspector.shown()) ui_->destroy_inspector(inspector);
  item->detach_inspector();
  inspector.release_item();
  if (discard) item->revert();
  return true;
}

bool session::remove(item_base& item) {
  com::com_ptr<item_base> keep(&item);
  VARIANT_BOOL cancel = VARIANT_FALSE;
  item.events().fire(event::before_delete, "BeforeDelete",
                     event_arguments().object(&item).cancel(&cancel));
  if (cancel != VARIANT_FALSE) return false;
  if (inspector_object* inspector = item.inspector(); inspector && inspector->shown())
    close(*inspector, olDiscard, false);
  if (item.master()) {
    Diagnostics::unmodelled("deleting one occurrence of a series");
    return true;
  }
  if (!item.saved_once()) return true;
  if (item.folder() == folder_id::deleted_items)
    forget_item(item);
  else
    item.move_to(folder_id::deleted_items);
  if (ui_) ui_->items_changed();
  return true;
}

com::com_ptr<meeting_item> session::receive_request(const std::wstring& organizer,
                                                    const std::wstring& subject, double start,
                                                    long minutes) {
  item_fields fields;
  fields.message_class = L"IPM.Appointment";
  fields.subject = subject;
  fields.start = start;
  fields.end = start + minutes / 1440.0;
  fields.meeting_status = olMeetingReceived;
  auto from = resolve(organizer);
  fields.organizer = from ? from->name : organizer;
  fields.recipients.push_back(recipient_data{1, organizer, from, olOrganizer});
  fields.recipients.push_back(recipient_data{2, user_.name, user_, olRequired});
  auto appointment =
      make<appointment_item>(shared_from_this(), folder_id::calendar, fields.deep_copy());
  appointment->mark_saved(folder_id::calendar, new_entry_id(L"received"));
  add_item(com::com_ptr<item_base>(appointment.get()));

  fields.message_class = L"IPM.Schedule.Meeting.Request";
  auto request =
      make<meeting_item>(shared_from_this(), folder_id::inbox, std::move(fields), appointment);
  request->set_identity(appointment->global_id(), 0);
  request->mark_saved(folder_id::inbox, new_entry_id(L"request"));
  add_item(com::com_ptr<item_base>(request.get()));
  if (ui_) ui_->items_changed();
  return request;
}

}  // namespace mivo::outlookhost
