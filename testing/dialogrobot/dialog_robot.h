// DialogRobot: drives the modal dialogs and message boxes that a test's own
// thread shows, from a thread of its own, following a script of expected
// steps; and records every dialog and message box the test thread showed.
//
//   mivo::robot::DialogRobot robot;                 // on the test thread
//   robot.expect_dialog(mivo::robot::kAccountDialog)
//       .set_text(IDC_ACCOUNT_USERNAME, L"alice")
//       .set_text(IDC_ACCOUNT_PASSWORD, L"secret")
//       .press(IDOK);
//   robot.expect_message_box().read_text().answer(IDOK);
//   robot.answer_other_message_boxes(IDOK);         // record and dismiss the rest
//   HRESULT hr = request->AccountSetting();         // blocks in the dialogs
//   EXPECT_TRUE(robot.wait()) << robot.report();
//   EXPECT_EQ(robot.message_boxes().at(0).text, L"...");
//
// The robot never waits forever: a step whose window does not come within
// the patience given at construction is recorded as a failure, and the robot
// then closes every window the test thread shows, so the flow returns.
#pragma once

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "resource_ids.h"

namespace mivo::robot {

// A dialog is recognised by the IDs of its controls: exactly these, not
// counting unnumbered labels (-1).
using ControlIds = std::set<int>;

// The scheduler's dialogs in MivoOlkRes.
inline const ControlIds kAboutDialog{IDC_ABOUT_PICTURE, IDOK};
inline const ControlIds kAccountDialog{IDC_ACCOUNT_SITE, IDC_ACCOUNT_USERNAME, IDC_ACCOUNT_PASSWORD,
                                       IDOK, IDCANCEL};
inline const ControlIds kMeetingDialog{IDC_MEETING_MUTE, IDC_MEETING_PASSWORD,
                                       IDC_MEETING_NEW_PASSWORD, IDOK, IDCANCEL};
inline const ControlIds kTenancyDialog{IDC_TENANCY_LIST, IDOK, IDCANCEL};
inline const ControlIds kCancellationDialog{IDOK, IDCANCEL};
inline const ControlIds kCommunicationDialog{IDC_COMMUNICATION_BUSY};
inline const ControlIds kDownloadDialog{IDC_DOWNLOAD_PROGRESS, IDC_DOWNLOAD_RECEIVED, IDCANCEL};

// A dialog or message box as it was shown.
struct ShownWindow {
  bool message_box = false;
  std::wstring caption;
  std::wstring text;             // message box: its text
  std::vector<int> control_ids;  // dialog: its controls, in tab order
  HWND owner = nullptr;
  UINT icon = 0;             // message box: MB_ICONWARNING, MB_ICONQUESTION, ... or 0
  std::vector<int> buttons;  // message box: IDOK, IDCANCEL, IDYES, IDNO, ... it offers
};

// What a step's read()s found.
struct ControlState {
  std::wstring text;                // window text; a list box: its selected entry
  std::vector<std::wstring> items;  // list box entries
  int selected = -1;                // list box selection
  bool checked = false;             // check box state
};

struct StepResult {
  bool ran = false;  // the expected window came and the actions were performed
  HWND window = nullptr;
  std::wstring caption;
  std::wstring message_text;  // read_text() of a message box
  std::map<int, ControlState> controls;
};

class DialogRobot;

// One expected window and what to do with it, in order. Actions that can
// end the window (press, click, escape, close_box, answer) are posted, so
// the robot never blocks on a nested modal loop they start.
class Step {
 public:
  Step& set_text(int id, std::wstring text);
  Step& check(int id, bool checked = true);      // BM_SETCHECK
  Step& click(int id);                           // BM_CLICK, or a mouse click on a static
  Step& select_index(int id, int index);         // list box, with LBN_SELCHANGE
  Step& select_text(int id, std::wstring text);  // list box entry with exactly this text
  Step& read(int id);                            // into StepResult::controls
  Step& read_text();                             // a message box's text
  Step& press(int id);                           // WM_COMMAND (id, BN_CLICKED) to the window
  Step& escape();                                // Escape key, through the dialog's key handling
  Step& close_box();                             // WM_SYSCOMMAND SC_CLOSE
  Step& answer(int button);                      // message box button (IDOK, IDYES, IDNO, ...)
  Step& save_picture(std::wstring bmp_path);     // 24-bit BMP of the whole window
  Step& wait_closed();                           // the window ends by itself

 private:
  friend class DialogRobot;
  enum class Kind {
    SetText,
    Check,
    Click,
    SelectIndex,
    SelectText,
    Read,
    ReadText,
    Press,
    Escape,
    CloseBox,
    Answer,
    SavePicture,
    WaitClosed
  };
  struct Action {
    Kind kind;
    int id = 0;
    int number = 0;
    std::wstring text;
  };
  Step& add(Action a);

  DialogRobot* robot_ = nullptr;
  bool message_box_ = false;
  ControlIds ids_;
  int times_left_ = 0;  // a standing step's answers left; 0: no limit
  std::vector<Action> actions_;
};

class DialogRobot {
 public:
  // Installs the recorder on the calling thread (the one that will show the
  // dialogs) and starts the robot's thread.
  explicit DialogRobot(std::chrono::milliseconds patience = std::chrono::seconds(30));
  ~DialogRobot();
  DialogRobot(const DialogRobot&) = delete;
  DialogRobot& operator=(const DialogRobot&) = delete;

  Step& expect_dialog(ControlIds ids);
  Step& expect_message_box();
  // Message boxes that no step expects are answered with this button
  // instead of counting as an unexpected window.
  void answer_other_message_boxes(int button = IDOK);
  // A dialog answered this way whenever it comes while no scripted step
  // takes it, up to `times` times (0: every time), none included: for flows
  // whose dialogs cannot be known beforehand. The first standing step that
  // matches and has answers left answers. Its results are not kept.
  Step& whenever_dialog(ControlIds ids, int times = 0);

  // Call once the flow under test has returned: ends the robot and tells
  // whether every step ran and nothing went wrong. Further calls return the
  // same answer.
  bool wait();

  std::vector<ShownWindow> shown() const;
  std::vector<ShownWindow> dialogs() const;
  std::vector<ShownWindow> message_boxes() const;
  // The standing steps that answered, by their place in the order they
  // were added, in the order they answered.
  std::vector<size_t> standing_given() const;
  StepResult result(size_t step) const;
  std::vector<std::string> failures() const;
  // Failures and what was shown, readable in a test's failure message.
  std::string report() const;

 private:
  friend class Step;
  static LRESULT CALLBACK cbt_hook(int code, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK message_hook(int code, WPARAM wparam, LPARAM lparam);
  bool sync();
  void record(HWND window, bool destroying);
  void run();
  bool run_step(size_t index);
  // Answers `window` with a standing step that matches it; false when none does.
  bool answer_standing(HWND window);
  void perform_all(const Step& step, HWND window, StepResult& result, size_t index);
  // False for a window still busy with the answer it was given last.
  bool awaits_answer(HWND window);
  void perform(const Step::Action& action, HWND window, StepResult& result, size_t index);
  bool watch_until_step(size_t index);
  size_t step_count() const;
  void rescue();
  HWND top_window() const;
  bool matches(const Step& step, HWND window) const;
  bool stop_requested();
  bool nap(std::chrono::milliseconds how_long);  // false when asked to stop
  void fail(std::string what);

  const std::chrono::milliseconds patience_;
  const DWORD test_thread_;
  HHOOK cbt_hook_ = nullptr;
  HHOOK message_hook_ = nullptr;

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  bool finished_ = false;
  bool passed_ = false;
  int other_box_answer_ = 0;
  std::deque<Step> steps_;
  std::deque<Step> standing_;
  std::vector<size_t> standing_given_;
  // Dialogs given an answer that ends them, not yet gone.
  std::set<HWND> answered_;
  std::vector<StepResult> results_;
  std::vector<ShownWindow> shown_;
  std::map<HWND, size_t> live_;  // recorded windows not yet destroyed: index in shown_
  // Markers are numbered across the process, so one a previous robot left
  // in the thread's queue (numbered below first_marker_) is not taken for
  // this robot's.
  LPARAM first_marker_ = 0;
  LPARAM markers_seen_ = 0;
  std::vector<std::string> failures_;
  std::thread thread_;
};

}  // namespace mivo::robot
