// Helpers of the scheduler's Wine tests: the settings key put back as it was,
// the launch recorder's records, the scheduler DLL loaded from bin, and a
// settings sink; with everything of com/testing.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "MivoScheduler.h"
#include "com/com_ptr.h"
#include "com/testing/apartment.h"
#include "com/testing/program.h"
#include "com/testing/registry.h"
#include "com/unique.h"

namespace mivo::scheduler::testing {

// The scheduler's tests use the test support every COM server shares under
// the same name.
using namespace mivo::com::testing;

std::wstring recorder_path();  // bin\launch_recorder.exe

// HKEY_CURRENT_USER\Software\Mivo_Outlook\General, cleared for one test.
class SettingsKeyGuard : public registry_key_guard {
 public:
  SettingsKeyGuard();
};

// A setting under the scheduler's key, in UTF-8.
std::string setting(const char* name);
void set_setting(const char* name, const std::string& value);

// Launches of launch_recorder.exe: sets MIVO_LAUNCH_RECORDS to a fresh
// folder for this object's life.
class LaunchRecords {
 public:
  struct Launch {
    std::string command_line;
    std::string directory;
  };

  LaunchRecords();
  ~LaunchRecords();
  LaunchRecords(const LaunchRecords&) = delete;
  LaunchRecords& operator=(const LaunchRecords&) = delete;

  // Waits until every running recorder has ended, then returns all
  // records, oldest first. A shell launch has created its process by the
  // time it returns, so nothing launched before the call is missed.
  std::vector<Launch> collect();
  // Forgets the records collected so far.
  void clear();

 private:
  std::wstring folder_;
};

// The command line argument that follows the program in a recorded command
// line, as the recorder's command line holds it.
std::string argument_after_program(const std::string& command_line);

// The scheduler DLL loaded from bin (kept loaded, as hosts do).
HMODULE scheduler_library();
// A new meeting request object through the DLL's DllGetClassObject.
mivo::com::com_ptr<IMeetingRequest> create_meeting_request();
// Tells the scheduler DLL the host's language, as the add-in does
// (MivoSetUILanguage); the tests that read texts name theirs.
void set_scheduler_language(LANGID language);
// The same for one test's life; the language is forgotten afterwards.
class SchedulerLanguage {
 public:
  explicit SchedulerLanguage(LANGID language) { set_scheduler_language(language); }
  ~SchedulerLanguage() { set_scheduler_language(0); }
  SchedulerLanguage(const SchedulerLanguage&) = delete;
  SchedulerLanguage& operator=(const SchedulerLanguage&) = delete;
};
inline constexpr LANGID kChinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
inline constexpr LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

// The add-in's side of an appointment window, as a COM object: the subject
// and location the scheduler reads and writes, and every call in order
// ("GetSubject", "SetSubject <text>", "GetLocation", "SetLocation <text>").
// Its IDispatch part is not used by the scheduler and answers E_NOTIMPL.
class TestSettingsSink final : public ISettingsSink {
 public:
  TestSettingsSink() = default;
  TestSettingsSink(const TestSettingsSink&) = delete;
  TestSettingsSink& operator=(const TestSettingsSink&) = delete;

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override { return ++references; }
  STDMETHODIMP_(ULONG) Release() override { return --references; }
  STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP SetSubject(BSTR text) override;
  STDMETHODIMP GetSubject(BSTR* text) override;
  STDMETHODIMP SetLocation(BSTR text) override;
  STDMETHODIMP GetLocation(BSTR* text) override;

  // Lives on the test's stack: the count only shows who holds it.
  ULONG references = 0;
  std::wstring subject;
  std::wstring location;
  std::vector<std::wstring> calls;
};

// The folders installer downloads made in the user's temporary folder and
// did not remove (full paths).
std::vector<std::wstring> update_folders();
// The files in those folders, partial downloads included (full paths).
std::vector<std::wstring> update_files();
// Removes what update_folders() lists, for a test that leaves a package.
void remove_update_folders();

// bin\update-packages\<name>: the packages the build signs for the update
// tests ("signed.msi", "unsigned.exe", "tampered.msi", "other-publisher.exe",
// "untrusted-root.msi", "other-key.msi", ...).
std::wstring update_package(const std::wstring& name);
// The key pins of the update tests' publisher, as the tests' resource
// library holds them.
std::vector<std::wstring> test_publisher_keys();

// The build's test root among the machine's trusted roots while the object
// lives, as a signing root of the publisher would be on a user's machine; or
// another certificate given in DER.
class TrustedTestRoot {
 public:
  TrustedTestRoot();
  explicit TrustedTestRoot(std::string der);
  ~TrustedTestRoot();
  TrustedTestRoot(const TrustedTestRoot&) = delete;
  TrustedTestRoot& operator=(const TrustedTestRoot&) = delete;

 private:
  std::string encoded_;
};

// The reference service's HTTPS certificate (DER), which it made at its
// start and wrote into its state folder beside bin.
std::string reference_service_certificate();

// Whether the program runs under Wine, whose WinVerifyTrust does not check
// the hash of a Windows Installer database.
bool running_on_wine();

// File size in bytes; -1 when the file does not exist.
long long file_size(const std::wstring& path);
std::string read_file(const std::wstring& path);

}  // namespace mivo::scheduler::testing
