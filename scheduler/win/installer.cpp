// WinINet download of the installer package in 200-byte chunks.
#include "installer.h"

#include <windows.h>
#include <shellapi.h>
#include <wininet.h>

#include <string>

#include "com/unique.h"
#include "com/wide_text.h"

namespace mivo::scheduler {

const wchar_t kInstallerFileName[] = L"VantorOutlookPluginSetup.msi";

namespace {

constexpr DWORD kChunkBytes = 200;

std::wstring temp_file_path() {
  wchar_t folder[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
  if (length == 0 || length > MAX_PATH) return std::wstring();
  return std::wstring(folder, length) + kInstallerFileName;
}

// A numeric header of the answer; false when it is absent.
bool query_number(HINTERNET request, DWORD header, DWORD& value) {
  DWORD size = sizeof(value);
  return HttpQueryInfoW(request, header | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr) != FALSE;
}

// Copies the whole answer into the file; false when a read or a write
// failed or fewer bytes arrived than the answer announced.
bool copy_body(HINTERNET request, HANDLE file) {
  DWORD announced = 0;
  const bool has_length = query_number(request, HTTP_QUERY_CONTENT_LENGTH, announced);
  unsigned long long total = 0;
  char chunk[kChunkBytes];
  for (;;) {
    DWORD read = 0;
    if (!InternetReadFile(request, chunk, kChunkBytes, &read)) return false;
    if (read == 0) break;
    DWORD written = 0;
    if (!WriteFile(file, chunk, read, &written, nullptr) || written != read) return false;
    total += read;
  }
  return !has_length || total == announced;
}

class InternetInstaller final : public IInstaller {
 public:
  std::optional<std::string> download(const std::string& url) override {
    const mivo::com::unique_hinternet session(
        InternetOpenW(L"Testing", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session) return std::nullopt;
    const mivo::com::unique_hinternet request(InternetOpenUrlW(
        session.get(), mivo::com::to_wide(url).c_str(), nullptr, 0, INTERNET_FLAG_RELOAD, 0));
    if (!request) return std::nullopt;
    DWORD status = 0;
    if (!query_number(request.get(), HTTP_QUERY_STATUS_CODE, status) || status != HTTP_STATUS_OK)
      return std::nullopt;

    const std::wstring path = temp_file_path();
    if (path.empty()) return std::nullopt;
    const HANDLE created = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
    if (created == INVALID_HANDLE_VALUE) return std::nullopt;
    mivo::com::unique_handle file(created);
    const bool complete = copy_body(request.get(), file.get());
    // Only a file that was closed cleanly holds every byte written.
    const bool closed = CloseHandle(file.release()) != FALSE;
    if (!complete || !closed) {
      // A partial package must never be opened, now or by a later run.
      DeleteFileW(path.c_str());
      return std::nullopt;
    }
    return mivo::com::to_utf8(path);
  }

  void open(const std::string& path) override {
    ShellExecuteW(nullptr, L"open", mivo::com::to_wide(path).c_str(), nullptr, nullptr, SW_SHOW);
  }

  void exit_process() override { ExitProcess(0); }
};

}  // namespace

std::unique_ptr<IInstaller> make_installer() { return std::make_unique<InternetInstaller>(); }

}  // namespace mivo::scheduler
