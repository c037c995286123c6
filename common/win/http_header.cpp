// A header of a WinINet answer, in a buffer grown to its length.
#include "http_header.h"

#include <vector>

namespace mivo::win {

bool query_header(HINTERNET request, DWORD query, std::wstring& text) {
  std::vector<wchar_t> buffer(1024);
  for (;;) {
    DWORD bytes = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
    if (HttpQueryInfoW(request, query, buffer.data(), &bytes, nullptr)) {
      text.assign(buffer.data(), bytes / sizeof(wchar_t));
      return true;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
    buffer.resize(bytes / sizeof(wchar_t) + 2);
  }
}

}  // namespace mivo::win
