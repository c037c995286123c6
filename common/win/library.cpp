// System and sibling libraries loaded by full path or from the system folder.
#include "library.h"

namespace mivo::win {
namespace {

// "C:\..." or "\\server\share\...": only these name one place whatever the
// current folder and drive are.
bool is_absolute(const std::wstring& path) noexcept {
  if (path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/')) return true;
  return path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\';
}

}  // namespace

HMODULE load_system_library(const wchar_t* file_name) noexcept {
  return LoadLibraryExW(file_name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

HMODULE load_library_beside(const std::wstring& folder, const wchar_t* file_name) noexcept try {
  if (!is_absolute(folder)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const std::wstring path = folder + L'\\' + file_name;
  return LoadLibraryExW(path.c_str(), nullptr,
                        LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
} catch (...) {
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return nullptr;
}

}  // namespace mivo::win
