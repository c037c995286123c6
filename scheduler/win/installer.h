// The add-in update: the installer package downloaded into a new folder of
// the user's own behind a progress dialog, its signature checked while it is
// kept open against changes, Windows Installer started on it, and the host
// asked to close as its user would close it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "ports.h"

namespace mivo::scheduler {

// File name of the package inside its download folder.
extern const wchar_t kInstallerFileName[];
// Name of each download folder in the user's temporary folder: this, then
// 32 random hex digits.
extern const wchar_t kUpdateFolderPrefix[];
// The publisher whose signature an installer package must carry: the
// certificate subject named at build time (MIVO_INSTALLER_PUBLISHER). Its
// keys are string IDS_PUBLISHER_KEYS of the resource library.
extern const wchar_t kInstallerPublisher[];

struct installer_limits {
  std::uint64_t max_bytes = 256ull * 1024 * 1024;
  DWORD deadline_ms = 10 * 60 * 1000;  // the whole download
  DWORD wininet_timeout_ms = 30000;    // each connect, send and receive
};

// msiexec.exe in the system folder.
std::wstring system_installer_program();

// `installer_program` is started as `"<program>" /i "<package>"`.
std::unique_ptr<InstallerPort> make_installer(
    installer_limits limits = {}, std::wstring installer_program = system_installer_program());

}  // namespace mivo::scheduler
