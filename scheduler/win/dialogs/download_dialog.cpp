// CDownloadDlg: progress of the installer download, Cancel, and the deadline.
#include "download_dialog.h"

#include <commctrl.h>

#include <string>

#include "resource_ids.h"
#include "win/resource_library.h"

namespace mivo::scheduler {
namespace {

constexpr int kProgressRange = 1000;

std::wstring kilobytes(std::uint64_t bytes) { return std::to_wstring(bytes / 1024) + L" KB"; }

}  // namespace

CDownloadDlg::CDownloadDlg(HWND owner, download_source& source, DWORD deadline_ms)
    : scheduler_dialog(IDD_DOWNLOAD, owner), source_(source), deadline_ms_(deadline_ms) {
  // The progress bar is a common control: its class must exist before the
  // template is instantiated.
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
}

int CDownloadDlg::run() noexcept { return run_template(IsWindow(owner()) ? owner() : nullptr); }

bool CDownloadDlg::on_init_dialog() {
  started_ = GetTickCount();
  SendDlgItemMessageW(window(), IDC_DOWNLOAD_PROGRESS, PBM_SETRANGE32, 0, kProgressRange);
  show(download_progress{});
  adopt_look();
  timer_ = SetTimer(window(), kProgressTimer, kProgressIntervalMs, nullptr);
  return true;
}

void CDownloadDlg::on_timer(UINT_PTR id) {
  if (id != kProgressTimer) return;
  const download_progress progress = source_.progress();
  show(progress);
  if (progress.finished) {
    end(IDOK);
  } else if (GetTickCount() - started_ >= deadline_ms_) {
    end(IDABORT);
  }
}

void CDownloadDlg::on_destroy() {
  if (timer_) KillTimer(window(), kProgressTimer);
  timer_ = 0;
}

void CDownloadDlg::show(const download_progress& progress) {
  std::wstring text = kilobytes(progress.received);
  if (progress.total) {
    text += L" / " + kilobytes(progress.total);
    const auto position = static_cast<WPARAM>(
        progress.received >= progress.total ? kProgressRange
                                            : progress.received * kProgressRange / progress.total);
    SendDlgItemMessageW(window(), IDC_DOWNLOAD_PROGRESS, PBM_SETPOS, position, 0);
  }
  SetDlgItemTextW(window(), IDC_DOWNLOAD_RECEIVED, text.c_str());
}

}  // namespace mivo::scheduler
