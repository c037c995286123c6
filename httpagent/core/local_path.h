// Which paths name a file on this machine: the request log must never make
// the agent connect to another host.
#pragma once

#include <string_view>

namespace mivo::oiurl {

// True for a drive letter, a colon and a separator ("C:\logs\agent.txt").
// False for UNC paths ("\\host\share\..." in any spelling), device and
// extended paths ("\\.\...", "\\?\..."), drive-relative ("C:log.txt") and
// relative paths. Whether the drive itself is a network drive is the
// caller's question.
bool is_local_absolute_path(std::wstring_view path);

}  // namespace mivo::oiurl
