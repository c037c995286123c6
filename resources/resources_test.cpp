// MivoOlkRes.dll as the scheduler uses it: its strings, templates, pictures
// and icons, each template driven through a real modal loop, and every
// language it carries against the Chinese one; MivoOlkRes64.dll's markup in
// every language.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cwctype>
#include <map>
#include <regex>

#include "com/testing/owner_window.h"
#include "com/testing/program.h"
#include "dialog_robot.h"
#include "resource_ids.h"
#include "test_dialogs.h"
#include "win/resource_language.h"
#include "win/wide_text.h"
#include "window_tools.h"

using namespace mivo::robot;

namespace {

// A template in `language` instantiated without showing it, to look at its
// controls.
class CreatedDialog {
 public:
  explicit CreatedDialog(int template_id, LANGID language = kChinese)
      : window_(create(template_id, language)) {}
  ~CreatedDialog() { DestroyWindow(window_); }
  CreatedDialog(const CreatedDialog&) = delete;
  CreatedDialog& operator=(const CreatedDialog&) = delete;
  HWND get() const { return window_; }

 private:
  static HWND create(int template_id, LANGID language) {
    const DLGTEMPLATE* found =
        mivo::win::dialog_template(resource_library(), template_id, language);
    if (!found) return nullptr;
    return CreateDialogIndirectParamW(
        resource_library(), found, nullptr,
        [](HWND, UINT message, WPARAM, LPARAM) -> INT_PTR { return message == WM_INITDIALOG; }, 0);
  }

  HWND window_;
};

using unique_hicon = mivo::com::unique_any<mivo::com::traits::null_invalid<HICON, &::DestroyIcon>>;

struct ExpectedItem {
  int id;
  const wchar_t* cls;
  DWORD required_style;  // every bit must be set
  DWORD type_mask = 0;   // with type: (style & type_mask) == type
  DWORD type = 0;
};

void expect_items(int template_id, std::initializer_list<ExpectedItem> items) {
  CreatedDialog dialog(template_id);
  ASSERT_TRUE(dialog.get()) << "template " << template_id;
  for (const ExpectedItem& item : items) {
    HWND control = GetDlgItem(dialog.get(), item.id);
    ASSERT_TRUE(control) << "template " << template_id << " item " << item.id;
    EXPECT_EQ(class_name(control), item.cls) << "template " << template_id << " item " << item.id;
    DWORD style = static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE));
    EXPECT_EQ(style & item.required_style, item.required_style)
        << "template " << template_id << " item " << item.id;
    EXPECT_EQ(style & item.type_mask, item.type)
        << "template " << template_id << " item " << item.id;
  }
}

std::wstring refservice_url() {
  const char* port = std::getenv("MIVO_REFSERVICE_PORT");
  std::string url = std::string("http://127.0.0.1:") + (port ? port : "47380");
  return std::wstring(url.begin(), url.end());
}

class ResourceLibrary : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(resource_library()) << "MivoOlkRes.dll not loaded";
    // The download dialog's progress bar is a common control.
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS};
    ASSERT_TRUE(InitCommonControlsEx(&controls));
  }
};

}  // namespace

TEST_F(ResourceLibrary, IsResourceOnly) {
  auto* base = reinterpret_cast<const BYTE*>(resource_library());
  auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  EXPECT_EQ(nt->OptionalHeader.AddressOfEntryPoint, 0u) << "nothing may run when it is loaded";
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (imports.Size > 0) {
    auto* first = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
    EXPECT_EQ(first->Name, 0u) << "imports " << reinterpret_cast<const char*>(base + first->Name);
  }
  EXPECT_TRUE(nt->FileHeader.Characteristics & IMAGE_FILE_DLL);
}

TEST_F(ResourceLibrary, MessageTextsAreTheChineseTextsWritten) {
  EXPECT_EQ(load_string(IDS_WARNING_CAPTION), L"Mivo会议");
  EXPECT_EQ(load_string(IDS_NO_ANSWER), L"服务器无响应，请检查网络连接");
  EXPECT_EQ(load_string(IDS_SIGNIN_REFUSED), L"登录失败，请检查用户名和密码");
  EXPECT_EQ(load_string(IDS_SCHEDULE_REFUSED), L"服务器拒绝预约该会议");
  EXPECT_EQ(load_string(IDS_DEFAULT_SUBJECT), L"的会议");
  EXPECT_EQ(load_string(IDS_RECURRENCE_REFUSED), L"不支持该会议的定期模式");
  EXPECT_EQ(load_string(IDS_SUBJECT_TOO_LONG), L"会议主题不得超过64个字符");
  EXPECT_EQ(load_string(IDS_MEETING_GONE), L"服务器上已找不到该会议，请移除在线会议后重新添加。");
  EXPECT_EQ(load_string(IDS_UPDATE_NOT_VERIFIED), L"无法验证新版本安装程序的签名，已取消升级");
  EXPECT_EQ(load_string(IDS_OTHER_ACCOUNT), L"该在线会议属于其他账号，无法更新。");
}

TEST_F(ResourceLibrary, TestBuildPointsBothAddressesAtTheReferenceService) {
  EXPECT_EQ(load_string(IDS_SERVICE_URL), refservice_url());
  EXPECT_EQ(load_string(IDS_DOWNLOAD_URL), refservice_url());
}

TEST_F(ResourceLibrary, TemplatesHoldTheItemsTheSchedulerUses) {
  const DWORD tab = WS_TABSTOP;
  expect_items(IDD_ABOUT,
               {{IDC_ABOUT_PICTURE, L"Static", 0, SS_TYPEMASK, SS_BITMAP}, {IDOK, L"Button", tab}});
  expect_items(IDD_ACCOUNT_SETTING, {{IDC_ACCOUNT_SITE, L"Edit", tab | ES_READONLY, ES_PASSWORD, 0},
                                     {IDC_ACCOUNT_USERNAME, L"Edit", tab, ES_PASSWORD, 0},
                                     {IDC_ACCOUNT_PASSWORD, L"Edit", tab | ES_PASSWORD},
                                     {IDOK, L"Button", tab},
                                     {IDCANCEL, L"Button", tab}});
  expect_items(IDD_MEETING_SETTING,
               {{IDC_MEETING_MUTE, L"Button", tab, BS_TYPEMASK, BS_AUTOCHECKBOX},
                {IDC_MEETING_PASSWORD, L"Edit", tab, ES_PASSWORD, 0},
                {IDC_MEETING_NEW_PASSWORD, L"Static", SS_NOTIFY, SS_TYPEMASK, SS_BITMAP},
                {IDOK, L"Button", tab},
                {IDCANCEL, L"Button", tab}});
  // The scheduler adds the organisations in its own order: no sorting here.
  expect_items(IDD_MULTI_TENANCY, {{IDC_TENANCY_LIST, L"ListBox", LBS_NOTIFY | tab, LBS_SORT, 0},
                                   {IDOK, L"Button", tab},
                                   {IDCANCEL, L"Button", tab}});
  expect_items(IDD_CANCELLATION, {{IDOK, L"Button", tab}, {IDCANCEL, L"Button", tab}});
  expect_items(IDD_COMMUNICATION, {{IDC_COMMUNICATION_BUSY, L"Static", 0, SS_TYPEMASK, SS_ICON}});
  expect_items(IDD_DOWNLOAD, {{IDC_DOWNLOAD_PROGRESS, L"msctls_progress32", 0},
                              {IDC_DOWNLOAD_RECEIVED, L"Static", 0, SS_TYPEMASK, SS_LEFT},
                              {IDCANCEL, L"Button", tab}});
}

TEST_F(ResourceLibrary, SignOutQuestionAndBusyTextAreShown) {
  for (int id : {IDD_CANCELLATION, IDD_COMMUNICATION}) {
    CreatedDialog dialog(id);
    ASSERT_TRUE(dialog.get());
    bool has_text = false;
    for (HWND child : child_windows(dialog.get())) {
      has_text |= class_name(child) == L"Static" && window_text(child).size() > 4;
    }
    EXPECT_TRUE(has_text) << "template " << id;
  }
  CreatedDialog busy(IDD_COMMUNICATION);
  EXPECT_TRUE(SendMessageW(GetDlgItem(busy.get(), IDC_COMMUNICATION_BUSY), STM_GETICON, 0, 0))
      << "the busy icon shows a first frame before the animation starts";
}

TEST_F(ResourceLibrary, PicturesHaveTheirSizesAndAFlatBackgroundAtOneOne) {
  const struct {
    int id, width, height;
  } kBitmaps[] = {{IDB_ABOUT, 352, 88}, {IDB_NEW_PASSWORD, 22, 22}};
  for (const auto& expected : kBitmaps) {
    mivo::win::unique_gdi_object bitmap(LoadImageW(resource_library(),
                                                   MAKEINTRESOURCEW(expected.id), IMAGE_BITMAP, 0,
                                                   0, LR_CREATEDIBSECTION));
    ASSERT_TRUE(bitmap) << "bitmap " << expected.id;
    DIBSECTION dib{};
    ASSERT_EQ(GetObjectW(bitmap.get(), sizeof(dib), &dib), static_cast<int>(sizeof(dib)));
    EXPECT_EQ(dib.dsBm.bmWidth, expected.width);
    EXPECT_EQ(dib.dsBm.bmHeight, expected.height);
    mivo::win::unique_hdc dc(CreateCompatibleDC(nullptr));
    mivo::win::gdi_selection selected(dc.get(), bitmap.get());
    EXPECT_EQ(GetPixel(dc.get(), 1, 1), RGB(240, 240, 240)) << "bitmap " << expected.id;
    EXPECT_EQ(GetPixel(dc.get(), 0, expected.height - 1), RGB(240, 240, 240))
        << "bitmap " << expected.id;
  }
}

TEST_F(ResourceLibrary, EveryBusyFrameLoadsAtIconAndSmallIconSize) {
  for (int id = IDI_BUSY_FIRST; id < IDI_BUSY_FIRST + IDI_BUSY_FRAMES; ++id) {
    for (int size : {16, 32}) {
      unique_hicon icon(static_cast<HICON>(
          LoadImageW(resource_library(), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0)));
      ASSERT_TRUE(icon) << "icon " << id << " at " << size;
      ICONINFO info{};
      ASSERT_TRUE(GetIconInfo(icon.get(), &info));
      mivo::win::unique_gdi_object colour_bitmap(info.hbmColor), mask_bitmap(info.hbmMask);
      BITMAP colour{};
      GetObjectW(colour_bitmap.get(), sizeof(colour), &colour);
      EXPECT_EQ(colour.bmWidth, size) << "icon " << id;
      EXPECT_EQ(colour.bmHeight, size) << "icon " << id;
      EXPECT_EQ(colour.bmBitsPixel, 32) << "icon " << id;
    }
    EXPECT_TRUE(LoadIconW(resource_library(), MAKEINTRESOURCEW(id))) << "icon " << id;
  }
}

// ---- each template in a real modal loop, driven by the robot ----

TEST_F(ResourceLibrary, AccountDialogTakesUserNameAndPassword) {
  const mivo::com::testing::owner_window owner;
  DialogRobot robot;
  robot.expect_dialog(kAccountDialog)
      .set_text(IDC_ACCOUNT_USERNAME, L"张三@mivo")
      .set_text(IDC_ACCOUNT_PASSWORD, L"秘密 pass")
      .read(IDC_ACCOUNT_PASSWORD)
      .press(IDOK);
  DialogLog log;
  EXPECT_EQ(run_dialog(IDD_ACCOUNT_SETTING, owner.get(), log), IDOK);
  ASSERT_TRUE(robot.wait()) << robot.report();
  EXPECT_EQ(log.texts[IDC_ACCOUNT_USERNAME], L"张三@mivo");
  EXPECT_EQ(log.texts[IDC_ACCOUNT_PASSWORD], L"秘密 pass");
  EXPECT_EQ(log.texts[IDC_ACCOUNT_SITE], L"");
  EXPECT_EQ(robot.result(0).controls[IDC_ACCOUNT_PASSWORD].text, L"秘密 pass");
  ASSERT_EQ(robot.dialogs().size(), 1u);
  EXPECT_EQ(robot.dialogs()[0].caption, L"登录Mivo会议");
  EXPECT_EQ(robot.dialogs()[0].owner, owner.get());
}

TEST_F(ResourceLibrary, MeetingOptionsCheckBoxAndPictureAnswerClicks) {
  DialogRobot robot;
  robot.expect_dialog(kMeetingDialog)
      .read(IDC_MEETING_MUTE)
      .click(IDC_MEETING_MUTE)
      .click(IDC_MEETING_NEW_PASSWORD)
      .read(IDC_MEETING_PASSWORD)
      .read(IDC_MEETING_MUTE)
      .press(IDOK);
  DialogLog log;
  log.on_init = [](HWND dialog) { CheckDlgButton(dialog, IDC_MEETING_MUTE, BST_CHECKED); };
  log.on_command = [](HWND dialog, int id, int code) {
    if (id == IDC_MEETING_NEW_PASSWORD && code == STN_CLICKED)
      SetDlgItemTextW(dialog, IDC_MEETING_PASSWORD, L"4821");
  };
  EXPECT_EQ(run_dialog(IDD_MEETING_SETTING, nullptr, log), IDOK);
  ASSERT_TRUE(robot.wait()) << robot.report();
  StepResult step = robot.result(0);
  EXPECT_EQ(step.caption, L"会议选项");
  EXPECT_EQ(step.controls[IDC_MEETING_PASSWORD].text, L"4821");
  EXPECT_FALSE(step.controls[IDC_MEETING_MUTE].checked);
  EXPECT_FALSE(log.checks[IDC_MEETING_MUTE]);
  EXPECT_EQ(log.texts[IDC_MEETING_PASSWORD], L"4821");
}

TEST_F(ResourceLibrary, OrganisationListKeepsTheOrderItIsGivenAndSelectsByText) {
  DialogRobot robot;
  robot.expect_dialog(kTenancyDialog)
      .read(IDC_TENANCY_LIST)
      .select_text(IDC_TENANCY_LIST, L"北京分部")
      .press(IDOK);
  robot.expect_dialog(kTenancyDialog).select_index(IDC_TENANCY_LIST, 2).press(IDOK);
  DialogLog first, second;
  auto fill = [](HWND dialog) {
    for (const wchar_t* name : {L"总部", L"北京分部", L"Alpha"}) {
      SendDlgItemMessageW(dialog, IDC_TENANCY_LIST, LB_ADDSTRING, 0,
                          reinterpret_cast<LPARAM>(name));
    }
    SendDlgItemMessageW(dialog, IDC_TENANCY_LIST, LB_SETCURSEL, 0, 0);
  };
  first.on_init = second.on_init = fill;
  EXPECT_EQ(run_dialog(IDD_MULTI_TENANCY, nullptr, first), IDOK);
  EXPECT_EQ(run_dialog(IDD_MULTI_TENANCY, nullptr, second), IDOK);
  ASSERT_TRUE(robot.wait()) << robot.report();
  EXPECT_EQ(robot.result(0).controls[IDC_TENANCY_LIST].items,
            (std::vector<std::wstring>{L"总部", L"北京分部", L"Alpha"}));
  EXPECT_EQ(first.selections[IDC_TENANCY_LIST], 1);
  EXPECT_EQ(second.selections[IDC_TENANCY_LIST], 2);
  EXPECT_EQ(robot.dialogs().size(), 2u);
}

TEST_F(ResourceLibrary, EscapeAndTheCloseBoxReachTheDialog) {
  DialogRobot robot;
  robot.expect_dialog(kCancellationDialog).escape();
  robot.expect_dialog(kCancellationDialog).close_box();
  DialogLog escaped, closed;
  EXPECT_EQ(run_dialog(IDD_CANCELLATION, nullptr, escaped), IDCANCEL);
  EXPECT_EQ(run_dialog(IDD_CANCELLATION, nullptr, closed), IDCANCEL);
  ASSERT_TRUE(robot.wait()) << robot.report();
  EXPECT_EQ(robot.dialogs().at(0).caption, L"退出登录");
}

TEST_F(ResourceLibrary, AboutBoxUnderAboutRulesIgnoresEscapeAndEndsWithZeroFromTheCloseBox) {
  DialogRobot robot;
  robot.expect_dialog(kAboutDialog).escape().read(IDOK).close_box();
  DialogLog log;
  log.about_box_rules = true;
  EXPECT_EQ(run_dialog(IDD_ABOUT, nullptr, log), 0);
  ASSERT_TRUE(robot.wait()) << robot.report();
  EXPECT_EQ(log.commands.front().first, IDCANCEL) << "Escape arrives as Cancel";
  EXPECT_EQ(robot.result(0).controls[IDOK].text, L"确定");
}

TEST_F(ResourceLibrary, RequestDialogIsRecordedUntilItEndsItself) {
  DialogRobot robot;
  robot.expect_dialog(kCommunicationDialog).read(IDC_COMMUNICATION_BUSY).wait_closed();
  // The request dialog ends on its completion timer, not on any command.
  const DLGTEMPLATE* busy =
      mivo::win::dialog_template(resource_library(), IDD_COMMUNICATION, kChinese);
  ASSERT_TRUE(busy);
  INT_PTR result = DialogBoxIndirectParamW(
      resource_library(), busy, nullptr,
      [](HWND dialog, UINT message, WPARAM wparam, LPARAM) -> INT_PTR {
        if (message == WM_INITDIALOG) return SetTimer(dialog, 101, 300, nullptr) != 0;
        if (message == WM_TIMER && wparam == 101) {
          KillTimer(dialog, 101);
          EndDialog(dialog, 1);
          return TRUE;
        }
        return FALSE;
      },
      0);
  EXPECT_EQ(result, 1);
  ASSERT_TRUE(robot.wait()) << robot.report();
  ASSERT_EQ(robot.dialogs().size(), 1u);
  EXPECT_EQ(robot.dialogs()[0].caption, L"Mivo会议");
}

TEST_F(ResourceLibrary, WarningBoxesShowTheLibrarysTextsAndAreAnswered) {
  const mivo::com::testing::owner_window owner;
  DialogRobot robot;
  robot.expect_message_box().read_text().answer(IDOK);
  robot.expect_message_box().answer(IDNO);
  const std::wstring caption = load_string(IDS_WARNING_CAPTION);
  EXPECT_EQ(MessageBoxW(owner.get(), load_string(IDS_SUBJECT_TOO_LONG).c_str(), caption.c_str(),
                        MB_ICONWARNING | MB_TASKMODAL | MB_TOPMOST),
            IDOK);
  EXPECT_EQ(MessageBoxW(owner.get(), L"发现新版本1.2.3需要升级吗？", caption.c_str(),
                        MB_YESNO | MB_ICONWARNING | MB_TASKMODAL | MB_TOPMOST),
            IDNO);
  ASSERT_TRUE(robot.wait()) << robot.report();
  EXPECT_EQ(robot.result(0).message_text, L"会议主题不得超过64个字符");
  std::vector<ShownWindow> boxes = robot.message_boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].caption, L"Mivo会议");
  EXPECT_EQ(boxes[0].text, L"会议主题不得超过64个字符");
  EXPECT_EQ(boxes[0].icon, static_cast<UINT>(MB_ICONWARNING));
  EXPECT_EQ(boxes[0].buttons, std::vector<int>{IDOK});
  EXPECT_EQ(boxes[1].buttons, (std::vector<int>{IDYES, IDNO}));
  EXPECT_TRUE(robot.dialogs().empty());
}

// ---- every language the build carries, against the Chinese texts ----

namespace {

// The numbered controls of a template: id, class and the type bits of the
// style, which the scheduler's code relies on whatever the language.
std::map<int, std::wstring> controls_of(int template_id, LANGID language) {
  std::map<int, std::wstring> controls;
  CreatedDialog dialog(template_id, language);
  if (!dialog.get()) return controls;
  for (HWND child : child_windows(dialog.get())) {
    const int id = GetDlgCtrlID(child);
    if (id == -1 || id == 0xFFFF) continue;
    const DWORD style = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE));
    controls[id] = class_name(child) + L" " + std::to_wstring(style & 0x1F) +
                   ((style & ES_PASSWORD) && class_name(child) == L"Edit" ? L" password" : L"");
  }
  return controls;
}

std::vector<int> ids_of(HMODULE module, const wchar_t* type) {
  std::vector<int> ids;
  EnumResourceNamesW(
      module, type,
      [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR found) -> BOOL {
        if (IS_INTRESOURCE(name))
          reinterpret_cast<std::vector<int>*>(found)->push_back(
              static_cast<int>(reinterpret_cast<ULONG_PTR>(name)));
        return TRUE;
      },
      reinterpret_cast<LONG_PTR>(&ids));
  return ids;
}

// Every string of the Chinese tables, by id.
std::map<int, std::wstring> chinese_strings() {
  std::map<int, std::wstring> strings;
  for (int block : ids_of(resource_library(), RT_STRING)) {
    for (int id = (block - 1) * 16; id < block * 16; ++id) {
      std::wstring text = mivo::win::load_string(resource_library(), id, kChinese);
      if (!text.empty()) strings[id] = std::move(text);
    }
  }
  return strings;
}

bool has_han(const std::wstring& text) {
  return std::any_of(text.begin(), text.end(),
                     [](wchar_t c) { return c >= 0x2E80 && c <= 0x9FFF; });
}

TEST_F(ResourceLibrary, CarriesEveryLanguageOfTheBuild) {
  const auto languages =
      mivo::win::resource_languages(resource_library(), RT_STRING, IDS_WARNING_CAPTION / 16 + 1);
  ASSERT_EQ(languages.size(), static_cast<std::size_t>(MIVO_LANGUAGE_COUNT));
  EXPECT_NE(std::find(languages.begin(), languages.end(), kChinese), languages.end());
  EXPECT_NE(std::find(languages.begin(), languages.end(), kEnglish), languages.end());
}

// A language that misses a text, breaks a placeholder, loses or changes a
// control the code uses, or still holds Chinese where it should not, fails
// here, whatever the language.
TEST_F(ResourceLibrary, EveryLanguageHasEveryStringAndDialogWithTheSameControls) {
  const std::map<int, std::wstring> reference = chinese_strings();
  ASSERT_GE(reference.size(), 19u);  // the texts and the two addresses
  const std::vector<int> templates = ids_of(resource_library(), RT_DIALOG);
  ASSERT_EQ(templates.size(), 7u);
  for (LANGID language :
       mivo::win::resource_languages(resource_library(), RT_STRING, IDS_WARNING_CAPTION / 16 + 1)) {
    SCOPED_TRACE("language " + std::to_string(language));
    for (const auto& [id, chinese] : reference) {
      const std::wstring text = mivo::win::load_string(resource_library(), id, language);
      EXPECT_FALSE(text.empty()) << "string " << id;
      EXPECT_EQ(chinese.find(L"%1") != std::wstring::npos, text.find(L"%1") != std::wstring::npos)
          << "string " << id << " keeps its placeholder";
      if (language != kChinese) {
        EXPECT_FALSE(has_han(text)) << "string " << id;
      }
    }
    for (int id : templates) {
      const auto carried = mivo::win::resource_languages(resource_library(), RT_DIALOG, id);
      EXPECT_NE(std::find(carried.begin(), carried.end(), language), carried.end())
          << "template " << id;
      EXPECT_EQ(controls_of(id, kChinese), controls_of(id, language)) << "template " << id;
      CreatedDialog dialog(id, language);
      ASSERT_TRUE(dialog.get()) << "template " << id;
      if (language == kChinese) continue;
      EXPECT_FALSE(has_han(window_text(dialog.get()))) << "template " << id;
      for (HWND child : child_windows(dialog.get())) {
        EXPECT_FALSE(has_han(window_text(child))) << "template " << id;
      }
    }
  }
}

// The ribbon markup of MivoOlkRes64.dll: both ribbons in every language,
// alike but for the texts people read.
TEST(AddinResourceLibrary, EveryLanguageHasBothRibbonsAlikeButForTheirTexts) {
  const HMODULE library =
      LoadLibraryExW((mivo::com::testing::program_folder() + L"\\MivoOlkRes64.dll").c_str(),
                     nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_TRUE(library);
  const auto languages = mivo::win::resource_languages(library, L"XML", IDX_RIBBON_EXPLORER);
  ASSERT_EQ(languages.size(), static_cast<std::size_t>(MIVO_LANGUAGE_COUNT));
  const std::wregex texts(L"(label|screentip|supertip)=\"[^\"]*\"");
  for (int id : {IDX_RIBBON_EXPLORER, IDX_RIBBON_APPOINTMENT}) {
    const auto markup = [&](LANGID language) {
      const auto found = mivo::win::find_resource(library, L"XML", id, language);
      return std::wstring(static_cast<const wchar_t*>(found.data), found.size / sizeof(wchar_t));
    };
    const std::wstring chinese = markup(kChinese);
    ASSERT_NE(chinese.find(L"customUI"), std::wstring::npos);
    for (LANGID language : languages) {
      SCOPED_TRACE("language " + std::to_string(language) + ", markup " + std::to_string(id));
      const auto carried = mivo::win::resource_languages(library, L"XML", id);
      EXPECT_NE(std::find(carried.begin(), carried.end(), language), carried.end());
      const std::wstring text = markup(language);
      EXPECT_EQ(std::regex_replace(chinese, texts, L"$1"), std::regex_replace(text, texts, L"$1"));
      if (language != kChinese) {
        EXPECT_FALSE(has_han(text));
      }
    }
  }
  FreeLibrary(library);
}

}  // namespace
