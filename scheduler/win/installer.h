// The add-in update: the installer package downloaded into the user's
// temporary folder, opened through its file association, and the host
// process ended.
#pragma once

#include <memory>

#include "ports.h"

namespace mivo::scheduler {

// File name of the package inside GetTempPathW().
extern const wchar_t kInstallerFileName[];

std::unique_ptr<IInstaller> make_installer();

}  // namespace mivo::scheduler
