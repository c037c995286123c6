// The installer download on a thread of its own: WinINet into a file of its
// own beside the destination, moved to the destination only when complete,
// so that nothing at the destination is ever a partial package.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "dialogs/download_dialog.h"

namespace mivo::scheduler {

class package_download final : public download_source {
 public:
  struct limits {
    std::uint64_t max_bytes;   // a larger answer fails the download
    DWORD wininet_timeout_ms;  // each connect, send and receive
  };

  // Starts the download of `url` to `destination`, in a folder made for this
  // download alone (a failed download removes it once it is empty); null
  // when no thread could be started.
  static std::shared_ptr<package_download> start(std::wstring url, std::wstring destination,
                                                 limits bounds);

  // download_source
  download_progress progress() override;

  // Ends the download where it stands: true when it completed and the file
  // at the destination is whole. Otherwise the download is abandoned: the
  // worker stops at its next step (a blocked WinINet call within its time
  // limit) and deletes what it wrote.
  bool conclude();

 private:
  enum class stage { running, complete, failed };

  package_download(std::wstring url, std::wstring destination, limits bounds);
  static DWORD WINAPI thread_main(void* param);
  void run();
  // False when the answer was refused or broken off.
  bool transfer(HANDLE file);
  // Moves the finished file into place, or deletes it.
  void finish(bool whole, bool file_closed);

  const std::wstring url_;
  const std::wstring destination_;
  const std::wstring part_path_;
  const limits limits_;

  std::atomic<std::uint64_t> received_{0};
  std::atomic<std::uint64_t> total_{0};
  std::atomic<bool> abandoned_{false};
  std::mutex lock_;  // the stage, the move into place and abandoning
  stage stage_ = stage::running;
};

}  // namespace mivo::scheduler
