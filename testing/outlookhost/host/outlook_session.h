// Outlook as the host plays it: one session (the profile's folders, the
// address book, the open windows, what was sent) and the objects an add-in
// reaches from Application, with the flows that raise Outlook's events in
// Outlook's order: displaying an item, saving, sending, closing, deleting.
//
// The session holds its objects and they hold the session; shutdown()
// drops the session's side, so whatever an add-in still holds afterwards
// stays valid but is Outlook's no longer.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "automation.h"
#include "connection_points.h"
#include "outlook_model.h"

namespace mivo::outlookhost {

class session;
class inspector_object;

enum class folder_id { calendar, deleted_items, inbox, sent_items, outbox };

// What the session needs from the windows around it.
class session_ui {
 public:
  virtual ~session_ui() = default;
  // The inspector has been created and its item has opened: show it.
  virtual void show_inspector(inspector_object& inspector) = 0;
  virtual void destroy_inspector(inspector_object& inspector) = 0;
  virtual void activate_inspector(inspector_object& inspector) = 0;
  // Outlook's question when a changed item closes: IDYES, IDNO or IDCANCEL.
  virtual int ask_save_changes(inspector_object& inspector) = 0;
  // A field of an open item changed through the object model.
  virtual void item_changed(inspector_object& inspector) = 0;
  // Items were saved, moved, deleted or received.
  virtual void items_changed() = 0;
  virtual void quit_requested() = 0;
};

// An Outlook item: the fields, the folder, the events, the window.
class item_base : public dispatch_object {
 public:
  item_base(std::shared_ptr<session> owner, folder_id folder, item_fields fields);
  ~item_base() override;

  const item_fields& fields() const { return fields_; }
  // What Save kept: the fields a discarded close or an exit goes back to.
  const item_fields& saved_fields() const { return saved_; }
  folder_id folder() const { return folder_; }
  const std::wstring& entry_id() const { return entry_id_; }
  double creation_time() const { return creation_time_; }
  // GlobalAppointmentID: given when the item is made, the same on its copies
  // and on the meeting requests it sends.
  const std::wstring& global_id() const { return global_id_; }
  // The host's own numbering, for the scenarios and the explorer: every
  // item made gets the next number, kept across an exit; a copy remembers
  // its source's.
  int serial() const { return serial_; }
  int copied_from() const { return copied_from_; }
  bool saved_once() const { return !entry_id_.empty(); }
  // An occurrence of a series (RecurrencePattern.GetOccurrence): a view of
  // the series on one of its days, with the series' EntryID; saved, it
  // becomes an exception kept in the series. Null for any other item.
  item_base* master() const { return master_.get(); }
  double original_start() const { return original_start_; }
  bool is_exception() const { return exception_; }
  void make_occurrence(com::com_ptr<item_base> master, double original_start, bool exception);
  // Keeps an occurrence's saved fields as an exception of this series.
  void keep_exception(double original_start, const item_fields& occurrence);
  bool dirty() const;
  inspector_object* inspector() const { return inspector_.get(); }
  connection_points& events() { return events_; }
  session& owner() const { return *session_; }
  std::shared_ptr<session> shared_owner() const { return session_; }
  virtual bool is_appointment() const = 0;

  // Changes as a person or the object model makes them: the item becomes
  // unsaved and PropertyChange is raised with Outlook's property name.
  void set_subject(const std::wstring& value);
  void set_location(const std::wstring& value);
  void set_start(double value);  // keeps the duration, as Outlook moves End along
  void set_end(double value);
  void set_duration(long minutes);
  void set_meeting_status(long status);
  void set_recurrence(std::optional<recurrence_data> pattern);
  void set_body_text(const std::wstring& text);
  // The whole body typed over (see WordDocument::replace_body_text).
  void replace_body_text(const std::wstring& text);
  // Adds a recipient, resolved against the address book when it can be.
  int add_recipient(const std::wstring& typed, long type);
  void remove_recipient(int id);
  user_property_data* find_property(const std::wstring& name);
  user_property_data& add_property(const std::wstring& name, long type);
  void set_property_value(const std::wstring& name, const VARIANT& value);
  void remove_property(std::size_t index);
  recipient_data* recipient(int id);

  // Bookkeeping of the session's flows.
  void attach_inspector(com::com_ptr<inspector_object> inspector);
  void detach_inspector();
  void mark_saved(folder_id folder, std::wstring entry_id);
  void set_identity(std::wstring global_id, int copied_from) {
    global_id_ = std::move(global_id);
    copied_from_ = copied_from;
  }
  void restore(int serial, double creation_time) {
    serial_ = serial;
    creation_time_ = creation_time;
  }
  void move_to(folder_id folder) { folder_ = folder; }
  void revert();
  void changed();

 protected:
  void* other_interface(REFIID iid) noexcept override;
  // Members every item shares: Application, Session, Parent, Subject, Body,
  // MessageClass, EntryID, CreationTime, GetInspector, UserProperties,
  // Display, Close, Save, Delete. True when `id` was one of them.
  bool invoke_common(DISPID id, WORD flags, const arguments& args, result& out);
  static const std::vector<member>& common_members();
  void property_changed(const wchar_t* name);

  std::shared_ptr<session> session_;
  item_fields fields_;
  item_fields saved_;
  std::uint64_t saved_body_revision_ = 0;
  bool changed_since_save_ = false;
  folder_id folder_;
  std::wstring entry_id_;
  double creation_time_ = 0;
  std::wstring global_id_;
  int serial_ = 0;
  int copied_from_ = 0;
  int next_recipient_ = 1;
  com::com_ptr<item_base> master_;
  double original_start_ = 0;
  bool exception_ = false;
  com::com_ptr<inspector_object> inspector_;
  connection_points events_;
};

class appointment_item final : public item_base {
 public:
  using item_base::item_base;
  bool is_appointment() const override { return true; }
  long duration() const;

 protected:
  const char* type_name() const noexcept override { return "AppointmentItem"; }
  bool answers(REFIID iid) const noexcept override {
    return IsEqualIID(iid, iid::appointment_item);
  }
  const std::vector<member>& members() const override;
  void invoke(DISPID id, WORD flags, const arguments& args, result& out) override;
};

class meeting_item final : public item_base {
 public:
  meeting_item(std::shared_ptr<session> owner, folder_id folder, item_fields fields,
               com::com_ptr<appointment_item> appointment);
  bool is_appointment() const override { return false; }
  appointment_item* appointment() const { return appointment_.get(); }

 protected:
  const char* type_name() const noexcept override { return "MeetingItem"; }
  bool answers(REFIID iid) const noexcept override { return IsEqualIID(iid, iid::meeting_item); }
  const std::vector<member>& members() const override;
  void invoke(DISPID id, WORD flags, const arguments& args, result& out) override;

 private:
  com::com_ptr<appointment_item> appointment_;
};

class inspector_object final : public dispatch_object {
 public:
  inspector_object(std::shared_ptr<session> owner, com::com_ptr<item_base> item);
  ~inspector_object() override;

  item_base& item() const { return *item_; }
  bool shown() const { return shown_; }
  void set_shown() { shown_ = true; }
  connection_points& events() { return events_; }
  HWND window = nullptr;  // set by the windows that show it
  // The document Inspector.WordEditor returns, one per inspector.
  com::com_ptr<IDispatch> word_editor();
  void release_item();

 protected:
  const char* type_name() const noexcept override { return "Inspector"; }
  bool answers(REFIID iid) const noexcept override { return IsEqualIID(iid, iid::inspector); }
  void* other_interface(REFIID iid) noexcept override;
  const std::vector<member>& members() const override;
  void invoke(DISPID id, WORD flags, const arguments& args, result& out) override;

 private:
  std::shared_ptr<session> session_;
  com::com_ptr<item_base> item_;
  com::com_ptr<IDispatch> editor_;
  bool shown_ = false;
  connection_points events_;
};

// What the profile's store keeps of an item when Outlook exits.
struct stored_item {
  bool appointment = true;  // else a meeting request
  item_fields fields;       // as last saved
  folder_id folder = folder_id::calendar;
  std::wstring entry_id;
  std::wstring global_id;
  double creation_time = 0;
  int serial = 0;
  int copied_from = 0;
  std::wstring appointment_entry_id;  // a meeting request's appointment
};

// The store and the profile's settings that outlive one run of Outlook.
struct item_store {
  std::vector<stored_item> items;
  std::vector<directory_entry> directory;
  unsigned next_id = 1;
  int next_serial = 1;
  std::optional<double> clock;
};

class session : public std::enable_shared_from_this<session> {
 public:
  // A new profile, or one whose store an earlier run kept.
  static std::shared_ptr<session> create(const item_store* store = nullptr);
  // What the store keeps: the saved items (unsaved changes are not kept).
  item_store keep() const;
  ~session();
  void set_ui(session_ui* ui) { ui_ = ui; }
  session_ui* ui() const { return ui_; }
  void shutdown();

  // The address book and the profile's own user.
  const directory_entry& add_entry(directory_entry::kind kind, const std::wstring& name,
                                   const std::wstring& smtp);
  // By name or address, without regard to case; an SMTP address not in the
  // book resolves to a one-off entry of its own.
  std::optional<directory_entry> resolve(const std::wstring& typed);
  std::optional<directory_entry> entry_by_id(const std::wstring& id) const;
  const directory_entry& current_user() const { return user_; }

  // Office's user-interface language (LanguageSettings.LanguageID), an LCID;
  // the user's Windows display language unless set.
  LCID language() const { return language_; }
  void set_language(LCID language) { language_ = language; }

  // The time stamped on new items: the real local time unless fixed.
  double now() const;
  void fix_clock(double when) { clock_ = when; }
  void advance_clock(double seconds);
  void real_clock() { clock_.reset(); }

  IDispatch* application();
  IDispatch* name_space();
  IDispatch* explorer();
  IDispatch* folder(folder_id id);
  std::wstring folder_name(folder_id id) const;
  std::wstring folder_entry_id(folder_id id) const;
  connection_points& application_events();
  connection_points& inspectors_events();
  IDispatch* inspectors();

  com::com_ptr<appointment_item> create_appointment();
  // Copy: a new item in the source's folder, saved at once, with its own
  // EntryID, CreationTime and number and the source's fields, body and user
  // properties. CopyTo(folder, olCreateAppointment): the same into `folder`,
  // a received meeting becoming an appointment of the user's own.
  com::com_ptr<appointment_item> copy(appointment_item& source, folder_id folder,
                                      bool own_appointment);
  // The occurrence of the series on the day of `when`: its exception when
  // one was saved for that day, else a view of the series; null when the
  // series has none that day.
  com::com_ptr<appointment_item> occurrence(appointment_item& series, double when);
  int next_serial() { return next_serial_++; }
  std::wstring new_global_id();
  std::vector<com::com_ptr<item_base>> items(folder_id folder) const;
  std::vector<com::com_ptr<inspector_object>> open_inspectors() const { return open_; }
  inspector_object* active_inspector() const { return active_; }
  void set_active_inspector(inspector_object* inspector) { active_ = inspector; }
  const std::vector<sent_message>& sent() const { return sent_; }
  com::com_ptr<item_base> item_by_entry_id(const std::wstring& id) const;

  // The flows, raising Outlook's events in Outlook's order.
  com::com_ptr<inspector_object> inspector_for(item_base& item);
  void display(item_base& item);
  bool save(item_base& item);  // false: a Write handler cancelled it
  enum class send_outcome { sent, cancelled_by_item, cancelled_by_application };
  send_outcome send(appointment_item& item);
  bool close(inspector_object& inspector, long mode, bool cancellable);
  bool remove(item_base& item);  // false: a BeforeDelete handler cancelled it
  com::com_ptr<meeting_item> receive_request(const std::wstring& organizer,
                                             const std::wstring& subject, double start,
                                             long minutes);

 private:
  session();
  void restore(const item_store& store);
  std::wstring new_entry_id(const wchar_t* kind);
  void add_item(com::com_ptr<item_base> item);
  void forget_item(item_base& item);

  session_ui* ui_ = nullptr;
  std::vector<directory_entry> directory_;
  directory_entry user_;
  LCID language_;
  std::optional<double> clock_;
  unsigned next_id_ = 1;
  int next_serial_ = 1;
  com::com_ptr<IDispatch> application_, name_space_, explorer_, inspectors_;
  std::vector<std::pair<folder_id, com::com_ptr<IDispatch>>> folders_;
  std::vector<com::com_ptr<item_base>> items_;  // saved items, any folder
  std::vector<com::com_ptr<inspector_object>> open_;
  inspector_object* active_ = nullptr;
  std::vector<sent_message> sent_;
};

// Outlook's error for a member that cannot run on a closed or gone object.
[[noreturn]] void raise_gone(const char* what);

}  // namespace mivo::outlookhost
