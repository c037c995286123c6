// The scheduler DLL without MivoOlkRes.dll beside it. This test program is
// the host, and carries the resource library's own resources (dialog
// templates, texts, the reference service as string 114), as a host program
// may carry resources under the same identifiers: none of them may stand in
// for the missing library, so nothing is shown but empty warnings and nothing
// reaches the service.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "com/module.h"
#include "dialog_robot.h"
#include "dialog_test_support.h"
#include "refservice_client.h"
#include "resource_ids.h"
#include "testing/scheduler_test_support.h"

namespace mivo::scheduler {
namespace {

using mivo::com::com_ptr;
using mivo::com::unique_bstr;
using mivo::robot::DialogRobot;

// The scheduler and the agent copied from bin into a folder of their own,
// without the resource library, and the scheduler loaded from there.
HMODULE scheduler_without_resources() {
  static const HMODULE library = [] {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"mivo-without-resources";
    CreateDirectoryW(folder.c_str(), nullptr);
    DeleteFileW((folder + L"\\MivoOlkRes.dll").c_str());
    for (const wchar_t* name : {MIVO_SCHEDULER_DLL_NAME, L"MivoOIURL.dll"}) {
      const std::wstring file = std::wstring(L"\\") + name;
      if (!CopyFileW((testing::program_folder() + file).c_str(), (folder + file).c_str(), FALSE))
        return HMODULE{};
    }
    return LoadLibraryW((folder + L"\\" MIVO_SCHEDULER_DLL_NAME).c_str());
  }();
  return library;
}

com_ptr<IMeetingRequest> create_request() {
  com_ptr<IClassFactory> factory;
  com_ptr<IMeetingRequest> request;
  if (SUCCEEDED(mivo::com::class_object_from_library(scheduler_without_resources(),
                                                     CLSID_MeetingRequest, IID_IClassFactory,
                                                     factory.put_void())))
    factory->CreateInstance(nullptr, IID_IMeetingRequest, request.put_void());
  return request;
}

std::wstring host_string(int id) {
  const wchar_t* text = nullptr;
  const int length = LoadStringW(GetModuleHandleW(nullptr), static_cast<UINT>(id),
                                 reinterpret_cast<LPWSTR>(&text), 0);
  return length > 0 ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
}

TEST(MissingResourceLibrary, NothingOfTheHostIsShownAndNothingIsSent) {
  testing::com_apartment com;
  testing::SettingsKeyGuard settings;
  testing::owner_window owner;
  mivo::refservice::Client service;
  service.reset();
  // What the scheduler would find if it asked its host instead.
  const std::string site = service.base_url();
  ASSERT_EQ(host_string(IDS_SERVICE_URL), std::wstring(site.begin(), site.end()));
  ASSERT_FALSE(host_string(IDS_NO_ANSWER).empty());
  testing::set_setting("mivositename", site);
  testing::set_setting("mivousername", "alice");
  testing::set_setting("mivopassword", "alice-pass");
  testing::set_setting("mivotoken", "a-token");
  testing::set_setting("OutlookPluginVersion", "1.0.0");

  const com_ptr<IMeetingRequest> request = create_request();
  ASSERT_TRUE(request);
  const unique_bstr stored = mivo::com::make_bstr(L"{\"MeetingKey\":\"8810\",\"Subject\":\"x\"}");
  const unique_bstr appointment = mivo::com::make_bstr(
      L"{\"Duration\":30,\"OrStart\":47498.5,\"Start\":47498.5,\"Subject\":\"x\"}");
  ASSERT_EQ(S_OK, request->SetSettings(VARIANT_TRUE, stored.get(), appointment.get()));

  DialogRobot robot;
  robot.answer_other_message_boxes(IDOK);
  EXPECT_EQ(S_FALSE, request->AccountSetting());
  EXPECT_EQ(E_FAIL, request->AboutDlg(0));
  EXPECT_EQ(E_FAIL, request->SettingsDoModal(0));
  // Nothing sent, nobody read: the meeting operation may not go on, and its
  // warning has no text.
  EXPECT_EQ(E_FAIL, request->SimpleUpdate(0));
  // No answer to the lookup: the key stays and the warning has no text.
  EXPECT_EQ(E_FAIL, request->Delete(HandleToLong(owner.get())));
  // Nor does the version check: its address is string 114 too, stored site
  // or not.
  testing::set_setting("mivositename", "");
  BSTR unused = nullptr;
  EXPECT_EQ(S_OK, request->GetSettings(&unused, &unused));
  ASSERT_TRUE(robot.wait()) << robot.report();

  EXPECT_TRUE(robot.dialogs().empty()) << robot.report();
  ASSERT_EQ(2u, robot.message_boxes().size()) << robot.report();
  for (const auto& box : robot.message_boxes()) {
    EXPECT_EQ(L"", box.text);
    EXPECT_EQ(L"", box.caption);
  }
  EXPECT_TRUE(service.requests().empty());
  ULONG changed = 1;
  EXPECT_EQ(S_OK, request->GetMeetingInfoChangedFlag(&changed));
  EXPECT_EQ(0u, changed);  // the meeting key is still the stored one
}

}  // namespace
}  // namespace mivo::scheduler
