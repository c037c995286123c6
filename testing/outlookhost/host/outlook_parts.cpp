// Recipients, address entries and their Exchange views, property
// accessors, user properties and the recurrence pattern.
//
// From Outlook's documentation: collections are indexed from 1 or by name;
// an Exchange recipient's Address is its legacy X500 address, so its SMTP
// address comes from ExchangeUser or ExchangeDistributionList
// .PrimarySmtpAddress, or from PropertyAccessor.GetProperty with the
// PR_SMTP_ADDRESS proptag; GetExchangeUser gives Nothing for anything but
// an Exchange user; UserProperties.Find returns Nothing when the property
// is missing and searches custom properties unless Custom is False.
// Property tags are only understood in the case-sensitive
// "http://schemas.microsoft.com/mapi/proptag/0x" namespace; the https form
// is not known to work in Outlook, so the host refuses it.
#include <algorithm>
#include <cmath>
#include <cwctype>

#include "outlook_parts.h"
#include "win/wide_text.h"

namespace mivo::outlookhost {

namespace {

constexpr DISPID kCount = 0x50, kItem = 0x51;

// MAPI property tags an address entry answers through its accessor.
constexpr unsigned long kDisplayName = 0x3001, kAddressType = 0x3002, kEmailAddress = 0x3003,
                        kSmtpAddress = 0x39FE;

// The property id of a proptag schema name; false for any other namespace.
bool proptag(const std::wstring& schema, unsigned long& id, unsigned long& type) {
  static const std::wstring prefix = L"http://schemas.microsoft.com/mapi/proptag/0x";
  if (schema.compare(0, prefix.size(), prefix) != 0 || schema.size() != prefix.size() + 8) {
    if (schema.rfind(L"https://schemas.microsoft.com/mapi/proptag/", 0) == 0)
      Diagnostics::note(
          "PropertyAccessor: the https:// form of the proptag namespace is not "
          "known to work in Outlook; use http://");
    return false;
  }
  const std::wstring digits = schema.substr(prefix.size());
  if (digits.find_first_not_of(L"0123456789abcdefABCDEF") != std::wstring::npos) return false;
  const unsigned long tag = std::wcstoul(digits.c_str(), nullptr, 16);
  id = tag >> 16;
  type = tag & 0xFFFF;
  return type == 0x001E || type == 0x001F;  // the host's properties are all strings
}

[[noreturn]] void unknown_property(const std::wstring& schema) {
  throw automation_error("The property \"" + win::to_utf8(schema) +
                         "\" is unknown or cannot be found.");
}

// PropertyAccessor of an address entry (or of a recipient, which answers
// for its entry).
class entry_accessor final : public dispatch_object {
 public:
  entry_accessor(std::shared_ptr<session> owner, directory_entry entry)
      : session_(std::move(owner)), entry_(std::move(entry)) {}

 protected:
  const char* type_name() const noexcept override { return "PropertyAccessor"; }
  bool answers(REFIID iid) const noexcept override {
    return IsEqualIID(iid, iid::property_accessor);
  }
  const std::vector<member>& members() const override {
    static const std::vector<member> table = {
        {L"Application", kApplication, member_kind::get},
        {L"Session", kSession, member_kind::get},
        {L"GetProperty", 0xFAFB, member_kind::method, 1, 1},
        {L"SetProperty", 0xFAFC, member_kind::method, 2, 2},
    };
    return table;
  }
  void invoke(DISPID id, WORD, const arguments& args, result& out) override {
    switch (id) {
      case kApplication:
        out.object(session_->application());
        return;
      case kSession:
        out.object(session_->name_space());
        return;
      case 0xFAFC:
        throw automation_error("The address book's properties cannot be changed here.");
    }
    const std::wstring schema = args.text(0);
    unsigned long tag = 0, type = 0;
    if (!proptag(schema, tag, type)) unknown_property(schema);
    switch (tag) {
      case kSmtpAddress:
        out.text(entry_.smtp);
        return;
      case kDisplayName:
        out.text(entry_.name);
        return;
      case kAddressType:
        out.text(entry_.exchange() ? L"EX" : L"SMTP");
        return;
      case kEmailAddress:
        out.text(entry_.address());
        return;
    }
    unknown_property(schema);
  }

 private:
  std::shared_ptr<session> session_;
  directory_entry entry_;
};

// An address entry, or its ExchangeUser / ExchangeDistributionList view.
class address_entry_object final : public dispatch_object {
 public:
  enum class view { entry, user, list };
  address_entry_object(std::shared_ptr<session> owner, directory_entry entry, view as)
      : session_(std::move(owner)), entry_(std::move(entry)), view_(as) {}

 protected:
  const char* type_name() const noexcept override {
    return view_ == view::user   ? "ExchangeUser"
           : view_ == view::list ? "ExchangeDistributionList"
                                 : "AddressEntry";
  }
  bool answers(REFIID iid) const noexcept override {
    return IsEqualIID(iid, iid::address_entry) ||
           (view_ == view::user && IsEqualIID(iid, iid::exchange_user)) ||
           (view_ == view::list && IsEqualIID(iid, iid::exchange_list));
  }
  const std::vector<member>& members() const override {
    static const std::vector<member> entry = {
        {L"Application", kApplication, member_kind::get},
        {L"Session", kSession, member_kind::get},
        {L"Address", 0x3003, member_kind::get},
        {L"ID", 0xF01E, member_kind::get},
        {L"Name", 0x3001, member_kind::get},
        {L"Type", 0x3002, member_kind::get},
        {L"AddressEntryUserType", 0xFAF2, member_kind::get},
        {L"PropertyAccessor", 0xFAFD, member_kind::get},
        {L"GetExchangeUser", 0xFAF1, member_kind::method},
        {L"GetExchangeDistributionList", 0xFAEF, member_kind::method},
    };
    static const std::vector<member> exchange = [] {
      std::vector<member> all = entry;
      all.push_back({L"PrimarySmtpAddress", 0xFAF5, member_kind::get});
      return all;
    }();
    return view_ == view::entry ? entry : exchange;
  }
  void invoke(DISPID id, WORD, const arguments&, result& out) override {
    switch (id) {
      case kApplication:
        out.object(session_->application());
        return;
      case kSession:
        out.object(session_->name_space());
        return;
      case 0x3003:
        out.text(entry_.address());
        return;
      case 0xF01E:
        out.text(entry_.entry_id);
        return;
      case 0x3001:
        out.text(entry_.name);
        return;
      case 0x3002:
        out.text(entry_.exchange() ? L"EX" : L"SMTP");
        return;
      case 0xFAF2:
        out.integer(entry_.user_type());
        return;
      case 0xFAFD:
        out.object(make<entry_accessor>(session_, entry_).get());
        return;
      case 0xFAF1:
        out.object(entry_.type == directory_entry::kind::exchange_user
                       ? make<address_entry_object>(session_, entry_, view::user).get()
                       : nullptr);
        return;
      case 0xFAEF:
        out.object(entry_.type == directory_entry::kind::exchange_list
                       ? make<address_entry_object>(session_, entry_, view::list).get()
                       : nullptr);
        return;
      case 0xFAF5:
        out.text(entry_.smtp);
        return;
    }
  }

 private:
  std::shared_ptr<session> session_;
  directory_entry entry_;
  view view_;
};

// A recipient of an item, or the profile's user (NameSpace.CurrentUser).
class recipient_object final : public dispatch_object {
 public:
  recipient_object(std::shared_ptr<session> owner, com::com_ptr<item_base> item, int id)
      : session_(std::move(owner)), item_(std::move(item)), id_(id) {}

 protected:
  const char* type_name() const noexcept override { return "Recipient"; }
  bool answers(REFIID iid) const noexcept override { return IsEqualIID(iid, iid::recipient); }
  const std::vector<member>& members() const override {
    static const std::vector<member> table = {
        {L"Application", kApplication, member_kind::get},
        {L"Session", kSession, member_kind::get},
        {L"Parent", 0x6D, member_kind::get},
        {L"Address", 0x3003, member_kind::get},
        {L"AddressEntry", 0x79, member_kind::get},
        {L"EntryID", 0xF01E, member_kind::get},
        {L"Name", 0x3001, member_kind::get},
        {L"Resolved", 0x64, member_kind::get},
        {L"Type", 0xC15, member_kind::get_put},
        {L"PropertyAccessor", 0xFAFD, member_kind::get},
    };
    return table;
  }
  void invoke(DISPID id, WORD flags, const arguments& args, result& out) override {
    const recipient_data data = current();
    switch (id) {
      case kApplication:
        out.object(session_->application());
        return;
      case kSession:
        out.object(session_->name_space());
        return;
      case 0x6D:
        out.object(item_ ? static_cast<IDispatch*>(item_.get()) : session_->name_space());
        return;
      case 0x3003:
        out.text(data.entry ? data.entry->address() : L"");
        return;
      case 0x79:
        out.object(data.entry ? make_address_entry(session_, *data.entry).get() : nullptr);
        return;
      case 0xF01E:
        out.text(data.entry ? data.entry->entry_id : L"");
        return;
      case 0x3001:
        out.text(data.entry ? data.entry->name : data.typed);
        return;
      case 0x64:
        out.boolean(data.entry.has_value());
        return;
      case 0xC15:
        if (flags == DISPATCH_PROPERTYPUT) {
          if (!item_) throw automation_error("The profile's own user has no recipient type.");
          recipient_data* changed = item_->recipient(id_);
          if (!changed) raise_gone("recipient");
          changed->type = args.put_integer();
          item_->changed();
        } else {
          out.integer(data.type);
        }
        return;
      case 0xFAFD:
        if (!data.entry) throw automation_error("The recipient is not resolved.");
        out.object(make<entry_accessor>(session_, *data.entry).get());
        return;
    }
  }

 private:
  recipient_data current() const {
    if (!item_) {
      const directory_entry& user = session_->current_user();
      return recipient_data{0, user.name, user, olRequired};
    }
    if (recipient_data* data = item_->recipient(id_)) return *data;
    raise_gone("recipient");
  }

  std::shared_ptr<session> session_;
  com::com_ptr<item_base> item_;
  int id_;
};

class recipients_object final : public dispatch_object {
 public:
  explicit recipients_object(com::com_ptr<item_base> item) : item_(std::move(item)) {}

 protected:
  const char* type_name() const noexcept override { return "Recipients"; }
  bool answers(REFIID iid) const noexcept override { return IsEqualIID(iid, iid::recipients); }
  const std::vector<member>& members() const override {
    static const std::vector<member> table = {
        {L"Application", kApplication, member_kind::get}, {L"Session", kSession, member_kind::get},
        {L"Parent", kParent, member_kind::get},           {L"Count", kCount, member_kind::get},
        {L"Item", kItem, member_kind::method, 1, 1},      {L"Add", 0x6F, member_kind::method, 1, 1},
        {L"Remove", 0x54, member_kind::method, 1, 1},
    };
    return table;
  }
  void invoke(DISPID id, WORD, const arguments& args, result& out) override {
    const auto& all = item_->fields().recipients;
    switch (id) {
      case kApplication:
        out.object(item_->owner().application());
        return;
      case kSession:
        out.object(item_->owner().name_space());
        return;
      case kParent:
        out.object(item_.get());
        return;
      case kCount:
        out.integer(static_cast<long>(all.size()));
        return;
      case kItem:
        out.object(make_recipient(item_, find(args)).get());
        return;
      case 0x6F:
        out.object(make_recipient(item_, item_->add_recipient(args.text(0), olRequired)).get());
        return;
      case 0x54: {
        const long index = args.integer(0);
        if (index < 1 || index > static_cast<long>(all.size()))
          throw automation_error("Array index out of bounds.");
        item_->remove_recipient(all[index - 1].id);
        return;
      }
    }
  }

 private:
  int find(const arguments& args) const {
    const auto& all = item_->fields().recipients;
    if (args.type(0) == VT_BSTR) {
      const std::wstring name = fold_case(args.text(0));
      for (const auto& r : all) {
        if (fold_case(r.entry ? r.entry->name : r.typed) == name) return r.id;
      }
    } else {
      const long index = args.integer(0);
      if (index >= 1 && index <= static_cast<long>(all.size())) return all[index - 1].id;
    }
    throw automation_error("Array index out of bounds.");
  }

  com::com_ptr<item_base> item_;
};

class item_accessor final : public dispatch_object {
 public:
  explicit item_accessor(com::com_ptr<item_base> item) : item_(std::move(item)) {}

 protected:
  const char* type_name() const noexcept override { return "PropertyAccessor"; }
  bool answers(REFIID iid) const noexcept override {
    return IsEqualIID(iid, iid::property_accessor);
  }
  const std::vector<member>& members() const override {
    static const std::vector<member> table = {
        {L"GetProperty", 0xFAFB, member_kind::method, 1, 1},
        {L"SetProperty", 0xFAFC, member_kind::method, 2, 2},
    };
    return table;
  }
  void invoke(DISPID id, WORD, const arguments& args, result&) override {
    Diagnostics::unmodelled(std::string("the item's PropertyAccessor.") +
                            (id == 0xFAFB ? "GetProperty" : "SetProperty"));
    unknown_property(args.text(0));
  }

 private:
  com::com_ptr<item_base> item_;
};

class user_property_object final : public dispatch_object {
 public:
  user_property_object(com::com_ptr<item_base> item, std::wstring name)
      : item_(std::move(item)), name_(std::move(name)) {}

 protected:
  const char* type_name() const noexcept override { return "UserProperty"; }
  bool answers(REFIID iid) const noexcept override { return IsEqualIID(iid, iid::user_property); }
  const std::vector<member>& members() const override {
    static const std::vector<member> table = {
        {L"Application", kApplication, member_kind::get},
        {L"Session", kSession, member_kind::get},
        {L"Parent", kParent, member_kind::get},
        {L"Name", 0x70, member_kind::get},
        {L"Type", 0x6D, member_kind::get},
        {L"Value", 0, member_kind::get_put},
    };
    return table;
  }
  void invoke(DISPID id, WORD flags, const arguments& args, result& out) override {
    user_property_data* property = item_->find_property(name_);
    if (!property) raise_gone("user property");
    switch (id) {
      case kApplication:
        out.object(item_->owner().application());
        return;
      case kSession:
        out.object(item_->owner().name_space());
        return;
      case kParent:
        out.object(item_.get());
        return;
      case 0x70:
        out.text(property->name);
        return;
      case 0x6D:
        out.integer(property->type);
        return;
      case 0:
        if (flags == DISPATCH_PROPERTYPUT) {
          item_->set_property_value(name_, args.put_value());
          return;
        }
        switch (property->stored) {
          case VT_BSTR:
            out.text(property->text);
            return;
          case VT_R8:
            out.number(property->number);
            return;
          case VT_I4:
            out.integer(static_cast<long>(property->number));
            return;
          case VT_DATE:
            out.date(property->number);
            return;
          case VT_BOOL:
            out.boolean(property->number != 0);
            return;
        }
    }
  }

 private:
  com::com_ptr<item_base> item_;
  std::wstring name_;
};

class user_properties_object final : public dispatch_object {
 public:
  explicit user_properties_object(com::com_ptr<item_base> item) : item_(std::move(item)) {}

 protected:
  const char* type_name() const noexcept override { return "UserProperties"; }
  bool answers(REFIID iid) const noexcept override { return IsEqualIID(iid, iid::user_properties); }
  const std::vector<member>& members() const override {
    static const std::vector<member> table = {
        {L"Application", kApplication, member_kind::get},
        {L"Session", kSession, member_kind::get},
        {L"Parent", kParent, member_kind::get},
        {L"Count", kCount, member_kind::get},
        {L"Item", kItem, member_kind::method, 1, 1},
        {L"Remove", 0x52, member_kind::method, 1, 1},
        {L"Add", 0x66, member_kind::method, 2, 4},
        {L"Find", 0x67, member_kind::method, 1, 2},
    };
    return table;
  }
  void invoke(DISPID id, WORD, const arguments& args, result& out) override {
    auto& all = item_->fields().properties;
    switch (id) {
      case kApplication:
        out.object(item_->owner().application());
        return;
      case kSession:
        out.object(item_->owner().name_space());
        return;
      case kParent:
        out.object(item_.get());
        return;
      case kCount:
        out.integer(static_cast<long>(all.size()));
        return;
      case kItem: {
        std::wstring name;
        if (args.type(0) == VT_BSTR) {
          name = args.text(0);
          if (!item_->find_property(name)) throw automation_error("Array index out of bounds.");
        } else {
          const long index = args.integer(0);
          if (index < 1 || index > static_cast<long>(all.size()))
            throw automation_error("Array index out of bounds.");
          name = all[index - 1].name;
        }
        out.object(make<user_property_object>(item_, name).get());
        return;
      }
      case 0x52: {
        const long index = args.integer(0);
        if (index < 1 || index > static_cast<long>(all.size()))
          throw automation_error("Array index out of bounds.");
        item_->remove_property(index - 1);
        return;
      }
      case 0x66: {
        const std::wstring name = args.text(0);
        const long type = args.integer(1);
        if (!args.missing(2) && args.boolean(2))
          Diagnostics::unmodelled(
              "UserProperties.Add with AddToFolderFields:=True (no folder fields)");
        item_->add_property(name, type);
        out.object(make<user_property_object>(item_, name).get());
        return;
      }
      case 0x67: {
        const std::wstring name = args.text(0);
        if (!args.missing(1) && !args.boolean(1)) {
          Diagnostics::unmodelled("UserProperties.Find(Custom:=False): built-in properties");
          out.object(nullptr);
          return;
        }
        out.object(item_->find_property(name) ? make<user_property_object>(item_, name).get()
                                              : nullptr);
        return;
      }
    }
  }

 private:
  com::com_ptr<item_base> item_;
};

class recurrence_object final : public dispatch_object {
 public:
  explicit recurrence_object(com::com_ptr<item_base> item) : item_(std::move(item)) {}

 protected:
  const char* type_name() const noexcept override { return "RecurrencePattern"; }
  bool answers(REFIID iid) const noexcept override {
    return IsEqualIID(iid, iid::recurrence_pattern);
  }
  const std::vector<member>& members() const override {
    static const std::vector<member> table = {
        {L"Application", kApplication, member_kind::get},
        {L"Session", kSession, member_kind::get},
        {L"Parent", kParent, member_kind::get},
        {L"DayOfMonth", 0x1000, member_kind::get_put},
        {L"DayOfWeekMask", 0x1001, member_kind::get_put},
        {L"PatternEndDate", 0x1002, member_kind::get_put},
        {L"Instance", 0x1003, member_kind::get_put},
        {L"Interval", 0x1004, member_kind::get_put},
        {L"Occurrences", 0x1005, member_kind::get_put},
        {L"MonthOfYear", 0x1006, member_kind::get_put},
        {L"RecurrenceType", 0x1007, member_kind::get_put},
        {L"PatternStartDate", 0x1008, member_kind::get_put},
        {L"StartTime", 0x1009, member_kind::get_put},
        {L"NoEndDate", 0x100B, member_kind::get_put},
        {L"EndTime", 0x100C, member_kind::get_put},
        {L"Duration", 0x100D, member_kind::get_put},
        {L"GetOccurrence", 0x100F, member_kind::method, 1, 1},
    };
    return table;
  }
  void invoke(DISPID id, WORD flags, const arguments& args, result& out) override {
    const bool put = flags == DISPATCH_PROPERTYPUT;
    const item_fields& fields = item_->fields();
    if (!fields.recurrence && id != kApplication && id != kSession && id != kParent)
      raise_gone("recurrence pattern");
    switch (id) {
      case kApplication:
        out.object(item_->owner().application());
        return;
      case kSession:
        out.object(item_->owner().name_space());
        return;
      case kParent:
        out.object(item_.get());
        return;
      case 0x1009:  // StartTime and EndTime: the item's times of day
      case 0x100C: {
        const double when = id == 0x1009 ? fields.start : fields.end;
        if (put) {
          const double time = args.put_date() - std::floor(args.put_date());
          if (id == 0x1009)
            item_->set_start(std::floor(fields.start) + time);
          else
            item_->set_end(std::floor(fields.end) + time);
        } else {
          out.date(when - std::floor(when));
        }
        return;
      }
      case 0x100D:
        if (put)
          item_->set_duration(args.put_integer());
        else
          out.integer(std::lround((fields.end - fields.start) * 1440));
        return;
      case 0x100F: {
        // An error when the series has no occurrence on that date
        // (documented); the pattern of an occurrence is its series'.
        item_base* series = item_->master() ? item_->master() : item_.get();
        auto found =
            item_->owner().occurrence(static_cast<appointment_item&>(*series), args.date(0));
        if (!found) throw automation_error("The series has no occurrence on that date.");
        out.object(found.get());
        return;
      }
    }
    recurrence_data pattern = *fields.recurrence;
    long* integer = nullptr;
    double* date = nullptr;
    switch (id) {
      case 0x1000:
        integer = &pattern.day_of_month;
        break;
      case 0x1001:
        integer = &pattern.day_of_week_mask;
        break;
      case 0x1003:
        integer = &pattern.instance;
        break;
      case 0x1004:
        integer = &pattern.interval;
        break;
      case 0x1005:
        integer = &pattern.occurrences;
        break;
      case 0x1006:
        integer = &pattern.month_of_year;
        break;
      case 0x1007:
        integer = &pattern.type;
        break;
      case 0x1002:
        date = &pattern.pattern_end;
        break;
      case 0x1008:
        date = &pattern.pattern_start;
        break;
      case 0x100B:
        if (!put) {
          out.boolean(pattern.no_end_date);
          return;
        }
        pattern.no_end_date = args.put_boolean();
        item_->set_recurrence(pattern);
        return;
    }
    if (!put) {
      if (integer) out.integer(*integer);
      if (date) out.date(*date);
      return;
    }
    if (integer) *integer = args.put_integer();
    if (date) *date = args.put_date();
    // An end by count or by date ends the "no end" of the pattern.
    if (id == 0x1005 || id == 0x1002) pattern.no_end_date = false;
    item_->set_recurrence(pattern);
  }

 private:
  com::com_ptr<item_base> item_;
};

}  // namespace

long directory_entry::user_type() const {
  switch (type) {
    case kind::exchange_user:
      return olExchangeUserAddressEntry;
    case kind::exchange_list:
      return olExchangeDistributionListAddressEntry;
    case kind::exchange_agent:
      return olExchangeAgentAddressEntry;
    case kind::smtp:
      break;
  }
  return olSmtpAddressEntry;
}

std::wstring directory_entry::address() const { return exchange() ? x500 : smtp; }

com::com_ptr<IDispatch> make_recipients(com::com_ptr<item_base> item) {
  return com::com_ptr<IDispatch>(make<recipients_object>(std::move(item)).get());
}

com::com_ptr<IDispatch> make_recipient(com::com_ptr<item_base> item, int id) {
  auto owner = item->shared_owner();
  return com::com_ptr<IDispatch>(make<recipient_object>(owner, std::move(item), id).get());
}

com::com_ptr<IDispatch> make_user_recipient(std::shared_ptr<session> owner) {
  return com::com_ptr<IDispatch>(make<recipient_object>(std::move(owner), nullptr, 0).get());
}

com::com_ptr<IDispatch> make_address_entry(std::shared_ptr<session> owner,
                                           const directory_entry& entry) {
  return com::com_ptr<IDispatch>(
      make<address_entry_object>(std::move(owner), entry, address_entry_object::view::entry).get());
}

com::com_ptr<IDispatch> make_item_property_accessor(com::com_ptr<item_base> item) {
  return com::com_ptr<IDispatch>(make<item_accessor>(std::move(item)).get());
}

com::com_ptr<IDispatch> make_user_properties(com::com_ptr<item_base> item) {
  return com::com_ptr<IDispatch>(make<user_properties_object>(std::move(item)).get());
}

com::com_ptr<IDispatch> make_recurrence_pattern(com::com_ptr<item_base> item) {
  return com::com_ptr<IDispatch>(make<recurrence_object>(std::move(item)).get());
}

}  // namespace mivo::outlookhost
