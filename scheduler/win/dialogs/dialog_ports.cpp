// UserInterfacePort and TransportPort: text converted between the core's UTF-8 and
// UTF-16, window handles between opaque integers and HWND.
#include "dialog_ports.h"

#include <windows.h>

#include <utility>

#include "request_dialog.h"
#include "scheduler_dialogs.h"
#include "com/module.h"
#include "win/resource_library.h"
#include "win/wide_text.h"

namespace mivo::scheduler {
namespace {

HWND to_hwnd(mivo::WindowHandle window) noexcept { return reinterpret_cast<HWND>(window); }
mivo::WindowHandle to_handle(HWND window) noexcept {
  return reinterpret_cast<mivo::WindowHandle>(window);
}

class UserInterface final : public mivo::UserInterfacePort {
 public:
  mivo::WindowHandle active_window() override { return to_handle(GetActiveWindow()); }
  mivo::WindowHandle foreground_window() override { return to_handle(GetForegroundWindow()); }
  bool is_window(mivo::WindowHandle window) override { return IsWindow(to_hwnd(window)) != FALSE; }
  bool belongs_to_this_process(mivo::WindowHandle window) override {
    DWORD process = 0;
    return GetWindowThreadProcessId(to_hwnd(window), &process) != 0 &&
           process == GetCurrentProcessId();
  }

  int message_box(mivo::WindowHandle owner, const std::string& text, const std::string& caption,
                  unsigned style) override {
    return MessageBoxW(to_hwnd(owner), mivo::win::to_wide(text).c_str(),
                       mivo::win::to_wide(caption).c_str(), style);
  }

  std::string load_string(int id) override { return mivo::win::to_utf8(resource_string(id)); }

  int run_about(mivo::WindowHandle owner) override { return CAboutDlg(to_hwnd(owner)).run(); }

  int run_account_setting(mivo::WindowHandle owner, const std::string& service_address,
                          const SignInHandler& sign_in) override {
    CAccountSetting dialog(
        to_hwnd(owner), mivo::win::to_wide(service_address),
        [&sign_in](HWND window, const std::wstring& user_name, const std::wstring& password) {
          return sign_in(to_handle(window), mivo::win::to_utf8(user_name),
                         mivo::win::to_utf8(password));
        });
    return dialog.run();
  }

  int run_meeting_setting(mivo::WindowHandle owner, mivo::CMeetingInfo& record) override {
    return CMeetingSetting(to_hwnd(owner), record).run();
  }

  int run_multi_tenancy(mivo::WindowHandle owner, const std::vector<std::string>& names,
                        const ChosenHandler& chosen) override {
    std::vector<std::wstring> wide_names;
    wide_names.reserve(names.size());
    for (const std::string& name : names) wide_names.push_back(mivo::win::to_wide(name));
    CMultiTenancy dialog(to_hwnd(owner), std::move(wide_names),
                         [&chosen](HWND window, const std::optional<std::wstring>& name) {
                           std::optional<std::string> selected;
                           if (name) selected = mivo::win::to_utf8(*name);
                           chosen(to_handle(window), selected);
                         });
    return dialog.run();
  }

  int run_cancellation(mivo::WindowHandle owner, const std::function<void()>& confirmed) override {
    return CCancellationDlg(to_hwnd(owner), confirmed).run();
  }
};

class Transport final : public mivo::TransportPort {
 public:
  explicit Transport(std::wstring agent_folder) : agent_folder_(std::move(agent_folder)) {}

  std::string send(const mivo::ServiceRequest& request) override {
    CCommunicationDlg dialog(mivo::win::to_wide(request.url), mivo::win::to_wide(request.body),
                             mivo::win::to_wide(request.header), mivo::win::to_wide(request.method),
                             to_hwnd(request.owner), agent_folder_);
    dialog.run();
    return mivo::win::to_utf8(dialog.response());
  }

 private:
  std::wstring agent_folder_;
};

}  // namespace

std::unique_ptr<mivo::UserInterfacePort> make_user_interface() {
  return std::make_unique<UserInterface>();
}

std::unique_ptr<mivo::TransportPort> make_transport() {
  return make_transport(mivo::com::module::folder());
}

std::unique_ptr<mivo::TransportPort> make_transport(std::wstring agent_folder) {
  return std::make_unique<Transport>(std::move(agent_folder));
}

}  // namespace mivo::scheduler
