// The add-in update: the installer package downloaded into the user's
// temporary folder behind a progress dialog, its signature checked, opened
// through its file association, and the host process ended.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "ports.h"

namespace mivo::scheduler {

// File name of the package inside GetTempPathW().
extern const wchar_t kInstallerFileName[];
// The publisher whose signature an installer package must carry: the
// certificate subject named at build time (MIVO_INSTALLER_PUBLISHER).
extern const wchar_t kInstallerPublisher[];

struct installer_limits {
  std::uint64_t max_bytes = 256ull * 1024 * 1024;
  DWORD deadline_ms = 10 * 60 * 1000;  // the whole download
  DWORD wininet_timeout_ms = 30000;    // each connect, send and receive
};

std::unique_ptr<InstallerPort> make_installer(installer_limits limits = {});

}  // namespace mivo::scheduler
