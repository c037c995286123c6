// The dialog robot: its recorder (a CBT hook on the test thread) and its
// thread, which follows the script and never lets the test thread hang.
#include "dialog_robot.h"

#include <algorithm>
#include <optional>
#include <atomic>
#include <sstream>

#include "window_tools.h"

namespace mivo::robot {
namespace {

using namespace std::chrono_literals;

constexpr auto kPollInterval = 15ms;
// Tags the WM_NULL the robot posts behind an action to learn that the test
// thread has taken the actions before it from its queue.
constexpr WPARAM kMarkerTag = 0x4d49564f;
std::atomic<LPARAM> g_last_marker{0};

// The hook procedure has no context argument: one robot at a time.
std::atomic<DialogRobot*> g_recording{nullptr};

std::string narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += (c >= 0x20 && c < 0x7f) ? static_cast<char>(c) : '?';
  return out;
}

std::string describe_ids(const ControlIds& ids) {
  std::ostringstream out;
  out << '{';
  for (auto it = ids.begin(); it != ids.end(); ++it) out << (it == ids.begin() ? "" : ",") << *it;
  out << '}';
  return out.str();
}

std::string describe_window(HWND window) {
  if (!window) return "nothing";
  ShownWindow shown = describe(window);
  std::ostringstream out;
  if (shown.message_box) {
    out << "a message box \"" << narrow(shown.text) << "\"";
  } else {
    out << "a dialog \"" << narrow(shown.caption) << "\" with "
        << describe_ids(ControlIds(shown.control_ids.begin(), shown.control_ids.end()));
  }
  return out.str();
}

bool is_usable_dialog(HWND window) {
  return window && IsWindowVisible(window) && IsWindowEnabled(window) && is_dialog(window);
}

BOOL CALLBACK find_usable_dialog(HWND window, LPARAM found) {
  if (!is_usable_dialog(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

// Asks a window of the test thread to end: a message box through the first
// of its buttons that gives up, a dialog through Cancel and WM_CLOSE.
BOOL CALLBACK close_window(HWND window, LPARAM) {
  if (!IsWindowVisible(window) || !is_dialog(window)) return TRUE;
  if (is_message_box(window)) {
    for (int id : {IDCANCEL, IDNO, IDOK, IDABORT, IDIGNORE}) {
      HWND button = GetDlgItem(window, id);
      if (button && IsWindowVisible(button)) {
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
        break;
      }
    }
  } else {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    PostMessageW(window, WM_CLOSE, 0, 0);
  }
  return TRUE;
}

}  // namespace

// ---- Step: the script builder ----

Step& Step::add(Action a) {
  std::lock_guard<std::mutex> lock(robot_->mutex_);
  actions_.push_back(std::move(a));
  return *this;
}

Step& Step::set_text(int id, std::wstring text) {
  return add({Kind::SetText, id, 0, std::move(text)});
}
Step& Step::check(int id, bool checked) { return add({Kind::Check, id, checked ? 1 : 0, {}}); }
Step& Step::click(int id) { return add({Kind::Click, id, 0, {}}); }
Step& Step::select_index(int id, int index) { return add({Kind::SelectIndex, id, index, {}}); }
Step& Step::select_text(int id, std::wstring text) {
  return add({Kind::SelectText, id, 0, std::move(text)});
}
Step& Step::read(int id) { return add({Kind::Read, id, 0, {}}); }
Step& Step::read_text() { return add({Kind::ReadText, 0, 0, {}}); }
Step& Step::press(int id) { return add({Kind::Press, id, 0, {}}); }
Step& Step::escape() { return add({Kind::Escape, 0, 0, {}}); }
Step& Step::close_box() { return add({Kind::CloseBox, 0, 0, {}}); }
Step& Step::answer(int button) { return add({Kind::Answer, button, 0, {}}); }
Step& Step::save_picture(std::wstring bmp_path) {
  return add({Kind::SavePicture, 0, 0, std::move(bmp_path)});
}
Step& Step::wait_closed() { return add({Kind::WaitClosed, 0, 0, {}}); }

// ---- DialogRobot: script and results ----

DialogRobot::DialogRobot(std::chrono::milliseconds patience)
    : patience_(patience), test_thread_(GetCurrentThreadId()), first_marker_(g_last_marker + 1) {
  DialogRobot* expected = nullptr;
  if (g_recording.compare_exchange_strong(expected, this)) {
    cbt_hook_ = SetWindowsHookExW(WH_CBT, cbt_hook, nullptr, test_thread_);
    message_hook_ = SetWindowsHookExW(WH_GETMESSAGE, message_hook, nullptr, test_thread_);
  }
  if (!cbt_hook_ || !message_hook_) {
    failures_.push_back("could not record: another robot is active or a hook failed");
  }
  thread_ = std::thread([this] { run(); });
}

DialogRobot::~DialogRobot() {
  wait();
  if (cbt_hook_) UnhookWindowsHookEx(cbt_hook_);
  if (message_hook_) UnhookWindowsHookEx(message_hook_);
  DialogRobot* self = this;
  g_recording.compare_exchange_strong(self, nullptr);
}

Step& DialogRobot::expect_dialog(ControlIds ids) {
  std::lock_guard<std::mutex> lock(mutex_);
  Step& step = steps_.emplace_back();
  step.robot_ = this;
  step.ids_ = std::move(ids);
  results_.emplace_back();
  wake_.notify_all();
  return step;
}

Step& DialogRobot::expect_message_box() {
  std::lock_guard<std::mutex> lock(mutex_);
  Step& step = steps_.emplace_back();
  step.robot_ = this;
  step.message_box_ = true;
  results_.emplace_back();
  wake_.notify_all();
  return step;
}

Step& DialogRobot::whenever_dialog(ControlIds ids, int times) {
  std::lock_guard<std::mutex> lock(mutex_);
  Step& step = standing_.emplace_back();
  step.robot_ = this;
  step.ids_ = std::move(ids);
  step.times_left_ = times > 0 ? times : -1;
  return step;
}

void DialogRobot::answer_other_message_boxes(int button) {
  std::lock_guard<std::mutex> lock(mutex_);
  other_box_answer_ = button;
}

bool DialogRobot::wait() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
    wake_.notify_all();
  }
  if (thread_.joinable()) thread_.join();
  std::lock_guard<std::mutex> lock(mutex_);
  if (!finished_) {
    for (size_t i = 0; i < results_.size(); ++i) {
      if (!results_[i].ran) {
        failures_.push_back("step " + std::to_string(i + 1) +
                            " never ran: the flow returned first");
      }
    }
    passed_ = failures_.empty();
    finished_ = true;
  }
  return passed_;
}

std::vector<ShownWindow> DialogRobot::shown() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return shown_;
}

std::vector<ShownWindow> DialogRobot::dialogs() const {
  std::vector<ShownWindow> all = shown(), picked;
  std::copy_if(all.begin(), all.end(), std::back_inserter(picked),
               [](const ShownWindow& w) { return !w.message_box; });
  return picked;
}

std::vector<ShownWindow> DialogRobot::message_boxes() const {
  std::vector<ShownWindow> all = shown(), picked;
  std::copy_if(all.begin(), all.end(), std::back_inserter(picked),
               [](const ShownWindow& w) { return w.message_box; });
  return picked;
}

std::vector<size_t> DialogRobot::standing_given() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return standing_given_;
}

StepResult DialogRobot::result(size_t step) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return step < results_.size() ? results_[step] : StepResult{};
}

std::vector<std::string> DialogRobot::failures() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return failures_;
}

std::string DialogRobot::report() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::ostringstream out;
  for (const std::string& failure : failures_) out << "robot: " << failure << '\n';
  for (const ShownWindow& w : shown_) {
    if (w.message_box) {
      out << "shown: message box \"" << narrow(w.caption) << "\": \"" << narrow(w.text) << "\"\n";
    } else {
      out << "shown: dialog \"" << narrow(w.caption) << "\" "
          << describe_ids(ControlIds(w.control_ids.begin(), w.control_ids.end())) << '\n';
    }
  }
  return out.str();
}

void DialogRobot::fail(std::string what) {
  std::lock_guard<std::mutex> lock(mutex_);
  failures_.push_back(std::move(what));
}

// ---- the recorder, on the test thread ----

LRESULT CALLBACK DialogRobot::cbt_hook(int code, WPARAM wparam, LPARAM lparam) {
  try {
    DialogRobot* robot = g_recording.load();
    if (robot && (code == HCBT_ACTIVATE || code == HCBT_DESTROYWND)) {
      HWND window = reinterpret_cast<HWND>(wparam);
      if (is_dialog(window)) robot->record(window, code == HCBT_DESTROYWND);
    }
  } catch (...) {
    // Recording is best effort; the window must be shown or destroyed regardless.
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

LRESULT CALLBACK DialogRobot::message_hook(int code, WPARAM wparam, LPARAM lparam) {
  try {
    DialogRobot* robot = g_recording.load();
    const MSG* msg = reinterpret_cast<const MSG*>(lparam);
    if (robot && code == HC_ACTION && msg->message == WM_NULL && msg->wParam == kMarkerTag &&
        msg->lParam >= robot->first_marker_) {
      std::lock_guard<std::mutex> lock(robot->mutex_);
      robot->markers_seen_ = std::max(robot->markers_seen_, msg->lParam);
      robot->wake_.notify_all();
    }
  } catch (...) {
    // A marker missed only makes the robot wait longer; the message goes on.
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

// A window is recorded when first activated, and its record is renewed when
// it is destroyed: a message box can be activated before its text is set.
void DialogRobot::record(HWND window, bool destroying) {
  ShownWindow shown = describe(window);
  std::lock_guard<std::mutex> lock(mutex_);
  auto known = live_.find(window);
  if (known == live_.end()) {
    shown_.push_back(std::move(shown));
    if (!destroying) live_.emplace(window, shown_.size() - 1);
  } else if (destroying) {
    shown_[known->second] = std::move(shown);
    live_.erase(known);
  }
  if (destroying) answered_.erase(window);
}

// ---- the robot's thread ----

bool DialogRobot::stop_requested() {
  std::lock_guard<std::mutex> lock(mutex_);
  return stop_;
}

bool DialogRobot::nap(std::chrono::milliseconds how_long) {
  std::unique_lock<std::mutex> lock(mutex_);
  return !wake_.wait_for(lock, how_long, [this] { return stop_; });
}

// The window the user would be facing: the test thread's active window when
// it is a visible, enabled dialog, else any such dialog of that thread.
HWND DialogRobot::top_window() const {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  if (GetGUIThreadInfo(test_thread_, &info) && is_usable_dialog(info.hwndActive))
    return info.hwndActive;
  HWND found = nullptr;
  EnumThreadWindows(test_thread_, find_usable_dialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

// Waits until the test thread has taken everything posted to it so far from
// its queue: it has then handled the robot's last action, or entered a nested
// modal loop because of it. Gives up after the robot's patience.
// The marker is a thread message: one posted to the window would be dropped
// with the window when the action ends the dialog.
bool DialogRobot::sync() {
  std::unique_lock<std::mutex> lock(mutex_);
  const LPARAM marker = ++g_last_marker;
  if (!PostThreadMessageW(test_thread_, WM_NULL, kMarkerTag, marker)) return false;
  return wake_.wait_for(lock, patience_, [&] { return stop_ || markers_seen_ >= marker; }) &&
         !stop_;
}

// A dialog matches when the IDs of its controls, leaving out the unnumbered
// labels (-1), are exactly the step's.
bool DialogRobot::matches(const Step& step, HWND window) const {
  if (is_message_box(window)) return step.message_box_;
  if (step.message_box_) return false;
  ControlIds ids;
  for (HWND child : child_windows(window)) {
    int id = GetDlgCtrlID(child);
    if (id != -1 && id != 0xFFFF) ids.insert(id);
  }
  return ids == step.ids_;
}

size_t DialogRobot::step_count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return steps_.size();
}

void DialogRobot::run() {
  size_t index = 0;
  for (;;) {
    if (index < step_count()) {
      if (!run_step(index++)) return;
    } else if (!watch_until_step(index)) {
      return;
    }
  }
}

// Waits for the step's window, answering other message boxes when asked to.
// Returns false when the robot has to stop (asked to, or gave up).
bool DialogRobot::run_step(size_t index) {
  Step step;
  int other_box_answer;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    step = steps_[index];
    other_box_answer = other_box_answer_;
  }
  auto deadline = std::chrono::steady_clock::now() + patience_;
  HWND window = nullptr;
  for (;;) {
    if (stop_requested()) return false;
    HWND top = top_window();
    if (top && matches(step, top) && awaits_answer(top)) {
      window = top;
      break;
    }
    if (top && other_box_answer && is_message_box(top)) {
      PostMessageW(top, WM_COMMAND, MAKEWPARAM(other_box_answer, BN_CLICKED), 0);
      if (!sync()) return false;
      deadline = std::chrono::steady_clock::now() + patience_;  // the flow is moving on
      continue;
    }
    if (top && answer_standing(top)) {
      deadline = std::chrono::steady_clock::now() + patience_;
      continue;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      fail("step " + std::to_string(index + 1) + ": expected " +
           (step.message_box_ ? std::string("a message box")
                              : "a dialog with " + describe_ids(step.ids_)) +
           " within " + std::to_string(patience_.count()) + " ms; the test thread shows " +
           describe_window(top));
      rescue();
      return false;
    }
    if (!nap(kPollInterval)) return false;
  }

  StepResult result;
  result.ran = true;
  result.window = window;
  result.caption = window_text(window);
  perform_all(step, window, result, index);
  std::lock_guard<std::mutex> lock(mutex_);
  results_[index] = result;
  return true;
}

bool DialogRobot::awaits_answer(HWND window) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!answered_.count(window)) return true;
  }
  // Answered before: it waits for another answer only when, once the test
  // thread has handled everything posted so far, it is still the window in
  // front (a refused sign-in leaves its dialog open), not while it is busy
  // with the last answer.
  if (!sync() || top_window() != window) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  answered_.erase(window);
  return true;
}

void DialogRobot::perform_all(const Step& step, HWND window, StepResult& result, size_t index) {
  for (const Step::Action& action : step.actions_) {
    const bool ending = action.kind == Step::Kind::Press || action.kind == Step::Kind::Escape ||
                        action.kind == Step::Kind::CloseBox || action.kind == Step::Kind::Answer;
    if (ending) {
      // The window may stay a while, busy with the answer (a request of
      // its own): it is not taken for a step again while it is.
      std::lock_guard<std::mutex> lock(mutex_);
      answered_.insert(window);
    }
    perform(action, window, result, index);
    if (ending || action.kind == Step::Kind::Click || action.kind == Step::Kind::SelectIndex ||
        action.kind == Step::Kind::SelectText) {
      // Posted: let the window handle it before the next action or step, so
      // that a dialog on its way out is not taken for the next one.
      sync();
    }
  }
}

bool DialogRobot::answer_standing(HWND window) {
  std::optional<Step> found;
  size_t number = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (size_t i = 0; i < standing_.size() && !found; ++i) {
      if (standing_[i].times_left_ != 0 && matches(standing_[i], window)) {
        found = standing_[i];
        number = i;
      }
    }
  }
  if (!found || !awaits_answer(window)) return false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (standing_[number].times_left_ > 0) --standing_[number].times_left_;
    standing_given_.push_back(number);
  }
  StepResult ignored;
  // Failures name the step; standing ones count after the scripted steps.
  perform_all(*found, window, ignored, step_count() + number);
  return true;
}

void DialogRobot::perform(const Step::Action& action, HWND window, StepResult& result,
                          size_t index) {
  using Kind = Step::Kind;
  auto where = [&] { return "step " + std::to_string(index + 1) + ": "; };
  HWND control = nullptr;
  const bool needs_control = action.kind == Kind::SetText || action.kind == Kind::Check ||
                             action.kind == Kind::Click || action.kind == Kind::SelectIndex ||
                             action.kind == Kind::SelectText || action.kind == Kind::Read;
  if (needs_control) {
    control = GetDlgItem(window, action.id);
    if (!control) {
      fail(where() + "no control " + std::to_string(action.id) + " in " + describe_window(window));
      return;
    }
  }
  auto notify_selection = [&] {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(action.id, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(control));
  };
  switch (action.kind) {
    case Kind::SetText:
      if (!send(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(action.text.c_str()))) {
        fail(where() + "control " + std::to_string(action.id) + " refused its text");
      }
      break;
    case Kind::Check:
      send(control, BM_SETCHECK, action.number ? BST_CHECKED : BST_UNCHECKED);
      break;
    case Kind::Click:
      if (class_name(control) == L"Button") {
        PostMessageW(control, BM_CLICK, 0, 0);
      } else {
        RECT rect{};
        GetClientRect(control, &rect);
        LPARAM centre = MAKELPARAM(rect.right / 2, rect.bottom / 2);
        PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, centre);
        PostMessageW(control, WM_LBUTTONUP, 0, centre);
      }
      break;
    case Kind::SelectIndex:
      if (send(control, LB_SETCURSEL, static_cast<WPARAM>(action.number)) == LB_ERR) {
        fail(where() + "list " + std::to_string(action.id) + " has no entry " +
             std::to_string(action.number));
        break;
      }
      notify_selection();
      break;
    case Kind::SelectText: {
      LRESULT found = send(control, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                           reinterpret_cast<LPARAM>(action.text.c_str()));
      if (found == LB_ERR || send(control, LB_SETCURSEL, static_cast<WPARAM>(found)) == LB_ERR) {
        fail(where() + "list " + std::to_string(action.id) + " has no entry \"" +
             narrow(action.text) + "\"");
        break;
      }
      notify_selection();
      break;
    }
    case Kind::Read:
      result.controls[action.id] = control_state(control);
      break;
    case Kind::ReadText:
      result.message_text = describe(window).text;
      break;
    case Kind::Press:
      PostMessageW(window, WM_COMMAND, MAKEWPARAM(action.id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(window, action.id)));
      break;
    case Kind::Escape: {
      // Through the modal loop's own key handling, as a real key press goes.
      GUITHREADINFO info{};
      info.cbSize = sizeof(info);
      HWND target = window;
      if (GetGUIThreadInfo(test_thread_, &info) && info.hwndFocus &&
          (info.hwndFocus == window || IsChild(window, info.hwndFocus))) {
        target = info.hwndFocus;
      }
      PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
      PostMessageW(target, WM_KEYUP, VK_ESCAPE, 0xC0010001);
      break;
    }
    case Kind::CloseBox:
      PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
      break;
    case Kind::Answer:
      PostMessageW(window, WM_COMMAND, MAKEWPARAM(action.id, BN_CLICKED), 0);
      break;
    case Kind::SavePicture:
      if (!save_window_picture(window, action.text)) fail(where() + "could not save a picture");
      break;
    case Kind::WaitClosed: {
      const auto deadline = std::chrono::steady_clock::now() + patience_;
      while (IsWindow(window) && IsWindowVisible(window)) {
        if (std::chrono::steady_clock::now() > deadline) {
          fail(where() + describe_window(window) + " did not close by itself within " +
               std::to_string(patience_.count()) + " ms");
          break;
        }
        if (!nap(kPollInterval)) break;
      }
      break;
    }
  }
}

// Between the end of the script and a step added later: dismisses message
// boxes as asked, and gives up on any window that stays longer than the
// robot's patience. Returns false when the robot has to stop.
bool DialogRobot::watch_until_step(size_t index) {
  HWND seen = nullptr;
  auto since = std::chrono::steady_clock::now();
  while (step_count() <= index) {
    if (!nap(kPollInterval)) return false;
    // A step given during the nap is for what shows now (a message box a
    // close asks, say): it goes before any standing or default answer.
    if (step_count() > index) break;
    HWND top = top_window();
    int other_box_answer;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      other_box_answer = other_box_answer_;
    }
    if (top && other_box_answer && is_message_box(top)) {
      PostMessageW(top, WM_COMMAND, MAKEWPARAM(other_box_answer, BN_CLICKED), 0);
      if (!sync()) return false;
      continue;
    }
    if (top && answer_standing(top)) continue;
    if (top != seen) {
      seen = top;
      since = std::chrono::steady_clock::now();
    } else if (top && std::chrono::steady_clock::now() - since > patience_) {
      fail("no step expects " + describe_window(top) + ", open for " +
           std::to_string(patience_.count()) + " ms");
      rescue();
      return false;
    }
  }
  return true;
}

// Gave up: close whatever the test thread shows until the test is back.
void DialogRobot::rescue() {
  do {
    EnumThreadWindows(test_thread_, close_window, 0);
  } while (nap(100ms));
}

}  // namespace mivo::robot
