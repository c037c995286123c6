// The Outlook host as a whole: the session and its windows, the add-ins
// loaded from the Addins keys, the ribbon host, and the start-up and
// shut-down sequences in Outlook's order. Everything runs on the thread
// that made it, in a single-threaded apartment.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "addin_loader.h"
#include "outlook_session.h"
#include "ribbon_host.h"

namespace mivo::outlookhost {

// Outlook's resiliency limit for an add-in's start-up.
inline constexpr double kStartupLimitMs = 1000;

class outlook_host final : public session_ui {
 public:
  outlook_host();
  ~outlook_host() override;
  outlook_host(const outlook_host&) = delete;
  outlook_host& operator=(const outlook_host&) = delete;

  // Outlook starts (again, after quit(), on the same store): the main
  // window, then every add-in whose LoadBehavior is 3 (load, OnConnection, the main window's ribbon, its first
  // visibility pass and pictures), then OnStartupComplete and the Startup
  // event.
  void start();
  // Outlook exits: Quit, OnBeginShutdown, OnDisconnection, the windows go,
  // and what the add-ins still hold of Outlook's objects is reported. The
  // store keeps the saved items: start() runs Outlook again on it.
  void quit();
  // The user turns every connected add-in off, and on again, in Outlook's
  // COM add-ins dialog.
  void disconnect_addins();
  void connect_addins();
  bool started() const { return started_; }
  // What the last exit kept of the profile's store.
  const item_store& store() const { return store_; }

  session& outlook() { return *session_; }
  ribbon_host& ribbons() { return ribbons_; }
  const std::vector<std::unique_ptr<loaded_addin>>& addins() const { return addins_; }
  HWND explorer_window() const { return explorer_; }
  HWND window_of(const inspector_object& inspector) const;
  inspector_object* inspector_of(HWND window) const;

  // Lets the ribbon host ask stale controls again and lays the strips out.
  void refresh_ribbons();
  // Handles every waiting message, ribbon refreshes included.
  void pump();
  // Runs until Outlook has ended (interactive use).
  void run_until_closed();

  // What a person does, through the windows. The window becomes active,
  // as a click makes it. False, with the reason, when it cannot be done.
  bool click(HWND window, const std::string& control_id, std::string& error);
  bool press(HWND window, int command, std::string& error);

  // What happened that the report shows: add-in and ribbon problems and
  // what the object model noted.
  std::vector<std::string> take_problems();

  // session_ui
  void show_inspector(inspector_object& inspector) override;
  void destroy_inspector(inspector_object& inspector) override;
  void activate_inspector(inspector_object& inspector) override;
  int ask_save_changes(inspector_object& inspector) override;
  void item_changed(inspector_object& inspector) override;
  void items_changed() override;
  void quit_requested() override;

  // Called by the windows when the main window is closed by its user. As
  // in Outlook, the main window goes, and Outlook ends once its last window
  // has closed: an item window still open keeps it running.
  void explorer_closed();

 private:
  void load_ribbon(loaded_addin& addin, const std::wstring& ribbon_id, startup_timings* timings);
  void activate(HWND window);
  bool item_windows_open() const;

  std::shared_ptr<session> session_;
  item_store store_;  // what the last run kept
  ribbon_host ribbons_;
  std::vector<std::unique_ptr<loaded_addin>> addins_;
  HWND explorer_ = nullptr;
  std::vector<std::string> problems_;
  bool started_ = false;
  bool quitting_ = false;
  bool finished_ = false;
  bool refresh_posted_ = false;
  // The last window closed: Outlook ends once the message at hand is done.
  bool quit_pending_ = false;
};

}  // namespace mivo::outlookhost
