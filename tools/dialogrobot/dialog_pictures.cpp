// mivo-dialog-pictures <folder>: shows each dialog of MivoOlkRes.dll dressed
// as the scheduler dresses it (13-pixel font, pictures on the dialog colour,
// cue banner, organisations in the list) and saves a BMP picture of each, and
// of a warning box, through the dialog robot.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "dialog_robot.h"
#include "test_dialogs.h"
#include "window_tools.h"

using namespace mivo::robot;

namespace {

// Fonts and bitmaps handed to the dialogs live until the program ends.
std::vector<unique_gdi_object> g_objects;

void set_scheduler_font(HWND dialog) {
  LOGFONTW face{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof(face), &face);
  face.lfHeight = -13;
  face.lfWeight = FW_NORMAL;
  HFONT font = CreateFontIndirectW(&face);
  g_objects.emplace_back(font);
  SendMessageW(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  for (HWND child : child_windows(dialog))
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

// The picture with the colour of its pixel (1, 1) turned into the dialog colour.
void show_picture_on_dialog_colour(HWND dialog, int control_id, int bitmap_id) {
  HWND control = GetDlgItem(dialog, control_id);
  auto bitmap = static_cast<HBITMAP>(LoadImageW(resource_library(), MAKEINTRESOURCEW(bitmap_id),
                                                IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (!control || !bitmap) return;
  g_objects.emplace_back(bitmap);
  BITMAP size{};
  GetObjectW(bitmap, sizeof(size), &size);
  {
    unique_hdc dc(CreateCompatibleDC(nullptr));
    SelectedObject selected(dc.get(), bitmap);
    const COLORREF background = GetPixel(dc.get(), 1, 1), face = GetSysColor(COLOR_BTNFACE);
    for (int y = 0; y < size.bmHeight; ++y) {
      for (int x = 0; x < size.bmWidth; ++x) {
        if (GetPixel(dc.get(), x, y) == background) SetPixel(dc.get(), x, y, face);
      }
    }
  }
  // The static hands back the bitmap it loaded from the template.
  auto replaced = reinterpret_cast<HGDIOBJ>(
      SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
  if (replaced && replaced != bitmap) g_objects.emplace_back(replaced);
}

void dress(int template_id, HWND dialog) {
  switch (template_id) {
    case IDD_ABOUT:
      show_picture_on_dialog_colour(dialog, IDC_ABOUT_PICTURE, IDB_ABOUT);
      break;
    case IDD_MEETING_SETTING:
      SendDlgItemMessageW(dialog, IDC_MEETING_PASSWORD, EM_SETCUEBANNER, FALSE,
                          reinterpret_cast<LPARAM>(L"输入4位数字密码"));
      CheckDlgButton(dialog, IDC_MEETING_MUTE, BST_CHECKED);
      show_picture_on_dialog_colour(dialog, IDC_MEETING_NEW_PASSWORD, IDB_NEW_PASSWORD);
      break;
    case IDD_MULTI_TENANCY:
      for (const wchar_t* name :
           {L"Mivo科技（总部）", L"Mivo科技北京分公司", L"Mivo Technology Europe"}) {
        SendDlgItemMessageW(dialog, IDC_TENANCY_LIST, LB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(name));
      }
      SendDlgItemMessageW(dialog, IDC_TENANCY_LIST, LB_SETCURSEL, 0, 0);
      break;
    default:
      break;
  }
  if (template_id != IDD_CANCELLATION && template_id != IDD_COMMUNICATION)
    set_scheduler_font(dialog);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: mivo-dialog-pictures <output folder>\n");
    return 2;
  }
  if (!resource_library()) {
    std::fprintf(stderr, "mivo-dialog-pictures: MivoOlkRes.dll not found beside the program\n");
    return 1;
  }
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  const std::wstring folder = std::wstring(argv[1]) + L"\\";
  const struct {
    int id;
    const ControlIds& ids;
    const wchar_t* name;
  } kDialogs[] = {
      {IDD_ABOUT, kAboutDialog, L"about"},
      {IDD_ACCOUNT_SETTING, kAccountDialog, L"account"},
      {IDD_MEETING_SETTING, kMeetingDialog, L"meeting-options"},
      {IDD_MULTI_TENANCY, kTenancyDialog, L"organisation"},
      {IDD_CANCELLATION, kCancellationDialog, L"sign-out"},
      {IDD_COMMUNICATION, kCommunicationDialog, L"request"},
  };
  DialogRobot robot;
  for (const auto& dialog : kDialogs) {
    robot.expect_dialog(dialog.ids).save_picture(folder + dialog.name + L".bmp").close_box();
  }
  robot.expect_message_box().save_picture(folder + L"warning.bmp").answer(IDOK);
  for (const auto& dialog : kDialogs) {
    DialogLog log;
    const int id = dialog.id;
    log.on_init = [id](HWND window) { dress(id, window); };
    log.about_box_rules = id == IDD_ABOUT;
    run_dialog(id, nullptr, log);
  }
  MessageBoxW(nullptr, load_string(IDS_SUBJECT_TOO_LONG).c_str(),
              load_string(IDS_WARNING_CAPTION).c_str(), MB_ICONWARNING | MB_TASKMODAL | MB_TOPMOST);
  const bool ok = robot.wait();
  std::fprintf(stderr, "%s", robot.report().c_str());
  return ok ? 0 : 1;
}
