// The add-in DLL registered as Outlook finds it, per machine and per user,
// through regsvr32 as an installer runs it, and unregistered without a trace.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "win/wide_text.h"
#include "testing/scheduler_test_support.h"

namespace mivo::addin {
namespace {

namespace testing = mivo::scheduler::testing;

constexpr wchar_t kClsid[] = L"{1006FAF5-DCBA-4F68-9B9C-92A950C224E4}";
constexpr wchar_t kAppId[] = L"{8CD77BEF-AF44-4F46-8F13-A779C4C37221}";
constexpr wchar_t kLibId[] = L"{94727FBC-C569-4581-8E67-95BC7FB63B84}";
constexpr wchar_t kConnectorIid[] = L"{DB178AC0-D2D2-415C-8DEA-BFF7ACB1AE2B}";
constexpr wchar_t kAddinKey[] =
    L"Software\\Microsoft\\Office\\Outlook\\Addins\\MivoOutlookPlugin.OutlookConnector";

std::wstring addin_path() { return testing::program_folder() + L"\\MivoOutlookPlugin.dll"; }

DWORD regsvr32(const std::wstring& options) {
  return testing::run_program(L"regsvr32.exe /s " + options + L" \"" + addin_path() + L"\"");
}

// What a registration may touch, in both hives, as registry lines.
std::set<std::wstring> registration_state() {
  std::set<std::wstring> state;
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    for (const wchar_t* path :
         {L"Software\\Classes\\CLSID", L"Software\\Classes\\AppID", L"Software\\Classes\\TypeLib",
          L"Software\\Classes\\Interface", L"Software\\Classes\\MivoOutlookPlugin.OutlookConnector",
          L"Software\\Classes\\MivoOutlookPlugin.OutlookConnector.1",
          L"Software\\Microsoft\\Office"})
      for (const auto& line : testing::registry_lines(root, path))
        state.insert((root == HKEY_LOCAL_MACHINE ? L"HKLM\\" : L"HKCU\\") + line);
  }
  return state;
}

std::vector<std::wstring> differences(const std::set<std::wstring>& before,
                                      const std::set<std::wstring>& after) {
  std::vector<std::wstring> changed;
  for (const auto& line : after)
    if (!before.count(line)) changed.push_back(line);
  for (const auto& line : before)
    if (!after.count(line)) changed.push_back(L"gone: " + line);
  return changed;
}

void expect_addin_key(HKEY root) {
  EXPECT_EQ(L"MivoOutlookPlugin", testing::string_value(root, kAddinKey, L"FriendlyName"));
  EXPECT_EQ(L"Mivo Outlook Plugin", testing::string_value(root, kAddinKey, L"Description"));
  DWORD load_behavior = 0, command_line_safe = 7, size = sizeof(DWORD);
  EXPECT_EQ(ERROR_SUCCESS, RegGetValueW(root, kAddinKey, L"LoadBehavior", RRF_RT_REG_DWORD, nullptr,
                                        &load_behavior, &size));
  EXPECT_EQ(3u, load_behavior);
  size = sizeof(DWORD);
  EXPECT_EQ(ERROR_SUCCESS, RegGetValueW(root, kAddinKey, L"CommandLineSafe", RRF_RT_REG_DWORD,
                                        nullptr, &command_line_safe, &size));
  EXPECT_EQ(0u, command_line_safe);
}

void expect_classes(HKEY root) {
  const std::wstring classes = L"Software\\Classes\\";
  const std::wstring clsid = classes + L"CLSID\\" + kClsid;
  EXPECT_EQ(L"OutlookConnector Class", testing::string_value(root, clsid, nullptr));
  EXPECT_EQ(0, _wcsicmp(addin_path().c_str(),
                        testing::string_value(root, clsid + L"\\InprocServer32", nullptr).c_str()));
  EXPECT_EQ(L"Apartment",
            testing::string_value(root, clsid + L"\\InprocServer32", L"ThreadingModel"));
  EXPECT_EQ(L"MivoOutlookPlugin.OutlookConnector.1",
            testing::string_value(root, clsid + L"\\ProgID", nullptr));
  EXPECT_EQ(L"MivoOutlookPlugin.OutlookConnector",
            testing::string_value(root, clsid + L"\\VersionIndependentProgID", nullptr));
  EXPECT_TRUE(testing::key_exists(root, clsid + L"\\Programmable"));
  EXPECT_EQ(kLibId, testing::string_value(root, clsid + L"\\TypeLib", nullptr));
  EXPECT_EQ(L"MivoOutlookPlugin.OutlookConnector.1",
            testing::string_value(root, classes + L"MivoOutlookPlugin.OutlookConnector\\CurVer",
                                  nullptr));
  EXPECT_EQ(kClsid, testing::string_value(
                        root, classes + L"MivoOutlookPlugin.OutlookConnector.1\\CLSID", nullptr));
  EXPECT_EQ(L"MivoOutlookPlugin",
            testing::string_value(root, classes + L"AppID\\" + kAppId, nullptr));
  EXPECT_EQ(kAppId,
            testing::string_value(root, classes + L"AppID\\MivoOutlookPlugin.DLL", L"AppID"));
  EXPECT_EQ(L"MivoOutlookPlugin 1.0 Type Library",
            testing::string_value(root, classes + L"TypeLib\\" + kLibId + L"\\1.0", nullptr));
  EXPECT_EQ(kLibId, testing::string_value(
                        root, classes + L"Interface\\" + kConnectorIid + L"\\TypeLib", nullptr));
}

// Outlook's Addins keys exist wherever Outlook is installed, the classes'
// keys wherever Windows runs; the test prefix gets them (the Addins keys for
// the test only).
class OutlookInstalled {
 public:
  OutlookInstalled() {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
      // The scripts never remove the classes' parent keys (NoRemove): a
      // registration in a prefix that lacks them leaves them behind.
      for (const wchar_t* path : {L"Software\\Microsoft\\Office\\Outlook\\Addins",
                                  L"Software\\Classes\\CLSID", L"Software\\Classes\\AppID",
                                  L"Software\\Classes\\Interface", L"Software\\Classes\\TypeLib"}) {
        HKEY key = nullptr;
        RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        if (key) RegCloseKey(key);
      }
    }
  }

 private:
  testing::registry_key_guard machine_{HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Office"};
  testing::registry_key_guard user_{HKEY_CURRENT_USER, L"Software\\Microsoft\\Office"};
};

class RegistrationTest : public ::testing::Test {
 protected:
  void TearDown() override {
    // Whatever a failed test left behind.
    regsvr32(L"/u");
    regsvr32(L"/u /n /i:user");
    const auto left = differences(before_, registration_state());
    for (const auto& path : left) ADD_FAILURE() << "left behind: " << win::to_utf8(path);
  }

  OutlookInstalled outlook_;
  const std::set<std::wstring> before_ = registration_state();
};

TEST_F(RegistrationTest, MachineRegistrationWritesClassesAndBothAddinsKeysAndTakesThemAway) {
  ASSERT_EQ(0u, regsvr32(L""));
  expect_classes(HKEY_LOCAL_MACHINE);
  expect_addin_key(HKEY_LOCAL_MACHINE);
  expect_addin_key(HKEY_CURRENT_USER);

  ASSERT_EQ(0u, regsvr32(L"/u"));
  EXPECT_TRUE(differences(before_, registration_state()).empty());
}

TEST_F(RegistrationTest, PerUserRegistrationWritesTheUsersHiveOnly) {
  // "User" in any case is the per-user command line; a user without
  // administrator rights cannot write the machine's Addins key.
  ASSERT_EQ(0u, regsvr32(L"/n /i:User"));
  expect_classes(HKEY_CURRENT_USER);
  expect_addin_key(HKEY_CURRENT_USER);
  for (const auto& path : differences(before_, registration_state()))
    EXPECT_EQ(0u, path.rfind(L"HKCU\\", 0)) << win::to_utf8(path);

  ASSERT_EQ(0u, regsvr32(L"/u /n /i:user"));
  EXPECT_TRUE(differences(before_, registration_state()).empty());
}

TEST_F(RegistrationTest, AnyOtherCommandLineRegistersForTheMachine) {
  ASSERT_EQ(0u, regsvr32(L"/n /i:users"));
  expect_classes(HKEY_LOCAL_MACHINE);
  expect_addin_key(HKEY_LOCAL_MACHINE);
  EXPECT_FALSE(
      testing::key_exists(HKEY_CURRENT_USER, std::wstring(L"Software\\Classes\\CLSID\\") + kClsid));

  ASSERT_EQ(0u, regsvr32(L"/u /n /i:users"));
  EXPECT_TRUE(differences(before_, registration_state()).empty());
}

}  // namespace
}  // namespace mivo::addin
