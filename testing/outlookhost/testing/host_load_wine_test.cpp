// Loading as Outlook loads: the Addins keys, the user's classes before the
// machine's, the _IDTExtensibility2 calls in order, the ribbon checks, and
// a crashing add-in named.
#include <gtest/gtest.h>

#include "dialog_test_support.h"
#include "com/testing/apartment.h"
#include "host_test_support.h"
#include "outlook_host.h"

namespace mivo::outlookhost {
namespace {

namespace sched = mivo::scheduler::testing;
using namespace testing;

bool mentions(const std::vector<std::string>& lines, const std::string& text) {
  for (const auto& line : lines) {
    if (line.find(text) != std::string::npos) return true;
  }
  return false;
}

class HostLoad : public ::testing::Test {
 protected:
  com::testing::com_apartment com_;
  TestAddinKeys keys_;
};

TEST_F(HostLoad, AddinFromPerUserClassesGetsStartupAndShutdownCallsInOutlooksOrder) {
  keys_.register_for_user();
  {
    outlook_host host;
    clear_addin_log();
    host.start();
    ASSERT_EQ(1u, host.addins().size());
    EXPECT_TRUE(host.addins()[0]->connected());
    EXPECT_EQ(
        "OnConnection 1 with COMAddIn\n"
        "GetCustomUI Microsoft.Outlook.Explorer\n"
        "OnLoad\n"
        "LoadImage byref Switch\n"
        "GetVisible Test_Switch\n"
        "GetVisible Test_Shown\n"
        "OnStartupComplete\n"
        "Application.Startup\n",
        addin_log());
    clear_addin_log();
    host.quit();
    EXPECT_EQ("Application.Quit\nOnBeginShutdown\nOnDisconnection 0\n", addin_log());
  }
}

TEST_F(HostLoad, ObjectsAnAddinStillHoldsAfterShutdownAreReported) {
  keys_.register_for_user();
  {
    outlook_host host;
    host.start();
    host.quit();
    EXPECT_FALSE(mentions(host.take_problems(), "still hold"));
  }
  Environment leak(L"MIVO_TEST_ADDIN_LEAK", L"1");
  outlook_host host;
  host.start();
  host.quit();
  const auto problems = host.take_problems();
  EXPECT_TRUE(mentions(problems, "still hold 1 of Outlook's"))
      << (problems.empty() ? "" : problems.back());
}

TEST_F(HostLoad, TurnedOffAndOnAgainTheAddinLosesItsRibbonAndIsConnectedAfterStartup) {
  keys_.register_for_user();
  outlook_host host;
  host.start();
  clear_addin_log();
  host.disconnect_addins();
  EXPECT_EQ("OnDisconnection 1\n", addin_log());
  EXPECT_TRUE(host.ribbons().controls(host.explorer_window()).empty());
  clear_addin_log();
  host.connect_addins();
  EXPECT_EQ(
      "OnConnection 0 with COMAddIn\n"
      "GetCustomUI Microsoft.Outlook.Explorer\n"
      "OnLoad\n"
      "LoadImage byref Switch\n"
      "GetVisible Test_Switch\n"
      "GetVisible Test_Shown\n",
      addin_log());
  EXPECT_EQ(4u, host.ribbons().controls(host.explorer_window()).size());
}

TEST_F(HostLoad, UsersClassWinsOverTheMachinesAndTheUsersLoadBehaviorOverTheMachines) {
  keys_.register_class(HKEY_LOCAL_MACHINE, L"C:\\nowhere\\machine.dll");
  class_registration found;
  std::string error;
  ASSERT_TRUE(resolve_class(kTestProgId, found, error)) << error;
  EXPECT_EQ(L"C:\\nowhere\\machine.dll", found.server);
  keys_.register_class(HKEY_CURRENT_USER, test_addin_path());
  ASSERT_TRUE(resolve_class(kTestProgId, found, error)) << error;
  EXPECT_EQ(test_addin_path(), found.server);
  EXPECT_EQ(0u, found.found_in.rfind(L"HKCU\\Software\\Classes\\CLSID\\", 0));

  keys_.register_addin(HKEY_LOCAL_MACHINE, 3);
  keys_.register_addin(HKEY_CURRENT_USER, 2);
  for (const auto& registration : read_addin_registrations()) {
    if (registration.prog_id != kTestProgId) continue;
    EXPECT_EQ(2u, registration.load_behavior);
    EXPECT_EQ(L"HKCU", registration.load_behavior_from);
  }
  outlook_host host;
  host.start();
  EXPECT_TRUE(host.addins().empty());
}

TEST_F(HostLoad, UnregisteredClassOrFailingConnectionIsReportedAndLeavesNoAddin) {
  keys_.register_addin(HKEY_CURRENT_USER, 3);
  {
    outlook_host host;
    host.start();
    ASSERT_EQ(1u, host.addins().size());
    EXPECT_FALSE(host.addins()[0]->connected());
    EXPECT_TRUE(mentions(host.take_problems(), "is not registered"));
  }
  keys_.register_class(HKEY_CURRENT_USER, test_addin_path());
  Environment fail(L"MIVO_TEST_ADDIN_FAIL", L"OnConnection");
  outlook_host host;
  host.start();
  EXPECT_FALSE(host.addins()[0]->connected());
  EXPECT_TRUE(mentions(host.take_problems(), "runtime error occurred during OnConnection"));
  EXPECT_TRUE(host.ribbons().controls(host.explorer_window()).empty());
}

// Office refuses markup that fails the schema (a duplicate id) as a whole;
// a callback name the add-in does not know leaves the control in place and
// is only reported.
TEST_F(HostLoad, RibbonMistakesAreReportedAndOnlySchemaErrorsKeepTheMarkupOut) {
  keys_.register_for_user();
  const std::wstring xml_file = sched::temporary_path(L"ribbon.xml");
  Environment xml(L"MIVO_TEST_ADDIN_XML", xml_file);
  const auto write = [&](const std::string& text) {
    HANDLE file =
        CreateFileW(xml_file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
  };
  const std::string head =
      "<customUI xmlns='http://schemas.microsoft.com/office/2009/07/customui' onLoad='OnLoad'>"
      "<ribbon><tabs><tab idMso='TabHome'><group id='G' label='G'>";
  const std::string tail = "</group></tab></tabs></ribbon></customUI>";

  write(head + "<button id='A' onAction='OnAction'/><button id='A'/>" + tail);
  {
    outlook_host host;
    host.start();
    const auto problems = host.take_problems();
    EXPECT_TRUE(mentions(problems, "the id \"A\" is used twice"));
    EXPECT_TRUE(mentions(problems, "not applied"));
    EXPECT_TRUE(host.ribbons().controls(host.explorer_window()).empty());
  }
  write(head + "<button id='A' getVisible='NoSuchCallback' onAction='OnAction'/>" + tail);
  {
    outlook_host host;
    host.start();
    EXPECT_TRUE(mentions(host.take_problems(), "getVisible=\"NoSuchCallback\""));
    const auto& controls = host.ribbons().controls(host.explorer_window());
    ASSERT_EQ(3u, controls.size());
    EXPECT_TRUE(host.ribbons().shown(host.explorer_window(), controls[2]));
  }
  // A group the add-in hides takes its controls with it.
  write(
      "<customUI xmlns='http://schemas.microsoft.com/office/2009/07/customui'><ribbon><tabs>"
      "<tab idMso='TabHome'><group id='Test_Shown' label='G' getVisible='GetVisible'>"
      "<button id='A' label='A'/></group>" +
      tail.substr(8));
  {
    outlook_host host;
    host.start();
    const auto& controls = host.ribbons().controls(host.explorer_window());
    ASSERT_EQ(3u, controls.size());
    EXPECT_TRUE(controls[2].visible);
    EXPECT_FALSE(host.ribbons().shown(host.explorer_window(), controls[2]));
  }
  write(head + "<button id='A'>" + tail);
  {
    outlook_host host;
    host.start();
    EXPECT_TRUE(mentions(host.take_problems(), "not well-formed"));
  }
  DeleteFileW(xml_file.c_str());
}

TEST_F(HostLoad, ExceptionLetOutOfAnAddinCallIsCaughtAndNamed) {
  keys_.register_for_user();
  Environment thrown(L"MIVO_TEST_ADDIN_THROW", L"OnConnection");
  outlook_host host;
  host.start();
  EXPECT_FALSE(host.addins()[0]->connected());
  EXPECT_TRUE(mentions(host.take_problems(),
                       "let a C++ exception out of _IDTExtensibility2::OnConnection"));
}

TEST_F(HostLoad, CrashInsideAnAddinCallIsNamedAndEndsTheHost) {
  keys_.register_for_user();
  Environment crash(L"MIVO_TEST_ADDIN_CRASH", L"OnConnection");
  std::string output;
  EXPECT_EQ(3u, run_host(L"", output));
  EXPECT_NE(std::string::npos, output.find("in _IDTExtensibility2::OnConnection")) << output;
}

}  // namespace
}  // namespace mivo::outlookhost
