// launch_recorder.exe: stands in for the desktop meeting client, the browser
// and the installer package in the Wine tests. Each start writes one file
// "<process id>.txt" into the folder named by MIVO_LAUNCH_RECORDS: its
// current directory, a line feed, then its whole command line (which may hold
// line feeds itself), in UTF-8.
#include <windows.h>

#include <string>

#include "com/unique.h"
#include "win/wide_text.h"

using mivo::win::to_utf8;

int wmain() {
  wchar_t folder[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableW(L"MIVO_LAUNCH_RECORDS", folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 2;
  wchar_t directory[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, directory);

  const std::string record = to_utf8(directory) + "\n" + to_utf8(GetCommandLineW());
  const std::wstring path =
      std::wstring(folder) + L"\\" + std::to_wstring(GetCurrentProcessId()) + L".txt";
  // Written under a temporary name and renamed, so a reader never sees half
  // a record.
  const std::wstring partial = path + L".part";
  mivo::com::unique_hfile file(CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr,
                                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return 3;
  DWORD written = 0;
  const BOOL ok =
      WriteFile(file.get(), record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
  file.reset();
  if (!ok || !MoveFileW(partial.c_str(), path.c_str())) return 4;
  return 0;
}
