// Runs a scenario against the Outlook host: each step through the host's
// windows and object model, the dialog robot answering the scheduler's
// dialogs as the script says, and after each step what the user would see
// (the ribbon, the item, its body with the bookmarks marked, its user
// properties) and what the reference service received.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "outlook_host.h"
#include "refservice_client.h"
#include "scenario.h"

namespace mivo::robot {
class DialogRobot;
}

namespace mivo::outlookhost {

struct runner_options {
  bool interactive = false;  // a person answers the dialogs
  bool timings = false;      // start-up steps and add-in calls timed
};

class scenario_runner {
 public:
  using output = std::function<void(const std::string&)>;
  scenario_runner(outlook_host& host, runner_options options, output say);
  ~scenario_runner();

  // Runs the steps in order; false at the first one that fails (the reason
  // has been said).
  bool run(const Scenario& scenario);

 private:
  using answer = std::function<void(robot::DialogRobot&)>;
  bool step(const Step& step);
  bool action(const Step& step);
  bool check(const Step& step);
  bool fail(const std::string& why);

  void report_after(const Step& step);
  void print_ribbon(HWND window, bool always);
  void print_item(bool always);
  void print_requests();
  void print_startup();
  void print_notes();

  HWND current_window() const;
  item_base* current_item() const;
  double date_of(const Step& step, std::size_t index) const;
  std::wstring text(const Step& step, std::size_t index) const;

  outlook_host& host_;
  runner_options options_;
  output say_;
  std::unique_ptr<refservice::Client> service_;
  bool service_down_ = false;

  std::vector<answer> answers_;
  std::vector<std::string> answer_notes_;  // the same answers, for a person
  HWND window_ = nullptr;                  // the current window; null: the main window
  com::com_ptr<item_base> item_;           // the current item, kept after its window closes
  std::optional<bool> last_sent_;
  std::vector<refservice::RecordedRequest> requests_;  // of the last action step
  std::vector<std::wstring> messages_;                 // message boxes of the last action step
  std::map<HWND, std::string> shown_ribbon_;           // what was printed last, per window
  std::string shown_item_;
};

}  // namespace mivo::outlookhost
