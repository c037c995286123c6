// mivo-outlook.exe end to end with the test add-in: a scenario that runs
// to its end, one whose expectation fails, and a script with mistakes.
#include <gtest/gtest.h>

#include "dialog_test_support.h"
#include "host_test_support.h"

namespace mivo::outlookhost {
namespace {

namespace sched = mivo::scheduler::testing;
using namespace testing;

std::wstring script(const wchar_t* name) {
  return std::wstring(L"\"Z:") + MIVO_SCENARIO_DIR + L"\\" + name + L"\"";
}

class HostProgram : public ::testing::Test {
 protected:
  void SetUp() override { keys_.register_for_user(); }
  TestAddinKeys keys_;
};

TEST_F(HostProgram, ScenarioWithTheTestAddinRunsToItsEnd) {
  std::string output;
  EXPECT_EQ(0u, run_host(script(L"test-addin.scenario"), output)) << output;
  EXPECT_NE(std::string::npos, output.find("The scenario ran to its end.")) << output;
}

TEST_F(HostProgram, FailedExpectationOrWrongScriptEndsWithItsExitCode) {
  const std::wstring file = sched::temporary_path(L"wrong.scenario");
  const auto write = [&](const std::string& text) {
    HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(handle);
  };
  std::string output;
  write("start\nexpect visible Test_Shown\n");
  EXPECT_EQ(1u, run_host(L"\"" + file + L"\"", output));
  EXPECT_NE(std::string::npos, output.find("FAILED: Test_Shown is hidden")) << output;
  write("start\nclick\n");
  EXPECT_EQ(2u, run_host(L"\"" + file + L"\"", output));
  EXPECT_NE(std::string::npos, output.find(":2: expected click <control>")) << output;
  DeleteFileW(file.c_str());
}

}  // namespace
}  // namespace mivo::outlookhost
