// The request log's path check.
#include "local_path.h"

namespace mivo::oiurl {

bool is_local_absolute_path(std::wstring_view path) {
  if (path.size() < 3) return false;
  const wchar_t drive = path[0];
  const bool letter = (drive >= L'A' && drive <= L'Z') || (drive >= L'a' && drive <= L'z');
  return letter && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
}

}  // namespace mivo::oiurl
