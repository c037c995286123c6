// A tracker's appointment and its window (Outlook's item and inspector) as
// the tracker's handlers use them.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "com/com_ptr.h"
#include "meeting_tracker.h"

namespace mivo::addin {

class AppointmentWindow final : public AppointmentWindowPort {
 public:
  com::com_ptr<IDispatch>& item() { return item_; }
  com::com_ptr<IDispatch>& inspector() { return inspector_; }

  // The item's subject and location, what ISettingsSink forwards to.
  void set_text(const wchar_t* property, BSTR value);
  // The text, or null when there is no item or Outlook gave none.
  BSTR text(const wchar_t* property);

  bool has_item() override { return static_cast<bool>(item_); }
  bool has_inspector() override { return static_cast<bool>(inspector_); }
  std::string read_record() override;
  std::string user_property(const char* name) override;
  void set_user_property(const char* name, const std::string& text) override;
  int meeting_status() override;
  std::string item_id() override;
  std::string subject() override;
  std::string location() override;
  void clear_subject() override;
  void clear_location() override;
  void insert_body(const std::string& text) override;
  void replace_body(const std::string& text) override;
  void commit_edit_fields() override;
  void save_item() override;

 private:
  com::com_ptr<IDispatch> word_editor() const;
  std::string utf8_text(const wchar_t* property);

  com::com_ptr<IDispatch> item_;
  com::com_ptr<IDispatch> inspector_;
};

}  // namespace mivo::addin
