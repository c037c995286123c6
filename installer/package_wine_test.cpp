// The test packages installed, used, upgraded and removed with msiexec in
// the test prefix, as a user installs them: per user, silently.
#include <windows.h>
#include <msi.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "com/unique.h"
#include "win/wide_text.h"
#include "package_signature.h"
#include "host_test_support.h"
#include "refservice_client.h"
#include "testing/addin_test_support.h"
#include "testing/scheduler_test_support.h"

namespace mivo::installer {
namespace {

namespace testing = mivo::scheduler::testing;
using com::unique_handle;

constexpr wchar_t kUpgradeCode[] = L"{1DAE3DED-2E7C-482A-908F-F52F098AF76E}";
constexpr wchar_t kMachineUpgradeCode[] = L"{6A0C2B5E-8F8B-4E36-9C51-2D3B7A1E4C90}";
constexpr wchar_t kGeneral[] = L"Software\\Mivo_Outlook\\General";
constexpr wchar_t kAddinKey[] =
    L"Software\\Microsoft\\Office\\Outlook\\Addins\\MivoOutlookPlugin.OutlookConnector";
// Where 32-bit Outlook finds the machine's add-ins: HKLM\Software is not
// shared by the two views.
constexpr wchar_t kX86MachineAddinKey[] =
    L"Software\\WOW6432Node\\Microsoft\\Office\\Outlook\\Addins\\"
    L"MivoOutlookPlugin.OutlookConnector";
constexpr const wchar_t* kServers[] = {L"MivoOIURL.dll", L"MivoScheduler64.dll",
                                       L"MivoOutlookPlugin.dll"};
// The x86 folder's files: the x64 names, but the scheduler's.
constexpr const wchar_t* kX86Files[] = {L"MivoOutlookPlugin.dll", L"MivoScheduler.dll",
                                        L"MivoOIURL.dll", L"MivoOlkRes.dll", L"MivoOlkRes64.dll"};
constexpr wchar_t kConnectorClsid[] = L"{1006FAF5-DCBA-4F68-9B9C-92A950C224E4}";
constexpr wchar_t kSchedulerClsid[] = L"{5CA02B27-5ADC-454E-BF57-C3693B6D4E64}";
constexpr wchar_t kAgentClsid[] = L"{D1BB714A-BEEE-45FC-B32A-7430219BFDC5}";
constexpr wchar_t kWow64Classes[] = L"Software\\Classes\\WOW6432Node";

std::wstring package(const wchar_t* version) {
  return testing::program_folder() + L"\\packages\\VantorOutlookPluginSetup-" + version + L".msi";
}

std::wstring machine_package(const wchar_t* version) {
  return testing::program_folder() + L"\\packages\\VantorOutlookPluginSetup-machine-" + version +
         L".msi";
}

DWORD msiexec(const std::wstring& options, const std::wstring& msi) {
  return testing::run_program(L"msiexec.exe " + options + L" \"" + msi + L"\" /qn");
}

std::wstring known_folder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  if (FAILED(SHGetKnownFolderPath(id, 0, nullptr, &path))) return L"";
  std::wstring result = path;
  CoTaskMemFree(path);
  return result;
}

std::wstring temp_folder() {
  wchar_t path[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, path);
  return std::wstring(path, length);
}

std::wstring install_folder() {
  return known_folder(FOLDERID_LocalAppData) + L"\\Programs\\Mivo Outlook";
}
std::wstring x64_folder() { return install_folder() + L"\\x64"; }
std::wstring x86_folder() { return install_folder() + L"\\x86"; }
std::wstring machine_folder() { return known_folder(FOLDERID_ProgramFiles) + L"\\Mivo Outlook"; }

std::wstring inproc_server(const std::wstring& classes, const wchar_t* clsid) {
  return testing::string_value(HKEY_CURRENT_USER,
                               classes + L"\\CLSID\\" + clsid + L"\\InprocServer32", nullptr);
}

void list_files(const std::wstring& folder, std::set<std::wstring>& out) {
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    out.insert(folder + L"\\" + name);
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) list_files(folder + L"\\" + name, out);
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

// Everything an installation may leave: the user's files and the
// installer's cache, the user's registry and the machine's classes and
// installer records.
std::set<std::wstring> machine_state() {
  std::set<std::wstring> state;
  list_files(known_folder(FOLDERID_LocalAppData), state);
  list_files(known_folder(FOLDERID_Windows) + L"\\Installer", state);
  // Wine keeps some of its own state under the user's Software key.
  for (const auto& line : testing::registry_lines(HKEY_CURRENT_USER, L"Software"))
    if (line.rfind(L"Software\\Wine\\", 0) != 0) state.insert(L"HKCU\\" + line);
  list_files(machine_folder(), state);
  for (const wchar_t* path :
       {L"Software\\Classes\\CLSID", L"Software\\Classes\\TypeLib", L"Software\\Classes\\AppID",
        L"Software\\Classes\\WOW6432Node\\CLSID", L"Software\\Microsoft\\Office",
        L"Software\\WOW6432Node\\Microsoft\\Office", L"Software\\Mivo_Outlook",
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData"})
    for (const auto& line : testing::registry_lines(HKEY_LOCAL_MACHINE, path))
      state.insert(L"HKLM\\" + line);
  for (const auto& name : testing::subkey_names(HKEY_LOCAL_MACHINE, L"Software\\Classes"))
    if (name.find(L"Mivo") != std::wstring::npos)
      for (const auto& line :
           testing::registry_lines(HKEY_LOCAL_MACHINE, L"Software\\Classes\\" + name))
        state.insert(L"HKLM\\" + line);
  return state;
}

std::string differences(const std::set<std::wstring>& before, const std::set<std::wstring>& after) {
  std::string text;
  for (const auto& line : after)
    if (!before.count(line)) text += "added: " + win::to_utf8(line) + "\n";
  for (const auto& line : before)
    if (!after.count(line)) text += "gone: " + win::to_utf8(line) + "\n";
  return text;
}

// A key with no value anywhere below it.
bool empty_key(const std::set<std::wstring>& state, const std::wstring& line) {
  if (line.empty() || line.back() != L'|') return false;
  const std::wstring key = line.substr(0, line.size() - 1);
  return std::none_of(state.begin(), state.end(), [&key](const std::wstring& other) {
    const bool below = other.rfind(key + L"|", 0) == 0 || other.rfind(key + L"\\", 0) == 0;
    return below && other.back() != L'|';
  });
}

// What an uninstallation left or took: everything added except keys with
// no value below them, and everything gone except keys that were empty
// already. Windows Installer's first per-machine installation in a prefix
// makes the empty record keys of the system account (UserData\S-1-5-18) and
// keeps them, as Windows does; Wine's installer also removes the empty keys
// above the values it removes, and a user's class keys are never empty on
// Windows.
std::string left_behind(const std::set<std::wstring>& before, const std::set<std::wstring>& after) {
  std::string text;
  for (const auto& line : after)
    if (!before.count(line) && !empty_key(after, line))
      text += "added: " + win::to_utf8(line) + "\n";
  for (const auto& line : before)
    if (!after.count(line) && !empty_key(before, line))
      text += "gone: " + win::to_utf8(line) + "\n";
  return text;
}

// What per-user registration writes, wherever it comes from. A folder is
// compared without its trailing backslash: the package can only write the
// install folder with one (the type libraries' HELPDIR).
std::set<std::wstring> registration_lines() {
  std::set<std::wstring> lines;
  const auto add = [&lines](std::wstring line) {
    if (!line.empty() && line.back() == L'\\') line.pop_back();
    lines.insert(line);
  };
  for (const wchar_t* path :
       {L"Software\\Classes\\CLSID", L"Software\\Classes\\TypeLib", L"Software\\Classes\\AppID",
        L"Software\\Classes\\Interface", L"Software\\Microsoft\\Office"})
    for (const auto& line : testing::registry_lines(HKEY_CURRENT_USER, path)) add(line);
  for (const auto& line : testing::registry_lines(HKEY_CURRENT_USER, L"Software\\Classes"))
    if (line.find(L"Mivo") != std::wstring::npos && line.find(L"WOW6432Node") == std::wstring::npos)
      add(line);
  return lines;
}

// The user's 32-bit view of the classes: what 32-bit Outlook finds.
std::set<std::wstring> x86_registration_lines() {
  return testing::registry_lines(HKEY_CURRENT_USER, kWow64Classes);
}

// The files directly in a folder, without its subfolders.
std::set<std::wstring> files_in(const std::wstring& folder) {
  std::set<std::wstring> all, files;
  list_files(folder, all);
  for (const auto& path : all)
    if (path.find(L'\\', folder.size() + 1) == std::wstring::npos &&
        !(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY))
      files.insert(path.substr(folder.size() + 1));
  return files;
}

std::set<std::wstring> without_settings(std::set<std::wstring> state) {
  for (auto it = state.begin(); it != state.end();)
    it = it->rfind(L"HKCU\\Software\\Mivo_Outlook", 0) == 0 ? state.erase(it) : std::next(it);
  return state;
}

DWORD register_installed(const wchar_t* options) {
  DWORD failures = 0;
  for (const wchar_t* server : kServers)
    failures += testing::run_program(L"regsvr32.exe /s " + std::wstring(options) + L" \"" +
                                     x64_folder() + L"\\" + server + L"\"") != 0;
  return failures;
}

std::wstring installed_version() {
  return testing::string_value(HKEY_CURRENT_USER, kGeneral, L"OutlookPluginVersion");
}

// Waits for every msiexec process of the prefix to end: the update opens
// the package in a process of its own, which outlives the host.
void wait_for_installers() {
  const HANDLE processes = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (processes == INVALID_HANDLE_VALUE) return;
  const unique_handle snapshot(processes);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  std::vector<unique_handle> installers;
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    if (_wcsicmp(entry.szExeFile, L"msiexec.exe") != 0) continue;
    installers.emplace_back(OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID));
  }
  for (const auto& installer : installers)
    if (installer) WaitForSingleObject(installer.get(), INFINITE);
}

int related_products(const wchar_t* upgrade_code = kUpgradeCode) {
  int count = 0;
  wchar_t product[39];
  while (MsiEnumRelatedProductsW(upgrade_code, 0, count, product) == ERROR_SUCCESS) ++count;
  return count;
}

// The host's start-up report names the add-in's server and the key it was
// found under.
std::string loaded_server(const std::string& host_output) {
  const std::string marker = "       server ";
  const std::size_t at = host_output.find(marker);
  if (at == std::string::npos) return "";
  const std::size_t end = host_output.find('\n', at);
  return host_output.substr(at + marker.size(), end - at - marker.size());
}

// The story that signs in and makes a meeting, from a signed-out account;
// the server the host loaded, or why not.
std::string story(std::string& output) {
  for (const wchar_t* account :
       {L"mivositename", L"mivousername", L"mivopassword", L"mivotoken", L"mivoorgName"})
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kGeneral, account);
  refservice::Client service;
  service.reset();
  output.clear();
  const DWORD code = outlookhost::testing::run_host(
      std::wstring(L"\"Z:") + MIVO_ADDIN_SCENARIOS + L"\\new-meeting-signed-in.scenario\"", output);
  return code == 0 ? loaded_server(output) : "the story failed";
}

class Package : public ::testing::Test {
 protected:
  // Windows Installer and the signature check make keys of their own the
  // first time they run in a prefix. A signed package of one value takes
  // that first run before the test's snapshot.
  static void SetUpTestSuite() {
    const std::wstring first_use = testing::program_folder() + L"\\packages\\first-use.msi";
    const testing::TrustedTestRoot root;
    scheduler::check_package_signature(first_use, MIVO_INSTALLER_PUBLISHER_TEXT,
                                       testing::test_publisher_keys());
    msiexec(L"/i", first_use);
    msiexec(L"/x", first_use);
  }

  void TearDown() override {
    // Whatever a failed test left installed.
    msiexec(L"/x", package(MIVO_NEXT_VERSION));
    msiexec(L"/x", package(MIVO_PACKAGE_VERSION));
    msiexec(L"/x", package(MIVO_LAYOUT_1_0_VERSION));
    msiexec(L"/x", machine_package(MIVO_NEXT_VERSION));
    msiexec(L"/x", machine_package(MIVO_PACKAGE_VERSION));
  }

  // The whole key, so that the test starts without it: Wine's installer
  // also removes the empty keys above a value it removes.
  testing::registry_key_guard settings_{HKEY_CURRENT_USER, L"Software\\Mivo_Outlook"};
  testing::registry_key_guard office_{HKEY_CURRENT_USER, L"Software\\Microsoft\\Office"};
  const std::set<std::wstring> before_ = machine_state();
};

// The per-machine package, installed by an administrator as a management
// tool does: silently, with a verbose log.
class MachinePackage : public Package {
 protected:
  DWORD msiexec_logged(const wchar_t* options, const std::wstring& msi) {
    DeleteFileW(log_.c_str());
    return testing::run_program(L"msiexec.exe " + std::wstring(options) + L" \"" + msi +
                                L"\" /qn /l*v \"" + log_ + L"\"");
  }
  void TearDown() override {
    Package::TearDown();
    DeleteFileW(log_.c_str());
  }

  // The machine's interface keys, which Wine's registration of type
  // libraries for a user writes too (and so are not in machine_state).
  static std::set<std::wstring> machine_interfaces() {
    std::set<std::wstring> lines;
    for (const wchar_t* path :
         {L"Software\\Classes\\Interface", L"Software\\Classes\\WOW6432Node\\Interface"})
      for (const auto& line : testing::registry_lines(HKEY_LOCAL_MACHINE, path)) lines.insert(line);
    return lines;
  }

  const std::wstring log_ = temp_folder() + L"mivo-machine.log";
  const std::set<std::wstring> interfaces_before_ = machine_interfaces();
};

TEST_F(MachinePackage, InstallsForEveryUserInBothViewsRepairsUpgradesAndUninstallsWithoutATrace) {
  ASSERT_EQ(0u, msiexec_logged(L"/i", machine_package(MIVO_PACKAGE_VERSION)));
  EXPECT_GT(testing::file_size(log_), 0);
  const std::wstring x64 = machine_folder() + L"\\x64";
  const std::wstring x86 = machine_folder() + L"\\x86";
  EXPECT_EQ(addin::testing::kProductFiles.size(), files_in(x64).size());
  EXPECT_EQ(std::size(kX86Files), files_in(x86).size());
  EXPECT_EQ(1, related_products(kMachineUpgradeCode));
  EXPECT_EQ(0, related_products());
  EXPECT_EQ(L"" MIVO_PACKAGE_VERSION,
            testing::string_value(HKEY_LOCAL_MACHINE, kGeneral, L"OutlookPluginVersion"));
  // The machine's classes, each view with its own files, and the Addins key
  // in both views; nothing of the installing user's.
  const auto machine_server = [](const std::wstring& classes, const wchar_t* clsid) {
    return testing::string_value(HKEY_LOCAL_MACHINE,
                                 classes + L"\\CLSID\\" + clsid + L"\\InprocServer32", nullptr);
  };
  EXPECT_EQ(x64 + L"\\MivoOutlookPlugin.dll",
            machine_server(L"Software\\Classes", kConnectorClsid));
  EXPECT_EQ(x64 + L"\\MivoScheduler64.dll", machine_server(L"Software\\Classes", kSchedulerClsid));
  EXPECT_EQ(x86 + L"\\MivoOutlookPlugin.dll", machine_server(kWow64Classes, kConnectorClsid));
  EXPECT_EQ(x86 + L"\\MivoOIURL.dll", machine_server(kWow64Classes, kAgentClsid));
  for (const wchar_t* addin_key : {kAddinKey, kX86MachineAddinKey}) {
    EXPECT_EQ(L"MivoOutlookPlugin",
              testing::string_value(HKEY_LOCAL_MACHINE, addin_key, L"FriendlyName"));
    DWORD behavior = 0, bytes = sizeof(behavior);
    EXPECT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_LOCAL_MACHINE, addin_key, L"LoadBehavior",
                                          RRF_RT_REG_DWORD, nullptr, &behavior, &bytes));
    EXPECT_EQ(3u, behavior);
  }
  EXPECT_FALSE(testing::key_exists(HKEY_CURRENT_USER, kAddinKey));
  EXPECT_TRUE(inproc_server(L"Software\\Classes", kConnectorClsid).empty());
  EXPECT_FALSE(testing::value_exists(HKEY_CURRENT_USER, kGeneral, L"OutlookPluginVersion"));

  // Repair puts back a deleted file and a deleted value. (Wine's msiexec
  // does not take /f; the properties are what /famus sets.)
  ASSERT_TRUE(DeleteFileW((x64 + L"\\MivoOutlookPlugin.dll").c_str()));
  ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kAddinKey, L"LoadBehavior"));
  ASSERT_EQ(0u, msiexec_logged(L"REINSTALL=ALL REINSTALLMODE=amus /i",
                               machine_package(MIVO_PACKAGE_VERSION)));
  EXPECT_GT(testing::file_size(x64 + L"\\MivoOutlookPlugin.dll"), 0);
  EXPECT_TRUE(testing::value_exists(HKEY_LOCAL_MACHINE, kAddinKey, L"LoadBehavior"));

  // A newer package replaces it; an older one is refused.
  ASSERT_EQ(0u, msiexec_logged(L"/i", machine_package(MIVO_NEXT_VERSION)));
  EXPECT_EQ(L"" MIVO_NEXT_VERSION,
            testing::string_value(HKEY_LOCAL_MACHINE, kGeneral, L"OutlookPluginVersion"));
  EXPECT_EQ(1, related_products(kMachineUpgradeCode));
  EXPECT_EQ(x64 + L"\\MivoOutlookPlugin.dll",
            machine_server(L"Software\\Classes", kConnectorClsid));
  EXPECT_NE(0u, msiexec_logged(L"/i", machine_package(MIVO_PACKAGE_VERSION)));

  ASSERT_EQ(0u, msiexec_logged(L"/x", machine_package(MIVO_NEXT_VERSION)));
  EXPECT_GT(testing::file_size(log_), 0);
  EXPECT_EQ(0, related_products(kMachineUpgradeCode));
  EXPECT_EQ("", left_behind(before_, machine_state()));
  // Nothing of the interfaces stays. (Keys that other tests' registration
  // left in the prefix are the same ones, and go with the package.)
  for (const auto& line : machine_interfaces())
    if (!interfaces_before_.count(line)) ADD_FAILURE() << "left: " << win::to_utf8(line);
}

TEST_F(MachinePackage, OutlookLoadsTheMachinesCopyAndTheUsersOwnWhenBothAreInstalled) {
  const std::string machine_x64 = win::to_utf8(machine_folder()) + "\\x64";
  const std::string user_x64 = win::to_utf8(x64_folder());
  const std::string machine_class =
      " (HKLM\\Software\\Classes\\CLSID\\" + win::to_utf8(kConnectorClsid) + "\\InprocServer32)";
  const std::string user_class =
      " (HKCU\\Software\\Classes\\CLSID\\" + win::to_utf8(kConnectorClsid) + "\\InprocServer32)";
  std::string output;
  ASSERT_EQ(0u, msiexec_logged(L"/i", machine_package(MIVO_PACKAGE_VERSION)));
  EXPECT_EQ(machine_x64 + "\\MivoOutlookPlugin.dll" + machine_class, story(output)) << output;

  // The user's registration comes first, for the Addins key as for the
  // class: the user's whole copy loads, its scheduler and agent beside it.
  ASSERT_EQ(0u, msiexec(L"/i", package(MIVO_PACKAGE_VERSION)));
  EXPECT_EQ(user_x64 + "\\MivoOutlookPlugin.dll" + user_class, story(output)) << output;
  EXPECT_NE(std::string::npos, output.find("LoadBehavior 3 from HKCU")) << output;

  // Removing the user's package hands the desk back to the machine's, whole.
  ASSERT_EQ(0u, msiexec(L"/x", package(MIVO_PACKAGE_VERSION)));
  EXPECT_EQ(machine_x64 + "\\MivoOutlookPlugin.dll" + machine_class, story(output)) << output;
  EXPECT_NE(std::string::npos, output.find("LoadBehavior 3 from HKLM")) << output;
  EXPECT_EQ(L"" MIVO_PACKAGE_VERSION,
            testing::string_value(HKEY_LOCAL_MACHINE, kGeneral, L"OutlookPluginVersion"));

  ASSERT_EQ(0u, msiexec_logged(L"/x", machine_package(MIVO_PACKAGE_VERSION)));
  EXPECT_EQ("", left_behind(without_settings(before_), without_settings(machine_state())));
}

TEST_F(Package, InstallsForTheUserWhatRegistrationWritesAndUninstallsWithoutATrace) {
  ASSERT_EQ(0u, msiexec(L"/i", package(MIVO_PACKAGE_VERSION)));
  EXPECT_TRUE(files_in(install_folder()).empty());
  EXPECT_EQ(addin::testing::kProductFiles.size(), files_in(x64_folder()).size());
  EXPECT_EQ(std::size(kX86Files), files_in(x86_folder()).size());
  std::vector<std::wstring> installed_files;
  for (const wchar_t* file : addin::testing::kProductFiles)
    installed_files.push_back(x64_folder() + L"\\" + file);
  for (const wchar_t* file : kX86Files) installed_files.push_back(x86_folder() + L"\\" + file);
  for (const auto& file : installed_files)
    EXPECT_GT(testing::file_size(file), 0) << win::to_utf8(file);
  EXPECT_EQ(L"" MIVO_PACKAGE_VERSION, installed_version());
  EXPECT_EQ(1, related_products());
  {
    // Signed before packing, by the same certificate as the package.
    const testing::TrustedTestRoot root;
    for (const auto& file : installed_files)
      EXPECT_EQ(scheduler::package_signature::publisher,
                scheduler::check_package_signature(file, MIVO_INSTALLER_PUBLISHER_TEXT,
                                                   testing::test_publisher_keys()))
          << win::to_utf8(file);
  }
  // Per user: the machine's classes and Office keys are untouched.
  for (const auto& line : com::testing::registry_lines(HKEY_LOCAL_MACHINE, kAddinKey))
    ADD_FAILURE() << win::to_utf8(line);

  // The package wrote exactly what the servers' own per-user registration
  // writes from the install folder: taken away by it, and put back the same.
  const std::set<std::wstring> installed = registration_lines();
  EXPECT_FALSE(installed.empty());
  ASSERT_EQ(0u, register_installed(L"/u /n /i:user"));
  EXPECT_FALSE(testing::key_exists(HKEY_CURRENT_USER, kAddinKey));
  ASSERT_EQ(0u, register_installed(L"/n /i:user"));
  EXPECT_EQ("", differences(installed, registration_lines()));

  ASSERT_EQ(0u, msiexec(L"/x", package(MIVO_PACKAGE_VERSION)));
  EXPECT_EQ("", left_behind(before_, machine_state()));
  EXPECT_EQ(0, related_products());
}

TEST_F(Package, ThirtyTwoBitOutlookFindsTheX86ClassesInItsViewAndTheAddinsKeyOnce) {
  const std::set<std::wstring> classes_before = registration_lines();
  ASSERT_EQ(0u, msiexec(L"/i", package(MIVO_PACKAGE_VERSION)));
  // Each view's classes load the files of its own bitness.
  const std::wstring classes = L"Software\\Classes";
  EXPECT_EQ(x64_folder() + L"\\MivoOutlookPlugin.dll", inproc_server(classes, kConnectorClsid));
  EXPECT_EQ(x64_folder() + L"\\MivoScheduler64.dll", inproc_server(classes, kSchedulerClsid));
  EXPECT_EQ(x64_folder() + L"\\MivoOIURL.dll", inproc_server(classes, kAgentClsid));
  EXPECT_EQ(x86_folder() + L"\\MivoOutlookPlugin.dll",
            inproc_server(kWow64Classes, kConnectorClsid));
  EXPECT_EQ(x86_folder() + L"\\MivoScheduler.dll", inproc_server(kWow64Classes, kSchedulerClsid));
  EXPECT_EQ(x86_folder() + L"\\MivoOIURL.dll", inproc_server(kWow64Classes, kAgentClsid));
  // The class keys of the two views match but for the files they name; the
  // interfaces of the type libraries are there for 32-bit callers too.
  std::set<std::wstring> mirrored;
  for (auto line : registration_lines()) {
    if (classes_before.count(line)) continue;
    if (line.rfind(L"Software\\Classes\\CLSID\\", 0) != 0 &&
        line.rfind(L"Software\\Classes\\Interface\\", 0) != 0)
      continue;
    line.insert(wcslen(L"Software\\Classes"), L"\\WOW6432Node");
    for (const auto& [from, to] :
         {std::pair<std::wstring, std::wstring>{x64_folder() + L"\\", x86_folder() + L"\\"},
          {L"MivoScheduler64.dll", L"MivoScheduler.dll"}}) {
      const std::size_t at = line.find(from);
      if (at != std::wstring::npos) line.replace(at, from.size(), to);
    }
    mirrored.insert(line);
  }
  std::set<std::wstring> x86_classes;
  for (const auto& line : x86_registration_lines())
    if (line.find(L"\\CLSID\\") != std::wstring::npos ||
        line.find(L"\\Interface\\") != std::wstring::npos)
      x86_classes.insert(line);
  EXPECT_EQ("", differences(mirrored, x86_classes));
  // Shared keys once: the type libraries name both files, the ProgIDs and
  // Outlook's Addins key are not repeated in the 32-bit view.
  for (const auto& line : x86_registration_lines())
    EXPECT_TRUE(line.find(L"\\CLSID") != std::wstring::npos ||
                line.find(L"\\Interface") != std::wstring::npos ||
                line == std::wstring(kWow64Classes) + L"|")
        << win::to_utf8(line);
  EXPECT_EQ(
      x86_folder() + L"\\MivoOutlookPlugin.dll",
      testing::string_value(
          HKEY_CURRENT_USER,
          L"Software\\Classes\\TypeLib\\{94727FBC-C569-4581-8E67-95BC7FB63B84}\\1.0\\0\\win32",
          nullptr));
  EXPECT_EQ(
      x64_folder() + L"\\MivoOutlookPlugin.dll",
      testing::string_value(
          HKEY_CURRENT_USER,
          L"Software\\Classes\\TypeLib\\{94727FBC-C569-4581-8E67-95BC7FB63B84}\\1.0\\0\\win64",
          nullptr));
  EXPECT_TRUE(testing::key_exists(HKEY_CURRENT_USER, kAddinKey));

  ASSERT_EQ(0u, msiexec(L"/x", package(MIVO_PACKAGE_VERSION)));
  EXPECT_TRUE(x86_registration_lines().size() <= 1);
  EXPECT_EQ("", left_behind(before_, machine_state()));
}

TEST_F(Package, UpgradingFromTheOneFolderLayoutMovesTheFilesAndTheRegistration) {
  // 1.0 kept the x64 files directly in the install folder.
  ASSERT_EQ(0u, msiexec(L"/i", package(MIVO_LAYOUT_1_0_VERSION)));
  ASSERT_GT(testing::file_size(install_folder() + L"\\MivoOutlookPlugin.dll"), 0);
  EXPECT_EQ(install_folder() + L"\\MivoOutlookPlugin.dll",
            inproc_server(L"Software\\Classes", kConnectorClsid));
  testing::set_setting("mivousername", "bob");

  ASSERT_EQ(0u, msiexec(L"/i", package(MIVO_PACKAGE_VERSION)));
  EXPECT_EQ(L"" MIVO_PACKAGE_VERSION, installed_version());
  EXPECT_EQ(1, related_products());
  EXPECT_TRUE(files_in(install_folder()).empty());
  EXPECT_EQ(addin::testing::kProductFiles.size(), files_in(x64_folder()).size());
  EXPECT_EQ(std::size(kX86Files), files_in(x86_folder()).size());
  EXPECT_EQ(x64_folder() + L"\\MivoOutlookPlugin.dll",
            inproc_server(L"Software\\Classes", kConnectorClsid));
  EXPECT_TRUE(testing::key_exists(HKEY_CURRENT_USER, kAddinKey));
  EXPECT_EQ("bob", testing::setting("mivousername"));
  // Outlook loads the add-in from its new place.
  refservice::Client service;
  service.reset();
  std::string output;
  const DWORD code = outlookhost::testing::run_host(
      std::wstring(L"\"Z:") + MIVO_ADDIN_SCENARIOS + L"\\new-meeting-signed-in.scenario\"", output);
  EXPECT_EQ(0u, code) << output;

  ASSERT_EQ(0u, msiexec(L"/x", package(MIVO_PACKAGE_VERSION)));
  EXPECT_EQ(0, related_products());
  EXPECT_EQ("", left_behind(without_settings(before_), without_settings(machine_state())));
}

TEST_F(Package, TheOutlookHostLoadsTheAddinFromWhatThePackageWroteAndRunsAStory) {
  refservice::Client service;
  service.reset();
  EXPECT_FALSE(testing::key_exists(HKEY_CURRENT_USER, kAddinKey));
  ASSERT_EQ(0u, msiexec(L"/i", package(MIVO_PACKAGE_VERSION)));
  // Outlook's way in: the Addins key, the ProgID, the class, the DLL.
  EXPECT_EQ(
      x64_folder() + L"\\MivoOutlookPlugin.dll",
      testing::string_value(HKEY_CURRENT_USER,
                            L"Software\\Classes\\CLSID\\{1006FAF5-DCBA-4F68-9B9C-92A950C224E4}"
                            L"\\InprocServer32",
                            nullptr));
  std::string output;
  const DWORD code = outlookhost::testing::run_host(
      std::wstring(L"\"Z:") + MIVO_ADDIN_SCENARIOS + L"\\new-meeting-signed-in.scenario\"", output);
  EXPECT_EQ(0u, code) << output;
  ASSERT_EQ(0u, msiexec(L"/x", package(MIVO_PACKAGE_VERSION)));
  EXPECT_FALSE(testing::key_exists(HKEY_CURRENT_USER, kAddinKey));
}

TEST_F(Package, ANewerPackageReplacesTheOlderOneAndTheUsersSettingsStay) {
  ASSERT_EQ(0u, msiexec(L"/i", package(MIVO_PACKAGE_VERSION)));
  testing::set_setting("mivousername", "bob");
  testing::set_setting("mivositename", "http://127.0.0.1");

  ASSERT_EQ(0u, msiexec(L"/i", package(MIVO_NEXT_VERSION)));
  EXPECT_EQ(L"" MIVO_NEXT_VERSION, installed_version());
  EXPECT_EQ(1, related_products());
  EXPECT_GT(testing::file_size(x64_folder() + L"\\MivoOutlookPlugin.dll"), 0);
  EXPECT_TRUE(testing::key_exists(HKEY_CURRENT_USER, kAddinKey));
  EXPECT_EQ("bob", testing::setting("mivousername"));

  // An older package over a newer one is refused and changes nothing.
  EXPECT_NE(0u, msiexec(L"/i", package(MIVO_PACKAGE_VERSION)));
  EXPECT_EQ(L"" MIVO_NEXT_VERSION, installed_version());

  // Uninstalling leaves the user's own settings, and only them.
  ASSERT_EQ(0u, msiexec(L"/x", package(MIVO_NEXT_VERSION)));
  EXPECT_EQ("bob", testing::setting("mivousername"));
  EXPECT_EQ("http://127.0.0.1", testing::setting("mivositename"));
  EXPECT_FALSE(testing::value_exists(HKEY_CURRENT_USER, kGeneral, L"OutlookPluginVersion"));
  EXPECT_EQ(0, related_products());
  EXPECT_EQ("", left_behind(without_settings(before_), without_settings(machine_state())));
}

// The update, end to end: the service offers the next version and serves
// its package; the add-in asks, downloads and verifies it, starts msiexec on
// it and asks the host to close, which it does as Outlook does when its user
// closes it.
class Update : public Package {
 protected:
  void SetUp() override {
    ASSERT_EQ(0u, msiexec(L"/i", package(MIVO_PACKAGE_VERSION)));
    service_.reset();
    service_.set_versions("", win::to_utf8(MIVO_NEXT_VERSION));
  }
  void TearDown() override {
    testing::remove_update_folders();
    Package::TearDown();
  }

  // Office in Chinese: the stories read the Chinese message texts.
  DWORD play(const wchar_t* name) {
    const DWORD code =
        outlookhost::testing::run_host(std::wstring(L"--office-language 2052 \"Z:") +
                                           MIVO_INSTALLER_SCENARIOS + L"\\" + name + L".scenario\"",
                                       output_);
    wait_for_installers();
    return code;
  }

  refservice::Client service_;
  const testing::TrustedTestRoot root_;
  std::string output_;
};

TEST_F(Update, TheOfferedPackageIsVerifiedAndInstalledAndTheVersionFollows) {
  service_.set_installer_content(testing::read_file(package(MIVO_NEXT_VERSION)));
  EXPECT_EQ(0u, play(L"update-accepted")) << output_;
  EXPECT_EQ(L"" MIVO_NEXT_VERSION, installed_version());
  EXPECT_EQ(1, related_products());
  EXPECT_TRUE(testing::key_exists(HKEY_CURRENT_USER, kAddinKey));
}

TEST_F(Update, APackageWithAnAlteredSignatureIsNotInstalled) {
  // The test root's name changed inside the signature: the chain no longer
  // reaches a trusted root. (Wine does not check an MSI's own hash, so an
  // altered database would pass there; Windows refuses it as well.)
  std::string content = testing::read_file(package(MIVO_NEXT_VERSION));
  const std::string root_name = "Mivo Update Test Root";
  std::size_t at = content.find(root_name);
  ASSERT_NE(std::string::npos, at);
  for (; at != std::string::npos; at = content.find(root_name, at)) content[at] = 'X';
  service_.set_installer_content(content);
  EXPECT_EQ(0u, play(L"update-refused")) << output_;
  EXPECT_EQ(L"" MIVO_PACKAGE_VERSION, installed_version());
  EXPECT_TRUE(testing::update_folders().empty());
}

TEST_F(Update, OutlookAsksAboutAnUnsavedItemBeforeItClosesForTheUpdate) {
  service_.set_installer_content(testing::read_file(package(MIVO_NEXT_VERSION)));
  EXPECT_EQ(0u, play(L"update-with-unsaved-item")) << output_;
  EXPECT_EQ(L"" MIVO_NEXT_VERSION, installed_version());
}

}  // namespace
}  // namespace mivo::installer
