// Start-up, shut-down and the COM add-ins dialog in Outlook's order, and
// the glue between the session, the ribbon host and the windows.
//
// From Outlook's and Office's documentation: add-ins with LoadBehavior 3
// load at start-up; OnConnection comes first, then Office asks the connect
// object for IRibbonExtensibility and the main window's XML; Application's
// Startup event comes once the add-ins are loaded; Quit comes when Outlook
// begins to close; an add-in turned off by the user gets OnDisconnection
// with ext_dm_UserClosed and one turned on again gets OnConnection with
// ext_cm_AfterStartup and no OnStartupComplete; an inspector type's ribbon
// XML is asked for when its first window opens. Outlook disables an add-in
// whose start-up takes longer than about a second (its resiliency logic).
// Chosen where nothing is documented: OnStartupComplete comes after the
// main window's first visibility pass; OnBeginShutdown and OnDisconnection
// are called at exit (whether Outlook calls them since its fast shut-down
// is not documented for native add-ins).
#include "outlook_host.h"

#include <chrono>

#include "addin_calls.h"
#include "host_windows.h"
#include "win/wide_text.h"

namespace mivo::outlookhost {

using win::to_utf8;

namespace {

const wchar_t* ribbon_id_for(const inspector_object& inspector) {
  return inspector.item().is_appointment() ? kAppointmentRibbon : kMeetingRequestRibbon;
}

}  // namespace

outlook_host::outlook_host() : session_(session::create()) {
  session_->set_ui(this);
  ribbons_.on_problem = [this](const std::string& text) { problems_.push_back(text); };
  ribbons_.on_stale = [this] {
    if (explorer_ && !refresh_posted_) {
      refresh_posted_ = true;
      PostMessageW(explorer_, kRefreshMessage, 0, 0);
    }
  };
}

outlook_host::~outlook_host() {
  if (started_) quit();
  session_->set_ui(nullptr);
  session_->shutdown();
}

void outlook_host::start() {
  if (started_) return;
  if (finished_) {
    // Outlook starts again on the store the last run kept, with the add-ins
    // loaded afresh as a new process would.
    session_->set_ui(nullptr);
    session_ = session::create(&store_);
    session_->set_ui(this);
    addins_.clear();
    finished_ = false;
  }
  explorer_ = create_explorer_window(*this);
  ribbons_.attach(explorer_, session_->explorer(), kExplorerRibbon);
  started_ = true;
  for (const auto& registration : read_addin_registrations()) {
    if (!registration.loads_at_startup()) continue;
    auto addin = std::make_unique<loaded_addin>(registration);
    if (addin->load() && addin->connect(session_->application(), ext_cm_Startup)) {
      load_ribbon(*addin, kExplorerRibbon, &addin->timings());
    }
    for (const auto& text : addin->problems())
      problems_.push_back(to_utf8(registration.prog_id) + ": " + text);
    addins_.push_back(std::move(addin));
  }
  // The main window shows: its first visibility pass and its pictures.
  ribbons_.add_new_documents(explorer_);
  double callbacks = 0, pictures = 0;
  ribbons_.refresh(explorer_, &callbacks, &pictures);
  layout_ribbon(explorer_);
  ShowWindow(explorer_, SW_SHOW);
  activate(explorer_);
  for (auto& addin : addins_) {
    if (!addin->connected()) continue;
    // One pass serves every add-in; with one add-in, as in the tests, the
    // figures are its own.
    addin->timings().visibility = callbacks;
    addin->timings().pictures = pictures;
    addin->startup_complete();
    const double total = addin->timings().total();
    if (total > kStartupLimitMs)
      problems_.push_back(to_utf8(addin->registration().prog_id) + ": start-up took " +
                          milliseconds_text(total) +
                          "; Outlook disables an add-in that takes longer than " +
                          milliseconds_text(kStartupLimitMs) + " (resiliency reason 1, boot load)");
  }
  session_->application_events().fire(event::startup, "Startup");
}

void outlook_host::load_ribbon(loaded_addin& addin, const std::wstring& ribbon_id,
                               startup_timings* timings) {
  double xml = 0, load = 0;
  ribbons_.load(addin, ribbon_id, &xml, &load);
  if (timings) {
    timings->ribbon_xml += xml;
    timings->ribbon_load += load;
  }
}

void outlook_host::quit() {
  quit_pending_ = false;
  if (!started_ || quitting_) return;
  quitting_ = true;
  session_->application_events().fire(event::quit, "Quit");
  for (auto& addin : addins_) addin->begin_shutdown();
  for (const auto& inspector : session_->open_inspectors())
    session_->close(*inspector, olDiscard, false);
  for (auto& addin : addins_) {
    if (!addin->connected()) continue;
    addin->disconnect(ext_dm_HostShutdown);
    ribbons_.unload(*addin);
  }
  if (explorer_) {
    ribbons_.detach(explorer_);
    DestroyWindow(explorer_);
    explorer_ = nullptr;
  }
  pump();
  store_ = session_->keep();
  session_->shutdown();
  if (const long held = live_automation_objects.load(); held > 0)
    problems_.push_back("after shut-down the add-ins still hold " + std::to_string(held) +
                        " of Outlook's and Word's objects");
  started_ = false;
  quitting_ = false;
  finished_ = true;
  // Wakes a message loop waiting for the main window to go.
  PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
}

void outlook_host::disconnect_addins() {
  for (auto& addin : addins_) {
    if (!addin->connected()) continue;
    addin->disconnect(ext_dm_UserClosed);
    ribbons_.unload(*addin);
  }
  layout_ribbon(explorer_);
  for (const auto& inspector : session_->open_inspectors()) layout_ribbon(window_of(*inspector));
}

void outlook_host::connect_addins() {
  for (auto& addin : addins_) {
    if (addin->connected()) continue;
    if (!addin->connect(session_->application(), ext_cm_AfterStartup)) continue;
    load_ribbon(*addin, kExplorerRibbon, nullptr);
    // Inspector types already open get their XML now, as their windows show.
    for (const auto& inspector : session_->open_inspectors())
      load_ribbon(*addin, ribbon_id_for(*inspector), nullptr);
  }
  ribbons_.add_new_documents(explorer_);
  for (const auto& inspector : session_->open_inspectors())
    ribbons_.add_new_documents(window_of(*inspector));
  refresh_ribbons();
}

HWND outlook_host::window_of(const inspector_object& inspector) const { return inspector.window; }

inspector_object* outlook_host::inspector_of(HWND window) const {
  for (const auto& inspector : session_->open_inspectors()) {
    if (inspector->window == window) return inspector.get();
  }
  return nullptr;
}

void outlook_host::refresh_ribbons() {
  refresh_posted_ = false;
  if (explorer_ && ribbons_.refresh(explorer_)) layout_ribbon(explorer_);
  for (const auto& inspector : session_->open_inspectors()) {
    if (inspector->window && ribbons_.refresh(inspector->window)) layout_ribbon(inspector->window);
  }
}

void outlook_host::pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  // A refresh asked for while no window could take the message.
  if (refresh_posted_) refresh_ribbons();
  if (quit_pending_) quit();
}

void outlook_host::run_until_closed() {
  MSG message;
  while (!finished_ && GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
    if (quit_pending_) quit();
  }
}

void outlook_host::activate(HWND window) {
  // Best effort, as a click would: nothing relies on it, since under Xvfb
  // without a window manager activation varies.
  SetForegroundWindow(window);
  SetActiveWindow(window);
}

bool outlook_host::click(HWND window, const std::string& control_id, std::string& error) {
  if (!window || !IsWindow(window)) {
    error = "the window is gone";
    return false;
  }
  for (const auto& control : ribbons_.controls(window)) {
    if (control.id != control_id) continue;
    if (!ribbons_.shown(window, control)) {
      error = "the control " + control_id + " is hidden: a user cannot click it";
      return false;
    }
    if (!control.enabled) {
      error = "the control " + control_id + " is disabled";
      return false;
    }
    HWND button = ribbon_button(window, control_id);
    if (!button) {
      error = "the control " + control_id + " is not a button the host draws";
      return false;
    }
    inspector_object* inspector = inspector_of(window);
    session_->set_active_inspector(inspector);
    activate(window);
    SendMessageW(button, BM_CLICK, 0, 0);
    return true;
  }
  error = "the window's ribbon has no control " + control_id;
  return false;
}

bool outlook_host::press(HWND window, int command, std::string& error) {
  HWND button = window ? command_button(window, command) : nullptr;
  if (!button || !IsWindowVisible(button)) {
    error = "the window has no such command now";
    return false;
  }
  session_->set_active_inspector(inspector_of(window));
  activate(window);
  SendMessageW(button, BM_CLICK, 0, 0);
  return true;
}

std::vector<std::string> outlook_host::take_problems() {
  std::vector<std::string> taken;
  taken.swap(problems_);
  for (auto& line : Diagnostics::take()) taken.push_back(std::move(line));
  return taken;
}

void outlook_host::show_inspector(inspector_object& inspector) {
  const wchar_t* ribbon_id = ribbon_id_for(inspector);
  for (auto& addin : addins_) {
    if (addin->connected()) load_ribbon(*addin, ribbon_id, nullptr);
  }
  HWND window = create_inspector_window(*this, inspector);
  inspector.window = window;
  ribbons_.attach(window, &inspector, ribbon_id);
  ribbons_.refresh(window);
  show_item(window);
  layout_ribbon(window);
  ShowWindow(window, SW_SHOW);
  activate(window);
}

void outlook_host::destroy_inspector(inspector_object& inspector) {
  if (!inspector.window) return;
  ribbons_.detach(inspector.window);
  DestroyWindow(inspector.window);
  inspector.window = nullptr;
  if (started_ && !quitting_ && !explorer_ && !item_windows_open()) quit_pending_ = true;
}

bool outlook_host::item_windows_open() const {
  for (const auto& inspector : session_->open_inspectors())
    if (window_of(*inspector)) return true;
  return false;
}

void outlook_host::activate_inspector(inspector_object& inspector) {
  if (inspector.window) activate(inspector.window);
}

int outlook_host::ask_save_changes(inspector_object& inspector) {
  const std::wstring subject = inspector.item().fields().subject;
  const std::wstring text = L"Do you want to save changes to \"" +
                            (subject.empty() ? std::wstring(L"Untitled") : subject) + L"\"?";
  return MessageBoxW(inspector.window, text.c_str(), L"Outlook (host)",
                     MB_YESNOCANCEL | MB_ICONWARNING);
}

void outlook_host::item_changed(inspector_object& inspector) {
  if (inspector.window) show_item(inspector.window);
}

void outlook_host::items_changed() {
  if (explorer_) show_folder(explorer_);
}

void outlook_host::quit_requested() {
  // Application.Quit: every window goes, unsaved items unasked.
  if (explorer_)
    PostMessageW(explorer_, kQuitMessage, 0, 0);
  else
    quit_pending_ = true;
}

void outlook_host::explorer_closed() {
  if (!item_windows_open()) return quit();
  ribbons_.detach(explorer_);
  DestroyWindow(explorer_);
  explorer_ = nullptr;
}

}  // namespace mivo::outlookhost
