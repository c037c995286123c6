// The program folder and the program runner.
#include "program.h"

#include "com/unique.h"

namespace mivo::com::testing {

std::wstring program_folder() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length);
  return folder.substr(0, folder.rfind(L'\\'));
}

DWORD run_program(std::wstring command_line, const std::wstring& output_file) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  unique_hfile output;
  if (!output_file.empty()) {
    SECURITY_ATTRIBUTES inherited{sizeof(inherited), nullptr, TRUE};
    output.reset(CreateFileW(output_file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!output) return static_cast<DWORD>(-1);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output.get();
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  }
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, output ? TRUE : FALSE, 0,
                      nullptr, nullptr, &startup, &process))
    return static_cast<DWORD>(-1);
  const unique_handle process_handle(process.hProcess);
  const unique_handle thread_handle(process.hThread);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  return code;
}

}  // namespace mivo::com::testing
