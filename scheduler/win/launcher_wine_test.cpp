// Shell launches of the client program and of https addresses, observed
// through the launch recorder.
#include "launcher.h"

#include <gtest/gtest.h>

#include "com/module.h"
#include "testing/scheduler_test_support.h"
#include "win/wide_text.h"

namespace mivo::scheduler {
namespace {

using testing::LaunchRecords;

class LauncherTest : public ::testing::Test {
 protected:
  testing::com_apartment com_;
  LaunchRecords records_;
  std::unique_ptr<LauncherPort> launcher_ = make_launcher();
};

TEST_F(LauncherTest, HttpsAddressGoesToTheHttpsHandlerFromTheModuleFolderAndKeepsTheDirectory) {
  testing::registry_key_guard https(HKEY_CLASSES_ROOT, L"https");
  testing::set_string(HKEY_CLASSES_ROOT, L"https\\shell\\open\\command", nullptr,
                      L"\"" + testing::recorder_path() + L"\" \"%1\"");
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temp);
  SetCurrentDirectoryW(temp);
  wchar_t before[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, before);

  launcher_->open_https_address("https://127.0.0.1:1/meet/?YWN0aW9u");

  wchar_t after[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, after);
  EXPECT_STREQ(before, after);
  const auto launches = records_.collect();
  ASSERT_EQ(1u, launches.size());
  EXPECT_NE(std::string::npos, launches[0].command_line.find("https://127.0.0.1:1/meet/?YWN0aW9u"));
  EXPECT_EQ(_wcsicmp(mivo::com::module::folder().c_str(),
                     mivo::win::to_wide(launches[0].directory).c_str()),
            0)
      << launches[0].directory;
}

}  // namespace
}  // namespace mivo::scheduler
