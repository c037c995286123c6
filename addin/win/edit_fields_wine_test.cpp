// The edit-field commit on a real appointment window, the Outlook host's,
// which takes the names typed in an attendee field into the item when the
// field loses the focus: the field holding the focus is taken in and keeps
// the focus.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "com/testing/apartment.h"
#include "edit_fields.h"
#include "host_test_support.h"
#include "host_windows.h"
#include "outlook_host.h"

namespace mivo::addin {
namespace {

namespace host = outlookhost;

class EditFields : public ::testing::Test {
 protected:
  void SetUp() override {
    host_.start();
    std::string error;
    ASSERT_TRUE(host_.press(host_.explorer_window(), host::kNewMeetingButton, error)) << error;
    inspector_ = host_.outlook().open_inspectors().back().get();
  }

  HWND field(int id) const { return GetDlgItem(inspector_->window, id); }

  void type_without_leaving(int id, const wchar_t* names) {
    SetFocus(field(id));
    SetWindowTextW(field(id), names);
  }

  // The names the item holds among its attendees of that type.
  std::vector<std::wstring> attendees(long type) const {
    std::vector<std::wstring> names;
    for (const auto& r : inspector_->item().fields().recipients)
      if (r.type == type) names.push_back(r.typed);
    return names;
  }

  com::testing::com_apartment com_;
  host::testing::TestAddinKeys no_addins_;
  host::outlook_host host_;
  host::inspector_object* inspector_ = nullptr;
};

TEST_F(EditFields, TheAttendeeFieldHoldingTheFocusIsTakenInAndKeepsIt) {
  type_without_leaving(host::kToField, L"guest@example.com; other@example.com");
  CommitEditFields();
  EXPECT_EQ(field(host::kToField), GetFocus());
  EXPECT_EQ((std::vector<std::wstring>{L"guest@example.com", L"other@example.com"}),
            attendees(host::olRequired));

  type_without_leaving(host::kOptionalField, L"optional@example.com");
  CommitEditFields();
  EXPECT_EQ(field(host::kOptionalField), GetFocus());
  EXPECT_EQ(std::vector<std::wstring>{L"optional@example.com"}, attendees(host::olOptional));
}

}  // namespace
}  // namespace mivo::addin
