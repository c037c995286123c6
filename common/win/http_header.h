// Reading a header of a WinINet request's answer as text, whatever its
// length.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <string>

namespace mivo::win {

// HttpQueryInfoW for `query` (HTTP_QUERY_STATUS_CODE, HTTP_QUERY_LOCATION,
// ...); false when the answer has no such header.
bool query_header(HINTERNET request, DWORD query, std::wstring& text);

}  // namespace mivo::win
