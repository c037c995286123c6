// text_fit.exe <report file>: shows every dialog of the scheduler in every
// language the resource library carries, as the scheduler shows them (its
// code, its font, its texts), and measures each text against the room its
// control gives it, at the scaling the process started with (the system's
// dots per inch). Writes one line per text to the report, and exits with 1
// when a text does not fit (a cut or hidden word), 2 when it could not
// measure.
//
// What counts as room: a label's client rectangle, wrapped as the static
// control wraps it; a push button's client rectangle less its frame; a check
// box's less the box; an edit's cue banner within the edit's margins; the
// caption within the frame and the close box.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "dialog_ports.h"
#include "dialog_robot.h"
#include "dialog_test_support.h"
#include "download_dialog.h"
#include "meeting/meeting_info.h"
#include "request_dialog.h"
#include "resource_ids.h"
#include "win/gdi.h"
#include "win/resource_language.h"
#include "win/resource_library.h"
#include "win/wide_text.h"

namespace {

using mivo::robot::DialogRobot;
using mivo::scheduler::testing::window_handle;

// EM_GETCUEBANNER
constexpr UINT kGetCueBanner = 0x1502;
// The longest text the download dialog shows: 256 MB of 256 MB.
constexpr wchar_t kLongestProgress[] = L"262144 KB / 262144 KB";

struct Measure {
  std::string what;  // "label 'User name:'"
  SIZE needed{};
  SIZE room{};
  bool fits() const { return needed.cx <= room.cx && needed.cy <= room.cy; }
};

std::wstring text_of(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::wstring class_of(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

int dpi_of(HWND window) {
  const HDC dc = GetDC(window);
  const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
  if (dc) ReleaseDC(window, dc);
  return dpi;
}

// The extent of `text` in `font`, laid out by DrawTextW with `format` in a
// rectangle `width` wide (DT_CALCRECT widens it for a word that is longer).
SIZE extent(HWND window, HFONT font, const std::wstring& text, UINT format, LONG width) {
  const HDC dc = GetDC(window);
  SIZE size{};
  if (!dc) return size;
  {
    mivo::win::gdi_selection selected(dc, font);
    RECT area{0, 0, width, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, format | DT_CALCRECT);
    size = {area.right - area.left, area.bottom - area.top};
  }
  ReleaseDC(window, dc);
  return size;
}

std::string language_name(mivo::LanguageId language) {
  wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
  if (!LCIDToLocaleName(MAKELCID(language, SORT_DEFAULT), name, LOCALE_NAME_MAX_LENGTH, 0))
    return std::to_string(language);
  return mivo::win::to_utf8(name);
}

std::string quoted(const std::wstring& text) {
  std::string shown = mivo::win::to_utf8(text);
  for (char& c : shown) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return "'" + shown + "'";
}

void measure_control(HWND control, int dpi, std::vector<Measure>& found) {
  const std::wstring cls = class_of(control);
  const DWORD style = static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE));
  const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  RECT client{};
  GetClientRect(control, &client);
  const auto scaled = [dpi](int pixels) { return MulDiv(pixels, dpi, 96); };
  const std::wstring text = text_of(control);

  if (lstrcmpiW(cls.c_str(), L"Static") == 0) {
    const DWORD type = style & SS_TYPEMASK;
    if (text.empty() || (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT &&
                         type != SS_LEFTNOWORDWRAP && type != SS_SIMPLE))
      return;
    UINT format = DT_EXPANDTABS | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
    if (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT) format |= DT_WORDBREAK;
    found.push_back({"label " + quoted(text),
                     extent(control, font, text, format, client.right),
                     {client.right, client.bottom}});
  } else if (lstrcmpiW(cls.c_str(), L"Button") == 0) {
    const DWORD type = style & BS_TYPEMASK;
    if (text.empty()) return;
    const SIZE needed = extent(control, font, text, DT_SINGLELINE, 0);
    if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
      // The 3D frame and the focus rectangle on each side.
      const int frame = scaled(4);
      found.push_back({"button " + quoted(text),
                       needed,
                       {client.right - 2 * frame, client.bottom - 2 * scaled(2)}});
    } else if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX) {
      const int box = GetSystemMetrics(SM_CXMENUCHECK) + scaled(4);
      found.push_back({"check box " + quoted(text), needed, {client.right - box, client.bottom}});
    }
  } else if (lstrcmpiW(cls.c_str(), L"Edit") == 0) {
    wchar_t cue[256] = {};
    if (!SendMessageW(control, kGetCueBanner, reinterpret_cast<WPARAM>(cue), 256) || !cue[0])
      return;
    const DWORD margins = static_cast<DWORD>(SendMessageW(control, EM_GETMARGINS, 0, 0));
    const LONG room = client.right - LOWORD(margins) - HIWORD(margins) - scaled(2);
    found.push_back({"cue banner " + quoted(cue),
                     extent(control, font, cue, DT_SINGLELINE, 0),
                     {room, client.bottom}});
  }
}

void measure_caption(HWND dialog, int dpi, std::vector<Measure>& found) {
  const std::wstring caption = text_of(dialog);
  if (caption.empty()) return;
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) return;
  mivo::win::unique_hfont font(CreateFontIndirectW(&metrics.lfCaptionFont));
  RECT frame{};
  GetWindowRect(dialog, &frame);
  const DWORD style = static_cast<DWORD>(GetWindowLongW(dialog, GWL_STYLE));
  LONG room =
      (frame.right - frame.left) - 2 * GetSystemMetrics(SM_CXDLGFRAME) - 2 * MulDiv(4, dpi, 96);
  if (style & WS_SYSMENU) room -= GetSystemMetrics(SM_CXSIZE);
  found.push_back({"caption " + quoted(caption),
                   extent(dialog, font.get(), caption, DT_SINGLELINE, 0),
                   {room, GetSystemMetrics(SM_CYCAPTION)}});
}

// Measures every dialog of the test thread right after its initialisation,
// when the scheduler has given it its font and texts.
class Measurer {
 public:
  Measurer() {
    current_ = this;
    hook_ = SetWindowsHookExW(WH_CALLWNDPROCRET, &Measurer::hook, nullptr, GetCurrentThreadId());
  }
  ~Measurer() {
    if (hook_) UnhookWindowsHookEx(hook_);
    current_ = nullptr;
  }
  Measurer(const Measurer&) = delete;
  Measurer& operator=(const Measurer&) = delete;

  // The measures of the dialogs shown since the last call.
  std::vector<Measure> take() { return std::move(found_); }
  int dpi() const { return dpi_; }

 private:
  static LRESULT CALLBACK hook(int code, WPARAM wparam, LPARAM lparam) {
    const auto& call = *reinterpret_cast<const CWPRETSTRUCT*>(lparam);
    if (code == HC_ACTION && current_ && call.message == WM_INITDIALOG) current_->look(call.hwnd);
    return CallNextHookEx(nullptr, code, wparam, lparam);
  }

  void look(HWND dialog) {
    dpi_ = dpi_of(dialog);
    if (const HWND received = GetDlgItem(dialog, IDC_DOWNLOAD_RECEIVED))
      SetWindowTextW(received, kLongestProgress);
    measure_caption(dialog, dpi_, found_);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
      measure_control(child, dpi_, found_);
  }

  static inline Measurer* current_ = nullptr;
  HHOOK hook_ = nullptr;
  std::vector<Measure> found_;
  int dpi_ = 96;
};

// The download dialog's source: finished at once, so the dialog ends at its
// first tick.
class FinishedDownload final : public mivo::scheduler::download_source {
 public:
  mivo::scheduler::download_progress progress() override { return {true, 0, 0}; }
};

struct Shown {
  const char* dialog;
  std::vector<Measure> measures;
};

// Every dialog once, in the current language.
std::vector<Shown> show_every_dialog(HWND owner, Measurer& measurer) {
  using namespace mivo::robot;
  const auto ui = mivo::scheduler::make_user_interface();
  const mivo::WindowHandle window = window_handle(owner);
  std::vector<Shown> shown;
  mivo::CMeetingInfo record;
  {
    DialogRobot robot;
    robot.expect_dialog(kAboutDialog).press(IDOK).wait_closed();
    ui->run_about(window);
    shown.push_back({"about", measurer.take()});
    robot.expect_dialog(kAccountDialog).press(IDCANCEL).wait_closed();
    ui->run_account_setting(window, ui->load_string(IDS_SERVICE_URL),
                            [](auto, auto&, auto&) { return false; });
    shown.push_back({"sign-in", measurer.take()});
    robot.expect_dialog(kMeetingDialog).press(IDCANCEL).wait_closed();
    ui->run_meeting_setting(window, record);
    shown.push_back({"meeting options", measurer.take()});
    robot.expect_dialog(kTenancyDialog).press(IDCANCEL).wait_closed();
    ui->run_multi_tenancy(window, {"Mivo"}, [](auto, auto&) {});
    shown.push_back({"organisation", measurer.take()});
    robot.expect_dialog(kCancellationDialog).press(IDCANCEL).wait_closed();
    ui->run_cancellation(window, [] {});
    shown.push_back({"sign-out", measurer.take()});
    if (!robot.wait()) {
      std::fprintf(stderr, "%s", robot.report().c_str());
      return {};
    }
  }
  // These two end by themselves: an address no agent is asked for, and a
  // download that has finished.
  mivo::scheduler::CCommunicationDlg request(L"x", L"", L"", L"GET", owner, L"");
  request.run();
  shown.push_back({"request", measurer.take()});
  FinishedDownload download;
  mivo::scheduler::CDownloadDlg(owner, download, 60000).run();
  shown.push_back({"download", measurer.take()});
  return shown;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: text_fit <report file>\n");
    return 2;
  }
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const HINSTANCE library = mivo::scheduler::resource_library();
  if (!library) {
    std::fprintf(stderr, "MivoOlkRes.dll not found beside the program\n");
    return 2;
  }
  const mivo::com::testing::owner_window owner;
  Measurer measurer;
  std::ostringstream report;
  bool all_fit = true;
  bool measured = false;
  for (const mivo::LanguageId language :
       mivo::win::resource_languages(library, RT_STRING, IDS_WARNING_CAPTION / 16 + 1)) {
    mivo::scheduler::set_host_language(language);
    const std::vector<Shown> shown = show_every_dialog(owner.get(), measurer);
    if (shown.empty()) return 2;
    for (const Shown& dialog : shown) {
      for (const Measure& measure : dialog.measures) {
        measured = true;
        all_fit = all_fit && measure.fits();
        report << (measure.fits() ? "fits " : "CUT  ") << measurer.dpi() * 100 / 96 << "% "
               << language_name(language) << " " << dialog.dialog << ": " << measure.what
               << " needs " << measure.needed.cx << "x" << measure.needed.cy << ", has "
               << measure.room.cx << "x" << measure.room.cy << "\n";
      }
    }
  }
  mivo::scheduler::set_host_language(0);
  FILE* file = _wfopen(argv[1], L"wb");
  if (!file) return 2;
  const std::string lines = report.str();
  fwrite(lines.data(), 1, lines.size(), file);
  fclose(file);
  if (!measured) return 2;
  return all_fit ? 0 : 1;
}
