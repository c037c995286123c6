// The scheduler's dialogs on the templates of MivoOlkRes: about box, account
// dialog, meeting options, organisation chooser and sign-out confirmation.
// Each object lives on the stack of the call that runs it.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "bitmap_static.h"
#include "win/dialog.h"

namespace mivo {
class CMeetingInfo;
}

namespace mivo::scheduler {

// What the scheduler's dialogs share: the owner they are placed over and the
// owner rule (a run without a window as owner shows nothing and returns 0).
class scheduler_dialog : public mivo::win::dialog {
 public:
  // The dialog's result, 0 when nothing was shown, -1 when the dialog could
  // not be created (the resource library among the reasons: the host
  // program's own templates are never shown in its place). The template is
  // the one of resource_language().
  int run() noexcept;

 protected:
  scheduler_dialog(int template_id, HWND owner) noexcept
      : template_id_(template_id), owner_(owner) {}

  HWND owner() const noexcept { return owner_; }
  // Runs the template in resource_language() with `owner` (null: none);
  // -1 without the resource library.
  int run_template(HWND owner) noexcept;
  // Centres the dialog and gives it and its controls the dialog font.
  void adopt_look() noexcept;

  // Cancel and the close box end the dialog with 2.
  bool on_command(int id, int code, HWND control) override;
  bool on_close() override;

 private:
  int template_id_;
  HWND owner_;
  mivo::win::unique_hfont font_;
};

// About box: OK ends it with 1, the close box with 0; Escape and Cancel do
// nothing.
class CAboutDlg final : public scheduler_dialog {
 public:
  explicit CAboutDlg(HWND owner) noexcept;

 private:
  bool on_init_dialog() override;
  bool on_command(int id, int code, HWND control) override;
  bool on_close() override;

  CBitmapStatic picture_;
};

// Account dialog: shows the service address read-only; OK hands the
// entered user name and password to the sign-in, which decides whether the
// dialog ends (1) or stays open.
class CAccountSetting final : public scheduler_dialog {
 public:
  using SignIn =
      std::function<bool(HWND dialog, const std::wstring& user_name, const std::wstring& password)>;
  CAccountSetting(HWND owner, std::wstring service_address, SignIn sign_in);

 private:
  bool on_init_dialog() override;
  bool on_command(int id, int code, HWND control) override;

  std::wstring service_address_;
  SignIn sign_in_;
};

// Meeting options on one meeting record: the mute box and the meeting
// password, checked by apply_meeting_options().
class CMeetingSetting final : public scheduler_dialog {
 public:
  CMeetingSetting(HWND owner, mivo::CMeetingInfo& record) noexcept;

 private:
  bool on_init_dialog() override;
  bool on_command(int id, int code, HWND control) override;
  void on_ok();
  void put_new_password();

  mivo::CMeetingInfo& record_;
  CBitmapStatic new_password_;
};

// Organisation chooser: the names in the given order, the first selected.
// OK ends the dialog with 1 and then reports the selection while the dialog
// closes.
class CMultiTenancy final : public scheduler_dialog {
 public:
  using Chosen = std::function<void(HWND dialog, const std::optional<std::wstring>& name)>;
  CMultiTenancy(HWND owner, std::vector<std::wstring> names, Chosen chosen);

 private:
  bool on_init_dialog() override;
  bool on_command(int id, int code, HWND control) override;
  std::optional<std::wstring> selected_name() const;

  std::vector<std::wstring> names_;
  Chosen chosen_;
};

// Sign-out confirmation: OK runs the sign-out and ends with 1.
class CCancellationDlg final : public scheduler_dialog {
 public:
  CCancellationDlg(HWND owner, std::function<void()> confirmed);

 private:
  bool on_init_dialog() override;
  bool on_command(int id, int code, HWND control) override;

  std::function<void()> confirmed_;
};

}  // namespace mivo::scheduler
