// Behaviour of the scheduler's dialogs: what each reads and writes, how it
// validates, and with which result it ends.
#include "scheduler_dialogs.h"

#include <utility>

#include "account/meeting_options.h"
#include "meeting/meeting_info.h"
#include "ports.h"
#include "resource_ids.h"
#include "win/resource_library.h"
#include "win/system_random.h"
#include "win/wide_text.h"

namespace mivo::scheduler {
namespace {

// EM_SETCUEBANNER: the hint an edit shows while it is empty.
constexpr UINT kSetCueBanner = 0x1501;

}  // namespace

int scheduler_dialog::run() noexcept {
  if (!IsWindow(owner_)) return 0;
  return run_template(owner_);
}

int scheduler_dialog::run_template(HWND owner) noexcept {
  // A null instance would take the host program's own templates.
  const HINSTANCE library = resource_library();
  if (!library) return -1;
  return static_cast<int>(
      mivo::win::dialog::run(library, template_id_, owner, resource_language()));
}

void scheduler_dialog::adopt_look() noexcept {
  mivo::win::center_dialog(window(), owner_);
  font_ = mivo::win::replace_dialog_font(window());
}

bool scheduler_dialog::on_command(int id, int, HWND) {
  if (id != IDCANCEL) return false;
  end(IDCANCEL);
  return true;
}

bool scheduler_dialog::on_close() {
  end(IDCANCEL);
  return true;
}

CAboutDlg::CAboutDlg(HWND owner) noexcept : scheduler_dialog(IDD_ABOUT, owner) {}

bool CAboutDlg::on_init_dialog() {
  if (const HWND picture = item(IDC_ABOUT_PICTURE)) picture_.attach(picture, IDB_ABOUT);
  adopt_look();
  return true;
}

bool CAboutDlg::on_command(int id, int, HWND) {
  if (id == IDOK) end(IDOK);
  return true;
}

bool CAboutDlg::on_close() {
  end(0);
  return true;
}

CAccountSetting::CAccountSetting(HWND owner, std::wstring service_address, SignIn sign_in)
    : scheduler_dialog(IDD_ACCOUNT_SETTING, owner),
      service_address_(std::move(service_address)),
      sign_in_(std::move(sign_in)) {}

bool CAccountSetting::on_init_dialog() {
  // The sign-in goes to this address and nowhere else, so the field shows it
  // and takes no input, whatever the template says.
  SetDlgItemTextW(window(), IDC_ACCOUNT_SITE, service_address_.c_str());
  SendDlgItemMessageW(window(), IDC_ACCOUNT_SITE, EM_SETREADONLY, TRUE, 0);
  adopt_look();
  return true;
}

bool CAccountSetting::on_command(int id, int code, HWND control) {
  switch (id) {
    case IDOK:
      if (sign_in_(window(), item_text(IDC_ACCOUNT_USERNAME), item_text(IDC_ACCOUNT_PASSWORD))) {
        end(IDOK);
      }
      return true;
    case IDC_ACCOUNT_SITE:
    case IDC_ACCOUNT_USERNAME:
    case IDC_ACCOUNT_PASSWORD:
      return true;
    default:
      return scheduler_dialog::on_command(id, code, control);
  }
}

CMeetingSetting::CMeetingSetting(HWND owner, mivo::CMeetingInfo& record) noexcept
    : scheduler_dialog(IDD_MEETING_SETTING, owner), record_(record) {}

bool CMeetingSetting::on_init_dialog() {
  const std::wstring cue = resource_string(IDS_MEETING_PASSWORD_CUE);
  SendDlgItemMessageW(window(), IDC_MEETING_PASSWORD, kSetCueBanner, FALSE,
                      reinterpret_cast<LPARAM>(cue.c_str()));
  // Participants enter muted unless the organiser says otherwise, whatever
  // an earlier save of this meeting held.
  CheckDlgButton(window(), IDC_MEETING_MUTE, BST_CHECKED);
  // The meeting's password stands until the user changes it: an empty field
  // would take it off the meeting at OK.
  SetDlgItemTextW(window(), IDC_MEETING_PASSWORD, mivo::win::to_wide(record_.password).c_str());
  if (const HWND picture = item(IDC_MEETING_NEW_PASSWORD)) {
    new_password_.attach(picture, IDB_NEW_PASSWORD);
  }
  adopt_look();
  return true;
}

bool CMeetingSetting::on_command(int id, int code, HWND control) {
  switch (id) {
    case IDOK:
      on_ok();
      return true;
    case IDC_MEETING_NEW_PASSWORD:
      if (code == STN_CLICKED) put_new_password();
      return true;
    default:
      return scheduler_dialog::on_command(id, code, control);
  }
}

void CMeetingSetting::on_ok() {
  const bool mute = IsDlgButtonChecked(window(), IDC_MEETING_MUTE) == BST_CHECKED;
  if (mivo::apply_meeting_options(record_, mute,
                                  mivo::win::to_utf8(item_text(IDC_MEETING_PASSWORD)))) {
    end(IDOK);
    return;
  }
  const std::wstring text = resource_string(IDS_MEETING_PASSWORD_REFUSED);
  const std::wstring caption = resource_string(IDS_WARNING_CAPTION);
  MessageBoxW(window(), text.c_str(), caption.c_str(), mivo::msgbox::kWarning);
  put_new_password();
}

void CMeetingSetting::put_new_password() {
  const std::wstring password =
      mivo::win::to_wide(mivo::new_meeting_password([]() -> std::optional<std::uint32_t> {
        std::uint32_t value = 0;
        if (!mivo::win::system_random(&value, sizeof(value))) return std::nullopt;
        return value;
      }));
  SetDlgItemTextW(window(), IDC_MEETING_PASSWORD, password.c_str());
}

CMultiTenancy::CMultiTenancy(HWND owner, std::vector<std::wstring> names, Chosen chosen)
    : scheduler_dialog(IDD_MULTI_TENANCY, owner),
      names_(std::move(names)),
      chosen_(std::move(chosen)) {}

bool CMultiTenancy::on_init_dialog() {
  if (!names_.empty()) {
    for (const std::wstring& name : names_) {
      SendDlgItemMessageW(window(), IDC_TENANCY_LIST, LB_ADDSTRING, 0,
                          reinterpret_cast<LPARAM>(name.c_str()));
    }
    SendDlgItemMessageW(window(), IDC_TENANCY_LIST, LB_SETCURSEL, 0, 0);
  }
  adopt_look();
  return true;
}

bool CMultiTenancy::on_command(int id, int code, HWND control) {
  if (id != IDOK) return scheduler_dialog::on_command(id, code, control);
  // Ended first: the organisation change runs while the chooser closes, and
  // its result does not change the chooser's.
  end(IDOK);
  chosen_(window(), selected_name());
  return true;
}

std::optional<std::wstring> CMultiTenancy::selected_name() const {
  const HWND list = item(IDC_TENANCY_LIST);
  const LRESULT index = SendMessageW(list, LB_GETCURSEL, 0, 0);
  if (index == LB_ERR) return std::nullopt;
  const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == LB_ERR) return std::nullopt;
  std::wstring name(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT copied = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index),
                                      reinterpret_cast<LPARAM>(name.data()));
  if (copied == LB_ERR) return std::nullopt;
  name.resize(static_cast<std::size_t>(copied));
  return name;
}

CCancellationDlg::CCancellationDlg(HWND owner, std::function<void()> confirmed)
    : scheduler_dialog(IDD_CANCELLATION, owner), confirmed_(std::move(confirmed)) {}

bool CCancellationDlg::on_init_dialog() {
  mivo::win::center_dialog(window(), owner());
  return true;
}

bool CCancellationDlg::on_command(int id, int code, HWND control) {
  if (id != IDOK) return scheduler_dialog::on_command(id, code, control);
  confirmed_();
  end(IDOK);
  return true;
}

}  // namespace mivo::scheduler
