// The walkthrough program end to end, as scripts/demo.sh runs it but in the
// test prefix: it succeeds against the reference service with the robot,
// puts back every registry key it changes (other tests share the prefix),
// and ends at once with a failure when it cannot reach its service.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "registry_store.h"
#include "testing/scheduler_test_support.h"

namespace mivo::scheduler {
namespace {

constexpr wchar_t kBrowserCommand[] = L"https\\shell\\open\\command";
constexpr wchar_t kClientCommand[] = L"darselVantor\\shell\\open\\command";

DWORD run_walkthrough() {
  return testing::run_program(L"\"" + testing::program_folder() + L"\\mivo-walkthrough.exe\"");
}

TEST(Walkthrough, RunsEndToEndAndPutsBackTheKeysItChanges) {
  testing::SettingsKeyGuard settings;
  testing::registry_key_guard client(HKEY_CLASSES_ROOT, L"darselVantor");
  testing::registry_key_guard browser(HKEY_CLASSES_ROOT, L"https");
  testing::set_setting("mivousername", "someone else");
  testing::set_string(HKEY_CLASSES_ROOT, kBrowserCommand, nullptr, L"browser.exe \"%1\"");
  testing::set_string(HKEY_CLASSES_ROOT, kClientCommand, nullptr, L"client.exe \"%1\"");

  EXPECT_EQ(0u, run_walkthrough());

  EXPECT_EQ(std::vector<std::wstring>{L"mivousername"},
            testing::value_names(HKEY_CURRENT_USER, kSettingsKey));
  EXPECT_EQ("someone else", testing::setting("mivousername"));
  EXPECT_EQ(L"browser.exe \"%1\"",
            testing::string_value(HKEY_CLASSES_ROOT, kBrowserCommand, nullptr));
  EXPECT_EQ(L"client.exe \"%1\"",
            testing::string_value(HKEY_CLASSES_ROOT, kClientCommand, nullptr));
}

TEST(Walkthrough, ServiceExpectedOnAnotherPortEndsItWithExitCode1) {
  wchar_t port[16] = {};
  GetEnvironmentVariableW(L"MIVO_REFSERVICE_PORT", port, 16);
  // Nothing listens on the discard port of the loopback address.
  SetEnvironmentVariableW(L"MIVO_REFSERVICE_PORT", L"9");
  const DWORD code = run_walkthrough();
  SetEnvironmentVariableW(L"MIVO_REFSERVICE_PORT", port[0] ? port : nullptr);
  EXPECT_EQ(1u, code);
}

}  // namespace
}  // namespace mivo::scheduler
