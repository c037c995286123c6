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

#include "dialog_robot.h"

namespace mivo::outlookhost {

struct runner_options {
  bool interactive = false;  // a person answers the dialogs
  bool timings = false;      // start-up steps and add-in calls timed
};

class scenario_runner;

// An answer the robot gives whenever its dialog comes, up to `times` times
// in an action (0: every time).
struct standing_answer {
  Step step;
  int times = 0;
};

// Looks at the host and the service after every action step from the
// "invariants" step on (the explorer's invariants).
class step_watch {
 public:
  virtual ~step_watch() = default;
  // After the action `step`, with the answer and fault steps prepared for it:
  // "" when all is well, else what went wrong (the scenario stops there).
  virtual std::string after(const Step& step, const std::vector<Step>& prepared,
                            scenario_runner& runner) = 0;
};

class scenario_runner {
 public:
  using output = std::function<void(const std::string&)>;
  scenario_runner(outlook_host& host, runner_options options, output say);
  ~scenario_runner();

  // Runs the steps in order; false at the first one that fails (the reason
  // has been said).
  bool run(const Scenario& scenario);
  // One step; false when it failed (the reason has been said).
  bool perform(const Step& step) { return this->step(step); }

  // What makes the watch of the "invariants" step; without it that step fails.
  void set_watch_factory(std::function<std::unique_ptr<step_watch>()> factory) {
    watch_factory_ = std::move(factory);
  }
  // Answer steps ("answer sign-in ...", but not "answer message") the robot
  // gives at every action whenever their dialog comes, besides the
  // script's, the first with answers left first; false when one cannot
  // stand.
  bool set_standing_answers(const std::vector<standing_answer>& answers);

  // What the last action did, for a watch.
  outlook_host& host() { return host_; }
  item_base* current_item() const;
  HWND current_window() const;
  // Why the last step failed.
  const std::string& last_error() const { return last_error_; }
  const std::vector<refservice::RecordedRequest>& last_requests() const { return requests_; }
  const std::vector<robot::ShownWindow>& last_shown() const { return shown_; }
  // The standing answers given during the last action, as their answer
  // lines, in order.
  const std::vector<std::string>& last_standing_given() const { return standing_given_; }
  // The n-th request of the last action met the fault asked for (0: none asked).
  int last_fault_request() const { return last_fault_request_; }
  refservice::Client& service() { return *service_; }

 private:
  // A robot's answer, scripted or standing.
  using answer = std::function<void(robot::DialogRobot&, bool standing)>;
  // One step as its handler sees it; a handler that cannot do the step
  // returns false with the reason in `error`.
  struct step_context {
    const Step& step;
    const std::vector<Argument>& a;
    robot::DialogRobot* robot;  // null when a person answers
    std::string error;
    // An argument as a keyword: "" when it was written in quotes.
    std::string word(std::size_t i) const { return a.at(i).quoted ? std::string() : a.at(i).text; }
  };
  using handler = bool (scenario_runner::*)(step_context&);
  static const std::map<StepKind, handler>& handlers();

  bool step(const Step& step);
  bool action(const Step& step);
  bool check(const Step& step);
  bool fail(const std::string& why);

  // The robot's answers to the next action's dialogs.
  void queue(const robot::ControlIds& dialog, std::function<void(robot::Step&)> actions,
             std::string note);
  bool answer_sign_in(step_context& c);
  bool answer_organisation(step_context& c);
  bool answer_meeting_options(step_context& c);
  bool answer_sign_out(step_context& c);
  bool answer_about(step_context& c);
  bool answer_message(step_context& c);
  bool fault(step_context& c);

  // Actions.
  inspector_object* item_window(step_context& c) const;
  com::com_ptr<item_base> find_item(step_context& c, bool request) const;
  bool start(step_context& c);
  bool quit(step_context& c);
  bool disconnect(step_context& c);
  bool connect(step_context& c);
  bool clock(step_context& c);
  bool directory(step_context& c);
  bool choose_window(step_context& c);
  bool print(step_context& c);
  bool picture(step_context& c);
  bool invariants(step_context& c);
  bool click(step_context& c);
  bool new_item(step_context& c);
  bool open_item(step_context& c);
  bool open_occurrence(step_context& c);
  bool copy_item(step_context& c);
  bool receive_request(step_context& c);
  bool type(step_context& c);
  bool set_time(step_context& c);
  bool set_recurrence(step_context& c);
  bool add_attendee(step_context& c);
  bool press_command(step_context& c);
  bool close_window(step_context& c);

  void report_after(const Step& step);
  void print_ribbon(HWND window, bool always);
  void print_item(bool always);
  void print_requests();
  void print_startup();
  void print_notes();

  double date_of(const Step& step, std::size_t index) const;
  double day_of(const Step& step, std::size_t index) const;
  bool check_request(const Step& s);
  bool check_service_meeting(const Step& s);
  std::wstring text(const Step& step, std::size_t index) const;

  outlook_host& host_;
  runner_options options_;
  output say_;
  std::unique_ptr<refservice::Client> service_;
  bool service_down_ = false;

  std::vector<answer> answers_;
  std::vector<answer> standing_;
  bool queue_standing_ = false;
  std::vector<Step> prepared_;  // the answer and fault steps since the last action
  std::string last_error_;
  std::optional<Json::Value> fault_;  // for the next action
  int fault_request_ = 0;
  int last_fault_request_ = 0;
  std::vector<robot::ShownWindow> shown_;  // dialogs and message boxes of the last action
  std::vector<std::string> standing_given_;
  std::vector<std::string> standing_lines_;  // beside standing_
  int standing_times_ = 0;
  std::function<std::unique_ptr<step_watch>()> watch_factory_;
  std::unique_ptr<step_watch> watch_;
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
