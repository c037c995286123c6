// The installer download's modal progress dialog (template IDD_DOWNLOAD). The
// download runs on a thread of its own; the dialog shows how far it got and
// keeps the host's messages flowing until it ends.
#pragma once

#include <windows.h>

#include <cstdint>

#include "scheduler_dialogs.h"

namespace mivo::scheduler {

struct download_progress {
  bool finished = false;
  std::uint64_t received = 0;
  std::uint64_t total = 0;  // 0 when the answer announced no length
};

// What the dialog watches; called on the dialog's thread.
class download_source {
 public:
  virtual ~download_source() = default;
  virtual download_progress progress() = 0;
};

constexpr UINT_PTR kProgressTimer = 103;
constexpr UINT kProgressIntervalMs = 100;

// Ends with IDOK when the download finished (whether or not it succeeded),
// IDCANCEL when the user cancelled (Cancel, Escape or the close box), IDABORT
// when the deadline passed first. What becomes of an unfinished download is
// the caller's business.
class CDownloadDlg final : public scheduler_dialog {
 public:
  CDownloadDlg(HWND owner, download_source& source, DWORD deadline_ms);

  // Unlike the other dialogs it is shown also when the owner is not a
  // window, as a top-level window of its own: the user asked for the update
  // and must be able to cancel it. -1 when it cannot be shown (no resource
  // library).
  int run() noexcept;

 private:
  bool on_init_dialog() override;
  void on_timer(UINT_PTR id) override;
  void on_destroy() override;
  void show(const download_progress& progress);

  download_source& source_;
  DWORD deadline_ms_;
  DWORD started_ = 0;
  UINT_PTR timer_ = 0;
};

}  // namespace mivo::scheduler
