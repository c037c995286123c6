// The scheduler's ports: the small interfaces through which the portable
// flows reach the registry, the meeting service, the user, the appointment
// and the shell. The scheduler DLL implements them over Win32 and COM; tests
// hand in fakes that record what they were asked.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace mivo {

class CMeetingInfo;

// A window handle carried as an opaque integer; 0 is no window.
using WindowHandle = std::uintptr_t;

// Message-box styles and answers, with their Win32 values.
namespace msgbox {
// MB_OK | MB_ICONWARNING | MB_TASKMODAL | MB_TOPMOST
constexpr unsigned kWarning = 0x42030;
// MB_YESNO | MB_ICONWARNING | MB_TASKMODAL | MB_TOPMOST
constexpr unsigned kYesNoWarning = 0x42034;
constexpr int kOk = 1;      // IDOK
constexpr int kCancel = 2;  // IDCANCEL
constexpr int kYes = 6;     // IDYES
constexpr int kNo = 7;      // IDNO
}  // namespace msgbox

// Names of the values under HKEY_CURRENT_USER\Software\Mivo_Outlook\General.
namespace setting {
constexpr const char* kSiteName = "mivositename";
constexpr const char* kUserName = "mivousername";
constexpr const char* kPassword = "mivopassword";
constexpr const char* kToken = "mivotoken";
constexpr const char* kOrgName = "mivoorgName";
constexpr const char* kPluginVersion = "OutlookPluginVersion";
constexpr const char* kSaveUrl = "SaveUrl";
}  // namespace setting

// The user's settings key. Every read goes to the registry at that moment;
// there is no cache.
class SettingsStorePort {
 public:
  virtual ~SettingsStorePort() = default;
  // The value's text; "" when the key or the value is missing or unreadable.
  virtual std::string read(const char* name) = 0;
  // Stores a REG_SZ value, creating the key when needed; false when the key
  // could be neither opened nor created. Callers go on either way.
  virtual bool write(const char* name, const std::string& value) = 0;
  // Deletes the value; a missing key or value is left alone.
  virtual void remove(const char* name) = 0;
  // The default value of a key under HKEY_CLASSES_ROOT; "" when absent.
  virtual std::string read_classes_root(const std::string& key_path) = 0;
  // A text value of the machine's key of the same name (what a per-machine
  // installation writes, in the 64-bit view); "" when absent.
  virtual std::string read_machine(const char* name) = 0;
};

// The administrator's machine policy, read afresh at every use; the names of
// its values are in portable/machine_policy.h. Only administrators can write
// it: nothing the user's programs write stands in for it.
class MachinePolicyPort {
 public:
  virtual ~MachinePolicyPort() = default;
  // A text value (REG_SZ) as UTF-8; nullopt when it is not set or is not
  // text.
  virtual std::optional<std::string> text(const char* name) = 0;
  // A number value (REG_DWORD); nullopt when it is not set or is not a
  // number.
  virtual std::optional<std::uint32_t> number(const char* name) = 0;
};

// Protects the stored password for the current user (DPAPI on Windows).
class CredentialProtectorPort {
 public:
  virtual ~CredentialProtectorPort() = default;
  // Printable text that only this user can turn back; nullopt on failure.
  virtual std::optional<std::string> protect(const std::string& plain) = 0;
  // The plain text; nullopt when the text cannot be unprotected here.
  virtual std::optional<std::string> unprotect(const std::string& protected_text) = 0;
};

// One call of the meeting service through the request dialog.
struct ServiceRequest {
  std::string url;     // absolute URL
  std::string body;    // UTF-8; "" for GET and DELETE
  std::string header;  // "token:..." or ""
  std::string method;  // "GET", "POST", "PUT" or "DELETE"
  // The request dialog's owner; one that is not a window (0 among them)
  // leaves the dialog without owner, in the middle of the work area.
  WindowHandle owner = 0;
};

class TransportPort {
 public:
  virtual ~TransportPort() = default;
  // The response text (UTF-8, cut at its first zero byte); "" for every kind
  // of failure: no agent, no request dialog, a transport error, fewer than
  // two response bytes. The request is sent whatever the owner.
  virtual std::string send(const ServiceRequest& request) = 0;
};

// The user interface: windows, message boxes, resource strings and the
// scheduler's modal dialogs. A dialog whose owner is not a window is not
// shown; its run returns 0.
class UserInterfacePort {
 public:
  virtual ~UserInterfacePort() = default;

  virtual WindowHandle active_window() = 0;
  virtual WindowHandle foreground_window() = 0;
  virtual bool is_window(WindowHandle window) = 0;
  // Whether the window is one of this process's (the host's own).
  virtual bool belongs_to_this_process(WindowHandle window) = 0;

  // MessageBoxW; returns the button pressed (0 when nothing was shown).
  virtual int message_box(WindowHandle owner, const std::string& text, const std::string& caption,
                          unsigned style) = 0;
  // A string of the resource library; "" when it is missing.
  virtual std::string load_string(int id) = 0;

  // The about box: 1 for OK, 0 when closed from its title bar.
  virtual int run_about(WindowHandle owner) = 0;

  // The account dialog, showing `service_address` (the service the sign-in
  // goes to) read-only. OK calls `sign_in` with the dialog window (owner of
  // any message) and the entered user name and password; when it returns
  // true the dialog ends with 1, otherwise it stays open. Cancel or the
  // close box end it with 2.
  using SignInHandler = std::function<bool(WindowHandle dialog, const std::string& user_name,
                                           const std::string& password)>;
  virtual int run_account_setting(WindowHandle owner, const std::string& service_address,
                                  const SignInHandler& sign_in) = 0;

  // The meeting options dialog on `record`: the mute box starts checked and
  // the password field holds the record's password; OK hands both to apply_meeting_options()
  // (account/meeting_options.h) and ends with 1 when it accepts them,
  // otherwise shows its refusal and a new password. Cancel or the close box
  // end it with 2.
  virtual int run_meeting_setting(WindowHandle owner, CMeetingInfo& record) = 0;

  // The organisation chooser listing `names` in the given order, the first
  // one selected. OK ends the dialog with 1 and then calls `chosen` with the
  // dialog window and the selected name (nullopt when nothing is selected)
  // before the run returns. Cancel or the close box end it with 2.
  using ChosenHandler =
      std::function<void(WindowHandle dialog, const std::optional<std::string>& selected_name)>;
  virtual int run_multi_tenancy(WindowHandle owner, const std::vector<std::string>& names,
                                const ChosenHandler& chosen) = 0;

  // The sign-out confirmation: OK calls `confirmed` and ends with 1; Cancel
  // or the close box end it with 2.
  virtual int run_cancellation(WindowHandle owner, const std::function<void()>& confirmed) = 0;
};

// The appointment as the add-in's settings sink shows it. Each call returns
// false when the add-in reported a failure.
class AppointmentSinkPort {
 public:
  virtual ~AppointmentSinkPort() = default;
  virtual bool get_subject(std::string& subject) = 0;
  virtual bool set_subject(const std::string& subject) = 0;
  virtual bool get_location(std::string& location) = 0;
  virtual bool set_location(const std::string& location) = 0;
};

// Starting other programs.
class LauncherPort {
 public:
  virtual ~LauncherPort() = default;
  virtual bool file_exists(const std::string& path) = 0;
  // Opens the program with its command-line parameters (ShellExecute
  // "open", shown); true when the shell reported success.
  virtual bool open_program(const std::string& path, const std::string& parameters) = 0;
  // Opens the address with the handler registered for https addresses (the
  // browser), from the scheduler's own folder; the process's current
  // directory is the same afterwards. The outcome is not reported.
  virtual void open_https_address(const std::string& address) = 0;
  // Milliseconds since the process started (the C runtime's clock()).
  virtual long process_clock() = 0;
};

// The add-in update: download, verify, start the installer, ask the host to
// close.
class InstallerPort {
 public:
  virtual ~InstallerPort() = default;
  // Downloads the installer into a new folder of the user's own, off the
  // calling thread, while a modal progress dialog owned by `owner` keeps the
  // host responsive; the user can cancel it, and an overall deadline and a
  // size limit bound it. The path of the file when the whole download
  // arrived (HTTP 200, every announced byte written, file closed); otherwise
  // nullopt, with any partial file deleted. An answer that announces no
  // length counts as whole only once verify() accepts it. Without an owner
  // window (0) the dialog is a top-level window of its own.
  virtual std::optional<std::string> download(const std::string& url, WindowHandle owner) = 0;
  // Whether the package carries a valid Authenticode signature, chaining to
  // a trusted root, of the publisher named at build time and by one of its
  // keys. From here on the package is kept open against writes and deletes
  // until the installer has started.
  virtual bool verify(const std::string& path) = 0;
  // Deletes a downloaded package that must not be opened, or that was not.
  virtual void discard(const std::string& path) = 0;
  // Starts Windows Installer on the verified package; false when it did not
  // start.
  virtual bool open(const std::string& path) = 0;
  // Asks the host to close as the user closing its windows would: each
  // unsaved item is asked about, and the user may still keep the host open.
  // Nothing is ended by force.
  virtual void close_host() = 0;
};

// Everything the scheduler's flows need from outside, owned by one request
// object.
struct SchedulerPorts {
  std::unique_ptr<SettingsStorePort> store;
  std::unique_ptr<MachinePolicyPort> policy;
  std::unique_ptr<CredentialProtectorPort> protector;
  std::unique_ptr<TransportPort> transport;
  std::unique_ptr<UserInterfacePort> ui;
  std::unique_ptr<LauncherPort> launcher;
  std::unique_ptr<InstallerPort> installer;
};

}  // namespace mivo
