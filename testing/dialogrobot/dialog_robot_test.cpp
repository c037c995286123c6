// The robot's own promises: it gives up instead of hanging the test, it
// says what went wrong, it records windows that never got to be active, and
// its pictures are whole windows.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>

#include "dialog_robot.h"
#include "resource_ids.h"
#include "test_dialogs.h"

using namespace mivo::robot;
using namespace std::chrono_literals;

namespace {

bool mentions(const std::vector<std::string>& failures, const std::string& part) {
  for (const std::string& f : failures) {
    if (f.find(part) != std::string::npos) return true;
  }
  return false;
}

class Robot : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(resource_library()) << "MivoOlkRes.dll not loaded"; }
};

// Starts the robot only when the test thread activates its first window: a
// busy machine may take longer than a short patience to show it, and the
// robot would then give up facing nothing.
class RobotOnFirstWindow {
 public:
  RobotOnFirstWindow(std::chrono::milliseconds patience, std::function<void(DialogRobot&)> script)
      : patience_(patience), script_(std::move(script)) {
    current_ = this;
    hook_ = SetWindowsHookExW(WH_CBT, &RobotOnFirstWindow::hook, nullptr, GetCurrentThreadId());
  }
  ~RobotOnFirstWindow() {
    UnhookWindowsHookEx(hook_);
    current_ = nullptr;
  }
  RobotOnFirstWindow(const RobotOnFirstWindow&) = delete;
  RobotOnFirstWindow& operator=(const RobotOnFirstWindow&) = delete;

  // Once the flow has shown a window.
  DialogRobot& robot() { return *robot_; }
  bool started() const { return robot_.has_value(); }

 private:
  static LRESULT CALLBACK hook(int code, WPARAM wparam, LPARAM lparam) {
    RobotOnFirstWindow* self = current_;
    if (self && code == HCBT_ACTIVATE && !self->robot_) {
      self->robot_.emplace(self->patience_);
      self->script_(*self->robot_);
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
  }

  static inline RobotOnFirstWindow* current_ = nullptr;
  const std::chrono::milliseconds patience_;
  const std::function<void(DialogRobot&)> script_;
  HHOOK hook_ = nullptr;
  std::optional<DialogRobot> robot_;
};

}  // namespace

TEST_F(Robot, GivesUpOnADialogThatNeverComesAndClosesTheOneShown) {
  RobotOnFirstWindow starter(
      1500ms, [](DialogRobot& robot) { robot.expect_dialog(kTenancyDialog).press(IDOK); });
  DialogLog log;
  EXPECT_EQ(run_dialog(IDD_ACCOUNT_SETTING, nullptr, log), IDCANCEL);
  ASSERT_TRUE(starter.started());
  DialogRobot& robot = starter.robot();
  EXPECT_FALSE(robot.wait());
  EXPECT_TRUE(mentions(robot.failures(), "step 1: expected a dialog with {1,2,1004}"))
      << robot.report();
  EXPECT_TRUE(mentions(robot.failures(), "the test thread shows a dialog")) << robot.report();
}

TEST_F(Robot, RescueEndsADialogThatIgnoresCancel) {
  DialogRobot robot(1000ms);
  robot.expect_message_box().answer(IDOK);
  DialogLog log;
  log.about_box_rules = true;  // Cancel ignored: only closing ends it
  EXPECT_EQ(run_dialog(IDD_ABOUT, nullptr, log), 0);
  EXPECT_FALSE(robot.wait());
  EXPECT_TRUE(mentions(robot.failures(), "step 1: expected a message box")) << robot.report();
}

TEST_F(Robot, RescueEndsAMessageBox) {
  RobotOnFirstWindow starter(
      1000ms, [](DialogRobot& robot) { robot.expect_dialog(kAccountDialog).press(IDOK); });
  EXPECT_EQ(MessageBoxW(nullptr, L"升级吗？", L"Mivo", MB_YESNO), IDNO);
  ASSERT_TRUE(starter.started());
  DialogRobot& robot = starter.robot();
  EXPECT_FALSE(robot.wait());
  EXPECT_TRUE(mentions(robot.failures(), "the test thread shows a message box")) << robot.report();
}

TEST_F(Robot, ClosesAWindowNoStepExpects) {
  DialogRobot robot(1000ms);
  DialogLog log;
  EXPECT_EQ(run_dialog(IDD_CANCELLATION, nullptr, log), IDCANCEL);
  EXPECT_FALSE(robot.wait());
  EXPECT_TRUE(mentions(robot.failures(), "no step expects a dialog")) << robot.report();
  EXPECT_EQ(robot.dialogs().size(), 1u);
}

TEST_F(Robot, AnswersAndRecordsMessageBoxesNoStepExpects) {
  DialogRobot robot;
  robot.answer_other_message_boxes(IDOK);
  robot.expect_dialog(kCancellationDialog).press(IDOK);
  // The scheduler's warning flags without an owner: Wine activates this box
  // before it sets its text.
  EXPECT_EQ(MessageBoxW(nullptr, L"第一", L"Mivo", MB_ICONWARNING | MB_TASKMODAL | MB_TOPMOST),
            IDOK);
  DialogLog log;
  EXPECT_EQ(run_dialog(IDD_CANCELLATION, nullptr, log), IDOK);
  EXPECT_EQ(MessageBoxW(nullptr, L"second", L"Mivo", MB_OKCANCEL | MB_ICONQUESTION), IDOK);
  EXPECT_TRUE(robot.wait()) << robot.report();
  std::vector<ShownWindow> boxes = robot.message_boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, L"第一");
  EXPECT_EQ(boxes[1].icon, static_cast<UINT>(MB_ICONQUESTION));
  EXPECT_EQ(robot.shown().size(), 3u);
}

TEST_F(Robot, StandingAnswersTakeTheirDialogEveryTimeAndNoneIsMissed) {
  DialogRobot robot(2000ms);
  robot.whenever_dialog(kCancellationDialog, 2).press(IDOK);
  robot.whenever_dialog(kAccountDialog).press(IDCANCEL);
  robot.whenever_dialog(kCancellationDialog).press(IDCANCEL);
  robot.expect_dialog(kCancellationDialog).press(IDCANCEL);
  DialogLog log;
  // The scripted step comes first, then the standing answers, the first as
  // often as it may, the next for the rest.
  EXPECT_EQ(run_dialog(IDD_CANCELLATION, nullptr, log), IDCANCEL);
  EXPECT_EQ(run_dialog(IDD_CANCELLATION, nullptr, log), IDOK);
  EXPECT_EQ(run_dialog(IDD_CANCELLATION, nullptr, log), IDOK);
  EXPECT_EQ(run_dialog(IDD_CANCELLATION, nullptr, log), IDCANCEL);
  EXPECT_TRUE(robot.wait()) << robot.report();
  EXPECT_EQ(robot.dialogs().size(), 4u);
  EXPECT_EQ((std::vector<size_t>{0, 0, 2}), robot.standing_given());
}

TEST_F(Robot, StepsLeftWhenTheFlowReturnsAreReportedAtOnce) {
  DialogRobot robot;
  robot.expect_dialog(kAccountDialog).press(IDOK);
  robot.expect_message_box().answer(IDOK);
  EXPECT_FALSE(robot.wait());
  EXPECT_TRUE(mentions(robot.failures(), "step 1 never ran"));
  EXPECT_TRUE(mentions(robot.failures(), "step 2 never ran"));
  EXPECT_TRUE(robot.wait() == false) << "a second wait gives the same answer";
}

TEST_F(Robot, ActionOnAMissingControlIsAFailureButTheStepGoesOn) {
  DialogRobot robot;
  robot.expect_dialog(kCancellationDialog).set_text(4242, L"x").press(IDCANCEL);
  DialogLog log;
  EXPECT_EQ(run_dialog(IDD_CANCELLATION, nullptr, log), IDCANCEL);
  EXPECT_FALSE(robot.wait());
  EXPECT_TRUE(mentions(robot.failures(), "step 1: no control 4242")) << robot.report();
}

TEST_F(Robot, RecordsADialogThatEndsWhileStarting) {
  DialogRobot robot;
  DialogLog log;
  log.on_init = [](HWND dialog) { EndDialog(dialog, 7); };
  EXPECT_EQ(run_dialog(IDD_COMMUNICATION, nullptr, log), 7);
  EXPECT_TRUE(robot.wait()) << robot.report();
  ASSERT_EQ(robot.dialogs().size(), 1u);
  EXPECT_EQ(robot.dialogs()[0].control_ids.front(), IDC_COMMUNICATION_BUSY);
}

TEST_F(Robot, PictureIsTheWholeWindowAsA24BitBitmap) {
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  const std::wstring path = std::wstring(folder) + L"mivo-robot-picture.bmp";
  DeleteFileW(path.c_str());
  DialogRobot robot;
  robot.expect_dialog(kAccountDialog).save_picture(path).press(IDCANCEL);
  RECT window_rect{};
  DialogLog log;
  log.on_init = [&](HWND dialog) { GetWindowRect(dialog, &window_rect); };
  EXPECT_EQ(run_dialog(IDD_ACCOUNT_SETTING, nullptr, log), IDCANCEL);
  ASSERT_TRUE(robot.wait()) << robot.report();

  std::ifstream file(path.c_str(), std::ios::binary);
  BITMAPFILEHEADER header{};
  BITMAPINFOHEADER info{};
  file.read(reinterpret_cast<char*>(&header), sizeof(header));
  file.read(reinterpret_cast<char*>(&info), sizeof(info));
  ASSERT_TRUE(file);
  EXPECT_EQ(header.bfType, 0x4d42);
  EXPECT_EQ(info.biBitCount, 24);
  EXPECT_EQ(info.biWidth, window_rect.right - window_rect.left);
  EXPECT_EQ(info.biHeight, window_rect.bottom - window_rect.top);
  file.seekg(0, std::ios::end);
  EXPECT_EQ(static_cast<DWORD>(file.tellg()), header.bfSize);
  file.close();
  DeleteFileW(path.c_str());
}
