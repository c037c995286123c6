// Fakes of the scheduler's ports for tests: each one answers from what the
// test scripted and records everything it was asked, in order.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ports.h"

namespace mivo::testing {

// The settings key as a map. read_classes_root and read_machine answer
// from maps of their own.
class FakeSettingsStore : public SettingsStorePort {
 public:
  std::string read(const char* name) override;
  bool write(const char* name, const std::string& value) override;
  void remove(const char* name) override;
  std::string read_classes_root(const std::string& key_path) override;
  std::string read_machine(const char* name) override;

  bool has(const std::string& name) const { return values.count(name) != 0; }

  std::map<std::string, std::string> values;
  std::map<std::string, std::string> classes_root;
  std::map<std::string, std::string> machine_values;
  // When set, writes change nothing and report failure.
  bool fail_writes = false;
  // "write <name>=<value>" and "remove <name>", in call order.
  std::vector<std::string> log;
};

// The machine policy as maps of text and number values; unset names are
// not set.
class FakeMachinePolicy : public MachinePolicyPort {
 public:
  std::optional<std::string> text(const char* name) override;
  std::optional<std::uint32_t> number(const char* name) override;

  std::map<std::string, std::string> texts;
  std::map<std::string, std::uint32_t> numbers;
};

// Reversible protection that marks its output: "sealed(" text ")".
class FakeCredentialProtector : public CredentialProtectorPort {
 public:
  static std::string sealed(const std::string& plain) { return "sealed(" + plain + ")"; }

  std::optional<std::string> protect(const std::string& plain) override;
  std::optional<std::string> unprotect(const std::string& protected_text) override;

  bool fail_protect = false;
  bool fail_unprotect = false;  // as for a value protected by another user
  int protect_calls = 0;
  int unprotect_calls = 0;
};

// The service as a script: responses queued per method and URL, each used
// once; anything unscripted gets "", the transport's answer for every
// failure. Every request is sent, whatever its owner, as the request dialog
// runs without one.
class FakeTransport : public TransportPort {
 public:
  std::string send(const ServiceRequest& request) override;

  void respond(const std::string& method, const std::string& url, std::string response);
  // The requests sent, in order.
  std::vector<ServiceRequest> requests;
  // "<method> <url>" of each request sent, for compact expectations.
  std::vector<std::string> calls() const;
  // Runs while a request is under way, as the request dialog's message loop
  // lets the host call in meanwhile.
  std::function<void(const ServiceRequest&)> while_sending;

 private:
  std::map<std::string, std::deque<std::string>> responses_;
};

struct ShownMessage {
  WindowHandle owner;
  std::string text;
  std::string caption;
  unsigned style;
};

struct ShownDialog {
  std::string name;  // "about", "account", "meeting", "tenancy", "cancellation"
  WindowHandle owner;
  std::string shown_text;  // the account dialog: the service address it shows
};

// The user: windows, answers to message boxes, resource strings and what
// each dialog's user does. While a dialog runs it is the active window, as a
// modal dialog is on Windows; a dialog whose owner is not a window is not
// shown and returns 0.
class FakeUserInterface : public UserInterfacePort {
 public:
  static constexpr WindowHandle kMainWindow = 0x1000;
  static constexpr WindowHandle kAboutDialog = 0x2110;
  static constexpr WindowHandle kAccountDialog = 0x2113;
  static constexpr WindowHandle kMeetingDialog = 0x2123;
  static constexpr WindowHandle kTenancyDialog = 0x2135;
  static constexpr WindowHandle kCancellationDialog = 0x2136;
  // A window of another program, in front.
  static constexpr WindowHandle kOtherProgram = 0x9000;

  // What the user does in each dialog. The handles are the dialog's own.
  using AboutScript = std::function<int()>;
  using AccountScript = std::function<int(WindowHandle dialog, const SignInHandler&)>;
  using MeetingScript = std::function<int(WindowHandle dialog, CMeetingInfo&)>;
  using TenancyScript = std::function<int(WindowHandle dialog, const std::vector<std::string>&,
                                          const ChosenHandler&)>;
  using CancellationScript = std::function<int(const std::function<void()>& confirmed)>;

  // Account dialog: OK with each pair in turn until one signs in (1);
  // Cancel when none does (2).
  static AccountScript sign_in_with(std::vector<std::pair<std::string, std::string>> attempts);
  static AccountScript cancel_account();
  // Meeting options: OK with the mute box and each password in turn, each
  // refusal shown as the real dialog shows it; Cancel when none is accepted.
  MeetingScript press_ok(bool mute_on_entry, std::vector<std::string> passwords);
  static MeetingScript cancel_options();
  // Organisation chooser: OK with `name` selected (nullopt: nothing
  // selected); Cancel.
  static TenancyScript choose(std::optional<std::string> name);
  static TenancyScript choose_first();
  static TenancyScript cancel_chooser();

  FakeUserInterface();

  WindowHandle active_window() override { return active; }
  WindowHandle foreground_window() override { return foreground; }
  bool is_window(WindowHandle window) override { return windows.count(window) != 0; }
  bool belongs_to_this_process(WindowHandle window) override {
    return is_window(window) && window != kOtherProgram;
  }
  int message_box(WindowHandle owner, const std::string& text, const std::string& caption,
                  unsigned style) override;
  std::string load_string(int id) override;
  int run_about(WindowHandle owner) override;
  int run_account_setting(WindowHandle owner, const std::string& service_address,
                          const SignInHandler& sign_in) override;
  int run_meeting_setting(WindowHandle owner, CMeetingInfo& record) override;
  int run_multi_tenancy(WindowHandle owner, const std::vector<std::string>& names,
                        const ChosenHandler& chosen) override;
  int run_cancellation(WindowHandle owner, const std::function<void()>& confirmed) override;

  // Texts of the messages shown, in order.
  std::vector<std::string> message_texts() const;
  // Names of the dialogs shown, in order.
  std::vector<std::string> dialog_names() const;

  WindowHandle active = kMainWindow;
  WindowHandle foreground = kMainWindow;
  std::set<WindowHandle> windows{kMainWindow, kOtherProgram};
  // Strings 107 to 118 and 128 to 135 hold short test texts; 114 is
  // "https://service.test".
  std::map<int, std::string> strings;
  // Answers to message boxes in order; kOk once they run out.
  std::deque<int> answers;

  AboutScript about = [] { return 1; };
  AccountScript account = cancel_account();
  MeetingScript meeting = press_ok(true, {""});
  TenancyScript tenancy = choose_first();
  CancellationScript cancellation = [](const std::function<void()>& confirmed) {
    confirmed();
    return 1;
  };

  std::vector<ShownMessage> messages;
  std::vector<ShownDialog> dialogs;
  // The names each organisation chooser listed.
  std::vector<std::vector<std::string>> tenancy_lists;

 private:
  // Shows a dialog if its owner is a window: records it, makes it the active
  // window while `run` runs, then restores the previous one.
  int show(const char* name, WindowHandle owner, WindowHandle dialog,
           const std::function<int()>& run, const std::string& shown_text = "");
};

// The appointment behind the add-in's settings sink.
class FakeAppointmentSink : public AppointmentSinkPort {
 public:
  bool get_subject(std::string& out) override;
  bool set_subject(const std::string& value) override;
  bool get_location(std::string& out) override;
  bool set_location(const std::string& value) override;

  std::string subject;
  std::string location;
  // "get_subject", "set_subject <text>", "get_location", "set_location <text>".
  std::vector<std::string> calls;
};

class FakeLauncher : public LauncherPort {
 public:
  bool file_exists(const std::string& path) override;
  bool open_program(const std::string& path, const std::string& parameters) override;
  void open_https_address(const std::string& address) override;
  long process_clock() override { return clock; }

  std::set<std::string> files;
  bool program_starts = true;  // what the shell reports for open_program
  long clock = 4321;
  std::vector<std::string> checked_paths;
  std::vector<std::pair<std::string, std::string>> programs;  // path, parameters
  std::vector<std::string> addresses;
};

class FakeInstaller : public InstallerPort {
 public:
  std::optional<std::string> download(const std::string& url, WindowHandle owner) override;
  bool verify(const std::string& path) override;
  void discard(const std::string& path) override { discarded.push_back(path); }
  bool open(const std::string& path) override;
  void close_host() override { ++close_requests; }

  // What a download yields; nullopt for a failed or partial one.
  std::optional<std::string> downloaded_file =
      std::string("C:\\Temp\\VantorOutlookPluginSetup.msi");
  bool signed_by_publisher = true;     // what verify() answers
  bool installer_starts = true;        // what open() answers
  std::vector<std::string> downloads;  // URLs asked for
  std::vector<WindowHandle> download_owners;
  std::vector<std::string> verified;  // paths checked
  std::vector<std::string> discarded;
  std::vector<std::string> opened;
  int close_requests = 0;
};

// One fake of each port, wired together. The references stay valid after
// take() for as long as the object the ports were handed to lives.
class FakePorts {
 public:
  FakePorts();

  SchedulerPorts& ports() { return ports_; }
  SchedulerPorts take() { return std::move(ports_); }

 private:
  SchedulerPorts ports_;

 public:
  FakeSettingsStore& store;
  FakeMachinePolicy& policy;
  FakeCredentialProtector& protector;
  FakeTransport& transport;
  FakeUserInterface& ui;
  FakeLauncher& launcher;
  FakeInstaller& installer;
};

}  // namespace mivo::testing
