// The installer download's worker: redirects, status and length checks, the
// size limit, WinINet time limits, and the move into place.
#include "package_download.h"

#include <wininet.h>

#include <vector>

#include "com/unique.h"
#include "redirect.h"
#include "win/http_header.h"

namespace mivo::scheduler {
namespace {

constexpr wchar_t kAgentName[] = L"Testing";
constexpr DWORD kChunkBytes = 64 * 1024;
// The first request and its redirects.
constexpr int kMaxAttempts = 10;

// A numeric header of the answer; false when it is absent.
bool query_number(HINTERNET request, DWORD header, DWORD& value) {
  DWORD size = sizeof(value);
  return HttpQueryInfoW(request, header | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr) != FALSE;
}

bool is_redirect(DWORD status) {
  return status == HTTP_STATUS_MOVED || status == HTTP_STATUS_REDIRECT ||
         status == HTTP_STATUS_REDIRECT_METHOD || status == HTTP_STATUS_REDIRECT_KEEP_VERB ||
         status == 308;  // permanent, keeping the method
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
  const mivo::com::unique_hinternet session(
      InternetOpenW(kAgentName, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!session || abandoned_) return false;
  std::wstring url = url_;
  mivo::com::unique_hinternet connection;
  mivo::com::unique_hinternet request;
  for (int attempt = 1;; ++attempt) {
    URL_COMPONENTSW parts{};
    parts.dwStructSize = sizeof(parts);
    // Non-zero lengths and no buffers: the parts point into the URL itself.
    parts.dwHostNameLength = 1;
    parts.dwUrlPathLength = 1;
    parts.dwExtraInfoLength = 1;
    if (!InternetCrackUrlW(url.c_str(), 0, 0, &parts) || !parts.lpszHostName) return false;
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring object;
    if (parts.lpszUrlPath) object.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
    if (parts.lpszExtraInfo) object.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);

    request.reset();
    connection.reset(InternetConnectW(session.get(), host.c_str(), parts.nPort, nullptr, nullptr,
                                      INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection || abandoned_) return false;
    // Redirects are followed here, not by WinINet, which would follow them
    // to any host and to plain HTTP.
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI |
                  INTERNET_FLAG_NO_AUTO_REDIRECT;
    if (parts.nScheme == INTERNET_SCHEME_HTTPS) flags |= INTERNET_FLAG_SECURE;
    request.reset(HttpOpenRequestW(connection.get(), L"GET", object.empty() ? L"/" : object.c_str(),
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
    if (!query_number(request.get(), HTTP_QUERY_STATUS_CODE, status)) return false;
    if (status == HTTP_STATUS_OK) break;
    if (!is_redirect(status) || attempt >= kMaxAttempts || abandoned_) return false;
    // Only over HTTPS to the same host and port, as the agent does: the
    // package must come from the host the build names.
    std::wstring location;
    if (!mivo::win::query_header(request.get(), HTTP_QUERY_LOCATION, location) || location.empty())
      return false;
    const std::optional<std::wstring> next =
        mivo::oiurl::redirect_target(location, host, parts.nPort);
    if (!next) return false;
    url = *next;
  }
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
  // The destination's folder was made for this download alone; once empty
  // it goes too (the installer removes it when it finishes first).
  const std::size_t slash = destination_.rfind(L'\\');
  if (slash != std::wstring::npos) RemoveDirectoryW(destination_.substr(0, slash).c_str());
  stage_ = stage::failed;
}

}  // namespace mivo::scheduler
