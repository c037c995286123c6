// The installer download's worker: status and length checks, the size
// limit, WinINet time limits, and the move into place.
#include "package_download.h"

#include <wininet.h>

#include <vector>

#include "com/unique.h"

namespace mivo::scheduler {
namespace {

constexpr wchar_t kAgentName[] = L"Testing";
constexpr DWORD kChunkBytes = 64 * 1024;

// A numeric header of the answer; false when it is absent.
bool query_number(HINTERNET request, DWORD header, DWORD& value) {
  DWORD size = sizeof(value);
  return HttpQueryInfoW(request, header | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr) != FALSE;
}

// Each download writes a file of its own, so a worker still finishing an
// abandoned download never touches the file of a later one.
std::wstring part_path_for(const std::wstring& destination) {
  static std::atomic<unsigned> counter{0};
  return destination + L"." + std::to_wstring(GetCurrentProcessId()) + L"." +
         std::to_wstring(++counter) + L".part";
}

}  // namespace

package_download::package_download(std::wstring url, std::wstring destination, limits bounds)
    : url_(std::move(url)),
      destination_(std::move(destination)),
      part_path_(part_path_for(destination_)),
      limits_(bounds) {}

std::shared_ptr<package_download> package_download::start(std::wstring url,
                                                          std::wstring destination, limits bounds) {
  std::shared_ptr<package_download> download(
      new package_download(std::move(url), std::move(destination), bounds));
  // The worker's code lives in this module: it must stay loaded until the
  // thread has left it, whatever the host does meanwhile.
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                          reinterpret_cast<LPCWSTR>(&package_download::thread_main), &module))
    return nullptr;
  auto* param = new std::shared_ptr<package_download>(download);
  const mivo::com::unique_handle thread(
      CreateThread(nullptr, 0, &package_download::thread_main, param, 0, nullptr));
  if (!thread) {
    delete param;
    FreeLibrary(module);
    return nullptr;
  }
  return download;
}

DWORD WINAPI package_download::thread_main(void* param) {
  {
    const std::unique_ptr<std::shared_ptr<package_download>> self(
        static_cast<std::shared_ptr<package_download>*>(param));
    (*self)->run();
  }
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&package_download::thread_main), &module);
  FreeLibraryAndExitThread(module, 0);
}

download_progress package_download::progress() {
  download_progress progress;
  {
    std::lock_guard<std::mutex> guard(lock_);
    progress.finished = stage_ != stage::running;
  }
  progress.received = received_;
  progress.total = total_;
  return progress;
}

bool package_download::conclude() {
  std::lock_guard<std::mutex> guard(lock_);
  if (stage_ == stage::complete) return true;
  abandoned_ = true;
  return false;
}

void package_download::run() {
  bool whole = false;
  bool closed = false;
  try {
    mivo::com::unique_hfile file(CreateFileW(part_path_.c_str(), GENERIC_WRITE, 0, nullptr,
                                             CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) {
      whole = transfer(file.get());
      // Only a file that was closed cleanly holds every byte written.
      closed = CloseHandle(file.release()) != FALSE;
    }
  } catch (...) {
    whole = false;
  }
  finish(whole, closed);
}

bool package_download::transfer(HANDLE file) {
  URL_COMPONENTSW parts{};
  parts.dwStructSize = sizeof(parts);
  // Non-zero lengths and no buffers: the parts point into the URL itself.
  parts.dwHostNameLength = 1;
  parts.dwUrlPathLength = 1;
  parts.dwExtraInfoLength = 1;
  if (!InternetCrackUrlW(url_.c_str(), 0, 0, &parts) || !parts.lpszHostName) return false;
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  std::wstring object;
  if (parts.lpszUrlPath) object.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
  if (parts.lpszExtraInfo) object.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);

  const mivo::com::unique_hinternet session(
      InternetOpenW(kAgentName, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!session || abandoned_) return false;
  const mivo::com::unique_hinternet connection(InternetConnectW(
      session.get(), host.c_str(), parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return false;
  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI;
  if (parts.nScheme == INTERNET_SCHEME_HTTPS) flags |= INTERNET_FLAG_SECURE;
  const mivo::com::unique_hinternet request(HttpOpenRequestW(connection.get(), L"GET",
                                                             object.empty() ? L"/" : object.c_str(),
                                                             nullptr, nullptr, nullptr, flags, 0));
  if (!request) return false;
  // A stalled host holds no WinINet call longer than this, so an abandoned
  // download's worker always gets to clean up. Set on the request itself:
  // that is where every WinINet takes them from.
  DWORD timeout = limits_.wininet_timeout_ms;
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                       INTERNET_OPTION_RECEIVE_TIMEOUT})
    InternetSetOptionW(request.get(), option, &timeout, sizeof(timeout));
  if (!HttpSendRequestW(request.get(), nullptr, 0, nullptr, 0)) return false;
  DWORD status = 0;
  if (!query_number(request.get(), HTTP_QUERY_STATUS_CODE, status) || status != HTTP_STATUS_OK)
    return false;
  DWORD announced = 0;
  const bool has_length = query_number(request.get(), HTTP_QUERY_CONTENT_LENGTH, announced);
  if (has_length) {
    if (announced > limits_.max_bytes) return false;
    total_ = announced;
  }

  std::vector<char> chunk(kChunkBytes);
  std::uint64_t received = 0;
  for (;;) {
    if (abandoned_) return false;
    DWORD read = 0;
    if (!InternetReadFile(request.get(), chunk.data(), kChunkBytes, &read)) return false;
    if (read == 0) break;
    received += read;
    if (received > limits_.max_bytes) return false;
    DWORD written = 0;
    if (!WriteFile(file, chunk.data(), read, &written, nullptr) || written != read) return false;
    received_ = received;
  }
  // Without an announced length only the signature check can tell a whole
  // package from one that was cut short.
  return !has_length || received == announced;
}

void package_download::finish(bool whole, bool file_closed) {
  std::lock_guard<std::mutex> guard(lock_);
  if (whole && file_closed && !abandoned_ &&
      MoveFileExW(part_path_.c_str(), destination_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    stage_ = stage::complete;
    return;
  }
  DeleteFileW(part_path_.c_str());
  stage_ = stage::failed;
}

}  // namespace mivo::scheduler
