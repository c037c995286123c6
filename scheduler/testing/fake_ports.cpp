// Fakes of the scheduler's ports.
#include "fake_ports.h"

#include "account/meeting_options.h"
#include "resource_ids.h"
#include "request/owner_window.h"
#include "meeting/meeting_info.h"

namespace mivo::testing {

std::string FakeSettingsStore::read(const char* name) {
  auto found = values.find(name);
  return found == values.end() ? std::string() : found->second;
}

bool FakeSettingsStore::write(const char* name, const std::string& value) {
  log.push_back(std::string("write ") + name + "=" + value);
  if (fail_writes) {
    return false;
  }
  values[name] = value;
  return true;
}

void FakeSettingsStore::remove(const char* name) {
  log.push_back(std::string("remove ") + name);
  values.erase(name);
}

std::string FakeSettingsStore::read_classes_root(const std::string& key_path) {
  auto found = classes_root.find(key_path);
  return found == classes_root.end() ? std::string() : found->second;
}

std::string FakeSettingsStore::read_machine(const char* name) {
  auto found = machine_values.find(name);
  return found == machine_values.end() ? std::string() : found->second;
}

std::optional<std::string> FakeMachinePolicy::text(const char* name) {
  const auto found = texts.find(name);
  if (found == texts.end()) {
    return std::nullopt;
  }
  return found->second;
}

std::optional<std::uint32_t> FakeMachinePolicy::number(const char* name) {
  const auto found = numbers.find(name);
  if (found == numbers.end()) {
    return std::nullopt;
  }
  return found->second;
}

std::optional<std::string> FakeCredentialProtector::protect(const std::string& plain) {
  ++protect_calls;
  if (fail_protect) {
    return std::nullopt;
  }
  return sealed(plain);
}

std::optional<std::string> FakeCredentialProtector::unprotect(const std::string& text) {
  ++unprotect_calls;
  const std::string head = "sealed(";
  if (fail_unprotect || text.size() < head.size() + 1 || text.compare(0, head.size(), head) != 0 ||
      text.back() != ')') {
    return std::nullopt;
  }
  return text.substr(head.size(), text.size() - head.size() - 1);
}

std::string FakeTransport::send(const ServiceRequest& request) {
  requests.push_back(request);
  if (while_sending) {
    while_sending(request);
  }
  auto found = responses_.find(request.method + " " + request.url);
  if (found == responses_.end() || found->second.empty()) {
    return {};
  }
  std::string response = std::move(found->second.front());
  found->second.pop_front();
  return response;
}

void FakeTransport::respond(const std::string& method, const std::string& url,
                            std::string response) {
  responses_[method + " " + url].push_back(std::move(response));
}

std::vector<std::string> FakeTransport::calls() const {
  std::vector<std::string> result;
  for (const ServiceRequest& request : requests) {
    result.push_back(request.method + " " + request.url);
  }
  return result;
}

FakeUserInterface::AccountScript FakeUserInterface::sign_in_with(
    std::vector<std::pair<std::string, std::string>> attempts) {
  return [attempts](WindowHandle dialog, const SignInHandler& sign_in) {
    for (const auto& [user_name, password] : attempts) {
      if (sign_in(dialog, user_name, password)) {
        return 1;
      }
    }
    return 2;
  };
}

FakeUserInterface::AccountScript FakeUserInterface::cancel_account() {
  return [](WindowHandle, const SignInHandler&) { return 2; };
}

FakeUserInterface::MeetingScript FakeUserInterface::press_ok(bool mute_on_entry,
                                                             std::vector<std::string> passwords) {
  return [this, mute_on_entry, passwords](WindowHandle dialog, CMeetingInfo& record) {
    for (const std::string& password : passwords) {
      if (apply_meeting_options(record, mute_on_entry, password)) {
        return 1;
      }
      show_warning(*this, dialog, IDS_MEETING_PASSWORD_REFUSED);
    }
    return 2;
  };
}

FakeUserInterface::MeetingScript FakeUserInterface::cancel_options() {
  return [](WindowHandle, CMeetingInfo&) { return 2; };
}

FakeUserInterface::TenancyScript FakeUserInterface::choose(std::optional<std::string> name) {
  return [name](WindowHandle dialog, const std::vector<std::string>&, const ChosenHandler& chosen) {
    chosen(dialog, name);
    return 1;
  };
}

FakeUserInterface::TenancyScript FakeUserInterface::choose_first() {
  return
      [](WindowHandle dialog, const std::vector<std::string>& names, const ChosenHandler& chosen) {
        chosen(dialog, names.empty() ? std::nullopt : std::optional<std::string>(names.front()));
        return 1;
      };
}

FakeUserInterface::TenancyScript FakeUserInterface::cancel_chooser() {
  return [](WindowHandle, const std::vector<std::string>&, const ChosenHandler&) { return 2; };
}

FakeUserInterface::FakeUserInterface()
    : strings{{107, "Mivo"},
              {108, "no answer"},
              {109, "sign-in refused"},
              {110, "schedule refused"},
              {111, "'s meeting"},
              {112, "recurrence refused"},
              {113, "subject too long"},
              {114, "https://service.test"},
              {115, "https://download.test"},
              {116, "meeting gone"},
              {117, "update not verified"},
              {118, "installer not started"},
              {120, "other account"},
              {128, "start too early"},
              {129, "zero duration"},
              {130, "new preview version %1, update?"},
              {131, "new version %1, update?"},
              {132, "close the host"},
              {133, "Warning"},
              {134, "four digits"},
              {135, "password refused"}} {}

int FakeUserInterface::message_box(WindowHandle owner, const std::string& text,
                                   const std::string& caption, unsigned style) {
  messages.push_back({owner, text, caption, style});
  if (answers.empty()) {
    return msgbox::kOk;
  }
  const int answer = answers.front();
  answers.pop_front();
  return answer;
}

std::string FakeUserInterface::load_string(int id) {
  auto found = strings.find(id);
  return found == strings.end() ? std::string() : found->second;
}

int FakeUserInterface::show(const char* name, WindowHandle owner, WindowHandle dialog,
                            const std::function<int()>& run, const std::string& shown_text) {
  if (!is_window(owner)) {
    return 0;
  }
  dialogs.push_back({name, owner, shown_text});
  const WindowHandle previous = active;
  const bool was_window = windows.count(dialog) != 0;
  windows.insert(dialog);
  active = dialog;
  const int result = run();
  active = previous;
  if (!was_window) {
    windows.erase(dialog);
  }
  return result;
}

int FakeUserInterface::run_about(WindowHandle owner) {
  return show("about", owner, kAboutDialog, about);
}

int FakeUserInterface::run_account_setting(WindowHandle owner, const std::string& service_address,
                                           const SignInHandler& sign_in) {
  return show(
      "account", owner, kAccountDialog, [&] { return account(kAccountDialog, sign_in); },
      service_address);
}

int FakeUserInterface::run_meeting_setting(WindowHandle owner, CMeetingInfo& record) {
  return show("meeting", owner, kMeetingDialog, [&] { return meeting(kMeetingDialog, record); });
}

int FakeUserInterface::run_multi_tenancy(WindowHandle owner, const std::vector<std::string>& names,
                                         const ChosenHandler& chosen) {
  return show("tenancy", owner, kTenancyDialog, [&] {
    tenancy_lists.push_back(names);
    return tenancy(kTenancyDialog, names, chosen);
  });
}

int FakeUserInterface::run_cancellation(WindowHandle owner,
                                        const std::function<void()>& confirmed) {
  return show("cancellation", owner, kCancellationDialog, [&] { return cancellation(confirmed); });
}

std::vector<std::string> FakeUserInterface::message_texts() const {
  std::vector<std::string> texts;
  for (const ShownMessage& message : messages) {
    texts.push_back(message.text);
  }
  return texts;
}

std::vector<std::string> FakeUserInterface::dialog_names() const {
  std::vector<std::string> names;
  for (const ShownDialog& dialog : dialogs) {
    names.push_back(dialog.name);
  }
  return names;
}

bool FakeAppointmentSink::get_subject(std::string& out) {
  calls.push_back("get_subject");
  out = subject;
  return true;
}

bool FakeAppointmentSink::set_subject(const std::string& value) {
  calls.push_back("set_subject " + value);
  subject = value;
  return true;
}

bool FakeAppointmentSink::get_location(std::string& out) {
  calls.push_back("get_location");
  out = location;
  return true;
}

bool FakeAppointmentSink::set_location(const std::string& value) {
  calls.push_back("set_location " + value);
  location = value;
  return true;
}

bool FakeLauncher::file_exists(const std::string& path) {
  checked_paths.push_back(path);
  return files.count(path) != 0;
}

bool FakeLauncher::open_program(const std::string& path, const std::string& parameters) {
  programs.emplace_back(path, parameters);
  return program_starts;
}

void FakeLauncher::open_https_address(const std::string& address) { addresses.push_back(address); }

std::optional<std::string> FakeInstaller::download(const std::string& url, WindowHandle owner) {
  downloads.push_back(url);
  download_owners.push_back(owner);
  return downloaded_file;
}

bool FakeInstaller::verify(const std::string& path) {
  verified.push_back(path);
  return signed_by_publisher;
}

bool FakeInstaller::open(const std::string& path) {
  opened.push_back(path);
  return installer_starts;
}

namespace {

template <typename Fake, typename Slot>
Fake& own(std::unique_ptr<Fake> fake, Slot& slot) {
  Fake& ref = *fake;
  slot = std::move(fake);
  return ref;
}

}  // namespace

FakePorts::FakePorts()
    : store(own(std::make_unique<FakeSettingsStore>(), ports_.store)),
      policy(own(std::make_unique<FakeMachinePolicy>(), ports_.policy)),
      protector(own(std::make_unique<FakeCredentialProtector>(), ports_.protector)),
      transport(own(std::make_unique<FakeTransport>(), ports_.transport)),
      ui(own(std::make_unique<FakeUserInterface>(), ports_.ui)),
      launcher(own(std::make_unique<FakeLauncher>(), ports_.launcher)),
      installer(own(std::make_unique<FakeInstaller>(), ports_.installer)) {}

}  // namespace mivo::testing
