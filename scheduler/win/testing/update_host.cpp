// update_host.exe: plays the add-in's part for the update flow, whose last
// step ends the host process. It calls GetSettings on a scheduler object
// with an active window, answers Yes to the first update question, lets the
// download dialog run and answers OK to any later box. Exit codes: 0 when
// the scheduler ended the process (as it does after the installer notice), 3
// when GetSettings returned S_OK, 4 for anything else. It tells the
// scheduler it is in Chinese, as the add-in in a Chinese Office does. With
// MIVO_UPDATE_HOST_BOXES set, the texts of the message boxes after the
// question go to that file, one UTF-8 line each, before it returns.
#include <windows.h>

#include <cstdlib>
#include <fstream>

#include "dialog_robot.h"
#include "dialog_test_support.h"
#include "testing/scheduler_test_support.h"
#include "win/wide_text.h"

int wmain() {
  using namespace mivo::scheduler::testing;
  try {
    com_apartment com;
    owner_window window;
    mivo::robot::DialogRobot robot;
    robot.expect_message_box().answer(IDYES);
    robot.expect_dialog(mivo::robot::kDownloadDialog).wait_closed();
    robot.answer_other_message_boxes(IDOK);
    set_scheduler_language(kChinese);
    const auto request = create_meeting_request();
    BSTR setting = nullptr;
    BSTR appointment = nullptr;
    const HRESULT hr = request->GetSettings(&setting, &appointment);
    const bool robot_done = robot.wait();
    if (const wchar_t* log = _wgetenv(L"MIVO_UPDATE_HOST_BOXES")) {
      std::ofstream out(log, std::ios::binary);
      const auto boxes = robot.message_boxes();
      for (std::size_t i = 1; i < boxes.size(); ++i)
        out << mivo::win::to_utf8(boxes[i].text) << '\n';
    }
    return hr == S_OK && robot_done ? 3 : 4;
  } catch (...) {
    return 4;
  }
}
